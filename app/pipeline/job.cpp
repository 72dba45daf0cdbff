#include "pipeline/job.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>

#include "pipeline/atomic_file.h"

namespace varno::pipeline {

namespace {

// A new file beside the job failed for lack of room or of rights on the folder alone.
bool noRoomBeside(int error) { return error == ENOSPC || error == EDQUOT || error == EACCES; }

// Overwrites the job file where it is, as the converters do when its folder takes no new file.
bool rewriteInPlace(const std::filesystem::path& jobFile, std::string_view content) {
  // O_NONBLOCK: a pipe nobody reads is refused rather than waited for.
  const int fd = ::open(jobFile.c_str(), O_WRONLY | O_TRUNC | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && !content.empty()) {
    const ssize_t done = ::write(fd, content.data(), content.size());
    if (done < 0)
      ok = errno == EINTR;
    else
      content.remove_prefix(static_cast<std::size_t>(done));
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace

JobStatus parseJobStatus(std::string_view content) {
  std::string_view rest = content;
  for (int line = 1; line <= 3; ++line) {
    if (rest.empty()) return JobStatus::Unfinished;
    const std::size_t lf = rest.find('\n');
    std::string_view text = rest.substr(0, lf);
    if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
    if (line == 3) {
      if (text == "close") return JobStatus::Close;
      if (text == "error") return JobStatus::Error;
      return JobStatus::Unfinished;
    }
    rest = lf == std::string_view::npos ? std::string_view() : rest.substr(lf + 1);
  }
  return JobStatus::Unfinished;
}

JobStatus readJobStatus(const std::filesystem::path& jobFile) {
  std::ifstream in(jobFile, std::ios::binary);
  if (!in) return JobStatus::Unfinished;
  const std::string content{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (in.bad()) return JobStatus::Unfinished;
  return parseJobStatus(content);
}

bool writeJob(const std::filesystem::path& jobFile, std::string_view input,
              std::string_view output) {
  std::string content;
  content.reserve(input.size() + output.size() + 6);
  content.append(input).append("\r\n").append(output).append("\r\n\r\n");
  AtomicFile file(jobFile);
  file.write(content);
  if (file.commit()) return true;
  return noRoomBeside(file.error()) && rewriteInPlace(jobFile, content);
}

}  // namespace varno::pipeline
