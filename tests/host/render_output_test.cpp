// What tarvo-render does with the files a user names: what kind of path the output is,
// integer samples rounded to nearest, the format from the extension, figures that do not
// depend on the block size, and the messages and exit statuses of the tools.
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <thread>

#include "render_cli_support.h"

namespace {

using namespace tarvo::render_test;

using RenderFiles = RenderCli;

std::string gainReduction(const std::string& output) {
  const auto at = output.find("gain reduction up to ");
  if (at == std::string::npos) return "";
  return output.substr(at + 21, output.find(' ', at + 21) - (at + 21));
}

// The number that follows `key` in `text`.
double numberAfter(const std::string& text, const std::string& key) {
  const auto at = text.find(key);
  return at == std::string::npos ? NAN : std::stod(text.substr(at + key.size()));
}

// Integer samples of `bits` at most `peak` of full scale, as floats.
std::vector<float> integerNoise(int frames, int bits, double peak) {
  if (peak == 0.0) return std::vector<float>(static_cast<size_t>(frames) * 2, 0.0f);
  std::mt19937 rng(5u);
  const double scale = std::ldexp(1.0, bits - 1);
  std::uniform_int_distribution<int32_t> pick(static_cast<int32_t>(-peak * scale),
                                              static_cast<int32_t>(peak * scale) - 1);
  std::vector<float> out(static_cast<size_t>(frames) * 2);
  for (float& x : out) x = static_cast<float>(pick(rng) / scale);
  return out;
}

TEST_F(RenderFiles, ALinkIsFollowedAndOtherKindsOfPathAreRefused) {
  // A link to an existing file with its own permissions: the file is written, the link
  // stays a link, the permissions stay.
  const fs::path real = dir / "real.wav", link = dir / "link.wav";
  std::ofstream(real) << "old";
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  fs::create_symlink("real.wav", link);
  Result r = runRender(q(stereo) + " " + q(link) + " -p 3");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(readFile(real).info.frames, 22050);
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  // A file with a second name (hard link) is replaced under its own name, and the user is
  // told that the other name keeps the old file.
  fs::create_hard_link(real, dir / "other.wav");
  r = runRender(q(stereo) + " " + q(real) + " -p 3");
  EXPECT_NE(r.output.find("1 other name(s)"), std::string::npos) << r.output;

  // A pipe, a device and a folder are refused and left as they are. The device is a null
  // device of the test's own where the test may make one (as root), so that a renderer
  // that replaced devices would not take the system's /dev/null with it.
  const fs::path fifo = dir / "pipe";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  fs::path device = dir / "null";
  if (mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) device = "/dev/null";
  for (const auto& [target, reason] : {std::pair<fs::path, std::string>{fifo, "named pipe"},
                                       {device, "device"},
                                       {dir, "folder"}}) {
    r = runRender(q(stereo) + " " + q(target) + " -p 3");
    EXPECT_EQ(r.status, 1) << target;
    EXPECT_NE(r.output.find(reason), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("Rendered"), std::string::npos) << r.output;
  }
  EXPECT_TRUE(fs::is_fifo(fifo));
  EXPECT_TRUE(fs::is_character_file(device));
}

TEST_F(RenderFiles, TerminatedRunRemovesItsTemporaryFileAndKeepsTheOutput) {
  const fs::path in = dir / "long.wav", out = dir / "keep.wav";
  writeFile(in, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 44100, sine(44100 * 120, 2, 44100, 100, 0.5));
  std::ofstream(out) << "precious";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    execl(TARVO_RENDER_EXE, TARVO_RENDER_EXE, in.c_str(), out.c_str(), "-p", "3", "--block", "1",
          static_cast<char*>(nullptr));
    _exit(127);
  }
  // Wait until the temporary file exists, then stop the run.
  bool started = false;
  for (int i = 0; i < 500 && !started; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    for (const auto& entry : fs::directory_iterator(dir)) {
      started = started || entry.path().extension() == ".tmp";
    }
  }
  kill(child, SIGTERM);
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(started);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(fileBytes(out), "precious");
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

// "Full Reset" passes the audio at unity gain with dither far below half a step: integer
// files come back as they were (flooring would move about a third of the samples down).
// At 24 bits the dither reaches half a step only above -6 dBFS, so the 24-bit file stays
// below that.
TEST_F(RenderFiles, UnityRenderOfIntegerFilesIsBitExact) {
  struct Case {
    int subtype, bits;
    double peak;
  };
  for (const Case c : {Case{SF_FORMAT_PCM_16, 16, 1.0}, Case{SF_FORMAT_PCM_16, 16, 0.0},
                       Case{SF_FORMAT_PCM_24, 24, 0.49}}) {
    const fs::path in = dir / "in.wav", out = dir / "out.wav";
    writeFile(in, SF_FORMAT_WAV | c.subtype, 2, 44100, integerNoise(44100, c.bits, c.peak));
    const Result r = runRender(q(in) + " " + q(out) + " -p 0");
    ASSERT_EQ(r.status, 0) << r.output;
    EXPECT_EQ(fileBytes(out), fileBytes(in)) << c.bits << " bits, peak " << c.peak;
  }
}

// The audio travels in chunks from a reader thread through the plug-in to a writer
// thread: at lengths around the block and chunk sizes (16384 frames, or the whole blocks
// below that), with more chunks than are in flight, mono and stereo, from a file and
// through a pipe, every frame comes out once and in its place ("Full Reset" gives 16-bit
// audio back to the bit).
TEST_F(RenderFiles, EveryFrameComesOutOnceAndInOrder) {
  const fs::path in = dir / "in.wav", out = dir / "out.wav";
  for (int channels : {2, 1}) {
    for (int frames : {1, 511, 16384, 16385, 5 * 16384 + 3}) {
      std::vector<float> samples = integerNoise(frames, 16, 1.0);
      samples.resize(static_cast<size_t>(frames) * channels);
      writeFile(in, SF_FORMAT_WAV | SF_FORMAT_PCM_16, channels, 44100, samples);
      for (const char* block : {"512", "700"}) {
        const Result r = runRender(q(in) + " " + q(out) + " -p 0 --block " + block);
        ASSERT_EQ(r.status, 0) << r.output;
        EXPECT_TRUE(fileBytes(out) == fileBytes(in))
            << channels << " ch, " << frames << " frames, --block " << block;
      }
    }
  }
  const Result piped = runCommand("cat " + q(in) + " | " + TARVO_RENDER_EXE +
                                  " - - -p 0 --block 700 2>/dev/null | cat > " + q(out));
  ASSERT_EQ(piped.status, 0) << piped.output;
  EXPECT_TRUE(readFile(out).samples == readFile(in).samples);
}

// A lossy encoder's output depends on the pieces it is handed: it gets the audio block by
// block, as an encoder fed one block per write makes it from the same samples.
TEST_F(RenderFiles, LossyOutputIsEncodedBlockByBlock) {
  const std::string settings = " -p 13 --seed 8 --block 300";
  ASSERT_EQ(runRender(q(stereo) + " " + q(dir / "o.wav") + " --format wavf" + settings).status, 0);
  ASSERT_EQ(runRender(q(stereo) + " " + q(dir / "o.ogg") + settings).status, 0);
  const Audio rendered = readFile(dir / "o.wav");
  SF_INFO info{};
  info.format = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
  info.channels = 2;
  info.samplerate = 44100;
  SNDFILE* f = sf_open((dir / "blocks.ogg").c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  for (sf_count_t at = 0; at < rendered.info.frames; at += 300) {
    sf_writef_float(f, rendered.samples.data() + 2 * at,
                    std::min<sf_count_t>(300, rendered.info.frames - at));
  }
  sf_close(f);
  EXPECT_TRUE(readFile(dir / "o.ogg").samples == readFile(dir / "blocks.ogg").samples);
}

// A write that fails part way (here at the file size limit) fails the run with the reason,
// leaves no temporary file and keeps the old output.
TEST_F(RenderFiles, AFailedWriteFailsTheRunAndKeepsTheOldOutput) {
  const fs::path in = dir / "long.wav", out = dir / "o.wav";
  writeFile(in, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, integerNoise(44100 * 3, 16, 0.5));
  std::ofstream(out, std::ios::binary) << "precious";
  // 400 blocks of 512 or 1024 bytes (sh or bash) is less than the 529 kB output.
  const Result r = runCommand(std::string("trap '' XFSZ; ulimit -f 400; exec ") + TARVO_RENDER_EXE +
                              " " + q(in) + " " + q(out));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("writing '" + out.string() + "' failed"), std::string::npos) << r.output;
  EXPECT_TRUE(fileBytes(out) == "precious");
  for (const auto& entry : fs::directory_iterator(dir)) {
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  }
}

TEST_F(RenderFiles, TheExtensionChoosesTheFormatWithTheInputsSampleType) {
  for (const auto& [name, format] : {std::pair<std::string, int>{"o.flac", SF_FORMAT_FLAC},
                                     {"o.AIFF", SF_FORMAT_AIFF},
                                     {"o.caf", SF_FORMAT_CAF},
                                     {"o.w64", SF_FORMAT_W64}}) {
    const Result r = runRender(q(stereo) + " " + q(dir / name));
    ASSERT_EQ(r.status, 0) << name << "\n" << r.output;
    EXPECT_EQ(readFile(dir / name).info.format, format | SF_FORMAT_PCM_16) << name;
  }
  Result r = runRender("--demo " + q(dir / "demo.flac"));
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(readFile(dir / "demo.flac").info.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
  r = runRender(q(stereo) + " " + q(dir / "o.mp9"));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.output.find(".flac"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(dir / "o.mp9"));
}

TEST_F(RenderFiles, GainReductionFigureDoesNotDependOnTheBlockSize) {
  const fs::path out = dir / "o.wav";
  std::string first;
  for (const char* block : {"64", "512", "65536"}) {
    const Result r =
        runRender("--demo " + q(out) + " -p 13 -s Threshold=-30 --block " + std::string(block));
    ASSERT_EQ(r.status, 0) << r.output;
    if (first.empty()) first = gainReduction(r.output);
    EXPECT_NEAR(std::stod(gainReduction(r.output)), std::stod(first), 0.1) << block;
  }
}

// A 1 kHz sine at -20 dBFS in both channels measures -20 LUFS (BS.1770's calibration),
// with no loudness range and a true peak at its sample peak; --json carries it all, and
// two renders with the same --seed are the same to the bit, with or without a plot.
TEST_F(RenderFiles, LoudnessFiguresJsonAndSeed) {
  const fs::path in = dir / "sine.wav";
  writeFile(in, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, sine(48000 * 5, 1, 48000, 1000, 0.1));
  std::vector<float> stereo;
  for (float x : readFile(in).samples) stereo.insert(stereo.end(), {x, x});
  writeFile(in, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, 48000, stereo);
  const Result r = runRender(q(in) + " " + q(dir / "o.wav") + " -p 3 --json --seed 9");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string json = r.output.substr(r.output.find("{\"input\""));
  const std::string input = json.substr(json.find("\"in\":"));
  EXPECT_NEAR(numberAfter(input, "\"integrated_lufs\":"), -20.0, 0.05) << json;
  EXPECT_NEAR(numberAfter(input, "\"true_peak_dbtp\":"), -20.0, 0.05) << json;
  EXPECT_NEAR(numberAfter(input, "\"loudness_range_lu\":"), 0.0, 0.05) << json;
  EXPECT_NE(json.find("\"gain_reduction_max_db\":"), std::string::npos) << json;
  EXPECT_EQ(json.find("Rendered"), std::string::npos) << "only JSON on standard output";

  // --plot draws the render into a PNG of the chart's size.
  ASSERT_EQ(
      runRender(q(in) + " " + q(dir / "p.wav") + " -p 3 --seed 9 --plot " + q(dir / "plot.png"))
          .status,
      0);
  const std::string png = fileBytes(dir / "plot.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png.substr(1, 3), "PNG");
  const auto be32 = [&png](size_t at) {
    return (uint32_t(uint8_t(png[at])) << 24) | (uint32_t(uint8_t(png[at + 1])) << 16) |
           (uint32_t(uint8_t(png[at + 2])) << 8) | uint32_t(uint8_t(png[at + 3]));
  };
  EXPECT_EQ(be32(16), 900u);  // IHDR width and height
  EXPECT_EQ(be32(20), 480u);
  // The samples: a floating-point WAV's PEAK chunk carries the time it was written.
  EXPECT_EQ(readFile(dir / "o.wav").samples, readFile(dir / "p.wav").samples);
  ASSERT_EQ(runRender(q(in) + " " + q(dir / "p.wav") + " -p 3 --seed 10").status, 0);
  EXPECT_NE(readFile(dir / "o.wav").samples, readFile(dir / "p.wav").samples);
}

// Twenty files rendered four at a time come out as each does alone; a file that fails
// does not stop the others, and the exit status tells.
TEST_F(RenderFiles, BatchRendersLikeSingleRunsAndReportsFailures) {
  std::vector<std::string> inputs;
  for (int i = 0; i < 20; ++i) {
    const fs::path in = dir / ("in" + std::to_string(i) + ".wav");
    writeFile(in, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2, 44100,
              sine(8000, 2, 44100, 100.0 + 50 * i, 0.05 * (i + 1)));
    inputs.push_back(q(in));
  }
  std::string all;
  for (const std::string& in : inputs) all += in + " ";
  const std::string settings = " -p 13 -s Threshold=-20 -s 'Output Gain=-9' --seed 3";
  Result r = runRender(all + "-o " + q(dir / "out") + " -j 4 --suffix -t" + settings);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("Rendered 20 of 20 files"), std::string::npos) << r.output;
  for (int i : {0, 7, 19}) {
    const fs::path single = dir / ("single" + std::to_string(i) + ".wav");
    ASSERT_EQ(runRender(inputs[i] + " " + q(single) + settings).status, 0);
    EXPECT_EQ(fileBytes(dir / "out" / ("in" + std::to_string(i) + "-t.wav")), fileBytes(single))
        << i;
  }
  r = runRender(inputs[0] + " " + q(dir / "missing.wav") + " -o " + q(dir / "out2") + settings);
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_NE(r.output.find("missing.wav: FAILED"), std::string::npos) << r.output;
  EXPECT_TRUE(fs::exists(dir / "out2" / "in0.wav"));
  r = runRender(inputs[0] + " " + inputs[0] + " -o " + q(dir / "out3"));
  EXPECT_EQ(r.status, 2) << r.output;  // both would go to one file
}

// "-" reads standard input and writes standard output (WAV with open sizes on a pipe).
TEST_F(RenderFiles, StandardInputAndOutput) {
  const Result file = runRender(q(stereo) + " " + q(dir / "file.wav") + " -p 3 --seed 4");
  ASSERT_EQ(file.status, 0) << file.output;
  const Result piped = runCommand("cat " + q(stereo) + " | " + TARVO_RENDER_EXE +
                                  " - - -p 3 --seed 4 2>/dev/null | cat > " + q(dir / "piped.wav"));
  ASSERT_EQ(piped.status, 0) << piped.output;
  const Audio a = readFile(dir / "file.wav"), b = readFile(dir / "piped.wav");
  EXPECT_EQ(b.info.frames, 22050);
  EXPECT_EQ(a.samples, b.samples);
}

TEST_F(RenderFiles, MessagesNameWhatHappened) {
  // Every render ends with the path it wrote; settings that change nothing say so.
  const fs::path out = dir / "o.wav";
  Result r = runRender(q(stereo) + " " + q(out) + " -s Threshold=-30");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("leave the sound unchanged"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.substr(r.output.rfind("Wrote")), "Wrote " + out.string() + "\n");
  r = runRender(q(stereo) + " " + q(out) + " -s Ratio=4:1 -s Threshold=-30");
  EXPECT_EQ(r.output.find("unchanged"), std::string::npos) << r.output;

  // An empty input and a cut-short one are warned about.
  const fs::path empty = dir / "empty.wav", cut = dir / "cut.wav";
  writeFile(empty, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2, 44100, {});
  const std::string whole = fileBytes(stereo);
  std::ofstream(cut, std::ios::binary) << whole.substr(0, whole.size() / 2);
  r = runRender(q(empty) + " " + q(out));
  EXPECT_NE(r.output.find("holds no audio"), std::string::npos) << r.output;
  r = runRender(q(cut) + " " + q(out));
  EXPECT_NE(r.output.find("looks truncated"), std::string::npos) << r.output;
  r = runRender(q(stereo) + " " + q(out));
  EXPECT_EQ(r.output.find("truncated"), std::string::npos) << r.output;

  // A lossy file that goes over full scale is not called floating point.
  r = runRender(q(stereo) + " " + q(dir / "hot.ogg") + " -s 'Output Gain=12' -s Auto-Gain=Off");
  EXPECT_NE(r.output.find("Ogg Vorbis"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("floating-point"), std::string::npos) << r.output;

  // --version, and the plug-in named by a bare file name in the current folder.
  r = runRender("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("tarvo-render "), std::string::npos) << r.output;
  const fs::path plugin(TARVO_PLUGIN_FILE);
  const Result bare =
      runIn(plugin.parent_path(), std::string(TARVO_RENDER_EXE) + " " + q(stereo) + " " + q(out) +
                                      " --plugin " + plugin.filename().string());
  EXPECT_EQ(bare.status, 0) << bare.output;
}

}  // namespace
