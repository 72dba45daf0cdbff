#pragma once
// The converters' side of the job file: input path, output path, status word, and after
// them the lines of a converter's report, if it writes one.
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include "converter/byte_io.h"
#include "converter/error.h"

namespace varno::converter {

// A job line may hold a path and little else; anything longer is not a job file.
constexpr std::size_t kMaxJobLine = 64 * 1024;

// The job file under an exclusive advisory lock (flock) from open() to the object's end.
// Converters read a status they mean to replace only under this lock, so that reading it
// and writing the next one is one step that no other run can come between.
class LockedJob {
 public:
  // Opens and locks the file the path names, once it is sure no rename put a new file there
  // meanwhile, and reads lines 1 to 3, each cut at its first CR or LF; missing lines are
  // empty. Error::JobNotFound when it cannot be read, Error::JobLineTooLong when a line is
  // longer than kMaxJobLine, reading no further.
  Error open(const std::string& jobPath);
  const std::string& line(std::size_t number) const { return lines_.at(number - 1); }
  // Replaces line 3 by `status`, keeping lines 1 and 2 byte for byte, and everything after
  // it by `report`; every line ends with CR LF. A complete new file is renamed over the job,
  // so a reader never sees it half written; when no new file can be made beside it (a full
  // disk, a folder closed to us) the job file is rewritten in place instead.
  // Error::JobNotWritten when both fail.
  Error setStatus(std::string_view status, std::span<const std::string> report = {});

  using Lines = std::array<std::string, 3>;

 private:
  std::string path_;
  FileSource file_;
  Lines raw_;  // as read, a CR before the LF kept
  Lines lines_;
};

// The job file's text: lines 1 and 2 as read (`raw`, a CR before their LF kept), then
// `status` and the `report` lines, each line ending with one CR LF.
std::string jobText(const LockedJob::Lines& raw, std::string_view status,
                    std::span<const std::string> report);

// Reads lines 1 to 3 of the job file as LockedJob::open does.
Error getInit(const std::string& jobPath, std::string& line1, std::string& line2,
              std::string& line3);

// Sets the status and the report as LockedJob::setStatus does, under the job's lock.
Error setInit(const std::string& jobPath, std::string_view status,
              std::span<const std::string> report = {});

}  // namespace varno::converter
