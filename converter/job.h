#pragma once
// One converter run from its command line to its exit code.
#include <string>

#include "converter/byte_io.h"
#include "converter/error.h"

namespace varno::converter {

using Conversion = Outcome (*)(ByteSource& input, const std::string& outputPath);

// What a converter program is: its name and one line about it for --help, its usage
// error and its conversion.
struct Program {
  const char* name;
  const char* summary;
  Error usage;
  Conversion convert;
};

// Takes the job file named by the only argument: under the job's lock, refuses a job whose
// status is "run", opens line 1 for reading and sets "run". Then removes what killed runs
// left beside the job and the output, converts into line 2 and sets "close"; on failure
// writes the message on standard error and sets "error" once the job is read. The only
// place that writes the status; returns the exit code, 0 or -1. A lone "--help" or
// "--version" is answered on standard output with 0 instead; the window always names its job
// files by absolute paths, so they cannot be taken for these.
int runConverter(int argc, const char* const* argv, const Program& program);

}  // namespace varno::converter
