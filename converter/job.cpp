#include "converter/job.h"

#include <cstdio>
#include <cstring>
#include <span>

#include "converter/init.h"

namespace varno::converter {

namespace {

struct JobPaths {
  std::string job;
  std::string input;
  std::string output;
};

std::string messageOf(Error error, const JobPaths& paths, std::uint64_t line = 0) {
  std::string_view path;
  switch (subjectOf(error)) {
    case Subject::Job: path = paths.job; break;
    case Subject::Input: path = paths.input; break;
    case Subject::Output: path = paths.output; break;
    case Subject::None: break;
  }
  return errorMessage(error, path, line);
}

void report(Error error, const JobPaths& paths, std::uint64_t line = 0) {
  std::fputs(messageOf(error, paths, line).c_str(), stderr);
}

// Sets the status and the report after it, reporting a job file that cannot be rewritten;
// false then.
bool setStatus(const JobPaths& paths, const char* status, std::span<const std::string> lines = {}) {
  const Error error = setInit(paths.job, status, lines);
  if (error == Error::None) return true;
  report(error, paths);
  return false;
}

// A reporting program's lines for "error": its report so far, then why, in the decoding
// library's words when it gave them, else in ours.
std::vector<std::string> failureLines(const JobReport* notes, const JobPaths& paths,
                                      const Outcome& outcome) {
  if (notes == nullptr) return {};
  std::vector<std::string> lines = notes->lines();
  lines.push_back(reasonLine(outcome.reason.empty() ? messageOf(outcome.error, paths, outcome.line)
                                                    : outcome.reason));
  return lines;
}

int fail(const JobPaths& paths, const Outcome& outcome, const JobReport* notes) {
  report(outcome.error, paths, outcome.line);
  setStatus(paths, "error", failureLines(notes, paths, outcome));
  return -1;
}

// Takes the job in one step under its lock: refuses it in run mode, else opens the input
// and sets "run", or "error" when the input cannot be opened. False when the run ends here.
bool takeJob(JobPaths& paths, FileSource& input, const JobReport* notes) {
  LockedJob job;
  if (Error e = job.open(paths.job); e != Error::None) {
    report(e, paths);
    return false;
  }
  paths.input = job.line(1);
  paths.output = job.line(2);
  if (job.line(3) == "run") {
    report(Error::InRunMode, paths);
    return false;
  }
  const bool opened = input.open(paths.input);
  if (!opened) report(Error::InputNotFound, paths);
  const std::vector<std::string> lines =
      opened ? std::vector<std::string>{}
             : failureLines(notes, paths, {Error::InputNotFound, 0, false, {}});
  if (Error e = job.setStatus(opened ? "run" : "error", lines); e != Error::None) {
    report(e, paths);
    return false;
  }
  return opened;
}

// Answers "--help" and "--version" on standard output; false for any other argument.
bool answeredInfoOption(const char* argument, const Program& program) {
  if (std::strcmp(argument, "--help") == 0) {
    std::printf(
        "Usage: %s JOBFILE\n"
        "%s\n\n"
        "JOBFILE holds three lines ending in CR LF: the input path, the output path and a\n"
        "status that %s sets to \"run\", then to \"close\" or \"error\". Failures are\n"
        "described on standard error; the exit status is 0 on success, 255 on failure.\n\n"
        "  --help     show this help and exit\n"
        "  --version  show the version and exit\n",
        program.name, program.summary, program.name);
    return true;
  }
  if (std::strcmp(argument, "--version") == 0) {
    std::printf("%s (Varno) %s\n", program.name, VARNO_VERSION);
    return true;
  }
  return false;
}

}  // namespace

Error JobReport::publish(std::vector<std::string> lines) {
  lines_ = std::move(lines);
  return setInit(jobPath_, "run", lines_);
}

std::string reasonLine(std::string_view text) {
  std::string line = "reason=";
  for (char c : text) line += c == '\r' || c == '\n' ? ' ' : c;
  line.erase(line.find_last_not_of(' ') + 1);
  return line;
}

int runConverter(int argc, const char* const* argv, const Program& program) {
  JobPaths paths;
  if (argc != 2) {
    report(program.usage, paths);
    return -1;
  }
  if (answeredInfoOption(argv[1], program)) return std::fflush(stdout) == 0 ? 0 : -1;
  paths.job = argv[argc - 1];
  JobReport jobReport(paths.job);
  JobReport* const notes = program.convertReporting != nullptr ? &jobReport : nullptr;
  Outcome outcome;
  {
    FileSource input;
    if (!takeJob(paths, input, notes)) return -1;
    // Left beside the two files by runs killed before their commit.
    removeStaleTemporaries(paths.job);
    removeStaleTemporaries(paths.output);
    outcome = notes != nullptr ? program.convertReporting(input, paths.output, jobReport)
                               : program.convert(input, paths.output);
  }
  if (outcome.shortData) report(Error::ShortData, paths);
  if (outcome.error != Error::None) return fail(paths, outcome, notes);
  return setStatus(paths, "close", jobReport.lines()) ? 0 : -1;
}

}  // namespace varno::converter
