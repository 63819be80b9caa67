// Running tarvo-render as a user would, on files written with libsndfile: shared by the
// renderer's end-to-end tests.
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tarvo::render_test {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string output;  // stdout and stderr together
};

// Runs a shell command, with its standard error joined to its output.
inline Result runCommand(const std::string& command) {
  Result result{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 512> chunk{};
  while (fgets(chunk.data(), chunk.size(), pipe) != nullptr) result.output += chunk.data();
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

inline Result runRender(const std::string& args) {
  return runCommand(std::string(TARVO_RENDER_EXE) + " " + args);
}

// The same, run in `folder`.
inline Result runIn(const fs::path& folder, const std::string& command) {
  return runCommand("cd '" + folder.string() + "' && " + command);
}

struct Audio {
  SF_INFO info{};
  std::vector<float> samples;
};

inline void writeFile(const fs::path& path, int format, int channels, int rate,
                      const std::vector<float>& interleaved) {
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = rate;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_writef_float(f, interleaved.data(), interleaved.size() / channels);
  sf_close(f);
}

inline Audio readFile(const fs::path& path) {
  Audio audio;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &audio.info);
  if (f == nullptr) return audio;
  audio.samples.resize(static_cast<size_t>(audio.info.frames) * audio.info.channels);
  sf_readf_float(f, audio.samples.data(), audio.info.frames);
  sf_close(f);
  return audio;
}

inline std::vector<float> sine(int frames, int channels, int rate, double freq, double amp) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  for (int n = 0; n < frames; ++n) {
    for (int c = 0; c < channels; ++c) {
      out[n * channels + c] = static_cast<float>(amp * std::sin(2 * M_PI * freq * n / rate + c));
    }
  }
  return out;
}

inline std::string fileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class RenderCli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() /
          ("tarvo-render-test-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir);
    stereo = dir / "stereo.wav";
    writeFile(stereo, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, sine(22050, 2, 44100, 440, 0.5));
  }
  void TearDown() override { fs::remove_all(dir); }
  // p in single quotes for the shell (appended: GCC 12 at -O3 misreports -Wrestrict
  // inside operator+ with a literal in front).
  std::string q(const fs::path& p) {
    std::string quoted = "'";
    quoted += p.string();
    quoted += '\'';
    return quoted;
  }
  fs::path dir, stereo;
};

}  // namespace tarvo::render_test
