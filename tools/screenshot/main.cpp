// Takes the README's pictures of the window: at start-up, after a capture, and with the
// re-sampled staircase. Usage: varno_screenshot OUTDIR (run under an X server).
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <numbers>

#include "desktop/desktop.h"
#include "window/fonts.h"
#include "window/form_varno.h"

using varno::window::formVarno;
namespace Module1 = varno::window::Module1;

namespace {

// A one-second 16-bit mono tone with an overtone, so the staircase has something to lose.
void writeTone(const QString& path) {
  const std::int32_t rate = 22050;
  QByteArray data;
  for (int i = 0; i < rate; ++i) {
    double t = static_cast<double>(i) / rate;
    double v = 0.6 * std::sin(2 * std::numbers::pi * 220 * t) + 0.25 * std::sin(2 * std::numbers::pi * 1650 * t);
    auto s = static_cast<std::int16_t>(std::lround(v * 30000));
    data.append(static_cast<char>(s & 0xFF)).append(static_cast<char>((s >> 8) & 0xFF));
  }
  auto le = [](QByteArray& b, std::uint32_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) b.append(static_cast<char>((v >> (8 * k)) & 0xFF));
  };
  QByteArray wav("RIFF");
  le(wav, 36 + data.size(), 4);
  wav.append("WAVEfmt ");
  le(wav, 16, 4); le(wav, 1, 2); le(wav, 1, 2); le(wav, rate, 4); le(wav, rate * 2, 4);
  le(wav, 2, 2); le(wav, 16, 2);
  wav.append("data");
  le(wav, data.size(), 4);
  wav.append(data);
  QFile f(path);
  f.open(QIODevice::WriteOnly);
  f.write(wav);
}

void drop(formVarno& form, const QString& path) {
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.Text1, &enter);
  QDropEvent dropEvent(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.Text1, &dropEvent);
}

bool waitFor(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 20000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  }
  return true;
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
  const QString tone = programDir.path() + "/tone.wav";
  writeTone(tone);

  auto desktop = varno::desktop::makeDesktop();
  formVarno form(*desktop, programDir.path());
  form.showMessage = [](Module1::MessageKind, const QString& text) {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
  };
  if (!save(form, out + "/startup.png")) return 1;

  drop(form, tone);
  if (!waitFor([&] { return form.Combo1->count() == 8; }) || !save(form, out + "/captured.png")) return 1;

  form.Combo1->setCurrentIndex(3);
  if (!waitFor([&] { return form.cmdOpen_Chg->isEnabled(); }) || !save(form, out + "/resampled.png")) return 1;
  return 0;
}
