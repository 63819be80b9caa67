// Helpers for the WAV tests: hand-built RIFF files and a scratch folder.
#pragma once

#include <gtest/gtest.h>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "render/native_file.h"

namespace tarvo::test {

using Bytes = std::vector<unsigned char>;

inline void add(Bytes& b, const std::string& text) {
  b.insert(b.end(), text.begin(), text.end());
}
inline void add16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}
inline void add32(Bytes& b, uint32_t v) {
  add16(b, v & 0xFFFF);
  add16(b, v >> 16);
}

// A chunk: id, size, body and the pad byte of an odd size.
inline Bytes chunk(const std::string& id, const Bytes& body, bool pad = true) {
  Bytes b;
  add(b, id);
  add32(b, static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) b.push_back(0);
  return b;
}

// A plain fmt chunk body (16 bytes).
inline Bytes fmtBody(uint16_t tag, int channels, uint32_t rate, int bits, int blockAlign = -1) {
  if (blockAlign < 0) blockAlign = channels * ((bits + 7) / 8);
  Bytes b;
  add16(b, tag);
  add16(b, static_cast<uint32_t>(channels));
  add32(b, rate);
  add32(b, rate * static_cast<uint32_t>(blockAlign));
  add16(b, static_cast<uint32_t>(blockAlign));
  add16(b, static_cast<uint32_t>(bits));
  return b;
}

// A WAVE_FORMAT_EXTENSIBLE fmt chunk body (40 bytes) for format tag `subTag`.
inline Bytes extensibleBody(uint16_t subTag, int channels, uint32_t rate, int bits, int validBits) {
  Bytes b = fmtBody(0xFFFE, channels, rate, bits);
  add16(b, 22);  // cbSize
  add16(b, static_cast<uint32_t>(validBits));
  add32(b, channels == 2 ? 3u : 4u);  // speaker mask
  add16(b, subTag);
  const unsigned char tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                  0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
  b.insert(b.end(), tail, tail + 14);
  return b;
}

// RIFF/WAVE around the given chunks; riffSize < 0 writes the true size.
inline Bytes riff(const std::vector<Bytes>& chunks, int64_t riffSize = -1) {
  Bytes body;
  add(body, "WAVE");
  for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
  Bytes b;
  add(b, "RIFF");
  add32(b, static_cast<uint32_t>(riffSize < 0 ? int64_t(body.size()) : riffSize));
  b.insert(b.end(), body.begin(), body.end());
  return b;
}

// A folder of its own per test and process, removed afterwards.
class ScratchFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
#if defined(_WIN32)
    const int pid = _getpid();
#else
    const int pid = static_cast<int>(::getpid());
#endif
    dir = std::filesystem::temp_directory_path() /
          (std::string("tarvo-wav-") + std::to_string(pid) + "-" + info->test_suite_name() + "-" +
           info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override {
    std::filesystem::remove_all(dir);
  }

  // UTF-8 name of a file in the folder.
  std::string at(const std::string& utf8Name) const {
    return render::utf8FromPath(dir / render::pathFromUtf8(utf8Name));
  }
  std::string put(const std::string& utf8Name, const Bytes& bytes) const {
    const std::string path = at(utf8Name);
    std::ofstream(render::pathFromUtf8(path), std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path;
  }
  Bytes bytesOf(const std::string& utf8Path) const {
    std::ifstream in(render::pathFromUtf8(utf8Path), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> names() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
      out.push_back(render::utf8FromPath(e.path().filename()));
    }
    return out;
  }

  std::filesystem::path dir;
};

}  // namespace tarvo::test
