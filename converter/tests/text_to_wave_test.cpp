#include <gtest/gtest.h>

#include "converter/text_to_wave.h"
#include "testkit/wave.h"

namespace varno::converter {
namespace {

struct RateCase {
  std::string line;
  std::optional<std::uint32_t> rate;
};

TEST(TextToWaveTest, RateLineRoundsHalvesUp) {
  const RateCase cases[] = {{"44100", 44100},
                            {"344.53125", 345},
                            {"22050.5", 22051},
                            {"344.4999", 344},
                            {"0.5", 1},
                            {".5", 1},
                            {"8000.", 8000},
                            {" 8000\t", 8000},
                            {"2147483647", 2147483647u},
                            {"2147483646.5", 2147483647u},
                            {"0.4921875", 1},
                            {"0.4", 1},
                            {"0.0001", 1},
                            {"", std::nullopt},
                            {".", std::nullopt},
                            {"0", std::nullopt},
                            {"0.000", std::nullopt},
                            {".0", std::nullopt},
                            {"-5", std::nullopt},
                            {"+5", std::nullopt},
                            {"1e3", std::nullopt},
                            {"4 4100", std::nullopt},
                            {"2147483647.5", std::nullopt},
                            {"2147483648", std::nullopt},
                            {"99999999999999999999999", std::nullopt},
                            {"1.2.3", std::nullopt}};
  for (const RateCase& c : cases) EXPECT_EQ(parseRateLine(c.line), c.rate) << '"' << c.line << '"';
}

TEST(TextToWaveTest, BitsLineIsEightOrSixteen) {
  EXPECT_EQ(parseBitsLine("8"), 8);
  EXPECT_EQ(parseBitsLine(" 16 "), 16);
  for (const char* bad : {"", "24", "0", "08", "16.0", "sixteen"})
    EXPECT_EQ(parseBitsLine(bad), std::nullopt) << bad;
}

struct SampleCase {
  const char* line;
  int bits;
  Error error;
  std::int32_t value;
};

TEST(TextToWaveTest, SampleLineIsAWholeNumberInRange) {
  const SampleCase cases[] = {
      {"0", 8, Error::None, 0},
      {"255", 8, Error::None, 255},
      {" 128 ", 8, Error::None, 128},
      {"256", 8, Error::OutOf8BitRange, 0},
      {"-1", 8, Error::OutOf8BitRange, 0},
      {"-32768", 16, Error::None, -32768},
      {"32767", 16, Error::None, 32767},
      {"-0", 16, Error::None, 0},
      {"32768", 16, Error::OutOf16BitRange, 0},
      {"-32769", 16, Error::OutOf16BitRange, 0},
      {"99999999999999999999999", 16, Error::OutOf16BitRange, 0},
      {"", 16, Error::NotWholeNumber, 0},
      {"-", 16, Error::NotWholeNumber, 0},
      {"+1", 16, Error::NotWholeNumber, 0},
      {"1.5", 16, Error::NotWholeNumber, 0},
      {"1 2", 16, Error::NotWholeNumber, 0},
      {"12a", 16, Error::NotWholeNumber, 0},
      {"0x10", 16, Error::NotWholeNumber, 0},
  };
  for (const SampleCase& c : cases) {
    std::int32_t value = 0;
    EXPECT_EQ(parseSampleLine(c.line, c.bits, value), c.error) << c.line;
    if (c.error == Error::None) EXPECT_EQ(value, c.value) << c.line;
  }
}

std::vector<std::string> allLines(const std::string& text, std::vector<bool>* tooLong = nullptr) {
  MemorySource in(text.data(), text.size());
  LineReader reader(in);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.next(line)) {
    lines.emplace_back(line);
    if (tooLong != nullptr) tooLong->push_back(reader.tooLong());
    EXPECT_EQ(reader.number(), lines.size());
  }
  return lines;
}

TEST(TextToWaveTest, LineReaderSplitsAtLfAndDropsTheCr) {
  using Lines = std::vector<std::string>;
  EXPECT_EQ(allLines("1\r\n2\r\n"), (Lines{"1", "2"}));
  EXPECT_EQ(allLines("1\n2\n"), (Lines{"1", "2"}));
  EXPECT_EQ(allLines("1\r\n2"), (Lines{"1", "2"}));
  EXPECT_EQ(allLines("1\r\n\r\n3\r\n"), (Lines{"1", "", "3"}));
  EXPECT_EQ(allLines("a\rb\r\r\n"), (Lines{"a\rb\r"}));
  EXPECT_EQ(allLines(""), Lines{});
}

TEST(TextToWaveTest, LineReaderJoinsLinesAcrossBlocks) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += std::to_string(i * 7) + "\r\n";
  const std::vector<std::string> lines = allLines(text);
  ASSERT_EQ(lines.size(), 40000u);
  for (int i = 0; i < 40000; ++i)
    ASSERT_EQ(lines[static_cast<std::size_t>(i)], std::to_string(i * 7));
}

TEST(TextToWaveTest, LineReaderMarksOverlongLines) {
  const std::string longLine(LineReader::kMaxLine + 10, '0');
  std::vector<bool> tooLong;
  allLines("1\r\n" + longLine + "5\r\n2\r\n", &tooLong);
  ASSERT_GE(tooLong.size(), 2u);
  EXPECT_EQ(tooLong[0], false);
  EXPECT_EQ(tooLong[1], true);
  // Exactly the limit is still whole.
  tooLong.clear();
  const std::vector<std::string> lines =
      allLines("1\r\n" + std::string(LineReader::kMaxLine, '7') + "\n", &tooLong);
  EXPECT_EQ(tooLong, (std::vector<bool>{false, false}));
  EXPECT_EQ(lines[1].size(), LineReader::kMaxLine);
}

TEST(TextToWaveTest, WaveHeaderBytes) {
  testkit::WaveFields fields{.rate = 345, .bits = 8, .dataSize = 3, .padded = true};
  const std::array<char, 44> header = waveHeader(1, 345, 8, 3);
  EXPECT_EQ(std::string(header.data(), header.size()),
            testkit::waveBytes(fields, "").substr(0, 44));
  fields.rate = 44100;
  fields.bits = 16;
  fields.dataSize = 0x7FFFFFFF;
  const std::array<char, 44> big = waveHeader(1, 44100, 16, 0x7FFFFFFF);
  EXPECT_EQ(std::string(big.data(), big.size()), testkit::waveBytes(fields, "").substr(0, 44));
  fields.channels = 2;
  fields.dataSize = 8;
  const std::array<char, 44> stereo = waveHeader(2, 44100, 16, 8);
  EXPECT_EQ(std::string(stereo.data(), stereo.size()),
            testkit::waveBytes(fields, "").substr(0, 44));
}

}  // namespace
}  // namespace varno::converter
