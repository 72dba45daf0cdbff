#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include "graph/spectrum.h"
#include "pipeline/resample.h"
#include "test_support.h"
#include "window/spectrum_window.h"

using varno::window::SpectrumWindow;
namespace graph = varno::graph;

namespace {

// A tone at bin 666 of 44100 Hz, re-sampled at 1/4 with the first sample of each group: it
// lies above the new limit of 5512.5 Hz and folds to 3854 Hz; with `bits` its error text too.
graph::Spectrum foldedTone(const QTemporaryDir& dir, int bits = 0) {
  std::vector<int> tone(8192);
  for (std::size_t i = 0; i < tone.size(); ++i)
    tone[i] = static_cast<int>(std::lround(16000 * std::sin(2 * M_PI * 666 * i / 4096)));
  writeFile(dir.filePath("Org_txt.txt"), sampleText("44100", "16", tone));
  const graph::SampleFiles files{QFile::encodeName(dir.filePath("Org_txt.txt")).toStdString(),
                                 QFile::encodeName(dir.filePath("Chg_txt.txt")).toStdString(),
                                 QFile::encodeName(dir.filePath("Err_txt.txt")).toStdString()};
  const varno::pipeline::Quantization quantization{bits, false};
  const auto scan = graph::scanOriginal(files.original, true);
  const auto written = varno::pipeline::resample(
      files.original, files.resampled, 4, varno::pipeline::Method::FirstSample, [] { return true; },
      quantization, bits != 0 ? files.error : std::filesystem::path());
  const graph::Display display{
      .format = {44100, true},
      .originalLines = scan ? scan->index : varno::common::LineIndex{},
      .resampledLines = written.index,
      .errorLines = written.errorIndex,
      .staircase =
          graph::Staircase{4, varno::pipeline::Method::FirstSample, quantization, written.snrDb}};
  return graph::spectrumOf(display, files, 0);
}

QStringList texts(const QList<QAction*>& actions) {
  QStringList list;
  for (const QAction* action : actions) list << action->text();
  return list;
}

}  // namespace

class SpectrumWindowTests : public QObject {
  Q_OBJECT

 private slots:
  // A window of its own beside the main one: not modal, resizable, its menu reached with Alt.
  void aWindowOfItsOwn() {
    SpectrumWindow w;
    QCOMPARE(w.objectName(), QStringLiteral("formSpectrum"));
    QCOMPARE(w.windowTitle(), QStringLiteral("スペクトル"));
    QCOMPARE(w.accessibleName(), QStringLiteral("スペクトル"));
    QVERIFY(w.isWindow());
    QCOMPARE(w.windowModality(), Qt::NonModal);
    QVERIFY(w.minimumSize() != w.maximumSize());
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(!w.isModal());
    w.resize(900, 640);
    QTRY_COMPARE(w.size(), QSize(900, 640));

    QMenu* menu = w.findChild<QMenu*>(QStringLiteral("mnuSpectrum"));
    QVERIFY(menu);
    QCOMPARE(texts(menu->actions()),
             (QStringList{QStringLiteral("画像を保存…"), QStringLiteral("値をコピー"),
                          QStringLiteral("閉じる")}));
    QCOMPARE(w.picSpectrum->actions(), (QList<QAction*>{w.mnuSaveSpectrum, w.mnuCopySpectrum}));
    QCOMPARE(w.picSpectrum->contextMenuPolicy(), Qt::ActionsContextMenu);
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keyClick(&w, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Escape);
    QTRY_VERIFY(!menu->isVisible());
    QVERIFY(w.isVisible());
  }

  void closesFromTheKeyboard_data() {
    QTest::addColumn<QKeySequence>("keys");
    QTest::newRow("Escape") << QKeySequence(Qt::Key_Escape);
    QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W);
  }
  void closesFromTheKeyboard() {
    QFETCH(QKeySequence, keys);
    SpectrumWindow w;
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QTest::keySequence(&w, keys);
    QTRY_VERIFY(!w.isVisible());
  }

  // One row per bin of the original, the re-sampled column empty above its limit; both
  // traces drawn, the red one only while there is a staircase.
  void copiesAndDrawsTheSpectrum() {
    QTemporaryDir dir;
    const graph::Spectrum spectrum = foldedTone(dir);
    QVERIFY(spectrum.folded);
    SpectrumWindow w;
    w.setSpectrum(spectrum);
    w.mnuCopySpectrum->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 1 + 2049 + 1);
    QCOMPARE(lines[0], QStringLiteral("周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)"));
    QVERIFY(lines[513].startsWith(QStringLiteral("5512.5\t")));
    QVERIFY(!lines[513].endsWith(QLatin1Char('\t')));
    QVERIFY(lines[514].endsWith(QLatin1Char('\t')));
    QCOMPARE(lines[2050], QString());

    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QImage both = w.picSpectrum->grab().toImage();
    QVERIFY(hasColour(both, 0x0000FF));
    QVERIFY(hasColour(both, 0xFF0000));
    w.setSpectrum({.original = spectrum.original});
    const QImage alone = w.picSpectrum->grab().toImage();
    QVERIFY(hasColour(alone, 0x0000FF));
    QVERIFY(!hasColour(alone, 0xFF0000));
    QCOMPARE(w.picSpectrum->accessibleDescription(), QString());

    // With fewer bits the SNR reaches screen readers as it reaches the picture.
    w.setSpectrum(foldedTone(dir, 4));
    QVERIFY(w.picSpectrum->accessibleDescription().startsWith(QStringLiteral("SN 比 ")));
  }

  void savesThePlot() {
    QTemporaryDir dir;
    SpectrumWindow w;
    std::vector<Message> messages;
    w.showMessage = [&](Module1::MessageKind kind, const QString& text) {
      messages.push_back({kind, text});
    };
    QString target = dir.filePath("spectrum.png");
    QString suggested;
    w.askSaveName = [&](const QString& offered) {
      suggested = offered;
      return target;
    };
    w.setSpectrum(foldedTone(dir));
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    w.mnuSaveSpectrum->trigger();
    QVERIFY(suggested.endsWith(QStringLiteral("/varno-spectrum.png")));
    const QImage saved(target);
    QCOMPARE(saved.size(), w.picSpectrum->size() * w.devicePixelRatio());
    QVERIFY(hasColour(saved, 0xFF0000));
    QVERIFY(messages.empty());

    target = dir.filePath("nowhere/spectrum.png");
    w.mnuSaveSpectrum->trigger();
    QCOMPARE(messages.size(), std::size_t(1));
    QVERIFY(messages[0].text.startsWith(QStringLiteral("画像を保存できませんでした。\r\n") +
                                        target + QStringLiteral("\r\n")));
    QVERIFY(!QFileInfo::exists(target));

    target.clear();  // the user cancelled
    w.mnuSaveSpectrum->trigger();
    QCOMPARE(messages.size(), std::size_t(1));
  }
};

int runSpectrumWindowTests(int argc, char** argv) {
  SpectrumWindowTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "spectrum_window_tests.moc"
