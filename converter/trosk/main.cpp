// trosk: converts the sample text named in a job file into a mono WAVE file.
#include "converter/job.h"
#include "converter/text_to_wave.h"

int main(int argc, char** argv) {
  using namespace varno::converter;
  return runConverter(
      argc, argv,
      {"trosk", "Converts sample text (rate, bits, samples) into a mono PCM WAVE file.",
       Error::TroskUsage, convertTextToWave});
}
