#pragma once
// Files that are replaced whole: written beside the target and renamed over it when
// complete, so a reader never sees half of one and a failure leaves the old one in place.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varno::pipeline {

class AtomicFile {
 public:
  // Creates a fresh file beside `target`; ok() tells whether that worked.
  explicit AtomicFile(const std::filesystem::path& target);
  // Removes the new file unless commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return fd_ >= 0 && !failed_; }
  // Bytes handed to write() so far.
  std::uint64_t size() const { return written_ + used_; }

  void write(std::string_view bytes) {
    if (used_ + bytes.size() > buf_.size()) {
      flush();
      if (bytes.size() > buf_.size()) {
        writeAll(bytes);
        return;
      }
    }
    std::memcpy(buf_.data() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }

  // Flushes, closes and renames over the target; false (the target untouched) on any failure.
  bool commit();

 private:
  void flush();
  void writeAll(std::string_view bytes);

  std::filesystem::path target_;
  std::string temp_;
  int fd_ = -1;
  bool failed_ = false;
  bool committed_ = false;
  std::vector<char> buf_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
};

// Replaces `target` by `content` through a AtomicFile; false when it could not.
bool replaceFile(const std::filesystem::path& target, std::string_view content);

}  // namespace varno::pipeline
