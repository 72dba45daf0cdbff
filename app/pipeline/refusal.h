#pragma once
// Why a dropped file was refused, in words a student can act on: pelkin's own message says
// which rule the file broke, and the start of the file says how (which chunk, which format).
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace varno::pipeline {

// Why a dropped file was refused: pelkin said why (or ended without a word), pelkin could
// not be started, or the path cannot go into a job file.
enum class RefusalCause { Converter, NotStarted, LineEnd };

// What a refusal is about: the dropped file, or pelkin's writing into the data folder (its
// output, Data/Org_txt.txt, or its job file), which no other file would mend.
enum class RefusalSubject { File, Output, Job };

struct Refusal {
  RefusalSubject subject = RefusalSubject::File;
  std::string reason;  // Japanese, for the refusal lines' tooltip; ends with what Varno reads
  // The file is there but not in the form pelkin reads, so the decoder may still read it.
  bool decodable = false;
};

// The refusal of a capture. `errors` is what pelkin wrote on standard error (empty when it
// was not run or said nothing); `head` the first bytes of the dropped file (empty when it is
// not a regular file or unreadable).
Refusal explainRefusal(RefusalCause cause, std::string_view errors, std::string_view head);

// Up to `limit` bytes from the start of a regular file; empty for anything else. Opened
// without blocking, so a named pipe without a writer cannot stop the window.
std::string readFileHead(const std::filesystem::path& path, std::size_t limit);

}  // namespace varno::pipeline
