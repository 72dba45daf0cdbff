#include "pipeline/sequencer.h"

#include <utility>

#include "pipeline/capture.h"

namespace varno::pipeline {

namespace {

template <class... Ts>
struct Overloaded : Ts... {
  using Ts::operator()...;
};

void append(Actions& out, Actions more) {
  for (Action& a : more) out.push_back(std::move(a));
}

}  // namespace

bool answered(const Action& action) {
  return std::visit([](const auto& a) { return Answered<std::decay_t<decltype(a)>>; }, action);
}

bool fitsJobLine(std::string_view path) {
  return path.find_first_of("\r\n") == std::string_view::npos;
}

Actions Sequencer::handle(const Event& event) {
  return std::visit(
      Overloaded{
          [this](const event::Drop& e) { return drop(e.path); },
          [this](const event::CaptureStarted& e) { return captureStarted(e); },
          [this](const event::CaptureTick& e) { return captureTick(e); },
          [this](const event::RefusalExplained& e) { return refusalExplained(e.refusal); },
          [this](const event::CaptionsRead& e) { return captionsRead(e.readable); },
          [this](const event::GraphPrepared& e) { return graphPrepared(e.readable); },
          [this](const event::Choose& e) { return choose(e); },
          [this](const event::ResampleEnded& e) { return resampleEnded(e.error); },
          [this](const event::ConversionStarted& e) { return conversionStarted(e); },
          [this](const event::ConversionTick& e) { return conversionTick(e); },
          [this](const event::PlayerLaunched& e) { return playerLaunched(e); },
          [this](const event::PlayerLook& e) { return playerLook(e); },
          [this](const event::PlayerWatch& e) { return playerWatch(e); },
      },
      event);
}

void Sequencer::message(Actions& out, std::string text, std::string tip) {
  if (lock_ == Lock::Locked) {
    savedTip_ = std::move(tip);
    out.push_back(action::SetSavedMessage{std::move(text)});
    return;
  }
  tip_ = tip;
  out.push_back(action::SetMessage{std::move(text), std::move(tip)});
}

void Sequencer::enable(Actions& out, Control control, bool enabled) const {
  const bool openButton = control == Control::OpenOriginal || control == Control::OpenResampled;
  if (openButton && lock_ != Lock::Idle) {
    out.push_back(action::SetSavedButton{control, enabled});
    return;
  }
  // The lock keeps the choices closed; its end opens them again.
  if (!openButton && lock_ == Lock::Locked) return;
  out.push_back(action::Enable{control, enabled});
}

void Sequencer::endConverters(Actions& out) {
  if (capture_ == Capture::Pending && pelkin_ != 0) {
    out.push_back(action::StopTimer{Timer::Capture});
    out.push_back(action::EndProcess{pelkin_});
  }
  pelkin_ = 0;
  if (work_ == Work::Converting) {
    out.push_back(action::StopTimer{Timer::Conversion});
    out.push_back(action::EndProcess{trosk_});
    trosk_ = 0;
    work_ = Work::Idle;
  }
}

Actions Sequencer::drop(const std::string& path) {
  if (!hasWaveExtension(path)) return {};
  // The run on the stack stops first; the drop follows when it has.
  if (work_ == Work::Resampling) {
    queuedDrop_ = path;
    return {};
  }
  Actions out;
  endConverters(out);
  out.push_back(action::ShowDrop{path});
  // A line end in the path would split the job's lines: nothing is handed to pelkin.
  if (!fitsJobLine(path)) {
    append(out, captureStarted({0}, RefusalCause::LineEnd));
    return out;
  }
  out.push_back(action::StartCapture{path});
  return out;
}

Actions Sequencer::captureStarted(const event::CaptureStarted& started, RefusalCause cause) {
  Actions out;
  const bool pending = started.process != 0;
  pelkin_ = started.process;
  capture_ = pending ? Capture::Pending : Capture::Refused;
  if (pending) out.push_back(action::StartTimer{Timer::Capture});
  out.push_back(action::ClearSelection{});
  enable(out, Control::Combo1, false);
  if (pending) message(out, text::kCaptured);
  enable(out, Control::OpenResampled, false);
  enable(out, Control::OpenOriginal, true);
  out.push_back(action::RemoveResampled{});
  if (!started.jobWritten)
    message(out, text::kCaptureJobUnwritable);
  else if (!pending)
    out.push_back(action::ExplainRefusal{cause, 0});
  return out;
}

Actions Sequencer::captureTick(const event::CaptureTick& tick) {
  if (capture_ != Capture::Pending) return {};
  if (tick.status == JobStatus::Unfinished && !tick.ended)
    return {action::StartTimer{Timer::Capture}};
  // A pelkin that ended without its last word has failed; its words are read before it is let go.
  if (tick.status != JobStatus::Close) {
    capture_ = Capture::Refused;
    return {action::ExplainRefusal{RefusalCause::Converter, pelkin_}};
  }
  Actions out{action::ReleaseProcess{pelkin_}, action::ReadCaptions{}};
  pelkin_ = 0;
  capture_ = Capture::Captured;
  return out;
}

Actions Sequencer::refusalExplained(const Refusal& refusal) {
  if (capture_ != Capture::Refused) return {};
  Actions out;
  if (pelkin_ != 0) out.push_back(action::ReleaseProcess{pelkin_});
  pelkin_ = 0;
  switch (refusal.subject) {
    case RefusalSubject::Output: message(out, text::kOriginalUnwritable); break;
    case RefusalSubject::Job: message(out, text::kCaptureJobUnwritable); break;
    case RefusalSubject::File: message(out, text::kRefused, refusal.reason); break;
  }
  return out;
}

Actions Sequencer::unreadable() {
  Actions out;
  capture_ = Capture::Refused;
  message(out, text::kOriginalUnreadable);
  return out;
}

Actions Sequencer::captionsRead(bool readable) {
  if (capture_ != Capture::Captured) return {};
  if (!readable) return unreadable();
  Actions out;
  message(out, text::kPreparing);
  out.push_back(action::PrepareGraph{});
  return out;
}

Actions Sequencer::graphPrepared(bool readable) {
  if (capture_ != Capture::Captured) return {};
  if (!readable) return unreadable();
  Actions out;
  message(out, text::kDrawing);
  out.push_back(action::DrawCaptured{});
  message(out, text::kChooseRate);
  enable(out, Control::Combo1, true);
  enable(out, Control::HScroll1, true);
  out.push_back(action::FillRates{});
  return out;
}

Actions Sequencer::choose(const event::Choose& choice) {
  if (choice.index < 0 || capture_ != Capture::Captured) return {};
  Actions out;
  if (choice.playerOpen) {
    out.push_back(action::ShowDataInUse{});
    if (choice.fromList) out.push_back(action::ClearSelection{});
    return out;
  }
  index_ = choice.index;
  method_ = choice.method;
  // The run on the stack stops and runs again with this choice.
  if (work_ == Work::Resampling) {
    restartWanted_ = true;
    return {};
  }
  if (work_ == Work::Converting) {
    out.push_back(action::StopTimer{Timer::Conversion});
    out.push_back(action::EndProcess{trosk_});
    trosk_ = 0;
  }
  append(out, startResampling());
  return out;
}

Actions Sequencer::startResampling() {
  Actions out;
  work_ = Work::Resampling;
  restartWanted_ = false;
  message(out, text::kResampling);
  // The re-sampled sound is about to be replaced; nobody should start listening to it now.
  enable(out, Control::OpenResampled, false);
  out.push_back(action::Resample{index_, method_});
  return out;
}

Actions Sequencer::resampleEnded(ResampleError error) {
  work_ = Work::Idle;
  if (queuedDrop_) {
    const std::string path = std::move(*queuedDrop_);
    queuedDrop_.reset();
    restartWanted_ = false;
    return drop(path);
  }
  if (restartWanted_) return startResampling();
  Actions out;
  switch (error) {
    case ResampleError::Cancelled: return out;
    case ResampleError::OriginalUnreadable:
      message(out, text::kOriginalUnreadable);
      out.push_back(action::Redraw{});
      return out;
    case ResampleError::CannotWrite:
      message(out, text::kResampledUnwritable);
      out.push_back(action::Redraw{});
      return out;
    case ResampleError::None: break;
  }
  message(out, text::kConverting);
  enable(out, Control::OpenResampled, false);
  out.push_back(action::StartConversion{});
  return out;
}

Actions Sequencer::conversionStarted(const event::ConversionStarted& started) {
  Actions out;
  if (!started.jobWritten) {
    message(out, text::kConversionJobUnwritable);
  } else if (started.process == 0) {
    out.push_back(action::ShowConversionError{});
  } else {
    work_ = Work::Converting;
    trosk_ = started.process;
    out.push_back(action::StartTimer{Timer::Conversion});
  }
  out.push_back(action::Redraw{});
  return out;
}

Actions Sequencer::conversionTick(const event::ConversionTick& tick) {
  if (work_ != Work::Converting) return {};
  Actions out;
  if (tick.status == JobStatus::Unfinished && !tick.ended) {
    out.push_back(action::StartTimer{Timer::Conversion});
    return out;
  }
  out.push_back(action::ReleaseProcess{trosk_});
  trosk_ = 0;
  work_ = Work::Idle;
  // A trosk that ended without its last word has failed.
  if (tick.status != JobStatus::Close) {
    out.push_back(action::ShowConversionError{});
    return out;
  }
  message(out, text::kConverted);
  enable(out, Control::OpenResampled, true);
  out.push_back(action::ShowConvertedSize{});
  return out;
}

Actions Sequencer::playerLaunched(const event::PlayerLaunched& launch) {
  Actions out;
  switch (launch.result) {
    case LaunchResult::Failed: out.push_back(action::ShowPlayerNotStarted{}); return out;
    case LaunchResult::Handed: message(out, text::kPlayerHanded); return out;
    case LaunchResult::Started: break;
  }
  if (lock_ != Lock::Idle || launch.process == 0) return out;
  lock_ = Lock::Starting;
  player_ = launch.process;
  playerTicks_ = 0;
  playerShown_ = false;
  return {action::StartTimer{Timer::PlayerLook}, action::SaveButtons{},
          action::Enable{Control::OpenOriginal, false},
          action::Enable{Control::OpenResampled, false}};
}

void Sequencer::endedEarly(Actions& out, bool failed) {
  // A player whose window was seen did open the sound, however it ended.
  if (playerShown_) return;
  if (failed)
    out.push_back(action::ShowPlayerNotStarted{});
  else
    message(out, text::kPlayerHanded);
}

Actions Sequencer::playerLook(const event::PlayerLook& tick) {
  if (lock_ != Lock::Starting) return {};
  ++playerTicks_;
  playerShown_ = playerShown_ || tick.shown;
  if (!tick.running) {
    lock_ = Lock::Idle;
    Actions out{action::RestoreButtons{}};
    endedEarly(out, tick.failed);
    return out;
  }
  // The lock lasts as long as the player process, whether its window can be seen or not.
  lock_ = Lock::Locked;
  savedTip_ = std::exchange(tip_, {});
  return {action::StartTimer{Timer::PlayerWatch},   action::Enable{Control::Text1, false},
          action::Enable{Control::Combo1, false},   action::Enable{Control::Frame1, false},
          action::Enable{Control::HScroll1, false}, action::SaveMessage{},
          action::SetMessage{text::kLocked, {}}};
}

Actions Sequencer::playerWatch(const event::PlayerWatch& tick) {
  if (lock_ != Lock::Locked) return {};
  ++playerTicks_;
  playerShown_ = playerShown_ || tick.shown;
  if (tick.running) return {};
  lock_ = Lock::Idle;
  tip_ = savedTip_;
  // The list stays closed while a capture is pending or after a refused one: it offers
  // rates of a sound that is no longer the dropped one.
  const bool listUsable = capture_ == Capture::Captured || capture_ == Capture::None;
  Actions out{action::StopTimer{Timer::PlayerWatch},
              action::Enable{Control::Combo1, listUsable},
              action::Enable{Control::Text1, true},
              action::Enable{Control::Frame1, true},
              action::RestoreButtons{},
              action::Enable{Control::HScroll1, true},
              action::RestoreMessage{savedTip_}};
  if (playerTicks_ <= kPlayerEarlyTicks) endedEarly(out, tick.failed);
  return out;
}

}  // namespace varno::pipeline
