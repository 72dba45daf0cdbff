#pragma once
// Reading sample-text files in large blocks: a line ends at CR LF (a bare LF is taken too),
// and the final line end yields no extra empty line. A line longer than kMaxLine makes the
// whole file unreadable, so that one without line ends cannot fill the memory.
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "common/numtext.h"

namespace varno::pipeline {

class SampleTextReader {
 public:
  // The longest line read, without its line end: the converters' limit.
  static constexpr std::size_t kMaxLine = 64 * 1024;

  explicit SampleTextReader(const std::filesystem::path& path, std::size_t blockSize = 1 << 20);
  ~SampleTextReader();
  SampleTextReader(const SampleTextReader&) = delete;
  SampleTextReader& operator=(const SampleTextReader&) = delete;

  bool isOpen() const { return fd_ >= 0; }
  // A read error or a line longer than kMaxLine ended the lines early.
  bool failed() const { return failed_; }

  // Moves to a line start noted in an earlier pass. False, and nothing moves, when the byte
  // before `offset` is not a line end: the file changed since, so the caller reads from the top.
  bool seek(std::uint64_t offset);

  // The next line without its line end, valid until the next call; false at the end and
  // from a line too long on.
  bool next(std::string_view& line) {
    for (;;) {
      const char* begin = buf_.data() + pos_;
      const char* const stop = buf_.data() + len_;
      // Sample lines are a few bytes long: a plain scan beats a library call per line.
      const char* end = begin;
      while (end != stop && *end != '\n') ++end;
      if (end != stop) {
        line = trimmed(begin, end);
        if (line.size() > kMaxLine) return tooLong();
        lineStart_ = base_ + pos_;
        pos_ = static_cast<std::size_t>(end - buf_.data()) + 1;
        return true;
      }
      if (!refill()) break;
    }
    if (pos_ == len_) return false;
    // The last line of a file that does not end with a line end.
    line = trimmed(buf_.data() + pos_, buf_.data() + len_);
    if (line.size() > kMaxLine) return tooLong();
    lineStart_ = base_ + pos_;
    pos_ = len_;
    return true;
  }

  // Passes over up to `lines` lines; returns how many there were. Lines passed over by
  // counting their ends are not measured against kMaxLine.
  std::int64_t skip(std::int64_t lines);

  // Byte offset of the start of the line last returned by next().
  std::uint64_t lineOffset() const { return lineStart_; }

 private:
  static std::string_view trimmed(const char* begin, const char* end) {
    if (end > begin && end[-1] == '\r') --end;
    return {begin, static_cast<std::size_t>(end - begin)};
  }
  // Keeps the unread rest, reads the next block after it; false at the end or on an error.
  bool refill();
  // Ends the lines for good: next() returns false, failed() true.
  bool tooLong();

  int fd_ = -1;
  bool failed_ = false;
  std::vector<char> buf_;
  std::size_t pos_ = 0;
  std::size_t len_ = 0;
  std::uint64_t base_ = 0;  // file offset of buf_[0]
  std::uint64_t lineStart_ = 0;
};

// A line of an optional "-" and 1 to 15 digits, the form the converters write; its value
// is then exact and small enough that 128 of them add up without overflow in 64 bits.
inline bool plainInteger(std::string_view line, std::int64_t& value) {
  std::size_t i = 0;
  const bool negative = !line.empty() && line[0] == '-';
  if (negative) i = 1;
  const std::size_t digits = line.size() - i;
  if (digits == 0 || digits > 15) return false;
  std::int64_t v = 0;
  for (; i < line.size(); ++i) {
    const unsigned d = static_cast<unsigned char>(line[i]) - '0';
    if (d > 9) return false;
    v = v * 10 + d;
  }
  value = negative ? -v : v;
  return true;
}

// The leading number of a sample line (0 when it has none), plain integers taken fast.
inline double sampleValue(std::string_view line) {
  std::int64_t v;
  if (plainInteger(line, v)) return static_cast<double>(v);
  return common::leadingNumber(line);
}

}  // namespace varno::pipeline
