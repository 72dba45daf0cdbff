#pragma once
// Byte streams the conversions read and write, so that the same code runs on files, on
// memory in the tests and under the fuzzer.
#include <cstddef>
#include <cstdio>
#include <string>

namespace varno::converter {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes; fewer only at the end of the input or on a read error.
  virtual std::size_t read(char* buffer, std::size_t size) = 0;
  // True once a read has failed for a reason other than the end of the input.
  virtual bool failed() const = 0;
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False when the bytes could not all be written.
  virtual bool write(const char* data, std::size_t size) = 0;
  // Overwrites the first `size` bytes written, for a header known only at the end.
  virtual bool rewriteStart(const char* data, std::size_t size) = 0;
};

class MemorySource final : public ByteSource {
 public:
  MemorySource(const void* data, std::size_t size)
      : data_(static_cast<const char*>(data)), size_(size) {}
  std::size_t read(char* buffer, std::size_t size) override;
  bool failed() const override { return false; }

 private:
  const char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

class StringSink final : public ByteSink {
 public:
  bool write(const char* data, std::size_t size) override;
  bool rewriteStart(const char* data, std::size_t size) override;
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// An input file opened for binary reading.
class FileSource final : public ByteSource {
 public:
  FileSource() = default;
  FileSource(const FileSource&) = delete;
  FileSource& operator=(const FileSource&) = delete;
  ~FileSource() override { close(); }
  // False when the file cannot be opened or is a directory. A named pipe without a writer
  // opens at once and reads as empty.
  bool open(const std::string& path);
  void close();
  // Waits for an exclusive advisory lock (flock) on the open file, held until it is closed;
  // false where the file system keeps no such locks.
  bool lock();
  // The open file's descriptor; -1 when closed.
  int descriptor() const;
  std::size_t read(char* buffer, std::size_t size) override;
  bool failed() const override { return failed_; }

 private:
  std::FILE* file_ = nullptr;
  bool failed_ = false;
};

// Replaces a file so that no reader ever sees it half-written: the bytes go to a new file
// "<target>.<8 hex digits>.tmp" beside the target, locked while it is written and renamed
// over the target only by commit(). Without a commit the new file is removed and the target
// stays as it was. A target that exists but is not a regular file (a device, a pipe) is
// written in place, because renaming would replace the node itself.
class ReplacingSink final : public ByteSink {
 public:
  ReplacingSink() = default;
  ReplacingSink(const ReplacingSink&) = delete;
  ReplacingSink& operator=(const ReplacingSink&) = delete;
  ~ReplacingSink() override;
  // False when the target cannot be written: its folder is missing or closed to us, it is a
  // directory, or it exists and cannot be opened for writing (a pipe nobody reads, too).
  bool open(const std::string& target);
  // Writes the existing target itself, emptied first, for when no new file fits beside it.
  bool openInPlace(const std::string& target);
  bool write(const char* data, std::size_t size) override;
  bool rewriteStart(const char* data, std::size_t size) override;
  // Closes the new file and renames it over the target; false when any step failed.
  bool commit();
  // The errno of the step that failed, 0 while none has.
  int error() const { return error_; }

 private:
  void discard();
  bool fail(int error);

  std::string target_;
  std::string temp_;  // empty when writing in place
  std::FILE* file_ = nullptr;
  bool ok_ = true;
  int error_ = 0;
};

// True when `path` names the file open as `fd`, which a rename over it would change.
bool namesFile(const std::string& path, int fd);

// Removes the new files of ReplacingSink that runs killed before their commit left beside
// `target`: names exactly "<target name>.<8 hex digits>.tmp", and none a live writer holds.
void removeStaleTemporaries(const std::string& target);

}  // namespace varno::converter
