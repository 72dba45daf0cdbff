#pragma once
// Where the job files and Data/ live, and the one window that may use them.
#include <filesystem>
#include <functional>
#include <string>

namespace varno::pipeline {

struct DataFolder {
  std::filesystem::path path;  // the folder to use, or the last one tried when none is writable
  bool writable = false;
};

// Beside the programs when that folder (and its Data/, if there) can be written; otherwise
// "varno" in the user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// $HOME/.local/share. `writable` answers for a folder, creating the user's one if need be.
DataFolder chooseDataFolder(
    const std::filesystem::path& programDir, const char* xdgDataHome, const char* home,
    const std::function<bool(const std::filesystem::path&, bool create)>& writable);

// The real answer for chooseDataFolder: the folder exists (or was made) and can be written.
bool writableFolder(const std::filesystem::path& folder, bool create);

// An advisory lock on "varno.lock" in the data folder, held for the life of the object, so
// that two windows never share job files and Data/. Released by the system if we die.
class InstanceLock {
 public:
  explicit InstanceLock(const std::filesystem::path& dataFolder);
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;
  // False when another window holds the folder (or the lock file cannot be made).
  bool held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

}  // namespace varno::pipeline
