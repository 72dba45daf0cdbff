#include "pipeline/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <thread>

namespace varno::pipeline {

namespace {

// Freeing a large replaced file can take tens of milliseconds, which the window's thread
// must not wait for: the last close happens on a thread of its own.
void closeAside(int fd) {
  try {
    std::thread([fd] { ::close(fd); }).detach();
  } catch (const std::system_error&) {
    ::close(fd);
  }
}

}  // namespace

AtomicFile::AtomicFile(const std::filesystem::path& target)
    : target_(target), temp_(target.string() + ".XXXXXX"), buf_(1 << 20) {
  fd_ = ::mkstemp(temp_.data());
  // mkstemp makes the file private; give it the permissions of an ordinary data file.
  if (fd_ >= 0) ::fchmod(fd_, 0644);
}

AtomicFile::~AtomicFile() {
  if (committed_) return;
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(temp_.c_str());
  }
}

void AtomicFile::writeAll(std::string_view bytes) {
  while (!bytes.empty() && ok()) {
    const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
    if (done < 0) {
      if (errno != EINTR) failed_ = true;
      continue;
    }
    bytes.remove_prefix(static_cast<std::size_t>(done));
    written_ += static_cast<std::uint64_t>(done);
  }
}

void AtomicFile::flush() {
  writeAll({buf_.data(), used_});
  used_ = 0;
}

bool AtomicFile::commit() {
  if (!ok()) return false;
  flush();
  if (!ok()) return false;
  const int fd = fd_;
  fd_ = -1;
  // Holding the old file open moves the freeing of its blocks from the rename to the close.
  const int old = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
  if (::close(fd) != 0 || std::rename(temp_.c_str(), target_.c_str()) != 0) {
    if (old >= 0) ::close(old);
    ::unlink(temp_.c_str());
    return false;
  }
  committed_ = true;
  if (old >= 0) closeAside(old);
  return true;
}

bool replaceFile(const std::filesystem::path& target, std::string_view content) {
  AtomicFile file(target);
  file.write(content);
  return file.commit();
}

}  // namespace varno::pipeline
