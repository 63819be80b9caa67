// The built-in WAV reader and writer against libsndfile: files libsndfile writes read as
// libsndfile reads them, and files the built-in writer makes read back identically through
// libsndfile.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>

#include "host/wav_test_support.h"
#include "render/wav_file.h"

namespace {

using namespace tarvo::test;
using tarvo::render::wav::SampleType;
using tarvo::render::wav::WavFormat;
using tarvo::render::wav::WavReader;
using tarvo::render::wav::WavWriter;

struct TypePair {
  int sndfileSubtype;
  SampleType type;
  int bits;
};

constexpr TypePair kPairs[] = {
    {SF_FORMAT_PCM_U8, SampleType::Pcm8, 8},    {SF_FORMAT_PCM_16, SampleType::Pcm16, 16},
    {SF_FORMAT_PCM_24, SampleType::Pcm24, 24},  {SF_FORMAT_PCM_32, SampleType::Pcm32, 32},
    {SF_FORMAT_FLOAT, SampleType::Float32, 32}, {SF_FORMAT_DOUBLE, SampleType::Float64, 64},
};

std::vector<float> signal(int frames, int channels) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  uint32_t noise = 12345;
  for (size_t i = 0; i < out.size(); ++i) {
    noise = noise * 1664525u + 1013904223u;
    // A sine with noise in its lowest bits, so that rounding differences would show.
    out[i] = static_cast<float>(0.8 * std::sin(0.003 * double(i)) +
                                1e-5 * (double(noise >> 8) / double(1u << 24) - 0.5));
  }
  out[0] = 1.0f;
  if (out.size() > 1) out[1] = -1.0f;
  return out;
}

std::vector<float> sndfileRead(const std::string& path, SF_INFO& info) {
  info = SF_INFO{};
  SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
  EXPECT_NE(f, nullptr) << sf_strerror(nullptr);
  if (f == nullptr) return {};
  std::vector<float> out(static_cast<size_t>(info.frames) * info.channels);
  EXPECT_EQ(sf_readf_float(f, out.data(), info.frames), info.frames);
  sf_close(f);
  return out;
}

void sndfileWrite(const std::string& path, int format, int channels, const std::vector<float>& s,
                  const char* title = nullptr) {
  SF_INFO info{};
  info.format = format;
  info.channels = channels;
  info.samplerate = 96000;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  ASSERT_NE(f, nullptr) << sf_strerror(nullptr);
  sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  if (title != nullptr) sf_set_string(f, SF_STR_TITLE, title);  // a LIST/INFO chunk
  sf_writef_float(f, s.data(), sf_count_t(s.size() / channels));
  sf_close(f);
}

std::vector<float> builtinRead(const std::string& path) {
  WavReader reader(path);
  std::vector<float> out(static_cast<size_t>(reader.frames()) * reader.format().channels);
  EXPECT_EQ(reader.read(out.data(), reader.frames()), reader.frames());
  return out;
}

class AgainstSndfile : public ScratchFolder {};

TEST_F(AgainstSndfile, FilesLibsndfileWritesReadTheSame) {
  for (const TypePair& p : kPairs) {
    for (int container : {SF_FORMAT_WAV, SF_FORMAT_WAVEX}) {
      for (int channels : {1, 2, 6}) {
        const std::string path = at("sf.wav");
        sndfileWrite(path, container | p.sndfileSubtype, channels, signal(777, channels),
                     container == SF_FORMAT_WAV ? "Tarvo test" : nullptr);
        SF_INFO info;
        const std::vector<float> expected = sndfileRead(path, info);
        WavReader reader(path);
        EXPECT_EQ(reader.format().type, p.type);
        EXPECT_EQ(reader.format().channels, channels);
        EXPECT_EQ(reader.format().sampleRate, 96000);
        EXPECT_EQ(reader.layout().extensible, container == SF_FORMAT_WAVEX);
        ASSERT_EQ(reader.frames(), info.frames);
        std::vector<float> got(expected.size());
        ASSERT_EQ(reader.read(got.data(), reader.frames()), info.frames);
        for (size_t i = 0; i < got.size(); ++i) {
          ASSERT_EQ(got[i], expected[i]) << p.bits << " bit, container " << container << ", "
                                         << channels << " ch, sample " << i;
        }
      }
    }
  }
}

TEST_F(AgainstSndfile, MetadataChunksLibsndfileWritesAreSkipped) {
  // libsndfile adds a PEAK chunk to float files and a LIST chunk for a title.
  sndfileWrite(at("meta.wav"), SF_FORMAT_WAV | SF_FORMAT_FLOAT, 2, signal(10, 2), "A title");
  WavReader reader(at("meta.wav"));
  EXPECT_GE(reader.layout().skippedChunks, 2);
  EXPECT_EQ(reader.frames(), 10);
}

TEST_F(AgainstSndfile, FilesTheBuiltinWriterMakesReadTheSameThroughLibsndfile) {
  for (const TypePair& p : kPairs) {
    for (int channels : {1, 2, 3}) {
      const std::vector<float> s = signal(1001, channels);
      const std::string path = at("own.wav");
      {
        WavWriter writer(path, WavFormat{p.type, channels, 44100});
        writer.write(s.data(), 1001);
        writer.finish();
      }
      SF_INFO info;
      const std::vector<float> viaSndfile = sndfileRead(path, info);
      EXPECT_EQ(info.format, SF_FORMAT_WAV | p.sndfileSubtype);
      EXPECT_EQ(info.channels, channels);
      EXPECT_EQ(info.samplerate, 44100);
      ASSERT_EQ(info.frames, 1001);
      EXPECT_EQ(viaSndfile, builtinRead(path)) << p.bits << " bit, " << channels << " ch";
    }
  }
}

TEST_F(AgainstSndfile, SamplesMatchWhatLibsndfileWrites) {
  // Floating point and 32-bit PCM are written bit for bit as libsndfile writes them. For 16
  // and 24 bit libsndfile rounds at 32 bits and then drops the low bits (rounding down);
  // the built-in writer rounds to the nearest step: the two differ by at most one step.
  for (const TypePair& p : kPairs) {
    const std::vector<float> s = signal(4000, 2);
    sndfileWrite(at("a.wav"), SF_FORMAT_WAV | p.sndfileSubtype, 2, s);
    {
      WavWriter writer(at("b.wav"), WavFormat{p.type, 2, 96000});
      writer.write(s.data(), 4000);
      writer.finish();
    }
    const std::vector<float> a = builtinRead(at("a.wav"));
    const std::vector<float> b = builtinRead(at("b.wav"));
    ASSERT_EQ(a.size(), b.size());
    const double step = p.type == SampleType::Float32 || p.type == SampleType::Float64 ||
                                p.type == SampleType::Pcm32
                            ? 0.0
                            : std::ldexp(1.0, 1 - p.bits);
    double worst = 0.0;
    for (size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::fabs(double(a[i]) - b[i]));
    EXPECT_LE(worst, step) << p.bits << " bit";
    // And the built-in writer is the closer of the two to the input.
    double errA = 0.0, errB = 0.0;
    for (size_t i = 0; i < s.size(); ++i) {
      errA += std::fabs(double(a[i]) - s[i]);
      errB += std::fabs(double(b[i]) - s[i]);
    }
    EXPECT_LE(errB, errA) << p.bits << " bit";
  }
}

}  // namespace
