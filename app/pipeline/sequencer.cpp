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

bool fitsJobLine(std::string_view path) {
  return path.find_first_of("\r\n") == std::string_view::npos;
}

Actions Sequencer::handle(const Event& event) {
  return std::visit(
      Overloaded{
          [this](const event::Drop& e) { return drop(e.path); },
          [this](const event::CaptureStarted& e) { return captureStarted(e.process); },
          [this](const event::CaptureTick& e) { return captureTick(e); },
          [this](const event::CaptureUnreadable&) {
            Actions out;
            capture_ = Capture::Refused;
            message(out, text::kOriginalUnreadable);
            return out;
          },
          [this](const event::Choose& e) { return choose(e); },
          [this](const event::ResampleEnded& e) { return resampleEnded(e.error); },
          [this](const event::ConversionStarted& e) { return conversionStarted(e.process); },
          [this](const event::ConversionTick& e) { return conversionTick(e); },
          [this](const event::PlayerStarted& e) { return playerStarted(e.process); },
          [this](const event::PlayerHanded&) {
            Actions out;
            message(out, text::kPlayerHanded);
            return out;
          },
          [this](const event::PlayerLook& e) { return playerLook(e); },
          [this](const event::PlayerWatch& e) { return playerWatch(e); },
      },
      event);
}

void Sequencer::message(Actions& out, std::string text) const {
  if (lock_ == Lock::Locked)
    out.push_back(action::SetSavedMessage{std::move(text)});
  else
    out.push_back(action::SetMessage{std::move(text)});
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
    append(out, captureStarted(0, RefusalCause::LineEnd));
    return out;
  }
  out.push_back(action::StartCapture{path});
  return out;
}

Actions Sequencer::captureStarted(ProcessId process, RefusalCause cause) {
  Actions out;
  pelkin_ = process;
  capture_ = process != 0 ? Capture::Pending : Capture::Refused;
  if (process != 0) out.push_back(action::StartTimer{Timer::Capture});
  out.push_back(action::ClearSelection{});
  enable(out, Control::Combo1, false);
  if (process != 0) {
    message(out, text::kCaptured);
  } else {
    out.push_back(action::ExplainRefusal{cause, 0});
    message(out, text::kRefused);
  }
  enable(out, Control::OpenResampled, false);
  enable(out, Control::OpenOriginal, true);
  out.push_back(action::RemoveResampled{});
  return out;
}

Actions Sequencer::captureTick(const event::CaptureTick& tick) {
  if (capture_ != Capture::Pending) return {};
  Actions out;
  if (tick.status == JobStatus::Unfinished && !tick.ended) {
    out.push_back(action::StartTimer{Timer::Capture});
    return out;
  }
  // A pelkin that ended without its last word has failed.
  if (tick.status != JobStatus::Close) {
    out.push_back(action::ExplainRefusal{RefusalCause::Converter, pelkin_});
    out.push_back(action::ReleaseProcess{pelkin_});
    pelkin_ = 0;
    capture_ = Capture::Refused;
    message(out, text::kRefused);
    return out;
  }
  out.push_back(action::ReleaseProcess{pelkin_});
  pelkin_ = 0;
  capture_ = Capture::Captured;
  out.push_back(action::ReadCaptions{});
  message(out, text::kPreparing);
  out.push_back(action::PrepareGraph{});
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

Actions Sequencer::conversionStarted(ProcessId process) {
  Actions out;
  if (process == 0) {
    out.push_back(action::ShowConversionError{});
  } else {
    work_ = Work::Converting;
    trosk_ = process;
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

Actions Sequencer::playerStarted(ProcessId process) {
  if (lock_ != Lock::Idle || process == 0) return {};
  lock_ = Lock::Starting;
  player_ = process;
  playerTicks_ = 0;
  playerShown_ = false;
  return {action::StartTimer{Timer::PlayerLook}, action::SaveButtons{},
          action::Enable{Control::OpenOriginal, false},
          action::Enable{Control::OpenResampled, false}};
}

void Sequencer::endedEarly(Actions& out, bool failed) const {
  if (failed)
    out.push_back(action::ShowPlayerNotStarted{});
  else if (!playerShown_)
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
  return {action::StartTimer{Timer::PlayerWatch},   action::Enable{Control::Text1, false},
          action::Enable{Control::Combo1, false},   action::Enable{Control::Frame1, false},
          action::Enable{Control::HScroll1, false}, action::SaveMessage{},
          action::SetMessage{text::kLocked}};
}

Actions Sequencer::playerWatch(const event::PlayerWatch& tick) {
  if (lock_ != Lock::Locked) return {};
  ++playerTicks_;
  playerShown_ = playerShown_ || tick.shown;
  if (tick.running) return {};
  lock_ = Lock::Idle;
  // The list stays closed while a capture is pending or after a refused one: it offers
  // rates of a sound that is no longer the dropped one.
  const bool listUsable = capture_ == Capture::Captured || capture_ == Capture::None;
  Actions out{action::StopTimer{Timer::PlayerWatch},
              action::Enable{Control::Combo1, listUsable},
              action::Enable{Control::Text1, true},
              action::Enable{Control::Frame1, true},
              action::RestoreButtons{},
              action::Enable{Control::HScroll1, true},
              action::RestoreMessage{}};
  if (playerTicks_ <= kPlayerEarlyTicks) endedEarly(out, tick.failed);
  return out;
}

}  // namespace varno::pipeline
