#pragma once
// Files that are replaced whole: written beside the target and renamed over it when
// complete, so a reader never sees half of one and a failure leaves the old one in place.
// The new file, "<target>.XXXXXX", is locked (flock) until it is renamed: one nobody holds
// locked was left by a writer that was killed or stopped, and is removed.
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace varno::pipeline {

class AtomicFile {
 public:
  // Removes what earlier writers of `target` left, then creates a fresh file beside it;
  // ok() tells whether that worked.
  explicit AtomicFile(const std::filesystem::path& target);
  // Removes the new file unless commit() succeeded.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  bool ok() const { return fd_ >= 0 && error_ == 0; }
  // The errno of the first step that failed; 0 while none did.
  int error() const { return error_; }
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

  // Flushes, closes and renames over the target; false (the target untouched, the new file
  // removed) on any failure.
  bool commit();

 private:
  void flush();
  void writeAll(std::string_view bytes);
  void fail(int error);
  // Removes the new file, if any, and closes it.
  void discard();

  std::filesystem::path target_;
  std::string temp_;
  int fd_ = -1;
  int error_ = 0;
  std::vector<char> buf_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
};

// Removes, in the folder of `target`, the regular files named "<target's name>." and six
// of A-Z a-z 0-9 that no AtomicFile holds locked; links, pipes and other names are kept.
void removeStaleTemporaries(const std::filesystem::path& target);

}  // namespace varno::pipeline
