// pelkin: converts the WAVE file named in a job file into sample text.
#include "converter/job.h"
#include "converter/wave_to_text.h"

int main(int argc, char** argv) {
  using namespace varno::converter;
  return runConverter(argc, argv,
                      {"pelkin", "Converts a PCM WAVE file into sample text (rate, bits, samples).",
                       Error::PelkinUsage, convertWaveToText});
}
