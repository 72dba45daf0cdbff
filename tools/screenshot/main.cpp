// Takes the README's pictures of the window: at start-up, after a capture, with the
// re-sampled staircase, the three methods side by side on a tone the lower rate cannot
// carry, a test sweep's spectrum and a test sine at 4 bits. Usage: varno_screenshot OUTDIR
// (run under an X server).
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <utility>
#include <vector>

#include "desktop/desktop.h"
#include "pipeline/test_signal.h"
#include "testkit/qt/events.h"
#include "testkit/qt/files.h"
#include "testkit/wave.h"
#include "window/fonts.h"
#include "window/form_varno.h"
#include "window/spectrum_window.h"

using namespace varno::testkit;
using varno::window::formVarno;
namespace Module1 = varno::window::Module1;

namespace {

// How long a capture or a conversion may take on a loaded machine.
constexpr int kLimit = 20000;

constexpr std::uint32_t kRate = 22050;

// One second of 16-bit mono sound: the sum of sines of the given amplitudes (of full scale)
// and frequencies.
std::string tone(const std::vector<std::pair<double, double>>& partials) {
  std::vector<int> samples;
  for (std::uint32_t i = 0; i < kRate; ++i) {
    const double t = static_cast<double>(i) / kRate;
    double v = 0;
    for (const auto& [amplitude, hertz] : partials)
      v += amplitude * std::sin(2 * std::numbers::pi * hertz * t);
    samples.push_back(static_cast<int>(std::lround(v * 30000)));
  }
  return waveBytes({.rate = kRate}, pcm16(samples));
}

bool save(formVarno& form, const QString& file) {
  QCoreApplication::processEvents();
  return form.grab().save(file);
}

// The panels one under the other, each under its caption.
QImage stacked(const std::vector<std::pair<QString, QPixmap>>& panels, const QFont& font,
               const QColor& background) {
  const int line = QFontMetrics(font).height() + 6;
  int width = 0;
  int height = 0;
  for (const auto& [caption, picture] : panels) {
    width = std::max(width, picture.width());
    height += line + picture.height();
  }
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(background);
  QPainter painter(&image);
  painter.setFont(font);
  int top = 0;
  for (const auto& [caption, picture] : panels) {
    painter.drawText(QRect(4, top, width - 4, line), Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter.drawPixmap(0, top + line, picture);
    top += line + picture.height();
  }
  return image;
}

// The tone of the methods' picture: just above the Nyquist limit of the rate at 1/8, where
// the first two methods fold it into a false wave the eye follows at once.
constexpr double kHighTone = 1.2 * kRate / 16;

// The tone re-sampled at 1/8 with each method in turn, the methods chosen in Picture2's menu.
bool saveMethods(formVarno& form, const QString& tonePath, const QString& file) {
  dropFiles(form.Text1, {tonePath});
  if (!waitUntil([&] { return form.Combo1->isEnabled(); }, kLimit)) return false;
  // The middle of the second, away from where the low-pass filter sets in.
  form.HScroll1->setValue(50);
  std::vector<std::pair<QString, QPixmap>> panels{
      {QStringLiteral("オリジナル：%1 Hz の音、22050 Hz").arg(std::lround(kHighTone)),
       form.Picture1->grab()}};
  auto take = [&](const QString& method) {
    if (!waitUntil([&] { return form.cmdOpen_Chg->isEnabled(); }, kLimit)) return false;
    panels.emplace_back(QStringLiteral("1/8（2756 Hz）、") + method, form.Picture2->grab());
    return true;
  };
  form.mnuMethod[1]->trigger();
  form.Combo1->setCurrentIndex(3);
  if (!take(QStringLiteral("先頭データを使う"))) return false;
  form.mnuMethod[0]->trigger();
  if (!take(QStringLiteral("平均値を使う"))) return false;
  form.mnuMethod[2]->trigger();
  if (!take(QStringLiteral("ローパスフィルタを使う"))) return false;
  return stacked(panels, form.font(), form.palette().color(QPalette::Window)).save(file);
}

// Makes a test signal as the dialog would answer, and waits until it is captured.
bool makeSignal(formVarno& form, const varno::pipeline::SignalSettings& settings) {
  form.askSignal = [settings] { return settings; };
  form.mnuTestSignal->trigger();
  return waitUntil([&] { return form.Combo1->isEnabled(); }, kLimit);
}

// The README's sweep, 100 Hz to 20 kHz over 5 s at 44100 Hz, at 1/4 (11025 Hz) where it
// passes 8000 Hz, well above the new limit of 5512.5 Hz: the spectrum window shows where it
// lands.
bool saveSpectrum(formVarno& form, const QString& file) {
  if (!makeSignal(
          form,
          {.waveform = varno::pipeline::Waveform::Sweep, .frequency = 100, .endFrequency = 20000}))
    return false;
  form.mnuMethod[1]->trigger();
  form.Combo1->setCurrentIndex(2);
  if (!waitUntil([&] { return form.cmdOpen_Chg->isEnabled(); }, kLimit)) return false;
  form.HScroll1->setValue(40);
  form.mnuSpectrum->trigger();
  form.formSpectrum->resize(720, 420);
  QCoreApplication::processEvents();
  return form.formSpectrum->grab().save(file);
}

// The README's 440 Hz sine at 0.9 of full scale (4 bits reach only +7 steps, so 1 would
// clip), at its own rate and 4 bits: the staircase of 16 levels under the original, and the
// spectrum with the error in grey and the SNR beside the theory.
bool saveQuantized(formVarno& form, const QString& file) {
  if (!makeSignal(form, {.frequency = 440, .amplitude = 0.9})) return false;
  form.mnuMethod[1]->trigger();
  form.mnuBitsDepth[5]->trigger();
  form.Combo1->setCurrentIndex(0);
  if (!waitUntil([&] { return form.cmdOpen_Chg->isEnabled(); }, kLimit)) return false;
  form.mnuSpectrum->trigger();
  form.formSpectrum->resize(720, 420);
  QCoreApplication::processEvents();
  const std::vector<std::pair<QString, QPixmap>> panels{
      {QStringLiteral("オリジナル：440 Hz の正弦波、44100 Hz、16 ビット"), form.Picture1->grab()},
      {QStringLiteral("1/1（44100 Hz）、先頭データを使う、4 ビット"), form.Picture2->grab()},
      {QStringLiteral("スペクトル：灰色が量子化誤差"), form.formSpectrum->grab()}};
  return stacked(panels, form.font(), form.palette().color(QPalette::Window)).save(file);
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
  // A tone with an overtone, so the staircase has something to lose.
  const QString tonePath = programDir.path() + "/tone.wav";
  const QString highPath = programDir.path() + "/high.wav";
  if (!writeFile(tonePath, tone({{0.6, 220}, {0.25, 1650}})) ||
      !writeFile(highPath, tone({{0.8, kHighTone}})))
    return 1;

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

  if (!saveMethods(form, highPath, out + "/methods.png")) return 1;
  if (!saveSpectrum(form, out + "/spectrum.png")) return 1;
  if (!saveQuantized(form, out + "/quantized.png")) return 1;
  return 0;
}
