#pragma once
// Why a dropped file was refused, in words a student can act on: pelkin's own message says
// which rule the file broke, and the start of the file says how (which chunk, which format).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "pipeline/sequencer.h"

namespace varno::pipeline {

// The reason for the refusal lines, in Japanese, ending with what Varno reads. `errors` is
// what pelkin wrote on standard error (empty when it was not run or said nothing); `head`
// the first bytes of the dropped file (empty when it is not a regular file or unreadable).
std::string refusalReason(RefusalCause cause, std::string_view errors, std::string_view head);

// Up to `limit` bytes from the start of a regular file; empty for anything else. Opened
// without blocking, so a named pipe without a writer cannot stop the window.
std::string readFileHead(const std::filesystem::path& path, std::size_t limit);

}  // namespace varno::pipeline
