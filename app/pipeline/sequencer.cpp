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
          [this](const event::Drop& e) { return drop(e); },
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
          [this](const event::DecoderStarted& e) { return decoderStarted(e); },
          [this](const event::DecoderTick& e) { return decoderTick(e); },
          [this](const event::ConvertAnswered& e) { return convertAnswered(e); },
          [this](const event::ListenToError&) { return listenToError(); },
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
  convertingError_ = false;
}

void Sequencer::endDecoder(Actions& out) {
  if (decoding_ == Decoding::Probing || decoding_ == Decoding::Converting) {
    out.push_back(action::StopTimer{Timer::Decoding});
    out.push_back(action::EndProcess{decoder_});
  }
  decoder_ = 0;
  decoding_ = Decoding::Idle;
}

Actions Sequencer::drop(const event::Drop& drop) {
  const std::string& path = drop.path;
  const bool wave = hasWaveExtension(path);
  if (!wave && !drop.audioName) {
    if (!drop.named) return {};
    Actions out;
    message(out, text::kNotSound);
    return out;
  }
  // The run on the stack stops first; the drop follows when it has.
  if (work_ == Work::Resampling) {
    queuedDrop_ = drop;
    return {};
  }
  Actions out;
  endDecoder(out);
  // Another sound's name is no drop of a WAVE file: what is shown stays until the user
  // agrees to have it converted.
  if (!wave) {
    append(out, startProbe(path, false));
    return out;
  }
  decodedCapture_ = false;
  source_ = path;
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
  errorWritten_ = false;
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
  // A WAVE file pelkin cannot read may still be one the decoder can convert.
  if (refusal.subject == RefusalSubject::File && refusal.decodable && !decodedCapture_)
    append(out, startProbe(source_, true));
  return out;
}

Actions Sequencer::startProbe(const std::string& path, bool afterRefusal) {
  Actions out;
  decodingPath_ = path;
  probeAfterRefusal_ = afterRefusal;
  decoding_ = Decoding::Probing;
  // A line end in the path would split the job's lines.
  if (!fitsJobLine(path)) {
    decoding_ = Decoding::Idle;
    if (!afterRefusal) message(out, undecodableMessage({}));
    return out;
  }
  out.push_back(action::StartProbe{path});
  return out;
}

Actions Sequencer::decoderStarted(const event::DecoderStarted& started) {
  Actions out;
  decoder_ = started.process;
  if (started.process != 0) {
    decoderTicks_ = 0;
    out.push_back(action::StartTimer{Timer::Decoding});
    return out;
  }
  const bool converting = decoding_ == Decoding::Converting;
  decoding_ = Decoding::Idle;
  // After a refusal the refusal lines say enough; a conversion the user asked for must end
  // with a word.
  if (!started.jobWritten)
    message(out, text::kDecoderJobUnwritable);
  else if (converting || !probeAfterRefusal_)
    message(out, text::kDecoderNotStarted);
  if (converting) capture_ = Capture::Refused;
  return out;
}

Actions Sequencer::decoderTick(const event::DecoderTick& tick) {
  if (decoding_ != Decoding::Probing && decoding_ != Decoding::Converting) return {};
  ++decoderTicks_;
  // The question waits for a re-sampling on the stack to end.
  const bool waitForQuestion = decoding_ == Decoding::Probing && work_ == Work::Resampling;
  if ((tick.status == JobStatus::Unfinished && !tick.ended) || waitForQuestion) {
    Actions out;
    // A decoding of more than half a second shows how far it has come.
    if (decoding_ == Decoding::Converting && decoderTicks_ >= 3)
      message(out, decodingMessage(tick.report.progress));
    out.push_back(action::StartTimer{Timer::Decoding});
    return out;
  }
  Actions out{action::ReleaseProcess{decoder_}};
  decoder_ = 0;
  append(out, decoding_ == Decoding::Probing ? probeEnded(tick) : decodingEnded(tick));
  return out;
}

Actions Sequencer::probeEnded(const event::DecoderTick& tick) {
  Actions out;
  // A decoder that ended without its last word could not read the file.
  if (tick.status != JobStatus::Close) {
    decoding_ = Decoding::Idle;
    if (!probeAfterRefusal_) message(out, undecodableMessage(tick.head), tick.report.reason);
    return out;
  }
  decoding_ = Decoding::Asking;
  out.push_back(action::AskToConvert{++question_, conversionQuestion(tick.report, tick.head)});
  return out;
}

Actions Sequencer::convertAnswered(const event::ConvertAnswered& answer) {
  if (decoding_ != Decoding::Asking || answer.question != question_) return {};
  decoding_ = Decoding::Idle;
  if (!answer.accepted) return {};
  Actions out;
  endConverters(out);
  decoding_ = Decoding::Converting;
  decodedCapture_ = true;
  capture_ = Capture::Pending;
  source_ = decodingPath_;
  out.push_back(action::ShowDrop{decodingPath_});
  out.push_back(action::ClearSelection{});
  enable(out, Control::Combo1, false);
  enable(out, Control::HScroll1, false);
  message(out, text::kDecoding);
  enable(out, Control::OpenResampled, false);
  enable(out, Control::OpenOriginal, true);
  out.push_back(action::RemoveResampled{});
  errorWritten_ = false;
  out.push_back(action::StartDecoding{decodingPath_});
  return out;
}

Actions Sequencer::decodingEnded(const event::DecoderTick& tick) {
  decoding_ = Decoding::Idle;
  if (tick.status == JobStatus::Close) return {action::CaptureDecoded{}};
  Actions out;
  capture_ = Capture::Refused;
  const bool outputUnwritable =
      tick.report.reason.starts_with("can't ") && tick.report.reason.ends_with("Data/Org_wav.wav");
  if (outputUnwritable)
    message(out, text::kDecodedUnwritable);
  else
    message(out, text::kDecodeFailed, tick.report.reason);
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
  quantization_ = choice.quantization;
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
  errorWritten_ = false;
  convertingError_ = false;
  message(out, text::kResampling);
  // The re-sampled sound is about to be replaced; nobody should start listening to it now.
  enable(out, Control::OpenResampled, false);
  out.push_back(action::Resample{index_, method_, quantization_});
  return out;
}

Actions Sequencer::resampleEnded(ResampleError error) {
  work_ = Work::Idle;
  if (queuedDrop_) {
    const event::Drop queued = std::move(*queuedDrop_);
    queuedDrop_.reset();
    restartWanted_ = false;
    return drop(queued);
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
  errorWritten_ = quantization_.bits != 0;
  message(out, text::kConverting);
  enable(out, Control::OpenResampled, false);
  out.push_back(action::StartConversion{});
  return out;
}

Actions Sequencer::conversionStarted(const event::ConversionStarted& started) {
  Actions out;
  const bool error = convertingError_;
  if (!started.jobWritten) {
    convertingError_ = false;
    message(out, text::kConversionJobUnwritable);
  } else if (started.process == 0) {
    convertingError_ = false;
    out.push_back(action::ShowConversionError{});
  } else {
    work_ = Work::Converting;
    trosk_ = started.process;
    out.push_back(action::StartTimer{Timer::Conversion});
  }
  // The graphs show the re-sampled text; the error's conversion changes nothing of them.
  if (!error) out.push_back(action::Redraw{});
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
  const bool error = std::exchange(convertingError_, false);
  // A trosk that ended without its last word has failed.
  if (tick.status != JobStatus::Close) {
    out.push_back(action::ShowConversionError{});
    return out;
  }
  if (error) {
    out.push_back(action::OpenError{});
    return out;
  }
  message(out, text::kConverted);
  enable(out, Control::OpenResampled, true);
  out.push_back(action::ShowConvertedSize{});
  return out;
}

Actions Sequencer::listenToError() {
  // Only the finished run's own error, and never while the player lock holds the data.
  if (!errorWritten_ || work_ != Work::Idle || lock_ != Lock::Idle || capture_ != Capture::Captured)
    return {};
  convertingError_ = true;
  return {action::StartErrorConversion{}};
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
