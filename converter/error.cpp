#include "converter/error.h"

#include <array>
#include <cstddef>

namespace varno::converter {

namespace {

struct Message {
  Error error;
  Subject subject;
  const char* text;
};

// Indexed by Error; the first column lets the compiler check that the order matches.
constexpr std::array kMessages{
    Message{Error::None, Subject::None, ""},
    Message{Error::PelkinUsage, Subject::None, "usage : pelkin info.ini\n"},
    Message{Error::TroskUsage, Subject::None, "usage : trosk info.ini\n"},
    Message{Error::DecoderUsage, Subject::None, "usage : decoder decoder.ini\n"},
    Message{Error::JobNotFound, Subject::Job, "can't find %s\n"},
    Message{Error::JobNotWritten, Subject::Job, "can't write %s\n"},
    Message{Error::InRunMode, Subject::Job, "%s is in run mode\n"},
    Message{Error::JobLineTooLong, Subject::Job, "%s has a line that is too long\n"},
    Message{Error::InputNotFound, Subject::Input, "can't find %s\n"},
    Message{Error::InputNotRead, Subject::Input, "can't read %s\n"},
    Message{Error::NotWave, Subject::Input, "%s isn't WAVE format\n"},
    Message{Error::IllegalFormat, Subject::Input, "%s is an illegal format\n"},
    Message{Error::NotLinearPcm, Subject::Input, "%s isn't a linear PCM format\n"},
    Message{Error::BadBits, Subject::Input, "%s isn't 8 or 16 bits per sample\n"},
    Message{Error::NoChannels, Subject::Input, "%s has no channels\n"},
    Message{Error::BadRate, Subject::Input, "%s has an illegal sample rate\n"},
    Message{Error::OutputNotOpened, Subject::Output, "can't open %s\n"},
    Message{Error::OutputNotWritten, Subject::Output, "can't write %s\n"},
    Message{Error::ShortData, Subject::Input, "warning : %s is shorter than its data size\n"},
    Message{Error::RateLine, Subject::Input, "%s line %d isn't a positive sample rate\n"},
    Message{Error::BitsLine, Subject::Input, "%s line %d isn't 8 or 16 bits\n"},
    Message{Error::LineTooLong, Subject::Input, "%s line %d is too long\n"},
    Message{Error::NotWholeNumber, Subject::Input, "%s line %d isn't a whole number\n"},
    Message{Error::OutOf8BitRange, Subject::Input,
            "%s line %d is out of the 8 bit range 0 to 255\n"},
    Message{Error::OutOf16BitRange, Subject::Input,
            "%s line %d is out of the 16 bit range -32768 to 32767\n"},
    Message{Error::TooManySamples, Subject::Input,
            "%s line %d is more than a WAVE file can hold\n"},
    Message{Error::NotDecodable, Subject::Input, "can't decode %s\n"},
    Message{Error::OutputTooLong, Subject::Input, "%s is too long for a WAVE file\n"},
};

constexpr bool inEnumOrder() {
  for (std::size_t i = 0; i < kMessages.size(); ++i)
    if (static_cast<std::size_t>(kMessages[i].error) != i) return false;
  return true;
}
static_assert(inEnumOrder() && kMessages.back().error == Error::OutputTooLong);

const Message& messageOf(Error error) { return kMessages[static_cast<std::size_t>(error)]; }

}  // namespace

Subject subjectOf(Error error) { return messageOf(error).subject; }

std::string errorMessage(Error error, std::string_view path, std::uint64_t line) {
  const std::string_view text = messageOf(error).text;
  std::string out;
  out.reserve(text.size() + path.size() + 20);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 's') {
      out += path;
      ++i;
    } else if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == 'd') {
      out += std::to_string(line);
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace varno::converter
