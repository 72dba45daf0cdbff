#include "converter/byte_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace varno::converter {

std::size_t MemorySource::read(char* buffer, std::size_t size) {
  const std::size_t n = std::min(size, size_ - pos_);
  if (n > 0) std::memcpy(buffer, data_ + pos_, n);
  pos_ += n;
  return n;
}

bool StringSink::write(const char* data, std::size_t size) {
  bytes_.append(data, size);
  return true;
}

bool StringSink::rewriteStart(const char* data, std::size_t size) {
  if (size > bytes_.size()) return false;
  bytes_.replace(0, size, data, size);
  return true;
}

namespace {

bool clearNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  return flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
}

// Where a target's bytes go: through a link to its file instead of replacing the link.
std::string resolved(const std::string& target) {
  std::error_code ec;
  fs::path where = target;
  if (fs::is_symlink(where, ec)) {
    const fs::path file = fs::canonical(where, ec);
    if (!ec) where = file;
  }
  return where.string();
}

bool lockFile(int fd, int operation) {
  int result = 0;
  do result = ::flock(fd, operation);
  while (result != 0 && errno == EINTR);
  return result == 0;
}

// Creates and locks a file of a name not taken yet beside `target`; empty when that fails,
// with errno telling why.
std::string createTempBeside(const std::string& target, std::FILE*& file) {
  file = nullptr;
  auto seed =
      static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08llx.tmp", (seed >> 32) & 0xffffffffULL);
    std::string name = target + suffix;
    // O_EXCL: fail rather than reuse a file someone else is writing.
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return {};
    }
    // The lock marks the file as alive; one a cleaner took for stale before we held the lock
    // is given up for another name. Without locks (some network folders) it goes unmarked.
    if (lockFile(fd, LOCK_EX) && !namesFile(name, fd)) {
      ::close(fd);
      continue;
    }
    file = ::fdopen(fd, "wb");
    if (file != nullptr) return name;
    const int error = errno;
    ::unlink(name.c_str());
    ::close(fd);
    errno = error;
    return {};
  }
  return {};
}

// "<targetName>.<8 lower-case hex digits>.tmp", as createTempBeside makes them.
bool isTempNameOf(std::string_view name, std::string_view targetName) {
  constexpr std::string_view kTail = ".tmp";
  constexpr std::size_t kDigits = 8;
  if (name.size() != targetName.size() + 1 + kDigits + kTail.size() ||
      name.substr(0, targetName.size()) != targetName || name[targetName.size()] != '.' ||
      name.substr(name.size() - kTail.size()) != kTail)
    return false;
  const std::string_view digits = name.substr(targetName.size() + 1, kDigits);
  return std::all_of(digits.begin(), digits.end(),
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

bool namesFile(const std::string& path, int fd) {
  struct stat named {
  }, opened{};
  return ::stat(path.c_str(), &named) == 0 && ::fstat(fd, &opened) == 0 &&
         named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
}

bool FileSource::open(const std::string& path) {
  close();
  failed_ = false;
  // Opening a named pipe would otherwise wait for a writer that may never come.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  // A directory opens, and only its reads would fail.
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode) || !clearNonBlocking(fd) ||
      (file_ = ::fdopen(fd, "rb")) == nullptr) {
    ::close(fd);
    return false;
  }
  return true;
}

void FileSource::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool FileSource::lock() { return file_ != nullptr && lockFile(::fileno(file_), LOCK_EX); }

int FileSource::descriptor() const { return file_ != nullptr ? ::fileno(file_) : -1; }

std::size_t FileSource::read(char* buffer, std::size_t size) {
  if (file_ == nullptr) return 0;
  const std::size_t n = std::fread(buffer, 1, size, file_);
  if (n < size && std::ferror(file_)) failed_ = true;
  return n;
}

ReplacingSink::~ReplacingSink() { discard(); }

bool ReplacingSink::open(const std::string& target) {
  discard();
  ok_ = true;
  error_ = 0;
  if (target.empty()) return fail(ENOENT);
  target_ = resolved(target);
  std::error_code ec;
  const fs::file_status status = fs::status(target_, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    if (fs::is_directory(status)) return fail(EISDIR);
    return openInPlace(std::string(target_));
  }
  if (fs::exists(status)) {
    // A target we could not overwrite in place is refused, even though renaming could.
    std::FILE* probe = std::fopen(target_.c_str(), "ab");
    if (probe == nullptr) return fail(errno);
    std::fclose(probe);
  }
  temp_ = createTempBeside(target_, file_);
  return file_ != nullptr || fail(errno);
}

bool ReplacingSink::openInPlace(const std::string& target) {
  discard();
  ok_ = true;
  error_ = 0;
  target_ = target;
  // O_NONBLOCK: a pipe nobody reads is refused rather than waited for.
  const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(errno);
  if (!clearNonBlocking(fd) || (file_ = ::fdopen(fd, "wb")) == nullptr) {
    const int error = errno;
    ::close(fd);
    return fail(error);
  }
  return true;
}

bool ReplacingSink::write(const char* data, std::size_t size) {
  if (file_ == nullptr || !ok_) return false;
  if (std::fwrite(data, 1, size, file_) != size) return fail(errno);
  return true;
}

bool ReplacingSink::rewriteStart(const char* data, std::size_t size) {
  if (file_ == nullptr || !ok_) return false;
  if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(data, 1, size, file_) != size ||
      std::fseek(file_, 0, SEEK_END) != 0)
    return fail(errno);
  return true;
}

bool ReplacingSink::commit() {
  if (file_ == nullptr) return false;
  // Holds the lock past fclose until the rename, so no cleaner takes the file for stale.
  const int lockHolder = temp_.empty() ? -1 : ::dup(::fileno(file_));
  if (std::fclose(file_) != 0) fail(errno);
  file_ = nullptr;
  if (ok_ && !temp_.empty() && ::rename(temp_.c_str(), target_.c_str()) != 0) fail(errno);
  if (ok_) temp_.clear();
  if (lockHolder >= 0) ::close(lockHolder);
  discard();
  return ok_;
}

void ReplacingSink::discard() {
  if (!temp_.empty()) ::unlink(temp_.c_str());
  temp_.clear();
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

bool ReplacingSink::fail(int error) {
  if (error_ == 0) error_ = error != 0 ? error : EIO;
  ok_ = false;
  return false;
}

void removeStaleTemporaries(const std::string& target) {
  const fs::path where = resolved(target);
  const std::string name = where.filename().string();
  if (name.empty()) return;
  const fs::path folder = where.has_parent_path() ? where.parent_path() : fs::path(".");
  std::vector<std::string> stale;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (isTempNameOf(it->path().filename().string(), name)) stale.push_back(it->path().string());
  for (const std::string& path : stale) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer holding its lock is alive; the name must still be the file we hold.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && lockFile(fd, LOCK_EX | LOCK_NB) &&
        namesFile(path, fd))
      ::unlink(path.c_str());
    ::close(fd);
  }
}

}  // namespace varno::converter
