// Base class of an effect's editor as the host drives it: rectangle, open, close, idle.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst/aeffect.h"

namespace tarvo::vst {

class AudioEffect;

class AEffEditor {
 public:
  explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
  virtual ~AEffEditor() = default;

  AEffEditor(const AEffEditor&) = delete;
  AEffEditor& operator=(const AEffEditor&) = delete;

  // Stores the address of the editor rectangle where `rect` points; 0 = no rectangle.
  virtual int32_t getRect(ERect** rect) {
    if (rect != nullptr) *rect = nullptr;
    return 0;
  }
  // Opens the editor inside the host's window `parent`; 0 = no editor window.
  virtual int32_t open(void* /*parent*/) { return 0; }
  virtual void close() {}
  // The host's editor clock: runs a requested refresh.
  virtual void idle() {
    if (updateFlag.exchange(0, std::memory_order_acq_rel) != 0) update();
  }
  virtual void update() {}
  // Requests a refresh at the next idle call; safe from any thread.
  virtual void postUpdate() { updateFlag.store(1, std::memory_order_release); }
  // Keys are not used: -1 tells the host to handle them itself.
  virtual int32_t onKeyDown(VstKeyCode& /*keyCode*/) { return -1; }
  virtual int32_t onKeyUp(VstKeyCode& /*keyCode*/) { return -1; }
  virtual int32_t setKnobMode(VstIntPtr /*mode*/) { return 0; }
  virtual int32_t reserved(VstIntPtr /*value*/) { return 0; }

 protected:
  AudioEffect* effect;                 // the owning effect, never owned here
  std::atomic<int32_t> updateFlag{0};  // nonzero = a refresh was requested
};

}  // namespace tarvo::vst
