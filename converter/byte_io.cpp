#include "byte_io.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <system_error>

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

bool FileSource::open(const std::string& path) {
  close();
  std::error_code ec;
  // fopen succeeds on a directory here, where the reads would then fail.
  if (fs::is_directory(path, ec)) return false;
  file_ = std::fopen(path.c_str(), "rb");
  failed_ = false;
  return file_ != nullptr;
}

void FileSource::close() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
}

std::size_t FileSource::read(char* buffer, std::size_t size) {
  if (file_ == nullptr) return 0;
  const std::size_t n = std::fread(buffer, 1, size, file_);
  if (n < size && std::ferror(file_)) failed_ = true;
  return n;
}

namespace {

// Creates a file of a name not taken yet beside `target`; empty when that fails.
std::string createTempBeside(const std::string& target, std::FILE*& file) {
  auto seed = static_cast<unsigned long long>(
      std::chrono::steady_clock::now().time_since_epoch().count());
  for (int attempt = 0; attempt < 100; ++attempt) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%08llx.tmp", (seed >> 32) & 0xffffffffULL);
    std::string name = target + suffix;
    // "x": fail rather than reuse a file someone else is writing.
    file = std::fopen(name.c_str(), "wbx");
    if (file != nullptr) return name;
    if (errno != EEXIST) break;
  }
  file = nullptr;
  return {};
}

}  // namespace

ReplacingFile::~ReplacingFile() { discard(); }

bool ReplacingFile::open(const std::string& target) {
  discard();
  ok_ = true;
  if (target.empty()) return false;
  std::error_code ec;
  fs::path where = target;
  // Write through a link to its file instead of replacing the link.
  if (fs::is_symlink(where, ec)) {
    const fs::path resolved = fs::canonical(where, ec);
    if (!ec) where = resolved;
  }
  target_ = where.string();
  const fs::file_status status = fs::status(where, ec);
  if (fs::exists(status) && !fs::is_regular_file(status)) {
    if (fs::is_directory(status)) return false;
    file_ = std::fopen(target_.c_str(), "wb");
    return file_ != nullptr;
  }
  if (fs::exists(status)) {
    // A target we could not overwrite in place is refused, even though renaming could.
    std::FILE* probe = std::fopen(target_.c_str(), "ab");
    if (probe == nullptr) return false;
    std::fclose(probe);
  }
  temp_ = createTempBeside(target_, file_);
  return file_ != nullptr;
}

bool ReplacingFile::write(const char* data, std::size_t size) {
  if (file_ == nullptr || !ok_) return false;
  if (std::fwrite(data, 1, size, file_) != size) ok_ = false;
  return ok_;
}

bool ReplacingFile::rewriteStart(const char* data, std::size_t size) {
  if (file_ == nullptr || !ok_) return false;
  if (std::fseek(file_, 0, SEEK_SET) != 0 || std::fwrite(data, 1, size, file_) != size ||
      std::fseek(file_, 0, SEEK_END) != 0)
    ok_ = false;
  return ok_;
}

bool ReplacingFile::commit() {
  if (file_ == nullptr) return false;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  ok_ = ok_ && closed;
  if (ok_ && !temp_.empty()) {
    std::error_code ec;
    fs::rename(temp_, target_, ec);
    ok_ = !ec;
  }
  if (ok_) temp_.clear();
  discard();
  return ok_;
}

void ReplacingFile::discard() {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  if (!temp_.empty()) std::remove(temp_.c_str());
  temp_.clear();
}

}  // namespace varno::converter
