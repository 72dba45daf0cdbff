#include "pipeline/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <thread>

namespace varno::pipeline {

namespace fs = std::filesystem;

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

bool lockFile(int fd, int operation) {
  int result = 0;
  do result = ::flock(fd, operation);
  while (result != 0 && errno == EINTR);
  return result == 0;
}

// The name still names the file open as `fd`, not one put in its place nor a link to it.
bool namesFile(const std::string& path, int fd) {
  struct stat named {
  }, opened{};
  return ::lstat(path.c_str(), &named) == 0 && ::fstat(fd, &opened) == 0 &&
         named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

// "<targetName>." and the six letters and digits mkstemp puts in place of "XXXXXX".
bool isTempNameOf(std::string_view name, std::string_view targetName) {
  constexpr std::size_t kLetters = 6;
  if (name.size() != targetName.size() + 1 + kLetters || !name.starts_with(targetName) ||
      name[targetName.size()] != '.')
    return false;
  return std::all_of(name.end() - kLetters, name.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
}

}  // namespace

void removeStaleTemporaries(const fs::path& target) {
  const std::string name = target.filename().string();
  if (name.empty()) return;
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  // Gathered first: removing entries while the folder is listed may skip others.
  std::vector<std::string> found;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (isTempNameOf(it->path().filename().string(), name)) found.push_back(it->path().string());
  for (const std::string& path : found) {
    // O_NOFOLLOW and O_NONBLOCK: a link is not followed, a pipe not waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer holding its lock is alive; the name must still be the file we hold.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lockFile(fd, LOCK_EX | LOCK_NB) &&
        namesFile(path, fd)) {
      ::unlink(path.c_str());
      closeAside(fd);
    } else {
      ::close(fd);
    }
  }
}

AtomicFile::AtomicFile(const fs::path& target) : target_(target), buf_(1 << 20) {
  removeStaleTemporaries(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_ = target.string() + ".XXXXXX";
    // Close-on-exec: a program the window starts must not inherit the file and its lock.
    const int fd = ::mkostemp(temp_.data(), O_CLOEXEC);
    if (fd < 0) {
      fail(errno);
      return;
    }
    // One a cleaner took for stale before we held the lock is given up for another name.
    // Without locks (some network folders) the file goes unmarked.
    if (lockFile(fd, LOCK_EX) && !namesFile(temp_, fd)) {
      ::close(fd);
      continue;
    }
    fd_ = fd;
    // mkstemp makes the file private; give it the permissions of an ordinary data file.
    ::fchmod(fd_, 0644);
    return;
  }
  fail(EEXIST);
}

AtomicFile::~AtomicFile() { discard(); }

void AtomicFile::fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
}

void AtomicFile::discard() {
  if (fd_ < 0) return;
  // Removed while still locked, so no cleaner is left to find the name.
  ::unlink(temp_.c_str());
  ::close(fd_);
  fd_ = -1;
}

void AtomicFile::writeAll(std::string_view bytes) {
  while (!bytes.empty() && ok()) {
    const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
    if (done < 0) {
      if (errno != EINTR) fail(errno);
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
  if (ok()) flush();
  if (!ok()) {
    discard();
    return false;
  }
  // Holds the lock past the close until the rename, so no cleaner takes the file for stale.
  const int lockHolder = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  // Holding the old file open moves the freeing of its blocks from the rename to the close.
  const int old = ::open(target_.c_str(), O_RDONLY | O_CLOEXEC);
  const int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0)
    fail(errno);
  else if (std::rename(temp_.c_str(), target_.c_str()) != 0)
    fail(errno);
  if (error_ != 0) ::unlink(temp_.c_str());
  if (lockHolder >= 0) ::close(lockHolder);
  if (error_ != 0) {
    if (old >= 0) ::close(old);
    return false;
  }
  if (old >= 0) closeAside(old);
  return true;
}

}  // namespace varno::pipeline
