#pragma once
// Re-sampling of the original sample text into the re-sampled one.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "common/line_index.h"
#include "pipeline/quantize.h"

namespace varno::pipeline {

enum class Method { FirstSample, Average, LowPass };

// The re-sampled rate line: the leading number of the original's rate line divided by the
// factor, written exactly, without a leading blank (44100 / 128 -> "344.53125").
std::string resampledRateLine(std::string_view originalRateLine, int factor);

enum class ResampleError {
  None,
  OriginalUnreadable,  // the original sample text is missing or lacks its two header lines
  CannotWrite,         // the re-sampled file or the error text could not be written
  Cancelled,           // keepGoing answered false; the previous re-sampled file is untouched
};

struct ResampleResult {
  ResampleError error = ResampleError::None;
  std::int64_t samplesWritten = 0;
  common::LineIndex index;       // offsets of every 4096th sample line of the written file
  common::LineIndex errorIndex;  // the same of the error text, with quantization
  std::optional<double> snrDb;   // with quantization: Quantizer::snrDb over the whole sound
};

// Writes `resampled` from `original`: the rate line divided by `factor` (1..128, a power of
// two), the bits line unchanged, then one value per group of `factor` samples: the first
// line of each group unchanged (a partial last group still yields it), the group's mean
// rounded halves away from zero (a partial last group yields nothing), or the low-pass
// filtered value at the group's first sample (LowPassDecimator; factor 1 copies the lines).
// Streams with bounded memory into a file beside the target that replaces it only when
// complete; a factor below 1, or above 128 for the low-pass method, whose filter grows
// with the factor, is refused as CannotWrite before anything is written.
// `keepGoing` is called about every 16 ms of work so the caller can process events; when
// it returns false the run stops and reports Cancelled.
// With `quantization.bits` 1..16 every value written, a copied line read as its leading
// number, goes through a Quantizer (its dither started from kDitherSeed), and `errorText`
// gets the errors under the same header; both files replace their targets only when both
// are complete. Other bits, or no errorText for them, are refused as CannotWrite.
ResampleResult resample(const std::filesystem::path& original,
                        const std::filesystem::path& resampled, int factor, Method method,
                        const std::function<bool()>& keepGoing,
                        const Quantization& quantization = {},
                        const std::filesystem::path& errorText = {});

}  // namespace varno::pipeline
