// Runs the tarvo-render program as a user would, on files written with libsndfile.
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

namespace {

namespace fs = std::filesystem;

struct Result {
  int status;
  std::string output;  // stdout and stderr together
};

Result runRender(const std::string& args) {
  const std::string command = std::string(TARVO_RENDER_EXE) + " " + args + " 2>&1";
  Result result{-1, {}};
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 512> chunk{};
  while (fgets(chunk.data(), chunk.size(), pipe) != nullptr) result.output += chunk.data();
  const int raw = pclose(pipe);
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return result;
}

struct Audio {
  SF_INFO info{};
  std::vector<float> samples;
};

void writeFile(const fs::path& path, int format, int channels, int rate,
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

Audio readFile(const fs::path& path) {
  Audio audio;
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &audio.info);
  if (f == nullptr) return audio;
  audio.samples.resize(static_cast<size_t>(audio.info.frames) * audio.info.channels);
  sf_readf_float(f, audio.samples.data(), audio.info.frames);
  sf_close(f);
  return audio;
}

std::vector<float> sine(int frames, int channels, int rate, double freq, double amp) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  for (int n = 0; n < frames; ++n) {
    for (int c = 0; c < channels; ++c) {
      out[n * channels + c] = static_cast<float>(amp * std::sin(2 * M_PI * freq * n / rate + c));
    }
  }
  return out;
}

std::string fileBytes(const fs::path& path) {
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
  std::string q(const fs::path& p) { return "'" + p.string() + "'"; }
  fs::path dir, stereo;
};

TEST_F(RenderCli, StereoKeepsFormatRateAndLength) {
  const fs::path out = dir / "out.wav";
  Result r = runRender(q(stereo) + " " + q(out) + " --program Vocal");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Rendered 0.50 s"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("real time"), std::string::npos);
  const Audio a = readFile(out);
  EXPECT_EQ(a.info.format, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  EXPECT_EQ(a.info.channels, 2);
  EXPECT_EQ(a.info.samplerate, 44100);
  EXPECT_EQ(a.info.frames, 22050);
}

TEST_F(RenderCli, UnityRatioPassesAudioUnchanged) {
  const fs::path in = dir / "in.wav";
  const std::vector<float> signal = sine(44100, 2, 48000, 1000, 0.25);
  writeFile(in, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, signal);
  const fs::path out = dir / "out.wav";
  Result r = runRender(q(in) + " " + q(out) +
                       " -p 0 -s Ratio=1:1 -s Auto-Gain=Off -s 'Output Gain=0' --block 333");
  ASSERT_EQ(r.status, 0) << r.output;
  const Audio a = readFile(out);
  ASSERT_EQ(a.samples.size(), signal.size());
  EXPECT_EQ(a.info.samplerate, 48000);
  double worst = 0.0;
  for (size_t i = 0; i < signal.size(); ++i) {
    worst = std::max(worst, double(std::fabs(a.samples[i] - signal[i])));
  }
  EXPECT_LT(worst, 1e-4);  // the chain's dither noise is far below this
}

TEST_F(RenderCli, MonoIsProcessedAsDualMonoAndWrittenAsMono) {
  const fs::path in = dir / "mono.flac";
  writeFile(in, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 1, 44100, sine(10000, 1, 44100, 220, 0.8));
  const fs::path out = dir / "mono-out.flac";
  Result r = runRender(q(in) + " " + q(out) + " -s Threshold=-30");
  ASSERT_EQ(r.status, 0) << r.output;
  const Audio a = readFile(out);
  EXPECT_EQ(a.info.channels, 1);
  EXPECT_EQ(a.info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  EXPECT_EQ(a.info.frames, 10000);
}

TEST_F(RenderCli, FormatOptionChangesTheOutputFormat) {
  const fs::path out = dir / "out.aiff";
  Result r = runRender(q(stereo) + " " + q(out) + " --format aiff24");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(readFile(out).info.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_24);
  r = runRender(q(stereo) + " " + q(dir / "x.wav") + " --format mp9");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("wav16"), std::string::npos) << r.output;
}

TEST_F(RenderCli, BadInputGetsAClearErrorAndNoOutput) {
  const fs::path out = dir / "never.wav";
  struct Case {
    std::string args;
    std::string expected;
  };
  const fs::path three = dir / "three.wav";
  writeFile(three, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100, sine(100, 3, 44100, 100, 0.1));
  const fs::path text = dir / "notes.txt";
  std::ofstream(text) << "not audio";
  const std::vector<Case> cases = {
      {q(dir / "missing.wav") + " " + q(out), "cannot read input"},
      {q(text) + " " + q(out), "cannot read input"},
      {q(three) + " " + q(out), "3 channels"},
      {q(stereo) + " " + q(out) + " -p Karaoke", "Mix it Hot"},
      {q(stereo) + " " + q(out) + " -p 25", "unknown program"},
      {q(stereo) + " " + q(out) + " -s Treshold=-20", "Threshold, Auto-Gain"},
      {q(stereo) + " " + q(out) + " -s Threshold=-50", "-40 to 0 dB"},
      {q(stereo) + " " + q(out) + " -s Ratio", "NAME=VALUE"},
      {q(stereo) + " " + q(out) + " -s 'Release Type=Vintage'", "Opto"},
      {q(stereo) + " " + q(dir / "no-such-folder" / "o.wav"), "cannot write output"},
      {q(stereo), "give an input and an output"},
  };
  for (const Case& c : cases) {
    const Result r = runRender(c.args);
    EXPECT_EQ(r.status, 1) << c.args << "\n" << r.output;
    EXPECT_NE(r.output.find(c.expected), std::string::npos) << c.args << "\n" << r.output;
    EXPECT_FALSE(fs::exists(out)) << c.args;
  }
  // Nothing half-written is left behind in the folder.
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
  }
}

TEST_F(RenderCli, OutputEqualToInputIsRefusedAndTheInputKept) {
  const std::string before = fileBytes(stereo);
  Result r = runRender(q(stereo) + " " + q(stereo));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("is the input file"), std::string::npos) << r.output;
  const fs::path alias = dir / "." / "stereo.wav";
  r = runRender(q(stereo) + " " + q(alias));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(fileBytes(stereo), before);
}

TEST_F(RenderCli, AFailedRunLeavesAnExistingOutputUntouched) {
  const fs::path out = dir / "keep.wav";
  std::ofstream(out, std::ios::binary) << "precious";
  Result r = runRender(q(dir / "missing.wav") + " " + q(out));
  EXPECT_EQ(r.status, 1);
  r = runRender(q(stereo) + " " + q(out) + " -s Attack=5000");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(fileBytes(out), "precious");
  // A successful run replaces it.
  r = runRender(q(stereo) + " " + q(out));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(readFile(out).info.frames, 22050);
}

TEST_F(RenderCli, IntegerOutputWarnsWhenItClips) {
  const fs::path out = dir / "hot.wav";
  Result r = runRender(q(stereo) + " " + q(out) + " -s 'Output Gain=20' -s Auto-Gain=Off");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("were clipped"), std::string::npos) << r.output;
  const fs::path floatOut = dir / "hot-float.wav";
  r = runRender(q(stereo) + " " + q(floatOut) +
                " -s 'Output Gain=20' -s Auto-Gain=Off --format wavf");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("were clipped"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("keeps it unclipped"), std::string::npos) << r.output;
  float peak = 0.0f;
  for (float s : readFile(floatOut).samples) peak = std::max(peak, std::fabs(s));
  EXPECT_GT(peak, 1.5f);  // kept above full scale, not clipped
}

TEST_F(RenderCli, DemoAndListNeedNoInput) {
  const fs::path out = dir / "demo.wav";
  Result r = runRender("--demo " + q(out));
  ASSERT_EQ(r.status, 0) << r.output;
  const Audio a = readFile(out);
  EXPECT_EQ(a.info.channels, 2);
  EXPECT_NEAR(a.info.frames / 44100.0, 10.0, 0.01);
  EXPECT_NE(r.output.find("gain reduction up to"), std::string::npos);
  r = runRender("--list");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("Release Type"), std::string::npos);
  EXPECT_NE(r.output.find("24  Your Sound Here"), std::string::npos);
  EXPECT_EQ(r.output.find("Reserved1"), std::string::npos);
}

}  // namespace
