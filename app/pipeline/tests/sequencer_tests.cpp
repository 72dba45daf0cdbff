// The sequencer's tables: each case feeds a sequence of events and compares what the last
// event asks for, written as short words so that a row reads as the window would act.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "pipeline/sequencer.h"

using namespace varno::pipeline;

namespace {

std::string controlName(Control c) {
  switch (c) {
    case Control::Text1: return "Text1";
    case Control::Combo1: return "Combo1";
    case Control::Frame1: return "Frame1";
    case Control::HScroll1: return "HScroll1";
    case Control::OpenOriginal: return "Org";
    case Control::OpenResampled: return "Chg";
  }
  return "?";
}

std::string messageName(const std::string& text) {
  // clang-format off
  static const std::map<std::string, std::string> names{
      {text::kCaptured, "captured"},      {text::kRefused, "refused"},
      {text::kOriginalUnreadable, "unreadable"}, {text::kPreparing, "preparing"},
      {text::kDrawing, "drawing"},        {text::kChooseRate, "choose"},
      {text::kResampling, "resampling"},  {text::kResampledUnwritable, "unwritable"},
      {text::kConverting, "converting"},  {text::kConverted, "converted"},
      {text::kLocked, "locked"},          {text::kPlayerHanded, "handed"},
      {text::kOriginalUnwritable, "Org unwritable"},
      {text::kCaptureJobUnwritable, "pelkin job unwritable"},
      {text::kConversionJobUnwritable, "trosk job unwritable"},
      {text::kDecoding, "decoding"},      {text::kDecodeFailed, "decode failed"},
      {text::kDecodedUnwritable, "Org_wav unwritable"}, {text::kNotSound, "not sound"},
      {text::kDecoderNotStarted, "decoder not started"}};
  // clang-format on
  const auto found = names.find(text);
  return found == names.end() ? text : found->second;
}

std::string word(const Action& action) {
  const char* timers[] = {"T1", "T2", "T3", "T4", "T5"};
  return std::visit(
      [&](const auto& a) -> std::string {
        using A = std::decay_t<decltype(a)>;
        const std::string tip = [&] {
          if constexpr (requires { a.tip; }) return a.tip.empty() ? "" : " +tip";
          return "";
        }();
        if constexpr (std::is_same_v<A, action::SetMessage>)
          return "msg " + messageName(a.text) + tip;
        if constexpr (std::is_same_v<A, action::SetSavedMessage>)
          return "saved msg " + messageName(a.text);
        if constexpr (std::is_same_v<A, action::SaveMessage>) return "save msg";
        if constexpr (std::is_same_v<A, action::RestoreMessage>) return "restore msg" + tip;
        if constexpr (std::is_same_v<A, action::Enable>)
          return controlName(a.control) + (a.enabled ? "+" : "-");
        if constexpr (std::is_same_v<A, action::SetSavedButton>)
          return "saved " + controlName(a.control) + (a.enabled ? "+" : "-");
        if constexpr (std::is_same_v<A, action::SaveButtons>) return "save buttons";
        if constexpr (std::is_same_v<A, action::RestoreButtons>) return "restore buttons";
        if constexpr (std::is_same_v<A, action::StartTimer>)
          return std::string("start ") + timers[int(a.timer)];
        if constexpr (std::is_same_v<A, action::StopTimer>)
          return std::string("stop ") + timers[int(a.timer)];
        if constexpr (std::is_same_v<A, action::ShowDrop>) return "show " + a.path;
        if constexpr (std::is_same_v<A, action::StartCapture>) return "pelkin " + a.path;
        if constexpr (std::is_same_v<A, action::EndProcess>)
          return "end " + std::to_string(a.process);
        if constexpr (std::is_same_v<A, action::ReleaseProcess>)
          return "release " + std::to_string(a.process);
        if constexpr (std::is_same_v<A, action::ClearSelection>) return "clear selection";
        if constexpr (std::is_same_v<A, action::RemoveResampled>) return "remove Chg_txt";
        if constexpr (std::is_same_v<A, action::ExplainRefusal>) {
          const char* causes[] = {"pelkin", "not started", "line end"};
          return std::string("why ") + causes[int(a.cause)] + " " + std::to_string(a.process);
        }
        if constexpr (std::is_same_v<A, action::ReadCaptions>) return "read captions";
        if constexpr (std::is_same_v<A, action::PrepareGraph>) return "prepare graph";
        if constexpr (std::is_same_v<A, action::DrawCaptured>) return "draw captured";
        if constexpr (std::is_same_v<A, action::FillRates>) return "fill rates";
        if constexpr (std::is_same_v<A, action::Resample>)
          return "resample " + std::to_string(a.index) +
                 (a.method == Method::Average ? " average" : " first") +
                 (a.quantization.bits ? " " + std::to_string(a.quantization.bits) + " bits" : "") +
                 (a.quantization.dither ? " dither" : "");
        if constexpr (std::is_same_v<A, action::StartConversion>) return "trosk";
        if constexpr (std::is_same_v<A, action::ShowConvertedSize>) return "converted size";
        if constexpr (std::is_same_v<A, action::ShowConversionError>) return "Error box";
        if constexpr (std::is_same_v<A, action::ShowDataInUse>) return "in use box";
        if constexpr (std::is_same_v<A, action::ShowPlayerNotStarted>) return "not started box";
        if constexpr (std::is_same_v<A, action::Redraw>) return "redraw";
        if constexpr (std::is_same_v<A, action::StartProbe>) return "probe " + a.path;
        if constexpr (std::is_same_v<A, action::AskToConvert>)
          return "ask " + std::to_string(a.question);
        if constexpr (std::is_same_v<A, action::StartDecoding>) return "decode " + a.path;
        if constexpr (std::is_same_v<A, action::CaptureDecoded>) return "pelkin Org_wav";
        if constexpr (std::is_same_v<A, action::StartErrorConversion>) return "trosk Err_txt";
        if constexpr (std::is_same_v<A, action::OpenError>) return "play Err_wav";
      },
      action);
}

std::vector<std::string> words(const Actions& actions) {
  std::vector<std::string> out;
  for (const Action& a : actions) out.push_back(word(a));
  return out;
}

// Events that come up often.
const Event kDropA = event::Drop{"/m/a.wav"};
const Event kDropB = event::Drop{"/m/b.wav"};
const Event kPelkin11 = event::CaptureStarted{11};
const Event kPelkin12 = event::CaptureStarted{12};
const Event kCaptureRuns = event::CaptureTick{JobStatus::Unfinished, false};
const Event kCaptureClosed = event::CaptureTick{JobStatus::Close, false};
const Event kTrosk21 = event::ConversionStarted{21};
const Event kConversionRuns = event::ConversionTick{JobStatus::Unfinished, false};
const Event kConversionClosed = event::ConversionTick{JobStatus::Close, false};
const Event kResampled = event::ResampleEnded{ResampleError::None};
const Event kCancelled = event::ResampleEnded{ResampleError::Cancelled};
const Event kPlayerStarted = event::PlayerLaunched{LaunchResult::Started, 31};
const Event kPlayerRuns = event::PlayerLook{true, false, false};
const Event kStillRuns = event::PlayerWatch{true, false, false};
const Event kPlayerGone = event::PlayerWatch{false, false, false};

Event choose(int index, Method method = Method::FirstSample) {
  return event::Choose{index, method, true, false};
}

const Event kCaptionsRead = event::CaptionsRead{true};
const Event kGraphPrepared = event::GraphPrepared{true};
const Event kFileRefused = event::RefusalExplained{{RefusalSubject::File, "why"}};
const Event kPelkinError = event::CaptureTick{JobStatus::Error, false};

// A capture of a.wav by pelkin 11 that closed and was drawn.
std::vector<Event> captured() {
  return {kDropA, kPelkin11, kCaptureRuns, kCaptureClosed, kCaptionsRead, kGraphPrepared};
}
// ... then rate 1 chosen, re-sampled, and trosk 21 converting.
std::vector<Event> converting() {
  std::vector<Event> e = captured();
  for (const Event& more : {choose(1), kResampled, kTrosk21}) e.push_back(more);
  return e;
}

const Event kDropSong = event::Drop{"/m/s.mp3", true};
const Event kDecoder41 = event::DecoderStarted{41};
const Event kDecoder42 = event::DecoderStarted{42};
const Event kDecoderRuns = event::DecoderTick{JobStatus::Unfinished, false, {.progress = 40}, {}};
const Event kDecoderClosed = event::DecoderTick{JobStatus::Close, false, {}, {}};
const Event kDecoderCrashed = event::DecoderTick{JobStatus::Unfinished, true, {}, {}};
const Event kAccepted = event::ConvertAnswered{1, true};
const Event kDecodable = event::RefusalExplained{{RefusalSubject::File, "why", true}};

// An MP3 dropped, described by decoder 41 and the question answered yes; decoder 42 converts.
std::vector<Event> decoding() {
  return {kDropSong, kDecoder41, kDecoderClosed, kAccepted, kDecoder42};
}

struct Row {
  const char* name;
  std::vector<Event> events;  // all but the last are fed first
  std::vector<std::string> last;
};

std::vector<Event> operator+(std::vector<Event> a, const std::vector<Event>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const std::vector<std::string> kCaptureStartedWords = {
    "start T1", "clear selection", "Combo1-", "msg captured", "Chg-", "Org+", "remove Chg_txt"};
const std::vector<std::string> kRefusedWords = {"clear selection", "Combo1-", "Chg-", "Org+",
                                                "remove Chg_txt"};
const std::vector<std::string> kLockEndWords = {
    "stop T4", "Combo1+", "Text1+", "Frame1+", "restore buttons", "HScroll1+", "restore msg"};

std::vector<std::string> operator+(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<Row> rows() {
  std::vector<Event> aWhile;
  for (int i = 0; i < Sequencer::kPlayerEarlyTicks; ++i) aWhile.push_back(kStillRuns);
  return {
      {"a drop hands the file to pelkin", {kDropA}, {"show /m/a.wav", "pelkin /m/a.wav"}},
      {"pelkin started", {kDropA, kPelkin11}, kCaptureStartedWords},
      {"a drop of another type is ignored", {event::Drop{"/m/a.wav.txt"}}, {}},
      {"pelkin that cannot start refuses the file",
       {kDropA, event::CaptureStarted{0}},
       kRefusedWords + std::vector<std::string>{"why not started 0"}},
      {"and the refusal lines carry the reason",
       {kDropA, event::CaptureStarted{0}, kFileRefused},
       {"msg refused +tip"}},
      {"a job that cannot be written is said so",
       {kDropA, event::CaptureStarted{0, false}},
       kRefusedWords + std::vector<std::string>{"msg pelkin job unwritable"}},
      {"the capture's close reads the captions",
       {kDropA, kPelkin11, kCaptureRuns, kCaptureClosed},
       {"release 11", "read captions"}},
      {"then prepares the graph",
       {kDropA, kPelkin11, kCaptureClosed, kCaptionsRead},
       {"msg preparing", "prepare graph"}},
      {"then draws and offers the rates",
       captured(),
       {"msg drawing", "draw captured", "msg choose", "Combo1+", "HScroll1+", "fill rates"}},
      {"pelkin's error", {kDropA, kPelkin11, kPelkinError}, {"why pelkin 11"}},
      {"is explained before pelkin is let go",
       {kDropA, kPelkin11, kPelkinError, kFileRefused},
       {"release 11", "msg refused +tip"}},
      {"pelkin that could not write the data folder",
       {kDropA, kPelkin11, kPelkinError, event::RefusalExplained{{RefusalSubject::Output, "o"}}},
       {"release 11", "msg Org unwritable"}},
      {"a captured text whose captions cannot be read back",
       {kDropA, kPelkin11, kCaptureClosed, event::CaptionsRead{false}},
       {"msg unreadable"}},
      {"a captured text that cannot be scanned",
       {kDropA, kPelkin11, kCaptureClosed, kCaptionsRead, event::GraphPrepared{false}},
       {"msg unreadable"}},
      // A converter that dies or hangs never blocks what comes next.
      {"pelkin that ended without a word has failed",
       {kDropA, kPelkin11, kCaptureRuns, event::CaptureTick{JobStatus::Unfinished, true}},
       {"why pelkin 11"}},
      {"after a dead pelkin the next drop starts at once",
       {kDropA, kPelkin11, event::CaptureTick{JobStatus::Unfinished, true}, kFileRefused, kDropB},
       {"show /m/b.wav", "pelkin /m/b.wav"}},
      {"a drop ends the pelkin still running",
       {kDropA, kPelkin11, kCaptureRuns, kDropB},
       {"stop T1", "end 11", "show /m/b.wav", "pelkin /m/b.wav"}},
      {"after a drop the ticks follow the new pelkin",
       {kDropA, kPelkin11, kDropB, kPelkin12, kPelkinError},
       {"why pelkin 12"}},
      {"trosk that ended without a word has failed",
       converting() +
           std::vector<Event>{kConversionRuns, event::ConversionTick{JobStatus::Unfinished, true}},
       {"release 21", "Error box"}},
      {"a choice ends the trosk still running and re-samples at once",
       converting() + std::vector<Event>{kConversionRuns, choose(3)},
       {"stop T2", "end 21", "msg resampling", "Chg-", "resample 3 first"}},
      {"a drop ends the trosk still running",
       converting() + std::vector<Event>{kDropB},
       {"stop T2", "end 21", "show /m/b.wav", "pelkin /m/b.wav"}},
      {"a conversion's late tick after a drop changes nothing",
       converting() + std::vector<Event>{kDropB, kPelkin12, kConversionClosed},
       {}},
      // A path that a job line cannot carry never reaches a job file.
      {"a path with a line feed is refused without a job",
       {event::Drop{"/m/x\ny.wav"}},
       std::vector<std::string>{"show /m/x\ny.wav"} + kRefusedWords +
           std::vector<std::string>{"why line end 0"}},
      {"a path with a carriage return ends the pending pelkin and is refused",
       {kDropA, kPelkin11, event::Drop{"/m/x\ry.wav"}},
       std::vector<std::string>{"stop T1", "end 11", "show /m/x\ry.wav"} + kRefusedWords +
           std::vector<std::string>{"why line end 0"}},
      // Re-sampling and conversion.
      {"a choice re-samples",
       captured() + std::vector<Event>{choose(2, Method::Average)},
       {"msg resampling", "Chg-", "resample 2 average"}},
      {"a re-sampled text goes to trosk",
       captured() + std::vector<Event>{choose(2), kResampled},
       {"msg converting", "Chg-", "trosk"}},
      {"trosk started", converting(), {"start T2", "redraw"}},
      {"trosk that cannot start",
       captured() + std::vector<Event>{choose(2), kResampled, event::ConversionStarted{0}},
       {"Error box", "redraw"}},
      {"trosk's job that cannot be written",
       captured() + std::vector<Event>{choose(2), kResampled, event::ConversionStarted{0, false}},
       {"msg trosk job unwritable", "redraw"}},
      {"trosk's close offers the sound",
       converting() + std::vector<Event>{kConversionRuns, kConversionClosed},
       {"release 21", "msg converted", "Chg+", "converted size"}},
      {"trosk's error",
       converting() + std::vector<Event>{event::ConversionTick{JobStatus::Error, false}},
       {"release 21", "Error box"}},
      {"an unwritable re-sampled text",
       captured() + std::vector<Event>{choose(2), event::ResampleEnded{ResampleError::CannotWrite}},
       {"msg unwritable", "redraw"}},
      {"no choice before a capture", {choose(1)}, {}},
      {"no choice while a capture is pending",
       captured() + std::vector<Event>{kDropB, kPelkin12, choose(1)},
       {}},
      {"a choice refused from the list while the player is open",
       captured() + std::vector<Event>{event::Choose{1, Method::FirstSample, true, true}},
       {"in use box", "clear selection"}},
      {"an option refused while the player is open",
       captured() + std::vector<Event>{event::Choose{1, Method::Average, false, true}},
       {"in use box"}},
      // A second pick during a re-sampling gives one run with the latest choice, not two.
      {"a pick while re-sampling waits for the run to stop",
       captured() + std::vector<Event>{choose(1), choose(3)},
       {}},
      {"the stopped run runs again with the latest pick",
       captured() +
           std::vector<Event>{choose(1), choose(3), choose(4, Method::Average), kCancelled},
       {"msg resampling", "Chg-", "resample 4 average"}},
      {"and converts once",
       captured() + std::vector<Event>{choose(1), choose(3), kCancelled, kResampled},
       {"msg converting", "Chg-", "trosk"}},
      {"a drop while re-sampling comes when the run has stopped",
       captured() + std::vector<Event>{choose(1), kDropB, choose(3), kCancelled},
       {"show /m/b.wav", "pelkin /m/b.wav"}},
      // The player lock.
      {"a player started",
       captured() + std::vector<Event>{kPlayerStarted},
       {"start T3", "save buttons", "Org-", "Chg-"}},
      {"the lock begins while the player runs",
       captured() + std::vector<Event>{kPlayerStarted, kPlayerRuns},
       {"start T4", "Text1-", "Combo1-", "Frame1-", "HScroll1-", "save msg", "msg locked"}},
      {"the lock ends when the player is gone",
       captured() + std::vector<Event>{kPlayerStarted, kPlayerRuns} + aWhile +
           std::vector<Event>{kPlayerGone},
       kLockEndWords},
      {"the lock ending during a capture keeps the list closed",
       std::vector<Event>{kDropA, kPelkin11, kPlayerStarted, kPlayerRuns} + aWhile +
           std::vector<Event>{kPlayerGone},
       {"stop T4", "Combo1-", "Text1+", "Frame1+", "restore buttons", "HScroll1+", "restore msg"}},
      // A player that ends at once never opened the sound itself.
      {"a player that failed at once",
       captured() + std::vector<Event>{kPlayerStarted, event::PlayerLook{false, true, false}},
       {"restore buttons", "not started box"}},
      {"a player that handed the sound on at once",
       captured() + std::vector<Event>{kPlayerStarted, event::PlayerLook{false, false, false}},
       {"restore buttons", "msg handed"}},
      {"a player that failed within seconds, no window of it seen",
       captured() + std::vector<Event>{kPlayerStarted, kPlayerRuns, kStillRuns,
                                       event::PlayerWatch{false, true, false}},
       kLockEndWords + std::vector<std::string>{"not started box"}},
      {"a player handed on within seconds",
       captured() + std::vector<Event>{kPlayerStarted, kPlayerRuns, kStillRuns, kPlayerGone},
       kLockEndWords + std::vector<std::string>{"msg handed"}},
      {"a player whose window was seen, closed within seconds",
       captured() + std::vector<Event>{kPlayerStarted, kPlayerRuns,
                                       event::PlayerWatch{true, false, true}, kStillRuns,
                                       kPlayerGone},
       kLockEndWords},
      // It did start: a crash or a non-zero exit is an end of the lock like any other.
      {"a player whose window was seen, crashed within seconds",
       captured() + std::vector<Event>{kPlayerStarted, kPlayerRuns,
                                       event::PlayerWatch{true, false, true},
                                       event::PlayerWatch{false, true, true}},
       kLockEndWords},
      {"the desktop took the sound without a process",
       captured() + std::vector<Event>{event::PlayerLaunched{LaunchResult::Handed, 0}},
       {"msg handed"}},
      {"the player could not be launched",
       captured() + std::vector<Event>{event::PlayerLaunched{LaunchResult::Failed, 0}},
       {"not started box"}},
      // What finishes during the lock is kept for its end instead of breaking it.
      {"trosk's close during the lock",
       converting() + std::vector<Event>{kPlayerStarted, kPlayerRuns, kConversionClosed},
       {"release 21", "saved msg converted", "saved Chg+", "converted size"}},
      {"a capture drawn during the lock",
       {kDropA, kPelkin11, kPlayerStarted, kPlayerRuns, kCaptureClosed, kCaptionsRead,
        kGraphPrepared},
       {"saved msg drawing", "draw captured", "saved msg choose", "fill rates"}},
      {"a refusal during the lock comes back with its reason",
       std::vector<Event>{kDropA, kPelkin11, kPlayerStarted, kPlayerRuns, kPelkinError,
                          kFileRefused} +
           aWhile + std::vector<Event>{kPlayerGone},
       {"stop T4", "Combo1-", "Text1+", "Frame1+", "restore buttons", "HScroll1+",
        "restore msg +tip"}},
      {"a re-sampling started before the lock ends during it",
       captured() + std::vector<Event>{choose(1), kPlayerStarted, kPlayerRuns, kResampled},
       {"saved msg converting", "saved Chg-", "trosk"}},
      {"a drop while the player starts clears the saved sound",
       converting() + std::vector<Event>{kConversionClosed, kPlayerStarted, kDropB, kPelkin12},
       {"start T1", "clear selection", "Combo1-", "msg captured", "saved Chg-", "saved Org+",
        "remove Chg_txt"}},
      {"a choice while the player starts clears the saved sound",
       converting() + std::vector<Event>{kConversionClosed, kPlayerStarted, choose(2)},
       {"msg resampling", "saved Chg-", "resample 2 first"}},
      {"another sound's drop is described first, and nothing shown changes",
       captured() + std::vector<Event>{kDropSong},
       {"probe /m/s.mp3"}},
      {"a text named to be opened is said to be no sound",
       {event::Drop{"/m/notes.txt", false, true}},
       {"msg not sound"}},
      {"the description asks the question",
       {kDropSong, kDecoder41, kDecoderRuns, kDecoderClosed},
       {"release 41", "ask 1"}},
      {"a yes replaces the sound and converts it",
       captured() + std::vector<Event>{kDropSong, kDecoder41, kDecoderClosed, kAccepted},
       {"show /m/s.mp3", "clear selection", "Combo1-", "HScroll1-", "msg decoding", "Chg-", "Org+",
        "remove Chg_txt", "decode /m/s.mp3"}},
      {"a no, or a late answer, changes nothing",
       {kDropSong, kDecoder41, kDecoderClosed, event::ConvertAnswered{1, false}, kAccepted},
       {}},
      {"a file nothing decodes is said so, with the decoder's reason",
       {kDropSong, kDecoder41, event::DecoderTick{JobStatus::Error, false, {.reason = "r"}, ""}},
       {"release 41", "msg " + undecodableMessage("") + " +tip"}},
      {"a long conversion shows its progress",
       decoding() + std::vector<Event>{kDecoderRuns, kDecoderRuns, kDecoderRuns},
       {"msg " + decodingMessage(40), "start T5"}},
      {"the converted file goes to pelkin",
       decoding() + std::vector<Event>{kDecoderRuns, kDecoderClosed},
       {"release 42", "pelkin Org_wav"}},
      {"a decoder that dies fails the conversion",
       decoding() + std::vector<Event>{kDecoderCrashed},
       {"release 42", "msg decode failed"}},
      {"a newer drop ends the conversion",
       decoding() + std::vector<Event>{kDropB},
       {"stop T5", "end 42", "show /m/b.wav", "pelkin /m/b.wav"}},
      {"a refused WAVE file is described after the refusal lines",
       {kDropA, kPelkin11, kPelkinError, kDecodable},
       {"release 11", "msg refused +tip", "probe /m/a.wav"}},
      {"and one nothing decodes keeps them",
       {kDropA, kPelkin11, kPelkinError, kDecodable, kDecoder41, kDecoderCrashed},
       {"release 41"}},
      {"what the decoder wrote is not described again when pelkin refuses it",
       decoding() + std::vector<Event>{kDecoderClosed, kPelkin12, kPelkinError, kDecodable},
       {"release 12", "msg refused +tip"}},
      {"a bit depth goes with the rate and method, and the last choice wins",
       captured() + std::vector<Event>{event::Choose{1, Method::Average, true, false, {4, true}},
                                       event::Choose{2, Method::FirstSample, false, false, {8}},
                                       kCancelled},
       {"msg resampling", "Chg-", "resample 2 first 8 bits"}},
      {"the error of a quantized run is converted when asked for, then played",
       captured() + std::vector<Event>{event::Choose{1, Method::FirstSample, true, false, {4}},
                                       kResampled, kTrosk21, kConversionClosed,
                                       event::ListenToError{}, event::ConversionStarted{22},
                                       kConversionClosed},
       {"release 22", "play Err_wav"}},
      {"its conversion changes nothing of the graphs",
       captured() + std::vector<Event>{event::Choose{1, Method::FirstSample, true, false, {4}},
                                       kResampled, kTrosk21, kConversionClosed,
                                       event::ListenToError{}, event::ConversionStarted{22}},
       {"start T2"}},
      {"a run of the original's bits has no error to hear",
       converting() + std::vector<Event>{kConversionClosed, event::ListenToError{}},
       {}},
      {"nor has one still converting",
       captured() + std::vector<Event>{event::Choose{1, Method::FirstSample, true, false, {4}},
                                       kResampled, kTrosk21, event::ListenToError{}},
       {}},
      {"ticks of a lock that is over change nothing",
       captured() +
           std::vector<Event>{kPlayerStarted, kPlayerRuns, kPlayerGone, kPlayerGone, kPlayerRuns},
       {}},
  };
}

}  // namespace

TEST(Sequencer, Table) {
  for (const Row& row : rows()) {
    Sequencer s;
    Actions last;
    for (const Event& e : row.events) last = s.handle(e);
    EXPECT_EQ(words(last), row.last) << row.name;
  }
}

// The window hands an answer back once the whole list is carried out: the action it answers
// must be the last, or the actions after it would run before the answer.
TEST(Sequencer, AnAnsweredActionComesLast) {
  for (const Row& row : rows()) {
    Sequencer s;
    for (const Event& e : row.events) {
      const Actions actions = s.handle(e);
      for (std::size_t i = 0; i + 1 < actions.size(); ++i)
        EXPECT_FALSE(answered(actions[i])) << row.name << ": " << word(actions[i]);
    }
  }
}

TEST(Sequencer, KeepsResamplingUntilSomethingNewerWaits) {
  Sequencer s;
  for (const Event& e : captured()) s.handle(e);
  s.handle(choose(1));
  EXPECT_TRUE(s.keepResampling());
  s.handle(choose(2));
  EXPECT_FALSE(s.keepResampling());
  s.handle(kCancelled);
  EXPECT_TRUE(s.keepResampling());
  s.handle(kDropB);
  EXPECT_FALSE(s.keepResampling());
}

TEST(Sequencer, KnowsTheProcessesItWaitsFor) {
  Sequencer s;
  for (const Event& e : converting()) s.handle(e);
  EXPECT_EQ(s.captureProcess(), 0);
  EXPECT_EQ(s.conversionProcess(), 21);
  s.handle(kDropB);
  s.handle(kPelkin12);
  EXPECT_EQ(s.captureProcess(), 12);
  EXPECT_EQ(s.conversionProcess(), 0);
  s.handle(kPlayerStarted);
  EXPECT_EQ(s.playerProcess(), 31);
  s.handle(kPlayerRuns);
  s.handle(kPlayerGone);
  EXPECT_EQ(s.playerProcess(), 0);
}
