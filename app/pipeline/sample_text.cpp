#include "pipeline/sample_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace varno::pipeline {

SampleTextReader::SampleTextReader(const std::filesystem::path& path, std::size_t blockSize)
    : buf_(blockSize > 0 ? blockSize : 1) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ >= 0) {
    // A directory opens but holds no lines.
    struct stat st;
    if (::fstat(fd_, &st) != 0 || S_ISDIR(st.st_mode)) {
      ::close(fd_);
      fd_ = -1;
    }
  }
}

SampleTextReader::~SampleTextReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool SampleTextReader::seek(std::uint64_t offset) {
  if (fd_ < 0) return false;
  if (offset > 0) {
    char before;
    if (::pread(fd_, &before, 1, static_cast<off_t>(offset - 1)) != 1 || before != '\n')
      return false;
  }
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return false;
  base_ = offset;
  pos_ = len_ = 0;
  return true;
}

std::int64_t SampleTextReader::skip(std::int64_t lines) {
  // Stretches whose line ends all fall within the count are passed over by counting them,
  // which is several times faster than finding each line.
  constexpr std::size_t kStretch = 512;
  std::int64_t skipped = 0;
  std::string_view line;
  while (skipped < lines) {
    while (len_ - pos_ >= kStretch) {
      const char* from = buf_.data() + pos_;
      const std::int64_t ends = std::count(from, from + kStretch, '\n');
      if (skipped + ends >= lines) break;
      skipped += ends;
      pos_ += kStretch;
    }
    if (!next(line)) break;
    ++skipped;
  }
  return skipped;
}

bool SampleTextReader::tooLong() {
  failed_ = true;
  pos_ = len_;
  return false;
}

bool SampleTextReader::refill() {
  if (fd_ < 0 || failed_) return false;
  const std::size_t rest = len_ - pos_;
  // The rest holds no line end; with more than a CR beyond kMaxLine its line is too long.
  if (rest > kMaxLine + 1) return tooLong();
  if (pos_ > 0) {
    std::memmove(buf_.data(), buf_.data() + pos_, rest);
    base_ += pos_;
    pos_ = 0;
    len_ = rest;
  }
  // A line longer than the block: make room for more of it, up to a longest line and its CR LF.
  if (len_ == buf_.size()) buf_.resize(std::min(buf_.size() * 2, kMaxLine + 2));
  for (;;) {
    const ssize_t got = ::read(fd_, buf_.data() + len_, buf_.size() - len_);
    if (got > 0) {
      len_ += static_cast<std::size_t>(got);
      return true;
    }
    if (got == 0) return false;
    if (errno != EINTR) {
      failed_ = true;
      return false;
    }
  }
}

}  // namespace varno::pipeline
