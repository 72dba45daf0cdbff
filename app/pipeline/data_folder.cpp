#include "pipeline/data_folder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <system_error>

namespace varno::pipeline {

namespace fs = std::filesystem;

DataFolder chooseDataFolder(const fs::path& programDir, const char* xdgDataHome, const char* home,
                            const std::function<bool(const fs::path&, bool create)>& writable) {
  if (writable(programDir, false)) {
    std::error_code error;
    const fs::path data = programDir / "Data";
    if (!fs::exists(data, error) || writable(data, false)) return {programDir, true};
  }
  fs::path base;
  if (xdgDataHome != nullptr && fs::path(xdgDataHome).is_absolute())
    base = xdgDataHome;
  else if (home != nullptr && *home != '\0')
    base = fs::path(home) / ".local" / "share";
  else
    return {programDir, false};
  const fs::path own = base / "varno";
  return {own, writable(own, true)};
}

bool writableFolder(const fs::path& folder, bool create) {
  std::error_code error;
  if (create) fs::create_directories(folder, error);
  return fs::is_directory(folder, error) && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

InstanceLock::InstanceLock(const fs::path& dataFolder) {
  // Close-on-exec, so that a converter outliving us never keeps the folder locked.
  fd_ = ::open((dataFolder / "varno.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd_);
    fd_ = -1;
  }
}

InstanceLock::~InstanceLock() {
  if (fd_ >= 0) ::close(fd_);
}

}  // namespace varno::pipeline
