#pragma once
// The words that say what the graphs show, on screen and on everything a student takes
// home from them: the staircase's label, the saved picture's title and name, the copy's
// first line.
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "graph/caption_layout.h"
#include "graph/display.h"

namespace varno::graph {

// "先頭データを使う", "平均値を使う" or "ローパスフィルタを使う".
std::string methodName(pipeline::Method method);

// What made the staircase, in the tooltip's words: "1/4（11025 Hz）、先頭データを使う", the
// rate as the rate list shows it, then any bit depth: "、4 ビット、ディザ".
std::string staircaseLabel(const Staircase& staircase, double rate);

// The sound's file name, its rate and, with a staircase, what made it:
// "tone.wav、44100 Hz、1/4（11025 Hz）、先頭データを使う".
std::string soundTitle(std::string_view fileName, double rate,
                       const std::optional<Staircase>& staircase);

// A picture's file name from the sound's name without its extension, the rate and the
// method: "tone_11025Hz_先頭データを使う.png", "tone_11025Hz_先頭データを使う_4bit.png" with
// fewer bits, "tone_44100Hz.png" without a staircase.
std::string pictureFileName(std::string_view soundStem, double rate,
                            const std::optional<Staircase>& staircase);

// Where the staircase's label of `width` by `height` user units goes in Picture2: the first
// corner (top left, top right, bottom left, bottom right) that no red stick of `lower`
// reaches into, else the first place along the top or bottom edge that none reaches into,
// else the place fewest reach into.
Box labelPlace(std::span<const Segment> lower, int width, int height);

}  // namespace varno::graph
