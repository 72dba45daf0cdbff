#include "test_files.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace fs = std::filesystem;

namespace varno::converter::test {

TempDir::TempDir() {
  std::random_device random;
  for (;;) {
    path_ = fs::temp_directory_path() / ("varno-conv-" + std::to_string(random()));
    if (fs::create_directory(path_)) return;
  }
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

namespace {

void putLe(std::string& s, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string waveBytes(const WaveFields& fields, const std::string& samples) {
  const std::uint32_t dataSize =
      fields.dataSize < 0 ? static_cast<std::uint32_t>(samples.size()) : static_cast<std::uint32_t>(fields.dataSize);
  const std::uint32_t align = fields.channels * (fields.bits / 8u);
  const std::uint32_t pad = fields.padded ? dataSize % 2 : 0;
  std::string s = fields.riff;
  putLe(s, 36 + dataSize + pad, 4);
  s += fields.wave + fields.fmt;
  putLe(s, fields.fmtSize, 4);
  putLe(s, fields.tag, 2);
  putLe(s, fields.channels, 2);
  putLe(s, fields.rate, 4);
  putLe(s, fields.rate * align, 4);
  putLe(s, align, 2);
  putLe(s, fields.bits, 2);
  if (fields.fmtSize > 16) s.append(fields.fmtSize - 16, '\0');
  s += fields.data;
  putLe(s, dataSize, 4);
  return s + samples + std::string(pad, '\0');
}

std::string pcm16(const std::vector<int>& samples) {
  std::string s;
  for (int v : samples) putLe(s, static_cast<std::uint16_t>(v), 2);
  return s;
}

StartedProgram::StartedProgram(const std::string& program, const std::vector<std::string>& args) {
  const std::string outPath = dir_ / "stdout";
  const std::string errPath = dir_ / "stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int spawned = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start " + program);
}

StartedProgram::~StartedProgram() {
  if (result_) return;
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
}

std::optional<RunResult> StartedProgram::result(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!result_) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      ended(status);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  return result_;
}

RunResult StartedProgram::result() {
  if (!result_) {
    int status = 0;
    waitpid(pid_, &status, 0);
    ended(status);
  }
  return *result_;
}

void StartedProgram::ended(int status) {
  result_ = RunResult{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readFile(dir_ / "stderr"),
                      readFile(dir_ / "stdout")};
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args) {
  return StartedProgram(program, args).result();
}

}  // namespace varno::converter::test
