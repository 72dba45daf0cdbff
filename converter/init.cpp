#include "converter/init.h"

#include <cerrno>

namespace varno::converter {

namespace {

// The first three lines, each without its LF but with anything before it (a CR stays).
Error readRawLines(ByteSource& in, std::array<std::string, 3>& lines) {
  std::size_t current = 0;
  char block[4096];
  while (current < lines.size()) {
    const std::size_t n = in.read(block, sizeof block);
    for (std::size_t i = 0; i < n && current < lines.size(); ++i) {
      if (block[i] == '\n') {
        ++current;
      } else {
        // Stops here rather than read a device without line ends for ever.
        if (lines[current].size() == kMaxJobLine) return Error::JobLineTooLong;
        lines[current] += block[i];
      }
    }
    if (n < sizeof block) break;
  }
  return in.failed() ? Error::JobNotFound : Error::None;
}

// A new file beside the job failed for lack of room or of rights on the folder alone.
bool noRoomBeside(int error) { return error == ENOSPC || error == EDQUOT || error == EACCES; }

}  // namespace

Error LockedJob::open(const std::string& jobPath) {
  path_ = jobPath;
  for (;;) {
    if (!file_.open(jobPath)) return Error::JobNotFound;
    // Where no locks are kept (some network folders) the job is read unlocked, as it always was.
    if (!file_.lock()) break;
    // Another run may have renamed a new job file over the one we waited for.
    if (namesFile(jobPath, file_.descriptor())) break;
    file_.close();
  }
  raw_ = {};
  if (Error e = readRawLines(file_, raw_); e != Error::None) return e;
  for (std::size_t i = 0; i < raw_.size(); ++i)
    lines_[i] = raw_[i].substr(0, raw_[i].find_first_of("\r\n"));
  return Error::None;
}

std::string jobText(const LockedJob::Lines& raw, std::string_view status,
                    std::span<const std::string> report) {
  std::string text;
  for (std::size_t i = 0; i < 2; ++i) {
    std::string_view line = raw[i];
    // The CR of a CR LF line end; the line end itself is written anew below.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    text.append(line).append("\r\n");
  }
  text.append(status).append("\r\n");
  for (const std::string& line : report) text.append(line).append("\r\n");
  return text;
}

Error LockedJob::setStatus(std::string_view status, std::span<const std::string> report) {
  const std::string text = jobText(raw_, status, report);
  auto writeAll = [&text](ReplacingSink& out) {
    return out.write(text.data(), text.size()) && out.commit();
  };
  ReplacingSink out;
  if (out.open(path_) && writeAll(out)) return Error::None;
  if (noRoomBeside(out.error()) && out.openInPlace(path_) && writeAll(out)) return Error::None;
  return Error::JobNotWritten;
}

Error getInit(const std::string& jobPath, std::string& line1, std::string& line2,
              std::string& line3) {
  LockedJob job;
  if (Error e = job.open(jobPath); e != Error::None) return e;
  line1 = job.line(1);
  line2 = job.line(2);
  line3 = job.line(3);
  return Error::None;
}

Error setInit(const std::string& jobPath, std::string_view status,
              std::span<const std::string> report) {
  LockedJob job;
  if (Error e = job.open(jobPath); e != Error::None) return e;
  return job.setStatus(status, report);
}

}  // namespace varno::converter
