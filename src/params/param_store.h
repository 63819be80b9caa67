// The live parameter store of one effect object: the normalized values and the
// per-parameter changed flags. Written by the host's threads (setParameter), read and
// cleared by the block update on the audio thread, without locks.
#pragma once

#include <atomic>
#include <cstdint>

#include "params/param_table.h"

namespace tarvo::params {

struct ParamStore {
  // Normalized values 0..1. Relaxed: each value is a single 32-bit store.
  std::atomic<float> paramValue[kNumParams] = {};
  // 1 = the block update must recompute this parameter. Raised with release after the
  // value is stored, cleared (exchange with acquire) before the value is read.
  std::atomic<uint8_t> paramChanged[kNumParams] = {};

  void markAllChanged() {
    for (auto& flag : paramChanged) flag.store(1, std::memory_order_release);
  }
};

}  // namespace tarvo::params
