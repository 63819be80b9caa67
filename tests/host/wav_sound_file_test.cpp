// The renderer's sound-file interface over the built-in WAV backend: the commit that
// replaces an existing file only on success, UTF-8 names, and the messages users see.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "host/wav_test_support.h"
#include "render/native_file.h"
#include "render/sound_file.h"

namespace {

using namespace tarvo::test;
namespace fc = tarvo::render::format_code;
using tarvo::render::AudioFormat;
using tarvo::render::SoundFileReader;
using tarvo::render::SoundFileWriter;

class WavSoundFile : public ScratchFolder {
 protected:
  void writeStereo(const std::string& path, const std::vector<float>& frames, int format) {
    SoundFileWriter writer(path, AudioFormat{format, 2, 44100});
    writer.write(frames.data(), int64_t(frames.size() / 2));
    writer.commit();
  }
  bool hasTemporaryFiles() const {
    const auto n = names();
    return std::any_of(n.begin(), n.end(),
                       [](const std::string& s) { return s.find(".tmp") != std::string::npos; });
  }
};

TEST_F(WavSoundFile, CommitReplacesAnExistingFile) {
  const std::string target = put("out.wav", {'o', 'l', 'd'});
  writeStereo(target, {0.5f, -0.5f, 0.25f, -0.25f}, fc::kWav | fc::kFloat);
  {
    SoundFileReader reader(target);
    EXPECT_EQ(reader.format().sndfileFormat, fc::kWav | fc::kFloat);
    EXPECT_EQ(reader.format().channels, 2);
    EXPECT_EQ(reader.format().sampleRate, 44100);
    ASSERT_EQ(reader.frames(), 2);
    float back[4];
    EXPECT_EQ(reader.read(back, 10), 2);
    EXPECT_EQ(std::vector<float>(back, back + 4), (std::vector<float>{0.5f, -0.5f, 0.25f, -0.25f}));
    EXPECT_EQ(reader.read(back, 10), 0);
  }
  EXPECT_FALSE(hasTemporaryFiles());
  // Replacing it again works too (the target exists and is not open).
  writeStereo(target, {1.0f, 1.0f}, fc::kWav | fc::kPcm16);
  EXPECT_EQ(SoundFileReader(target).format().sndfileFormat, fc::kWav | fc::kPcm16);
}

TEST_F(WavSoundFile, ATargetOpenElsewhereIsReplacedOrKeptWhole) {
  const std::string target = at("open.wav");
  writeStereo(target, {0.5f, 0.5f}, fc::kWav | fc::kPcm16);
  SoundFileReader reader(target);  // as a player holding the file open
  try {
    writeStereo(target, {-0.5f, -0.5f, 0.25f, 0.25f}, fc::kWav | fc::kPcm16);
#if defined(_WIN32)
    ADD_FAILURE() << "Windows replaced a file that is open without delete sharing";
#endif
  } catch (const std::runtime_error& e) {
    // Windows refuses to replace an open file: the message says so and the old file stays.
    EXPECT_NE(std::string(e.what()).find("open in another program"), std::string::npos) << e.what();
  }
  float frame[2];
  EXPECT_EQ(reader.read(frame, 1), 1);  // the open file is intact either way
  EXPECT_EQ(frame[0], 0.5f);
  EXPECT_FALSE(hasTemporaryFiles());
}

TEST_F(WavSoundFile, AnUncommittedWriterLeavesTheTargetAlone) {
  const std::string target = put("keep.wav", {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'});
  {
    SoundFileWriter writer(target, AudioFormat{fc::kWav | fc::kPcm24, 2, 48000});
    const float frame[2] = {0.1f, 0.2f};
    writer.write(frame, 1);
    EXPECT_TRUE(hasTemporaryFiles());  // written beside the target
  }
  EXPECT_EQ(bytesOf(target), (Bytes{'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'}));
  EXPECT_FALSE(hasTemporaryFiles());
}

TEST_F(WavSoundFile, NamesOutsideAsciiWork) {
  // Umlaut, CJK and a character outside the BMP (a surrogate pair in UTF-16).
  const std::string name = "Mischung \xC3\xBC \xE9\x9F\xB3 \xF0\x9F\x8E\xB5.wav";
  writeStereo(at(name), {0.5f, 0.5f}, fc::kWav | fc::kPcm16);
  EXPECT_EQ(names(), std::vector<std::string>{name});
  SoundFileReader reader(at(name));
  EXPECT_EQ(reader.frames(), 1);
}

TEST_F(WavSoundFile, EveryWavSampleTypeKeepsItsFormatCode) {
  for (int sub : {fc::kPcmU8, fc::kPcm16, fc::kPcm24, fc::kPcm32, fc::kFloat, fc::kDouble}) {
    writeStereo(at("t.wav"), {0.5f, -0.5f}, fc::kWav | sub);
    SoundFileReader reader(at("t.wav"));
    EXPECT_EQ(reader.format().sndfileFormat, fc::kWav | sub);
    EXPECT_EQ(reader.format().isInteger(), sub != fc::kFloat && sub != fc::kDouble);
    float back[2];
    ASSERT_EQ(reader.read(back, 1), 1);
    EXPECT_EQ(back[0], 0.5f);
    EXPECT_EQ(back[1], -0.5f);
  }
}

TEST_F(WavSoundFile, UsersGetClearMessages) {
  const std::string text =
      put("notes.txt", {'n', 'o', 't', ' ', 'a', 'u', 'd', 'i', 'o', '.', '.', '.', '\n'});
  try {
    SoundFileReader reader(text);
    ADD_FAILURE() << "read a text file";
  } catch (const std::runtime_error& e) {
    const std::string m = e.what();
    EXPECT_EQ(m.find("cannot read input '" + text + "': "), 0u) << m;
    EXPECT_NE(m.find("WAV files only"), std::string::npos) << m;
  }
  try {
    SoundFileWriter writer(at("x.flac"), AudioFormat{fc::kFlac | fc::kPcm24, 2, 44100});
    ADD_FAILURE() << "wrote FLAC";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("writes WAV only"), std::string::npos) << e.what();
  }
  try {
    SoundFileWriter writer(at("missing-folder/x.wav"),
                           AudioFormat{fc::kWav | fc::kPcm16, 2, 44100});
    ADD_FAILURE() << "wrote into a missing folder";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("cannot write output"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(hasTemporaryFiles());
}

TEST(WavFormats, NamesAndDescriptions) {
  using tarvo::render::formatFromName;
  EXPECT_EQ(formatFromName("wav16"), fc::kWav | fc::kPcm16);
  EXPECT_EQ(formatFromName("wav24"), fc::kWav | fc::kPcm24);
  EXPECT_EQ(formatFromName("wav32"), fc::kWav | fc::kPcm32);
  EXPECT_EQ(formatFromName("wavf"), fc::kWav | fc::kFloat);
  EXPECT_EQ(formatFromName("flac24"), std::nullopt);
  EXPECT_EQ(tarvo::render::formatNames(), "wav16, wav24, wav32, wavf");
  EXPECT_EQ((AudioFormat{fc::kWav | fc::kPcm24, 2, 48000}.describe()),
            "WAV (Microsoft), Signed 24 bit PCM, 2 ch, 48000 Hz");
}

TEST(NativeFile, TemporaryNameLiesBesideTheTarget) {
  namespace fs = std::filesystem;
  using tarvo::render::pathFromUtf8;
  const fs::path temp = pathFromUtf8(tarvo::render::temporaryPathBeside("some/dir/out.wav"));
  EXPECT_EQ(temp.parent_path(), fs::path("some/dir"));
  const std::string name = tarvo::render::utf8FromPath(temp.filename());
  EXPECT_EQ(name.rfind(".out.wav.tarvo-", 0), 0u) << name;
  EXPECT_EQ(name.substr(name.size() - 4), ".tmp");
  EXPECT_EQ(pathFromUtf8(tarvo::render::temporaryPathBeside("out.wav")).parent_path(),
            fs::path("."));
}

}  // namespace
