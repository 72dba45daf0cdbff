#pragma once
// One converter run from its command line to its exit code.
#include <string>

#include "byte_io.h"
#include "error.h"

namespace varno::converter {

using Conversion = Outcome (*)(ByteSource& input, const std::string& outputPath);

// Takes the job file named by the only argument: under the job's lock, refuses a job whose
// status is "run", opens line 1 for reading and sets "run". Then removes what killed runs
// left beside the job and the output, converts into line 2 and sets "close"; on failure
// writes the message on standard error and sets "error" once the job is read. The only
// place that writes the status; returns the exit code, 0 or -1.
int runConverter(int argc, const char* const* argv, Error usage, Conversion convert);

}  // namespace varno::converter
