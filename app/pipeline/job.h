#pragma once
// The window's side of the three-line job files shared with the converters.
#include <filesystem>
#include <string_view>

namespace varno::pipeline {

enum class JobStatus { Unfinished, Close, Error };

// Line 3 of a job file's text compared exactly with "close" and "error"; anything else,
// and a text of fewer than three lines (caught mid-rewrite), is Unfinished.
JobStatus parseJobStatus(std::string_view content);

// Reads a job file and parses it; an unreadable file is Unfinished.
JobStatus readJobStatus(const std::filesystem::path& jobFile);

// Replaces the job file with: input, CR LF, output, CR LF, CR LF. When its folder has no room
// or takes no new file, the job file is rewritten in place instead; false when neither works.
bool writeJob(const std::filesystem::path& jobFile, std::string_view input,
              std::string_view output);

}  // namespace varno::pipeline
