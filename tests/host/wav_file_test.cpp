// The built-in WAV reader and writer: sample conversions, files written and read back,
// hand-built files with the layouts real writers produce, and files that must be refused.
#include "render/wav_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>
#include <random>

#include "host/wav_test_support.h"

namespace {

using namespace tarvo::test;
using tarvo::render::wav::floatToPcm;
using tarvo::render::wav::pcmToFloat;
using tarvo::render::wav::SampleType;
using tarvo::render::wav::WavError;
using tarvo::render::wav::WavFormat;
using tarvo::render::wav::WavReader;
using tarvo::render::wav::WavWriter;

constexpr SampleType kAllTypes[] = {SampleType::Pcm8,  SampleType::Pcm16,   SampleType::Pcm24,
                                    SampleType::Pcm32, SampleType::Float32, SampleType::Float64};

int bitsOf(SampleType t) {
  return WavFormat{t, 1, 1}.bytesPerSample() * 8;
}

// What a sample of type t reads back as after writing x.
float quantized(SampleType t, float x) {
  switch (t) {
    case SampleType::Float32:
    case SampleType::Float64:
      return x;
    default:
      return pcmToFloat(floatToPcm(x, bitsOf(t)), bitsOf(t));
  }
}

std::vector<float> testSignal(int frames, int channels) {
  std::vector<float> out(static_cast<size_t>(frames) * channels);
  for (int n = 0; n < frames; ++n) {
    for (int c = 0; c < channels; ++c) {
      out[size_t(n) * channels + c] = static_cast<float>(0.9 * std::sin(0.01 * n * (c + 1) + c));
    }
  }
  // Full scale, beyond it both ways, and the smallest steps.
  const float edges[] = {1.0f, -1.0f, 1.5f, -2.0f, 0.0f, 1e-9f, -1e-9f, 0.999999f};
  for (size_t i = 0; i < std::size(edges) && i < out.size(); ++i) out[i] = edges[i];
  return out;
}

std::vector<float> readAll(WavReader& reader) {
  std::vector<float> out(static_cast<size_t>(reader.frames()) * reader.format().channels);
  int64_t done = 0;
  // Odd block sizes cross the reader's buffer boundaries.
  while (done < reader.frames()) {
    const int64_t n = reader.read(out.data() + done * reader.format().channels, 37);
    if (n == 0) break;
    done += n;
  }
  EXPECT_EQ(done, reader.frames());
  float spare[8];
  EXPECT_EQ(reader.read(spare, 1), 0);  // and nothing after the end
  return out;
}

void expectRefused(const std::string& path, const std::string& reason) {
  try {
    WavReader reader(path);
    ADD_FAILURE() << "accepted; expected a refusal mentioning \"" << reason << "\"";
  } catch (const WavError& e) {
    EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
  }
}

TEST(WavSamples, IntegerOutputRoundsToNearestEvenAndClipsAtFullScale) {
  EXPECT_EQ(floatToPcm(0.5f / 32768, 16), 0);  // ties to even
  EXPECT_EQ(floatToPcm(1.5f / 32768, 16), 2);
  EXPECT_EQ(floatToPcm(-1.5f / 32768, 16), -2);
  EXPECT_EQ(floatToPcm(0.7f / 8388608, 24), 1);
  EXPECT_EQ(floatToPcm(-0.7f / 8388608, 24), -1);
  EXPECT_EQ(floatToPcm(1.0f, 16), 32767);
  EXPECT_EQ(floatToPcm(-1.0f, 16), -32768);
  EXPECT_EQ(floatToPcm(1.0f, 24), 8388607);
  EXPECT_EQ(floatToPcm(-1.0f, 24), -8388608);
  EXPECT_EQ(floatToPcm(1.0f, 32), 2147483647);
  EXPECT_EQ(floatToPcm(-1.0f, 32), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(floatToPcm(0.75f, 8), 96);
  EXPECT_EQ(floatToPcm(3.0f, 8), 127);
  EXPECT_EQ(floatToPcm(std::numeric_limits<float>::infinity(), 16), 32767);
  EXPECT_EQ(floatToPcm(-std::numeric_limits<float>::infinity(), 24), -8388608);
  EXPECT_EQ(floatToPcm(std::numeric_limits<float>::quiet_NaN(), 16), 0);
  EXPECT_EQ(floatToPcm(0.25f, 32), 1 << 29);
}

TEST(WavSamples, EveryIntegerSampleSurvivesTheRoundTrip) {
  for (int v = -128; v < 128; ++v) ASSERT_EQ(floatToPcm(pcmToFloat(v, 8), 8), v);
  for (int v = -32768; v < 32768; ++v) ASSERT_EQ(floatToPcm(pcmToFloat(v, 16), 16), v);
  for (int v = -8388608; v < 8388608; v += 7) ASSERT_EQ(floatToPcm(pcmToFloat(v, 24), 24), v);
  EXPECT_EQ(pcmToFloat(-32768, 16), -1.0f);
  EXPECT_EQ(pcmToFloat(16384, 16), 0.5f);
  EXPECT_EQ(pcmToFloat(-8388608, 24), -1.0f);
  // 32-bit values keep the 24 bits a float holds.
  EXPECT_EQ(pcmToFloat(1 << 30, 32), 0.5f);
  EXPECT_EQ(floatToPcm(pcmToFloat(0x12345600, 32), 32), 0x12345600);
}

class WavFiles : public ScratchFolder {};

TEST_F(WavFiles, EveryTypeRoundTripsWithItsResolution) {
  for (SampleType type : kAllTypes) {
    for (int channels : {1, 2, 3}) {
      // An odd frame count gives odd-sized data for 8 and 24 bit mono: the pad byte.
      const int frames = 1001;
      const std::vector<float> signal = testSignal(frames, channels);
      const std::string path = at("rt.wav");
      {
        WavWriter writer(path, WavFormat{type, channels, 48000});
        writer.write(signal.data(), 500);
        writer.write(signal.data() + 500 * channels, frames - 500);
        writer.finish();
      }
      WavReader reader(path);
      EXPECT_EQ(reader.format().type, type);
      EXPECT_EQ(reader.format().channels, channels);
      EXPECT_EQ(reader.format().sampleRate, 48000);
      ASSERT_EQ(reader.frames(), frames);
      const std::vector<float> back = readAll(reader);
      for (size_t i = 0; i < signal.size(); ++i) {
        ASSERT_EQ(back[i], quantized(type, signal[i]))
            << "type " << int(type) << ", " << channels << " ch, sample " << i;
      }
      // RIFF size = file size - 8, and chunks end on even offsets.
      const Bytes bytes = bytesOf(path);
      const int64_t dataBytes = int64_t(frames) * channels * bitsOf(type) / 8;
      const uint32_t riffSize =
          bytes[4] | (bytes[5] << 8) | (bytes[6] << 16) | (uint32_t(bytes[7]) << 24);
      EXPECT_EQ(riffSize + 8, bytes.size());
      EXPECT_EQ(bytes.size() % 2, 0u);
      EXPECT_EQ(reader.layout().dataOffset + dataBytes + (dataBytes & 1), int64_t(bytes.size()));
    }
  }
}

TEST_F(WavFiles, HeaderIsTheCanonicalLayout) {
  const std::vector<float> signal = {0.5f, -0.5f, 0.25f, -0.25f};
  {
    WavWriter writer(at("pcm.wav"), WavFormat{SampleType::Pcm16, 2, 44100});
    writer.write(signal.data(), 2);
    writer.finish();
  }
  Bytes expected;
  add(expected, "RIFF");
  add32(expected, 36 + 8);
  add(expected, "WAVE");
  const Bytes fmt = chunk("fmt ", fmtBody(1, 2, 44100, 16));
  expected.insert(expected.end(), fmt.begin(), fmt.end());
  add(expected, "data");
  add32(expected, 8);
  for (int v : {16384, -16384, 8192, -8192}) add16(expected, static_cast<uint32_t>(v));
  EXPECT_EQ(bytesOf(at("pcm.wav")), expected);

  // Floating point: an 18-byte fmt chunk (cbSize 0), then fact with the frame count.
  {
    WavWriter writer(at("float.wav"), WavFormat{SampleType::Float32, 1, 96000});
    writer.write(signal.data(), 3);
    writer.finish();
  }
  const Bytes f = bytesOf(at("float.wav"));
  ASSERT_EQ(f.size(), 12u + 26 + 12 + 8 + 12);
  Bytes fmtFloat = fmtBody(3, 1, 96000, 32);
  add16(fmtFloat, 0);
  const Bytes fmtChunk = chunk("fmt ", fmtFloat);
  EXPECT_TRUE(std::equal(fmtChunk.begin(), fmtChunk.end(), f.begin() + 12));
  Bytes fact;
  add(fact, "fact");
  add32(fact, 4);
  add32(fact, 3);
  EXPECT_TRUE(std::equal(fact.begin(), fact.end(), f.begin() + 38));
  float first;
  std::memcpy(&first, f.data() + 58, 4);
  EXPECT_EQ(first, 0.5f);
}

TEST_F(WavFiles, ExtensibleFormatIsRead) {
  Bytes pcm;
  for (int v : {0x123456, -0x123456, 0x7FFFFF, -0x800000}) {
    pcm.push_back(static_cast<unsigned char>(v));
    pcm.push_back(static_cast<unsigned char>(v >> 8));
    pcm.push_back(static_cast<unsigned char>(v >> 16));
  }
  WavReader a(put("x24.wav",
                  riff({chunk("fmt ", extensibleBody(1, 2, 88200, 24, 24)), chunk("data", pcm)})));
  EXPECT_TRUE(a.layout().extensible);
  EXPECT_EQ(a.format().type, SampleType::Pcm24);
  EXPECT_EQ(a.format().sampleRate, 88200);
  ASSERT_EQ(a.frames(), 2);
  const std::vector<float> s = readAll(a);
  EXPECT_EQ(s[0], pcmToFloat(0x123456, 24));
  EXPECT_EQ(s[1], pcmToFloat(-0x123456, 24));
  EXPECT_EQ(s[2], pcmToFloat(0x7FFFFF, 24));
  EXPECT_EQ(s[3], -1.0f);

  // 20 valid bits left-justified in 24-bit containers read at full scale.
  WavReader b(put("x20.wav", riff({chunk("fmt ", extensibleBody(1, 1, 44100, 24, 20)),
                                   chunk("data", {0x00, 0x00, 0xC0})})));
  EXPECT_EQ(readAll(b)[0], -0.5f);

  Bytes floats;
  add32(floats, 0x3F000000);  // 0.5f
  add32(floats, 0xBE800000);  // -0.25f
  WavReader c(put(
      "xf.wav", riff({chunk("fmt ", extensibleBody(3, 1, 44100, 32, 32)), chunk("data", floats)})));
  EXPECT_EQ(c.format().type, SampleType::Float32);
  EXPECT_EQ(readAll(c), (std::vector<float>{0.5f, -0.25f}));
}

TEST_F(WavFiles, UnknownChunksAndOddPaddingAreSkipped) {
  const Bytes samples = {0x00, 0x40, 0x00, 0xC0};  // 0.5, -0.5 in 16 bit
  const Bytes odd = {'a', 'b', 'c'};               // 3 bytes and a pad byte
  const std::string path =
      put("chunks.wav",
          riff({chunk("LIST", odd), chunk("fmt ", fmtBody(1, 1, 22050, 16)),
                chunk("bext", Bytes(601, 0x55)), chunk("data", samples), chunk("id3 ", odd)}));
  WavReader reader(path);
  EXPECT_EQ(reader.layout().skippedChunks, 3);
  EXPECT_EQ(readAll(reader), (std::vector<float>{0.5f, -0.5f}));

  // The data chunk before the fmt chunk.
  WavReader swapped(
      put("swapped.wav", riff({chunk("data", samples), chunk("fmt ", fmtBody(1, 1, 8000, 16))})));
  EXPECT_EQ(readAll(swapped), (std::vector<float>{0.5f, -0.5f}));
  // 8-bit mono, odd-sized data whose pad byte is missing at the end of the file.
  WavReader unpadded(put("unpadded.wav", riff({chunk("fmt ", fmtBody(1, 1, 8000, 8)),
                                               chunk("data", {0x80, 0xC0, 0x00}, false)})));
  EXPECT_EQ(readAll(unpadded), (std::vector<float>{0.0f, 0.5f, -1.0f}));
}

TEST_F(WavFiles, LenientWhereRealWritersAreSloppy) {
  const Bytes samples = {0x00, 0x40, 0x00, 0xC0, 0x00};  // two frames and a partial one
  // A RIFF size of 0 (a recorder that never finished the header) and a partial last frame.
  Bytes unfinished = riff({chunk("fmt ", fmtBody(1, 1, 44100, 16)), chunk("data", samples)}, 0);
  WavReader a(put("unfinished.wav", unfinished));
  EXPECT_EQ(a.frames(), 2);
  // Bytes appended after the RIFF chunk are not WAV data: a 'data' id there is ignored.
  Bytes tagged = riff({chunk("fmt ", fmtBody(1, 1, 44100, 16)), chunk("data", {0x00, 0x40})});
  const Bytes trailer = chunk("data", Bytes(64, 1));
  tagged.insert(tagged.end(), trailer.begin(), trailer.end());
  WavReader b(put("trailer.wav", tagged));
  EXPECT_EQ(readAll(b), std::vector<float>{0.5f});
  // A damaged metadata chunk after the audio does not hide the audio.
  Bytes cut = riff({chunk("fmt ", fmtBody(1, 1, 44100, 16)), chunk("data", {0x00, 0x40}),
                    chunk("LIST", Bytes(100, 0))});
  cut.resize(cut.size() - 50);
  WavReader c(put("cut-list.wav", cut));
  EXPECT_EQ(readAll(c), std::vector<float>{0.5f});
}

TEST_F(WavFiles, BrokenFilesAreRefusedWithTheReason) {
  const Bytes fmt16 = chunk("fmt ", fmtBody(1, 2, 44100, 16));
  const Bytes data = chunk("data", Bytes(16, 0));
  expectRefused(at("missing.wav"), "");
  expectRefused(put("empty.wav", {}), "too short");
  expectRefused(
      put("text.wav", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '\n'}),
      "not a WAV file");
  Bytes rifx = riff({fmt16, data});
  std::memcpy(rifx.data(), "RIFX", 4);
  expectRefused(put("rifx.wav", rifx), "big-endian");
  Bytes rf64 = riff({fmt16, data});
  std::memcpy(rf64.data(), "RF64", 4);
  expectRefused(put("rf64.wav", rf64), "RF64");
  Bytes avi = riff({fmt16, data});
  std::memcpy(avi.data() + 8, "AVI ", 4);
  expectRefused(put("avi.wav", avi), "not 'WAVE'");
  expectRefused(put("nofmt.wav", riff({data})), "no 'fmt ' chunk");
  expectRefused(put("nodata.wav", riff({fmt16})), "no 'data' chunk");
  expectRefused(put("header-only.wav", riff({})), "no 'fmt ' chunk");
  expectRefused(put("twofmt.wav", riff({fmt16, fmt16, data})), "two 'fmt '");
  expectRefused(put("twodata.wav", riff({fmt16, data, data})), "two 'data'");
  Bytes shortFmt = fmtBody(1, 2, 44100, 16);
  shortFmt.resize(14);
  expectRefused(put("shortfmt.wav", riff({chunk("fmt ", shortFmt), data})), "too short");
  expectRefused(put("nochannels.wav", riff({chunk("fmt ", fmtBody(1, 0, 44100, 16, 2)), data})),
                "0 channels");
  expectRefused(put("norate.wav", riff({chunk("fmt ", fmtBody(1, 2, 0, 16)), data})),
                "sample rate");
  expectRefused(put("hugerate.wav", riff({chunk("fmt ", fmtBody(1, 2, 0x80000000u, 16)), data})),
                "sample rate");
  expectRefused(put("adpcm.wav", riff({chunk("fmt ", fmtBody(2, 2, 44100, 4, 2048)), data})),
                "Microsoft ADPCM");
  expectRefused(put("mp3.wav", riff({chunk("fmt ", fmtBody(0x55, 2, 44100, 0, 1)), data})),
                "MPEG Layer 3");
  expectRefused(put("pcm40.wav", riff({chunk("fmt ", fmtBody(1, 1, 44100, 40)), data})),
                "unsupported PCM sample size");
  expectRefused(put("half.wav", riff({chunk("fmt ", fmtBody(3, 1, 44100, 16)), data})),
                "floating-point sample size");
  expectRefused(put("align.wav", riff({chunk("fmt ", fmtBody(1, 2, 44100, 16, 3)), data})),
                "block align 3");
  Bytes shortExt = extensibleBody(1, 2, 44100, 16, 16);
  shortExt.resize(18);
  expectRefused(put("shortext.wav", riff({chunk("fmt ", shortExt), data})), "too short");
  Bytes badGuid = extensibleBody(1, 2, 44100, 16, 16);
  badGuid[30] = 0x11;
  expectRefused(put("guid.wav", riff({chunk("fmt ", badGuid), data})), "sub-format");
  expectRefused(put("valid.wav", riff({chunk("fmt ", extensibleBody(1, 2, 44100, 16, 17)), data})),
                "valid bits");
  expectRefused(put("ext-alaw.wav", riff({chunk("fmt ", extensibleBody(6, 1, 8000, 8, 8)), data})),
                "A-law");

  // Truncated: the data chunk declares more than the file holds; a cut fmt chunk.
  Bytes truncated = riff({fmt16, chunk("data", Bytes(1000, 0))});
  truncated.resize(truncated.size() - 990);
  expectRefused(put("truncated.wav", truncated), "truncated");
  Bytes cutFmt = riff({fmt16});
  cutFmt.resize(cutFmt.size() - 6);
  expectRefused(put("cutfmt.wav", cutFmt), "truncated");
  // An unknown chunk that runs past the end before any audio was found.
  Bytes cutList = riff({chunk("LIST", Bytes(100, 0)), fmt16, data});
  cutList.resize(40);
  expectRefused(put("cutlist.wav", cutList), "truncated");
}

TEST_F(WavFiles, DataThatShrinksWhileReadingIsAnError) {
  // The header promises 50000 frames; the file is cut after the header was parsed, as when
  // another program truncates it mid-read (larger than any stdio buffer).
  const std::string path =
      put("shrink.wav",
          riff({chunk("fmt ", fmtBody(1, 1, 44100, 16)), chunk("data", Bytes(100000, 0))}));
  WavReader reader(path);
  std::filesystem::resize_file(tarvo::render::pathFromUtf8(path), 20000);
  std::vector<float> out(1000);
  int64_t frames = 0;
  try {
    while (int64_t n = reader.read(out.data(), 1000)) frames += n;
    ADD_FAILURE() << "read " << frames << " frames of a cut file without an error";
  } catch (const WavError& e) {
    EXPECT_LT(frames, 10000);
    EXPECT_NE(std::string(e.what()).find("ends early"), std::string::npos) << e.what();
  }
}

TEST_F(WavFiles, MutatedFilesNeverCrashTheReader) {
  std::vector<float> signal = testSignal(64, 2);
  {
    WavWriter writer(at("seed.wav"), WavFormat{SampleType::Float32, 2, 44100});
    writer.write(signal.data(), 64);
    writer.finish();
  }
  const Bytes seed =
      riff({chunk("LIST", {1, 2, 3}), chunk("fmt ", extensibleBody(1, 2, 44100, 24, 24)),
            chunk("data", Bytes(60, 7))});
  std::mt19937 random(1234);
  int accepted = 0, refused = 0;
  for (int round = 0; round < 3000; ++round) {
    Bytes b = round % 2 ? seed : bytesOf(at("seed.wav"));
    const int flips = 1 + int(random() % 4);
    for (int k = 0; k < flips; ++k) b[random() % b.size()] = static_cast<unsigned char>(random());
    if (round % 5 == 0) b.resize(random() % b.size());
    const std::string path = put("mutant.wav", b);
    try {
      WavReader reader(path);
      // A file that passes must describe only what exists.
      const int64_t bytes = reader.frames() * reader.format().blockAlign();
      ASSERT_LE(reader.layout().dataOffset + bytes, int64_t(b.size()));
      std::vector<float> out(static_cast<size_t>(reader.frames()) * reader.format().channels + 1);
      int64_t n = 0;
      while (int64_t got = reader.read(out.data() + n * reader.format().channels, 16)) n += got;
      EXPECT_EQ(n, reader.frames());
      ++accepted;
    } catch (const WavError&) {
      ++refused;
    }
  }
  EXPECT_GT(accepted, 100);
  EXPECT_GT(refused, 100);
}

TEST_F(WavFiles, WriterRefusesWhatRiffCannotHold) {
  EXPECT_THROW(WavWriter(at("none.wav"), WavFormat{SampleType::Pcm16, 0, 44100}),
               std::runtime_error);
  EXPECT_THROW(WavWriter(at("rate.wav"), WavFormat{SampleType::Pcm16, 2, 0}), std::runtime_error);
  EXPECT_THROW(WavWriter(at("wide.wav"), WavFormat{SampleType::Float64, 9000, 44100}),
               std::runtime_error);
  EXPECT_THROW(WavWriter(at("no-such-folder/x.wav"), WavFormat{SampleType::Pcm16, 2, 44100}),
               std::runtime_error);
  // More than 4 GiB of data: refused before a sample is touched, and the file stays usable.
  WavWriter writer(at("big.wav"), WavFormat{SampleType::Float32, 2, 44100});
  const float one[2] = {0.25f, -0.25f};
  writer.write(one, 1);
  try {
    writer.write(one, int64_t(1) << 29);  // 4 GiB of stereo float
    ADD_FAILURE() << "accepted 4 GiB";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("4 GiB"), std::string::npos) << e.what();
  }
  writer.finish();
  WavReader reader(at("big.wav"));
  EXPECT_EQ(readAll(reader), (std::vector<float>{0.25f, -0.25f}));
  EXPECT_THROW(writer.finish(), std::runtime_error);
}

}  // namespace
