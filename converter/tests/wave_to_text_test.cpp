#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "converter/wave_to_text.h"
#include "testkit/wave.h"

namespace varno::converter {
namespace {

using namespace testkit;

struct HeaderCase {
  const char* name;
  std::string bytes;
  Error expected;
};

class HeaderTest : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, ChecksInOrder) {
  const HeaderCase& c = GetParam();
  MemorySource in(c.bytes.data(), c.bytes.size());
  WaveFormat format;
  EXPECT_EQ(readWaveHeader(in, format), c.expected);
}

const std::string kGood = waveBytes(WaveFields{}, pcm16({1, -1}));

// The process tests cover the other refusals (empty, 43 bytes, RIFX, tag 3, 24-bit...).
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Files, HeaderTest,
    testing::Values(
        HeaderCase{"good", kGood, Error::None},
        HeaderCase{"eleven_bytes", kGood.substr(0, 11), Error::NotWave},
        // Tags present, but a piece that was not read whole matches nothing.
        HeaderCase{"twenty_bytes", kGood.substr(0, 20), Error::IllegalFormat},
        HeaderCase{"forty_bytes", kGood.substr(0, 40), Error::IllegalFormat},
        HeaderCase{"wave_lower_case", waveBytes({.wave = "wave"}, ""), Error::NotWave},
        HeaderCase{"fmt_missing_blank", waveBytes({.fmt = "fmt_"}, ""), Error::IllegalFormat},
        HeaderCase{"list_before_data", waveBytes({.data = "LIST"}, ""), Error::IllegalFormat},
        HeaderCase{"extensible_tag", waveBytes({.tag = 0xFFFE}, ""), Error::NotLinearPcm},
        HeaderCase{"bits_0", waveBytes({.bits = 0}, "abc"), Error::BadBits},
        HeaderCase{"bits_minus_16", waveBytes({.bits = 0xFFF0}, ""), Error::BadBits},
        HeaderCase{"rate_largest", waveBytes({.rate = 0x7FFFFFFFu}, ""), Error::None}),
    [](const auto& info) { return std::string(info.param.name); });
// clang-format on

struct TextCase {
  const char* name;
  WaveFields fields;
  std::string data;
  std::string expected;
  bool shortData;
};

class SampleTextTest : public testing::TestWithParam<TextCase> {};

// Reads the header of the file `bytes`, then writes its sample text to `out`.
Error toSampleText(const std::string& bytes, ByteSink& out, bool& shortData) {
  MemorySource in(bytes.data(), bytes.size());
  WaveFormat format;
  const Error header = readWaveHeader(in, format);
  return header == Error::None ? writeSampleText(format, in, out, shortData) : header;
}

TEST_P(SampleTextTest, WritesTheFirstChannel) {
  const TextCase& c = GetParam();
  StringSink out;
  bool shortData = false;
  ASSERT_EQ(toSampleText(waveBytes(c.fields, c.data), out, shortData), Error::None);
  EXPECT_EQ(out.bytes(), c.expected);
  EXPECT_EQ(shortData, c.shortData);
}

INSTANTIATE_TEST_SUITE_P(
    Files, SampleTextTest,
    testing::Values(TextCase{"mono16", {}, pcm16({1, -1}), "44100\r\n16\r\n1\r\n-1\r\n", false},
                    TextCase{"mono16_limits",
                             {},
                             pcm16({-32768, 32767, 0}),
                             "44100\r\n16\r\n-32768\r\n32767\r\n0\r\n",
                             false},
                    TextCase{"mono8",
                             {.rate = 8000, .bits = 8},
                             std::string("\x80\x00\xFF", 3),
                             "8000\r\n8\r\n128\r\n0\r\n255\r\n",
                             false},
                    TextCase{"stereo8_first_channel",
                             {.channels = 2, .rate = 8000, .bits = 8},
                             "\x0A\xC8\x14\xD2",
                             "8000\r\n8\r\n10\r\n20\r\n",
                             false},
                    TextCase{"stereo16_first_channel",
                             {.channels = 2},
                             pcm16({5, 6, -7, 8}),
                             "44100\r\n16\r\n5\r\n-7\r\n",
                             false},
                    TextCase{"three_channels_first_of_each_frame",
                             {.channels = 3},
                             pcm16({1, 2, 3, 4, 5, 6}),
                             "44100\r\n16\r\n1\r\n4\r\n",
                             false},
                    TextCase{"empty_data", {}, "", "44100\r\n16\r\n", false},
                    TextCase{"partial_last_frame_dropped",
                             {.channels = 2},
                             pcm16({9, 8, 7}),
                             "44100\r\n16\r\n9\r\n",
                             false},
                    TextCase{
                        "odd_size_mono16", {}, pcm16({9}) + "\x01", "44100\r\n16\r\n9\r\n", false},
                    TextCase{"short_chunk_keeps_frames_present",
                             {.dataSize = 10},
                             pcm16({3, 4}),
                             "44100\r\n16\r\n3\r\n4\r\n",
                             true},
                    TextCase{"short_in_a_frame",
                             {.channels = 2, .dataSize = 8},
                             pcm16({3, 4, 5}),
                             "44100\r\n16\r\n3\r\n",
                             true},
                    TextCase{"partial_frame_bytes_missing",
                             {.channels = 2, .dataSize = 6},
                             pcm16({3, 4}),
                             "44100\r\n16\r\n3\r\n",
                             true},
                    TextCase{"size_larger_than_any_file",
                             {.rate = 8000, .bits = 8, .dataSize = 0xFFFFFFFF},
                             "\x01",
                             "8000\r\n8\r\n1\r\n",
                             true},
                    TextCase{"bytes_after_data_ignored",
                             {.rate = 8000, .bits = 8, .dataSize = 1},
                             "\x01\x02",
                             "8000\r\n8\r\n1\r\n",
                             false}),
    [](const auto& info) { return std::string(info.param.name); });

// Every 16-bit value, in stereo, so that frames cross the read blocks and the output
// buffer is handed on many times.
TEST(SampleTextTest, EveryValueAcrossBlocks) {
  std::vector<int> samples;
  std::string expected = "44100\r\n16\r\n";
  for (int v = -32768; v <= 32767; ++v) {
    samples.push_back(v);
    samples.push_back(-v);
    char line[16];
    std::snprintf(line, sizeof line, "%d\r\n", v);
    expected += line;
  }
  StringSink out;
  bool shortData = true;
  ASSERT_EQ(toSampleText(waveBytes({.channels = 2}, pcm16(samples)), out, shortData), Error::None);
  EXPECT_EQ(out.bytes(), expected);
  EXPECT_FALSE(shortData);
}

// Keeps the bytes and counts the writes they came in.
class CountingSink : public ByteSink {
 public:
  bool write(const char* data, std::size_t size) override {
    bytes.append(data, size);
    ++writes;
    return true;
  }
  bool rewriteStart(const char*, std::size_t) override { return false; }
  std::string bytes;
  int writes = 0;
};

// Every 8-bit value over megabytes of mono lines, so the output is handed on mid-file and the
// lines after each hand-over must follow on exactly.
TEST(SampleTextTest, EveryEightBitValueAcrossOutputWrites) {
  std::vector<int> samples;
  std::string expected = "8000\r\n8\r\n";
  for (int i = 0; i < 1'000'000; ++i) {
    samples.push_back(i % 256);
    expected += std::to_string(i % 256) + "\r\n";
  }
  CountingSink out;
  bool shortData = true;
  ASSERT_EQ(toSampleText(waveBytes({.rate = 8000, .bits = 8}, pcm8(samples)), out, shortData),
            Error::None);
  // Compared by where they part, since gtest's diff of a million lines takes gigabytes.
  const auto parted =
      std::mismatch(out.bytes.begin(), out.bytes.end(), expected.begin(), expected.end());
  EXPECT_EQ(static_cast<std::size_t>(parted.second - expected.begin()), expected.size());
  EXPECT_EQ(out.bytes.size(), expected.size());
  EXPECT_GE(out.writes, 3);
  EXPECT_FALSE(shortData);
}

class FailingSink : public ByteSink {
 public:
  bool write(const char*, std::size_t) override { return false; }
  bool rewriteStart(const char*, std::size_t) override { return false; }
};

TEST(SampleTextTest, FailedWriteIsAnError) {
  FailingSink out;
  bool shortData = false;
  EXPECT_EQ(toSampleText(waveBytes({}, pcm16({1})), out, shortData), Error::OutputNotWritten);
}

}  // namespace
}  // namespace varno::converter
