// Runs the tarvo-render program as a user would, on files written with libsndfile.
#include "render_cli_support.h"

namespace {

using namespace tarvo::render_test;

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
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("wav16"), std::string::npos) << r.output;
}

TEST_F(RenderCli, BadInputGetsAClearErrorAndNoOutput) {
  const fs::path out = dir / "never.wav";
  struct Case {
    std::string args;
    std::string expected;
    int status;  // 1 a failure, 2 a mistake in the command line
  };
  const fs::path three = dir / "three.wav";
  writeFile(three, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 3, 44100, sine(100, 3, 44100, 100, 0.1));
  const fs::path text = dir / "notes.txt";
  std::ofstream(text) << "not audio";
  const std::vector<Case> cases = {
      {q(dir / "missing.wav") + " " + q(out), "cannot read input", 1},
      {q(text) + " " + q(out), "cannot read input", 1},
      {q(dir) + " " + q(out), "is a folder", 1},
      {q(three) + " " + q(out), "3 channels", 1},
      {q(stereo) + " " + q(out) + " -p Karaoke", "Mix it Hot", 2},
      {q(stereo) + " " + q(out) + " -p 25", "unknown program", 2},
      {q(stereo) + " " + q(out) + " -s Treshold=-20", "Threshold, Auto-Gain", 2},
      {q(stereo) + " " + q(out) + " -s Threshold=-50", "-40 to 0 dB", 2},
      {q(stereo) + " " + q(out) + " -s Ratio", "NAME=VALUE", 2},
      {q(stereo) + " " + q(out) + " -s 'Release Type=Vintage'", "Opto", 2},
      {q(stereo) + " " + q(dir / "no-such-folder" / "o.wav"), "cannot write output", 1},
      {q(stereo), "give an input and an output", 2},
      {q(stereo) + " Ratio=4:1", "--set \"Ratio=4:1\"", 2},
      {q(stereo) + " " + q(out) + " --no-such-option", "not expected", 2},
  };
  for (const Case& c : cases) {
    const Result r = runRender(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.output;
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
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find("is the input file"), std::string::npos) << r.output;
  const fs::path alias = dir / "." / "stereo.wav";
  r = runRender(q(stereo) + " " + q(alias));
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(fileBytes(stereo), before);
}

TEST_F(RenderCli, AFailedRunLeavesAnExistingOutputUntouched) {
  const fs::path out = dir / "keep.wav";
  std::ofstream(out, std::ios::binary) << "precious";
  Result r = runRender(q(dir / "missing.wav") + " " + q(out));
  EXPECT_EQ(r.status, 1);
  r = runRender(q(stereo) + " " + q(out) + " -s Attack=5000");
  EXPECT_EQ(r.status, 2);
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
