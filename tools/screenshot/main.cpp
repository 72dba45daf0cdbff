// Takes the README's pictures of the window: at start-up, after a capture, and with the
// re-sampled staircase. Usage: varno_screenshot OUTDIR (run under an X server).
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "desktop/desktop.h"
#include "testkit/qt/events.h"
#include "testkit/qt/files.h"
#include "testkit/wave.h"
#include "window/fonts.h"
#include "window/form_varno.h"

using namespace varno::testkit;
using varno::window::formVarno;
namespace Module1 = varno::window::Module1;

namespace {

// How long a capture or a conversion may take on a loaded machine.
constexpr int kLimit = 20000;

// A one-second 16-bit mono tone with an overtone, so the staircase has something to lose.
std::string tone() {
  const std::uint32_t rate = 22050;
  std::vector<int> samples;
  for (std::uint32_t i = 0; i < rate; ++i) {
    const double t = static_cast<double>(i) / rate;
    const double v = 0.6 * std::sin(2 * std::numbers::pi * 220 * t) +
                     0.25 * std::sin(2 * std::numbers::pi * 1650 * t);
    samples.push_back(static_cast<int>(std::lround(v * 30000)));
  }
  return waveBytes({.rate = rate}, pcm16(samples));
}

bool save(formVarno& form, const QString& file) {
  QCoreApplication::processEvents();
  return form.grab().save(file);
}

}  // namespace

int main(int argc, char** argv) {
  varno::window::loadFontAliases();
  QApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage : varno_screenshot OUTDIR\n");
    return 2;
  }
  const QString out = QString::fromLocal8Bit(argv[1]);
  QTemporaryDir programDir;
  const QString bin = QCoreApplication::applicationDirPath();
  QFile::link(bin + "/pelkin", programDir.path() + "/pelkin");
  QFile::link(bin + "/trosk", programDir.path() + "/trosk");
  const QString tonePath = programDir.path() + "/tone.wav";
  if (!writeFile(tonePath, tone())) return 1;

  auto desktop = varno::desktop::makeDesktop();
  formVarno form(*desktop, programDir.path());
  form.showMessage = [](Module1::MessageKind, const QString& text) {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  };
  if (!save(form, out + "/startup.png")) return 1;

  dropFiles(form.Text1, {tonePath});
  if (!waitUntil([&] { return form.Combo1->count() == 8; }, kLimit) ||
      !save(form, out + "/captured.png"))
    return 1;

  form.Combo1->setCurrentIndex(3);
  if (!waitUntil([&] { return form.cmdOpen_Chg->isEnabled(); }, kLimit) ||
      !save(form, out + "/resampled.png"))
    return 1;
  return 0;
}
