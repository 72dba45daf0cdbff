#pragma once
// The converters' side of the three-line job file: input path, output path, status word.
#include <string>
#include <string_view>

#include "error.h"

namespace varno::converter {

// Reads lines 1 to 3 of the job file, each cut at its first CR or LF; missing lines are
// empty. Error::JobNotFound when the file cannot be read.
Error getInit(const std::string& jobPath, std::string& line1, std::string& line2,
              std::string& line3);

// Replaces line 3 by `status`, keeping lines 1 and 2 byte for byte; every line ends with
// CR LF and missing lines count as empty. The file is replaced by renaming a complete new
// one over it, so a reader never sees it half-written. Error::JobNotFound when it cannot be
// read, Error::JobNotWritten when the new file cannot be written.
Error setInit(const std::string& jobPath, std::string_view status);

}  // namespace varno::converter
