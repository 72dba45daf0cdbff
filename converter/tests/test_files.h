#pragma once
// Helpers the converter tests share: a private folder, WAVE bytes, running a program.
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace varno::converter::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Fields of a 44-byte header; the defaults make a valid mono 16-bit 44100 Hz file.
struct WaveFields {
  std::string riff = "RIFF";
  std::string wave = "WAVE";
  std::string fmt = "fmt ";
  std::uint32_t fmtSize = 16;
  std::uint16_t tag = 1;
  std::uint16_t channels = 1;
  std::uint32_t rate = 44100;
  std::uint16_t bits = 16;
  std::string data = "data";
  // Declared data size; by default the size of the bytes that follow.
  std::int64_t dataSize = -1;
  // A 0 after an odd number of data bytes, counted in the RIFF size as trosk writes it.
  bool padded = false;
};

// The header of `fields` followed by `samples`, byte rate and alignment computed from it.
std::string waveBytes(const WaveFields& fields, const std::string& samples);

// Little-endian bytes of 16-bit samples.
std::string pcm16(const std::vector<int>& samples);

struct RunResult {
  int exitCode = -1;
  std::string err;
  std::string out;
};

// A program started with `args` (no shell), standard output and error captured; killed when the
// object ends if it is still running.
class StartedProgram {
 public:
  StartedProgram(const std::string& program, const std::vector<std::string>& args);
  ~StartedProgram();
  StartedProgram(const StartedProgram&) = delete;
  StartedProgram& operator=(const StartedProgram&) = delete;
  // The result once the program has ended, waiting up to `limit` for that.
  std::optional<RunResult> result(std::chrono::milliseconds limit);
  RunResult result();

 private:
  void ended(int waitStatus);

  TempDir dir_;
  pid_t pid_ = -1;
  std::optional<RunResult> result_;
};

// Runs `program` with `args` to its end.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace varno::converter::test
