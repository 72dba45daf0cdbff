// decoder: decodes the sound file named in a job file into a plain PCM WAVE file.
#include "converter/job.h"
#include "converter/sound/decode.h"

int main(int argc, char** argv) {
  using namespace varno::converter;
  return runConverter(
      argc, argv,
      {"decoder",
       "Decodes any sound file libsndfile reads into a plain PCM WAVE file of 8 or 16 bits.\n"
       "An empty output path only describes the input. After the status the job file gets\n"
       "the decoder's report, key=value lines: format, encoding, channels, rate, frames,\n"
       "bits, progress and, on failure, reason.",
       Error::DecoderUsage, nullptr, varno::sound::decodeSound});
}
