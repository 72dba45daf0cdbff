#pragma once
// Every way a converter run can fail, and the one line it writes on standard error.
#include <cstdint>
#include <string>
#include <string_view>

namespace varno::converter {

enum class Error {
  None,
  PelkinUsage,
  TroskUsage,
  DecoderUsage,
  JobNotFound,
  JobNotWritten,
  InRunMode,
  JobLineTooLong,
  InputNotFound,
  InputNotRead,
  NotWave,
  IllegalFormat,
  NotLinearPcm,
  BadBits,
  NoChannels,
  BadRate,
  OutputNotOpened,
  OutputNotWritten,
  // Not a failure: the conversion goes on and ends with "close".
  ShortData,
  RateLine,
  BitsLine,
  LineTooLong,
  NotWholeNumber,
  OutOf8BitRange,
  OutOf16BitRange,
  TooManySamples,
  NotDecodable,
  OutputTooLong,
};

// Which path a message names.
enum class Subject { None, Job, Input, Output };

Subject subjectOf(Error error);

// The message of `error`, "%s" replaced by `path` and "%d" by `line`, ending with "\n".
std::string errorMessage(Error error, std::string_view path, std::uint64_t line = 0);

// What a conversion ended with; `line` is the line the error concerns (text input only),
// `reason` the decoding library's own words on a failure, for a converter's report.
struct Outcome {
  Error error = Error::None;
  std::uint64_t line = 0;
  bool shortData = false;
  std::string reason;
};

}  // namespace varno::converter
