#pragma once
// The order of the window's work when drops, captures, re-samplings, conversions and a player
// overlap: events in, actions out. The window feeds what happened and carries out what comes
// back, in order; it keeps no flags of its own.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "common/player_launch.h"
#include "pipeline/decoding.h"
#include "pipeline/job.h"
#include "pipeline/quantize.h"
#include "pipeline/refusal.h"
#include "pipeline/resample.h"

namespace varno::pipeline {

using ProcessId = std::int64_t;  // 0 names no process
using common::LaunchResult;

// The controls whose enabled state the sequence decides.
enum class Control { Text1, Combo1, Frame1, HScroll1, OpenOriginal, OpenResampled };

// Timer1 polls pelkin, Timer2 polls trosk, Timer3 looks for the player's window, Timer4
// watches it, Timer5 polls the decoder.
enum class Timer { Capture, Conversion, PlayerLook, PlayerWatch, Decoding };

// The texts of the message line that the sequence sets.
namespace text {
inline constexpr const char* kCaptured = "オリジナルの音を取り込みました。";
inline constexpr const char* kRefused =
    "ドロップされたファイルフォーマットには対応していません。\r\n"
    "別の Wave ファイルを、上の白のボックス内にドロップしてください。";
inline constexpr const char* kOriginalUnreadable =
    "取り込んだ音のデータ（Data/Org_txt.txt）を読めませんでした。\r\n"
    "別の Wave ファイルを、上の白のボックス内にドロップしてください。";
inline constexpr const char* kOriginalUnwritable =
    "取り込んだ音のデータ（Data/Org_txt.txt）を書き込めませんでした。\r\n"
    "Data フォルダに書き込めるか確かめてください。";
inline constexpr const char* kCaptureJobUnwritable =
    "変換の指示ファイル（pelkin.ini）を書き込めませんでした。\r\n"
    "作業用のフォルダに空きがあり、書き込めるか確かめてください。";
inline constexpr const char* kPreparing = "グラフ作成の前準備中です。";
inline constexpr const char* kDrawing = "グラフ作成中です。";
inline constexpr const char* kChooseRate =
    "オリジナルの音を取り込みました。\r\nサンプリング周波数を指定してください。";
inline constexpr const char* kResampling = "Wave データを圧縮中です。";
inline constexpr const char* kResampledUnwritable =
    "サンプリング後のデータ（Data/Chg_txt.txt）を書き込めませんでした。\r\n"
    "Data フォルダに書き込めるか確かめてください。";
inline constexpr const char* kConverting =
    "サンプリングを完了しました。\r\nサンプリングデータを Wave 化をしています。";
inline constexpr const char* kConversionJobUnwritable =
    "変換の指示ファイル（trosk.ini）を書き込めませんでした。\r\n"
    "作業用のフォルダに空きがあり、書き込めるか確かめてください。";
inline constexpr const char* kConverted = "サンプリングを終了しました。";
inline constexpr const char* kLocked =
    "再生用のソフトをクローズしないと、すべての選択は行えません。";
inline constexpr const char* kPlayerHanded =
    "再生用のソフトに音を渡しました。\r\n"
    "そのソフトはデスクトップが管理しているため、選択は制限されません。";
}  // namespace text

// One-line records, kept so: each reads as a row of what happens and what it carries.
// clang-format off
namespace event {
// The first file of a drop, as the bytes of its path; whether the desktop's type database
// takes its name for a sound's, and whether the user named it to be opened (on the command
// line or in a later start), so that a file Varno cannot open is not passed over in silence.
struct Drop { std::string path; bool audioName = false; bool named = false; };
// pelkin was given its job and started (0: it could not be, or its job not written).
struct CaptureStarted { ProcessId process; bool jobWritten = true; };
// A Timer1 tick: the job's status, and whether pelkin had ended before it was read.
struct CaptureTick { JobStatus status; bool ended; };
// What a refused capture is about, and the reason to show beside the refusal lines.
struct RefusalExplained { Refusal refusal; };
// The captured sample text could be read back for the captions, and for the graph.
struct CaptionsRead { bool readable; };
struct GraphPrepared { bool readable; };
// A rate, method or bit depth was chosen; `playerOpen` is the player guard's answer.
struct Choose { int index; Method method; bool fromList; bool playerOpen; Quantization quantization = {}; };
struct ResampleEnded { ResampleError error; };
// trosk was given its job and started (0: it could not be, or its job not written).
struct ConversionStarted { ProcessId process; bool jobWritten = true; };
struct ConversionTick { JobStatus status; bool ended; };
// The desktop's player was launched on a sound: the process of ours when Started.
struct PlayerLaunched { LaunchResult result; ProcessId process; };
// A Timer3 or Timer4 tick: whether the player process still runs, if not whether it failed,
// and whether a window of the player is known now.
struct PlayerLook { bool running; bool failed; bool shown; };
struct PlayerWatch { bool running; bool failed; bool shown; };
// The decoder was given its job and started (0: it could not be, or its job not written).
struct DecoderStarted { ProcessId process; bool jobWritten = true; };
// A Timer5 tick: the job's status and report, whether the decoder had ended before it was
// read, and, once it has finished, the first bytes of the file it read.
struct DecoderTick { JobStatus status; bool ended; DecoderReport report; std::string head; };
// The user's answer to the question whether to convert the file.
struct ConvertAnswered { int question; bool accepted; };
// The user asked to hear the quantization error of the last run.
struct ListenToError {};
}  // namespace event
// clang-format on

using Event =
    std::variant<event::Drop, event::CaptureStarted, event::CaptureTick, event::RefusalExplained,
                 event::CaptionsRead, event::GraphPrepared, event::Choose, event::ResampleEnded,
                 event::ConversionStarted, event::ConversionTick, event::PlayerLaunched,
                 event::PlayerLook, event::PlayerWatch, event::DecoderStarted, event::DecoderTick,
                 event::ConvertAnswered, event::ListenToError>;

// An action that names an Answer is answered by that event, which the window hands back at
// once; such an action is always the last of its list.
// clang-format off
namespace action {
struct SetMessage { std::string text; std::string tip; };  // Label7 and its tooltip
struct SetSavedMessage { std::string text; };  // what the end of the player lock shows again
struct SaveMessage {};                         // the lock begins: keep Label7's text
struct RestoreMessage { std::string tip; };
struct Enable { Control control; bool enabled; };
struct SetSavedButton { Control control; bool enabled; };  // an open button's state after the lock
struct SaveButtons {};                                     // keep both open buttons' states
struct RestoreButtons {};
struct StartTimer { Timer timer; };
struct StopTimer { Timer timer; };
// Text1 shows the path, Label9 its size; the pictures are cleared and the old graph forgotten.
struct ShowDrop { std::string path; };
// Writes pelkin's job and starts it.
struct StartCapture { std::string path; using Answer = event::CaptureStarted; };
// Ends a converter that Varno started and no longer waits for.
struct EndProcess { ProcessId process; };
// A converter that reported its end: reaped once it exits.
struct ReleaseProcess { ProcessId process; };
struct ClearSelection {};    // Combo1 back to no selection
struct RemoveResampled {};   // Data/Chg_txt.txt belongs to the sound being replaced
// Finds what a refused capture is about (pelkin's own words when it ran).
struct ExplainRefusal {
  RefusalCause cause; ProcessId process; using Answer = event::RefusalExplained;
};
// Label4 and Label5 from the sample text's first two lines.
struct ReadCaptions { using Answer = event::CaptionsRead; };
// Full scale, count and captions, from one pass over the sample text.
struct PrepareGraph { using Answer = event::GraphPrepared; };
struct DrawCaptured {};  // the scroll bar to 0, the first 500 samples drawn, the bar's range
struct FillRates {};
struct Resample {
  int index; Method method; Quantization quantization = {}; using Answer = event::ResampleEnded;
};
// Writes trosk's job and starts it.
struct StartConversion { using Answer = event::ConversionStarted; };
struct ShowConvertedSize {};  // Label11
struct ShowConversionError {};
struct ShowDataInUse {};
struct ShowPlayerNotStarted {};
struct Redraw {};  // both graphs from the scroll bar's position
// Writes the decoder's job to describe the file only (a probe), and starts it.
struct StartProbe { std::string path; using Answer = event::DecoderStarted; };
// Asks whether to convert the file; `question` tells a late answer from the one awaited.
struct AskToConvert { int question; std::string text; using Answer = event::ConvertAnswered; };
// Writes the decoder's job to convert the file into Data/Org_wav.wav, and starts it.
struct StartDecoding { std::string path; using Answer = event::DecoderStarted; };
// Writes pelkin's job on Data/Org_wav.wav and starts it.
struct CaptureDecoded { using Answer = event::CaptureStarted; };
// Writes trosk's job on the error text (Data/Err_txt.txt into Data/Err_wav.wav), starts it.
struct StartErrorConversion { using Answer = event::ConversionStarted; };
// Starts the player on Data/Err_wav.wav, as an open button does.
struct OpenError {};
}  // namespace action
// clang-format on

using Action = std::variant<
    action::SetMessage, action::SetSavedMessage, action::SaveMessage, action::RestoreMessage,
    action::Enable, action::SetSavedButton, action::SaveButtons, action::RestoreButtons,
    action::StartTimer, action::StopTimer, action::ShowDrop, action::StartCapture,
    action::EndProcess, action::ReleaseProcess, action::ClearSelection, action::RemoveResampled,
    action::ExplainRefusal, action::ReadCaptions, action::PrepareGraph, action::DrawCaptured,
    action::FillRates, action::Resample, action::StartConversion, action::ShowConvertedSize,
    action::ShowConversionError, action::ShowDataInUse, action::ShowPlayerNotStarted,
    action::Redraw, action::StartProbe, action::AskToConvert, action::StartDecoding,
    action::CaptureDecoded, action::StartErrorConversion, action::OpenError>;
using Actions = std::vector<Action>;

template <class A>
concept Answered = requires {
  typename A::Answer;
};

// Whether an event answers the action.
bool answered(const Action& action);

// True when a job file can carry the path on one line.
bool fitsJobLine(std::string_view path);

class Sequencer {
 public:
  // Carries the window from one event to the next: the actions to carry out, in order.
  Actions handle(const Event& event);

  // Asked while re-sampling: false once a newer choice or a drop waits for the run to stop.
  bool keepResampling() const { return !restartWanted_ && !queuedDrop_; }

  ProcessId captureProcess() const { return pelkin_; }
  ProcessId decoderProcess() const { return decoder_; }
  // The file the decoder describes or converts.
  const std::string& decodingPath() const { return decodingPath_; }
  ProcessId conversionProcess() const { return trosk_; }
  // The player process of the lock, 0 when there is none.
  ProcessId playerProcess() const { return lock_ == Lock::Idle ? 0 : player_; }
  // A player that ends within this many ticks (3 seconds) of its start, before any window of
  // it was seen, did not really open the sound: it failed, or handed the sound to a player
  // that was already running.
  static constexpr int kPlayerEarlyTicks = 15;

 private:
  enum class Capture { None, Pending, Captured, Refused };
  enum class Work { Idle, Resampling, Converting };
  enum class Lock { Idle, Starting, Locked };

  // What the decoder is doing for the file in `decoding_`: describing it, waiting for the
  // user's answer, or converting it.
  enum class Decoding { Idle, Probing, Asking, Converting };

  Actions drop(const event::Drop& drop);
  Actions startProbe(const std::string& path, bool afterRefusal);
  Actions decoderStarted(const event::DecoderStarted& started);
  Actions decoderTick(const event::DecoderTick& tick);
  Actions probeEnded(const event::DecoderTick& tick);
  Actions decodingEnded(const event::DecoderTick& tick);
  Actions convertAnswered(const event::ConvertAnswered& answer);
  Actions listenToError();
  // Ends a decoder run that a newer drop replaces.
  void endDecoder(Actions& out);
  Actions captureStarted(const event::CaptureStarted& started,
                         RefusalCause cause = RefusalCause::NotStarted);
  Actions captureTick(const event::CaptureTick& tick);
  Actions refusalExplained(const Refusal& refusal);
  Actions captionsRead(bool readable);
  Actions graphPrepared(bool readable);
  Actions unreadable();
  Actions choose(const event::Choose& choice);
  Actions startResampling();
  Actions resampleEnded(ResampleError error);
  Actions conversionStarted(const event::ConversionStarted& started);
  Actions conversionTick(const event::ConversionTick& tick);
  Actions playerLaunched(const event::PlayerLaunched& launch);
  Actions playerLook(const event::PlayerLook& tick);
  Actions playerWatch(const event::PlayerWatch& tick);
  // What a player that ended early means, said after the lock's own actions.
  void endedEarly(Actions& out, bool failed);

  // The same requests, sent where the player lock keeps them for its end.
  void message(Actions& out, std::string text, std::string tip = {});
  void enable(Actions& out, Control control, bool enabled) const;
  // Ends the converters of the sound being replaced.
  void endConverters(Actions& out);

  Capture capture_ = Capture::None;
  Work work_ = Work::Idle;
  Lock lock_ = Lock::Idle;
  ProcessId pelkin_ = 0;
  ProcessId trosk_ = 0;
  int index_ = -1;
  Method method_ = Method::FirstSample;
  Quantization quantization_;
  // The last run was quantized and wrote its error text; trosk is converting that text.
  bool errorWritten_ = false;
  bool convertingError_ = false;
  bool restartWanted_ = false;
  std::optional<event::Drop> queuedDrop_;
  Decoding decoding_ = Decoding::Idle;
  ProcessId decoder_ = 0;
  std::string source_;  // the file of the last capture, as the user named it
  std::string decodingPath_;
  bool probeAfterRefusal_ = false;  // the file is a WAVE file that pelkin refused
  bool decodedCapture_ = false;     // the capture is of what the decoder wrote
  int decoderTicks_ = 0;
  int question_ = 0;
  ProcessId player_ = 0;
  int playerTicks_ = 0;
  bool playerShown_ = false;  // a window of the player has been seen since its start
  // The tooltips of the message line and of the one the player lock keeps for its end.
  std::string tip_;
  std::string savedTip_;
};

}  // namespace varno::pipeline
