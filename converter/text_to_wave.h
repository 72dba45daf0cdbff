#pragma once
// Sample text to a mono linear PCM WAVE file with the plain 44-byte header.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "converter/byte_io.h"
#include "converter/error.h"

namespace varno::converter {

// Splits a byte stream into lines at LF, dropping a CR before the LF, with bounded memory.
class LineReader {
 public:
  // A line longer than this comes back cut, marked as too long; reading should stop there,
  // as the next call would return the rest of it.
  static constexpr std::size_t kMaxLine = 64 * 1024;

  explicit LineReader(ByteSource& in);
  // The next line; false at the end of the input. The view lasts until the next call.
  bool next(std::string_view& line);
  // Number of the line last returned, counted from 1.
  std::uint64_t number() const { return number_; }
  bool tooLong() const { return tooLong_; }
  // True once a read of the input has failed.
  bool failed() const { return in_.failed(); }

 private:
  bool fill();

  ByteSource& in_;
  std::vector<char> block_;
  std::size_t pos_ = 0;
  std::size_t end_ = 0;
  bool atEnd_ = false;
  std::string carry_;
  bool tooLong_ = false;
  std::uint64_t number_ = 0;
};

// A rate line: digits with an optional fraction, rounded to whole hertz with halves up
// (344.53125 gives 345), a positive rate below 1 Hz giving 1. Blanks around it are allowed.
// Nothing for 0 or for more than 2^31 - 1.
std::optional<std::uint32_t> parseRateLine(std::string_view line);

// A bits line: 8 or 16, blanks around it allowed.
std::optional<int> parseBitsLine(std::string_view line);

// A sample line: a whole number in decimal, "-" for negative values, blanks around it
// allowed. Error::NotWholeNumber, or the out-of-range error of `bits`, when it does not fit.
Error parseSampleLine(std::string_view line, int bits, std::int32_t& value);

// The 44-byte header of a linear PCM WAVE file holding `dataSize` sample bytes; the RIFF
// size counts the pad byte that follows an odd number of them.
std::array<char, 44> waveHeader(std::uint16_t channels, std::uint32_t rate, int bits,
                                std::uint32_t dataSize);

struct TextFormat {
  std::uint32_t rate = 0;
  int bits = 0;
};

// Reads the rate line and the bits line; Outcome::line is the line refused.
Outcome readTextHeader(LineReader& lines, TextFormat& format);

// Writes the remaining lines as samples after a provisional header, a pad byte after an odd
// number of data bytes, then the final header.
Outcome writeWave(const TextFormat& format, LineReader& lines, ByteSink& out);

// The whole conversion of `in` into the WAVE file `outputPath`. The output is opened once
// the rate and bits lines have passed, and replaces the target only when complete.
Outcome convertTextToWave(ByteSource& in, const std::string& outputPath);

}  // namespace varno::converter
