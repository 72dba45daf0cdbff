#pragma once
// The order of the window's work when drops, captures, re-samplings, conversions and a player
// overlap: events in, actions out. The window feeds what happened and carries out what comes
// back, in order; it keeps no flags of its own.
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "pipeline/job.h"
#include "pipeline/resample.h"

namespace varno::pipeline {

using ProcessId = std::int64_t;  // 0 names no process

// The controls whose enabled state the sequence decides.
enum class Control { Text1, Combo1, Frame1, HScroll1, OpenOriginal, OpenResampled };

// Why a dropped file was refused: pelkin said why (or ended without a word), pelkin could
// not be started, or the path cannot go into a job file.
enum class RefusalCause { Converter, NotStarted, LineEnd };

// Timer1 polls pelkin, Timer2 polls trosk, Timer3 looks for the player's window, Timer4
// watches it.
enum class Timer { Capture, Conversion, PlayerLook, PlayerWatch };

// The texts of the message line that the sequence sets.
namespace text {
inline constexpr const char* kCaptured = "オリジナルの音を取り込みました。";
inline constexpr const char* kRefused =
    "ドロップされたファイルフォーマットには対応していません。\r\n"
    "別の Wave ファイルを、上の白のボックス内にドロップしてください。";
inline constexpr const char* kOriginalUnreadable =
    "取り込んだ音のデータ（Data/Org_txt.txt）を読めませんでした。\r\n"
    "別の Wave ファイルを、上の白のボックス内にドロップしてください。";
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
// The first file of a drop, as the bytes of its path.
struct Drop { std::string path; };
// pelkin was given its job and started (0: it could not be).
struct CaptureStarted { ProcessId process; };
// A Timer1 tick: the job's status, and whether pelkin had ended before it was read.
struct CaptureTick { JobStatus status; bool ended; };
// The captured sample text could not be read back for the graph.
struct CaptureUnreadable {};
// A rate or method was chosen; `playerOpen` is the player guard's answer.
struct Choose { int index; Method method; bool fromList; bool playerOpen; };
struct ResampleEnded { ResampleError error; };
// trosk was given its job and started (0: it could not be).
struct ConversionStarted { ProcessId process; };
struct ConversionTick { JobStatus status; bool ended; };
// A player process of ours was launched on a sound.
struct PlayerStarted { ProcessId process; };
// The desktop took the sound without a process of ours (a player it runs itself).
struct PlayerHanded {};
// A Timer3 or Timer4 tick: whether the player process still runs, if not whether it failed,
// and whether a window of the player is known now.
struct PlayerLook { bool running; bool failed; bool shown; };
struct PlayerWatch { bool running; bool failed; bool shown; };
}  // namespace event
// clang-format on

using Event = std::variant<event::Drop, event::CaptureStarted, event::CaptureTick,
                           event::CaptureUnreadable, event::Choose, event::ResampleEnded,
                           event::ConversionStarted, event::ConversionTick, event::PlayerStarted,
                           event::PlayerHanded, event::PlayerLook, event::PlayerWatch>;

// clang-format off
namespace action {
struct SetMessage { std::string text; };       // Label7
struct SetSavedMessage { std::string text; };  // what the end of the player lock shows again
struct SaveMessage {};                         // the lock begins: keep Label7's text
struct RestoreMessage {};
struct Enable { Control control; bool enabled; };
struct SetSavedButton { Control control; bool enabled; };  // an open button's state after the lock
struct SaveButtons {};                                     // keep both open buttons' states
struct RestoreButtons {};
struct StartTimer { Timer timer; };
struct StopTimer { Timer timer; };
// Text1 shows the path, Label9 its size; the pictures are cleared and the old graph forgotten.
struct ShowDrop { std::string path; };
// Writes pelkin's job and starts it; answered by CaptureStarted.
struct StartCapture { std::string path; };
// Ends a converter that Varno started and no longer waits for.
struct EndProcess { ProcessId process; };
// A converter that reported its end: reaped once it exits.
struct ReleaseProcess { ProcessId process; };
struct ClearSelection {};    // Combo1 back to no selection
struct RemoveResampled {};   // Data/Chg_txt.txt belongs to the sound being replaced
// Comes just before the refusal lines: finds the reason they stand for (pelkin's own words
// when it ran), to be shown beside them.
struct ExplainRefusal { RefusalCause cause; ProcessId process; };
// The end of a capture, each answered by CaptureUnreadable when the sample text cannot be read.
struct ReadCaptions {};  // Label4 and Label5 from the sample text's first two lines
struct PrepareGraph {};  // full scale, count and captions
struct DrawCaptured {};  // the scroll bar to 0, the first 500 samples drawn, the bar's range
struct FillRates {};
// Re-samples with the choice; answered by ResampleEnded.
struct Resample { int index; Method method; };
// Writes trosk's job and starts it; answered by ConversionStarted.
struct StartConversion {};
struct ShowConvertedSize {};  // Label11
struct ShowConversionError {};
struct ShowDataInUse {};
struct ShowPlayerNotStarted {};
struct Redraw {};  // both graphs from the scroll bar's position
}  // namespace action
// clang-format on

using Action =
    std::variant<action::SetMessage, action::SetSavedMessage, action::SaveMessage,
                 action::RestoreMessage, action::Enable, action::SetSavedButton,
                 action::SaveButtons, action::RestoreButtons, action::StartTimer, action::StopTimer,
                 action::ShowDrop, action::StartCapture, action::EndProcess, action::ReleaseProcess,
                 action::ClearSelection, action::RemoveResampled, action::ExplainRefusal,
                 action::ReadCaptions, action::PrepareGraph, action::DrawCaptured,
                 action::FillRates, action::Resample, action::StartConversion,
                 action::ShowConvertedSize, action::ShowConversionError, action::ShowDataInUse,
                 action::ShowPlayerNotStarted, action::Redraw>;
using Actions = std::vector<Action>;

// True when a job file can carry the path on one line.
bool fitsJobLine(std::string_view path);

class Sequencer {
 public:
  // Carries the window from one event to the next. An action that is answered by an event
  // (StartCapture, StartConversion, Resample, and ReadCaptions or PrepareGraph when they
  // fail) ends what the window carries out of its list: the answer comes next.
  Actions handle(const Event& event);

  // Asked while re-sampling: false once a newer choice or a drop waits for the run to stop.
  bool keepResampling() const { return !restartWanted_ && !queuedDrop_; }

  ProcessId captureProcess() const { return pelkin_; }
  ProcessId conversionProcess() const { return trosk_; }
  // The player process of the lock, 0 when there is none.
  ProcessId playerProcess() const { return lock_ == Lock::Idle ? 0 : player_; }
  // A player that ends within this many ticks (3 seconds) of its start did not really open
  // the sound: it failed, or, when no window of it was seen, handed the sound to a player
  // that was already running.
  static constexpr int kPlayerEarlyTicks = 15;

 private:
  enum class Capture { None, Pending, Captured, Refused };
  enum class Work { Idle, Resampling, Converting };
  enum class Lock { Idle, Starting, Locked };

  Actions drop(const std::string& path);
  Actions captureStarted(ProcessId process, RefusalCause cause = RefusalCause::NotStarted);
  Actions captureTick(const event::CaptureTick& tick);
  Actions choose(const event::Choose& choice);
  Actions startResampling();
  Actions resampleEnded(ResampleError error);
  Actions conversionStarted(ProcessId process);
  Actions conversionTick(const event::ConversionTick& tick);
  Actions playerStarted(ProcessId process);
  Actions playerLook(const event::PlayerLook& tick);
  Actions playerWatch(const event::PlayerWatch& tick);
  // What a player that ended early means, said after the lock's own actions.
  void endedEarly(Actions& out, bool failed) const;

  // The same requests, sent where the player lock keeps them for its end.
  void message(Actions& out, std::string text) const;
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
  bool restartWanted_ = false;
  std::optional<std::string> queuedDrop_;
  ProcessId player_ = 0;
  int playerTicks_ = 0;
  bool playerShown_ = false;  // a window of the player has been seen since its start
};

}  // namespace varno::pipeline
