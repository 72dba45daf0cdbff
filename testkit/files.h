#pragma once
// Temporary folders and whole files, as the tests make and check them byte for byte.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varno::testkit {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The file's bytes; empty when it cannot be read.
std::string readFile(const std::filesystem::path& path);
// Writes `bytes` to `path`, making its folders; false when not all of them were written.
bool writeFile(const std::filesystem::path& path, std::string_view bytes);
// Lines as this program's text files hold them: each one followed by CR LF.
std::string crlf(const std::vector<std::string>& lines);
// The names of the entries of `dir`.
std::set<std::string> fileNames(const std::filesystem::path& dir);

}  // namespace varno::testkit
