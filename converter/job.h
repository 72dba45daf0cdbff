#pragma once
// One converter run from its command line to its exit code.
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "converter/byte_io.h"
#include "converter/error.h"

namespace varno::converter {

// The key=value lines a converter keeps after the job's status for the window, which reads
// them while the status is "run" and once it is final.
class JobReport {
 public:
  explicit JobReport(std::string jobPath) : jobPath_(std::move(jobPath)) {}
  // Replaces the lines; they reach the job with its next status.
  void set(std::vector<std::string> lines) { lines_ = std::move(lines); }
  // Replaces the lines and rewrites the job with them after the status "run".
  Error publish(std::vector<std::string> lines);
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::string jobPath_;
  std::vector<std::string> lines_;
};

// The report's last line on a failure: "reason=" and `text`, each CR or LF in it a blank and
// blanks at its end dropped, so that it stays one line.
std::string reasonLine(std::string_view text);

using Conversion = Outcome (*)(ByteSource& input, const std::string& outputPath);
// A conversion that writes a report; it is handed the input as a file, for libraries that
// read a descriptor themselves.
using ReportingConversion = Outcome (*)(FileSource& input, const std::string& outputPath,
                                        JobReport& report);

// What a converter program is: its name and one line about it for --help, its usage
// error and its conversion, one of the two kinds.
struct Program {
  const char* name;
  const char* summary;
  Error usage;
  Conversion convert;
  // Set instead of `convert` by a program whose job file carries a report.
  ReportingConversion convertReporting = nullptr;
};

// Takes the job file named by the only argument: under the job's lock, refuses a job whose
// status is "run", opens line 1 for reading and sets "run". Then removes what killed runs
// left beside the job and the output, converts into line 2 and sets "close"; on failure
// writes the message on standard error and sets "error" once the job is read. The only
// place that writes the status; a reporting conversion's lines follow it, with a reasonLine
// after them on "error". Returns the exit code, 0 or -1. A lone "--help" or
// "--version" is answered on standard output with 0 instead; the window always names its job
// files by absolute paths, so they cannot be taken for these.
int runConverter(int argc, const char* const* argv, const Program& program);

}  // namespace varno::converter
