#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>
#include <array>
#include <cmath>
#include <numbers>

#include "pipeline/resample.h"
#include "pipeline/test_signal.h"
#include "test_support.h"
#include "window/spectrum_window.h"

namespace {

// A signal that changes from sample to sample, so each method writes its own values.
std::vector<int> varied(int count) {
  std::vector<int> samples(count);
  for (int i = 0; i < count; ++i) samples[i] = (i * 37) % 2001 - 1000;
  return samples;
}

std::array<QRadioButton*, 3> options(const formVarno& f) {
  return {f.Option1, f.Option2, f.Option3};
}

// Which option button and which method item are checked, each -1 for none.
std::pair<int, int> checkedMethod(const formVarno& f) {
  std::pair<int, int> checked{-1, -1};
  for (int i = 0; i < 3; ++i) {
    if (options(f)[i]->isChecked()) checked.first = i;
    if (f.mnuMethod[i]->isChecked()) checked.second = i;
  }
  return checked;
}

}  // namespace

class MenuTests : public QObject {
  Q_OBJECT

 private slots:
  // Picture2's menu offers the methods in the options' order, and both show one method,
  // whichever way it was chosen.
  void methodsInStep() {
    Harness h;
    formVarno& f = *h.form;
    QCOMPARE(f.Picture2->actions().mid(0, 3),
             QList<QAction*>(f.mnuMethod.begin(), f.mnuMethod.end()));
    QCOMPARE(f.Picture1->actions().mid(0, 3),
             (QList<QAction*>{f.mnuSavePicture, f.mnuCopySamples, f.mnuSpectrum}));
    QCOMPARE(checkedMethod(f), std::make_pair(1, 1));
    f.mnuMethod[2]->trigger();
    QCOMPARE(checkedMethod(f), std::make_pair(2, 2));
    QCOMPARE(f.Combo1->toolTip(), QStringLiteral("サンプリングの方法：ローパスフィルタを使う"));
    f.Option1->setChecked(true);
    QCOMPARE(checkedMethod(f), std::make_pair(0, 0));
    f.mnuMethod[1]->trigger();
    QCOMPARE(checkedMethod(f), std::make_pair(1, 1));
  }

  // A method chosen in the menu re-samples exactly as its option button: the same file, and
  // one more conversion. Option1 averages, Option2 keeps the first sample, Option3 filters.
  void menuChoiceIsTheOptions_data() {
    QTest::addColumn<int>("method");
    QTest::newRow("average") << 0;
    QTest::newRow("first sample") << 1;
    QTest::newRow("low-pass") << 2;
  }
  void menuChoiceIsTheOptions() {
    QFETCH(int, method);
    const varno::pipeline::Method methods[] = {varno::pipeline::Method::Average,
                                               varno::pipeline::Method::FirstSample,
                                               varno::pipeline::Method::LowPass};
    QByteArray written[2];
    for (const bool fromMenu : {false, true}) {
      Harness h;
      formVarno& f = *h.form;
      captureByHand(h, "8000", "16", varied(3000));
      options(f)[(method + 1) % 3]->setChecked(true);  // no rate chosen yet: nothing runs
      f.Combo1->setCurrentIndex(2);
      const QByteArray before = readFile(f.Chg_Txt);
      if (fromMenu)
        f.mnuMethod[method]->trigger();
      else
        options(f)[method]->setChecked(true);
      QCOMPARE(troskStarts(h), std::size_t(2));
      written[fromMenu] = readFile(f.Chg_Txt);
      QVERIFY(written[fromMenu] != before);
      if (fromMenu) continue;
      const QString expected = h.dir.file("expected.txt");
      QCOMPARE(varno::pipeline::resample(QFile::encodeName(f.Org_Txt).toStdString(),
                                         QFile::encodeName(expected).toStdString(), 4,
                                         methods[method], [] { return true; })
                   .error,
               varno::pipeline::ResampleError::None);
      QCOMPARE(written[0], readFile(expected));
    }
    QCOMPARE(written[1], written[0]);
  }

  // A bit depth chosen in the menu re-samples after the rate and method, to the files the
  // pipeline writes for it; its error is converted and played when asked for. A depth an
  // 8-bit sound lacks falls back to the original's bits.
  void bitDepthFromTheMenu() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", varied(3000));
    f.Combo1->setCurrentIndex(2);
    f.mnuDither->trigger();  // nothing to dither at the original's bits
    QCOMPARE(troskStarts(h), std::size_t(1));
    QVERIFY(!QFile::exists(f.Err_Txt));
    QCOMPARE(f.mnuBitsDepth[5]->text(), QStringLiteral("4 ビット"));
    f.mnuBitsDepth[5]->trigger();
    QCOMPARE(troskStarts(h), std::size_t(2));
    const QString expected = h.dir.file("expected.txt"), error = h.dir.file("error.txt");
    const auto bytes = [](const QString& file) { return QFile::encodeName(file).toStdString(); };
    QCOMPARE(varno::pipeline::resample(
                 bytes(f.Org_Txt), bytes(expected), 4, varno::pipeline::Method::FirstSample,
                 [] { return true; }, {4, true}, bytes(error))
                 .error,
             varno::pipeline::ResampleError::None);
    QCOMPARE(readFile(f.Chg_Txt), readFile(expected));
    QCOMPARE(readFile(f.Err_Txt), readFile(error));
    QVERIFY(f.Combo1->toolTip().endsWith(QStringLiteral("、4 ビット、ディザ")));

    QVERIFY(!f.mnuListenToError->isEnabled());
    QByteArray job = readFile(f.Rev_Ini);
    QVERIFY(writeFile(f.Rev_Ini, job.left(job.size() - 2) + "close\r\n"));
    QTRY_VERIFY(f.mnuListenToError->isEnabled());
    h.desktop.launch = varno::desktop::LaunchResult::Handed;  // no lock to wait out after it
    f.mnuListenToError->trigger();
    QCOMPARE(troskStarts(h), std::size_t(3));
    job = readFile(f.Rev_Ini);
    QCOMPARE(job,
             QFile::encodeName(f.Err_Txt) + "\r\n" + QFile::encodeName(f.Err_Wav) + "\r\n\r\n");
    QVERIFY(writeFile(f.Rev_Ini, job.left(job.size() - 2) + "close\r\n"));
    QTRY_COMPARE(h.desktop.starts.back().args, std::vector<std::string>{bytes(f.Err_Wav)});

    f.mnuBitsDepth[1]->trigger();  // 12 bits
    captureByHand(h, "8000", "8", {128, 130, 126});
    QVERIFY(!f.mnuBitsDepth[1]->isVisible() && f.mnuBitsDepth[3]->isVisible());
    QVERIFY(f.mnuBitsDepth[0]->isChecked());
    QVERIFY(!QFile::exists(f.Err_Txt));
  }

  // A test signal made from Text1's menu is written to the data folder and captured as a
  // drop of it, with the real pelkin; a cancelled dialog writes nothing.
  void testSignalIsCaptured() {
    Harness h(true);
    formVarno& f = *h.form;
    QVERIFY(f.Text1->actions().contains(f.mnuTestSignal));
    QVERIFY(f.Picture2->actions().contains(f.mnuTestSignal));
    std::optional<varno::pipeline::SignalSettings> asked;
    int askedTimes = 0;
    f.askSignal = [&] {
      ++askedTimes;
      return asked;
    };
    // Its shortcut works where the focus is on Text1, a line edit with keys of its own.
    f.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&f));
    f.Text1->setFocus();
    QTest::keyClick(f.Text1, Qt::Key_N, Qt::ControlModifier);
    QCOMPARE(askedTimes, 1);
    QVERIFY(QDir(QFileInfo(f.Org_Txt).path()).entryList(QDir::Files).isEmpty());
    asked = varno::pipeline::SignalSettings{.waveform = varno::pipeline::Waveform::Sweep,
                                            .frequency = 100,
                                            .endFrequency = 7000,
                                            .rate = 8000,
                                            .seconds = 0.5};
    f.mnuTestSignal->trigger();
    const QString file = QFileInfo(f.Org_Txt).path() + QStringLiteral("/sweep_100-7000Hz.wav");
    QCOMPARE(readFile(file), QByteArray::fromStdString(varno::pipeline::signalWave(*asked)));
    QCOMPARE(f.Text1->text(), file);
    QTRY_VERIFY_WITH_TIMEOUT(f.Combo1->isEnabled(), kConverterTimeout);
    QCOMPARE(f.Label4->text(), QStringLiteral(" 8000"));
    QCOMPARE(f.Data_Count, 4000);
    f.cmdOpen_Org->click();
    QCOMPARE(h.desktop.starts.back().args, std::vector<std::string>{file.toStdString()});
  }

  // Both graphs with their captions, as on screen, in a PNG; a file that cannot be written
  // is said so and left out.
  void savePicture() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", varied(3000));
    f.Combo1->setCurrentIndex(2);
    QString suggested;
    QString target = h.dir.file("graphs.png");
    f.askSaveName = [&](const QString& offered) {
      suggested = offered;
      return target;
    };
    // The staircase's label stands in one of Picture2's corners, clear of the grid.
    const QImage lower = f.Picture2->image();
    auto inked = [&](QRect corner) {
      for (int y = corner.top(); y <= corner.bottom(); ++y)
        for (int x = corner.left(); x <= corner.right(); ++x)
          if (QColor(lower.pixel(x, y)).red() < 128) return true;
      return false;
    };
    QVERIFY(inked({2, 2, 95, 14}) || inked({404, 2, 95, 14}) || inked({2, 186, 95, 14}) ||
            inked({404, 186, 95, 14}));
    f.mnuSavePicture->trigger();
    QVERIFY(h.messages.empty());
    QCOMPARE(QFileInfo(suggested).fileName(), QStringLiteral("sound_2000Hz_先頭データを使う.png"));
    const QImage saved(target, "PNG");
    QVERIFY(!saved.isNull());
    QRect region = f.Picture1->geometry() | f.Picture2->geometry();
    for (const QLabel* caption : f.Label12) region |= caption->geometry();
    for (const QLabel* caption : f.Label13) region |= caption->geometry();
    // As on screen, under a title line: the captions' boxes may reach past the window's edge.
    const QSize graphs = (region & f.rect()).size() * f.devicePixelRatio();
    QCOMPARE(saved.width(), graphs.width());
    QVERIFY(saved.height() > graphs.height());
    QVERIFY(hasColour(saved, 0x0000FF));
    QVERIFY(hasColour(saved, 0xFF0000));

    target = h.dir.file("nowhere/graphs.png");
    f.mnuSavePicture->trigger();
    QCOMPARE(h.messages.size(), std::size_t(1));
    QVERIFY(h.messages[0].text.startsWith(QStringLiteral("画像を保存できませんでした。\r\n") +
                                          target + QStringLiteral("\r\n")));
    QVERIFY(!QFileInfo::exists(target));

    target.clear();  // the user cancelled
    f.mnuSavePicture->trigger();
    QCOMPARE(h.messages.size(), std::size_t(1));
  }

  // The samples in view and, under each, the red staircase's value in its column.
  void copySamples() {
    Harness h;
    formVarno& f = *h.form;
    QVERIFY(!f.mnuCopySamples->isEnabled());
    const std::vector<int> samples = varied(1050);
    captureByHand(h, "8000", "16", samples);
    QVERIFY(f.mnuCopySamples->isEnabled());
    auto row = [&](int i, int group) {
      const QString resampled = group < 0 ? QString() : QString::number(samples[4 * group]);
      return QStringLiteral("%1\t%2\t%3\t%4")
          .arg(i)
          .arg(QString::number(i / 8.0, 'g', 10))
          .arg(samples[i])
          .arg(resampled);
    };
    auto copied = [&] {
      f.mnuCopySamples->trigger();
      QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
      // What the values are of comes first.
      lines.removeFirst();
      return lines;
    };
    QStringList lines = copied();
    QCOMPARE(QGuiApplication::clipboard()->text().section(QLatin1Char('\n'), 0, 0),
             QStringLiteral("sound.wav、8000 Hz"));
    QCOMPARE(lines.size(), 502);
    QCOMPARE(lines[0], QStringLiteral("サンプル\t時間(ms)\tオリジナル\tサンプリング後"));
    QCOMPARE(lines[1], row(0, -1));  // nothing re-sampled yet
    QCOMPARE(lines[501], QString());

    f.Combo1->setCurrentIndex(2);  // factor 4, first sample of each group
    f.HScroll1->setValue(5);
    QCOMPARE(f.Start_Pos, 53);
    lines = copied();
    QCOMPARE(lines.size(), 502);
    // Group 13 starts at 52, left of the view, and is not drawn; group 14 starts at 56.
    QCOMPARE(lines[3], row(55, -1));
    QCOMPARE(lines[4], row(56, 14));
    QCOMPARE(lines[7], row(59, 14));
    QCOMPARE(lines[500], row(552, 138));

    f.HScroll1->setValue(60);  // the last 420 samples
    lines = copied();
    QCOMPARE(lines.size(), 1 + 420 + 1);
    QCOMPARE(lines[420], row(1049, 262));
  }

  // The spectrum window opens from the menu, beside the window, and follows the scroll bar and
  // each new re-sampling; its copy has a row per bin of the original.
  void spectrumFollows() {
    Harness h;
    formVarno& f = *h.form;
    std::vector<int> samples;
    for (int i = 0; i < 16000; ++i)
      samples.push_back(static_cast<int>(std::lround(
          16000 * std::sin(2 * std::numbers::pi * (i < 8000 ? 1000 : 3000) * i / 8000.0))));
    captureByHand(h, "8000", "16", samples);
    f.mnuSpectrum->trigger();
    QVERIFY(f.formSpectrum != nullptr && f.formSpectrum->isVisible());
    QVERIFY(!f.formSpectrum->isModal());
    auto peak = [&] { return f.formSpectrum->picSpectrum->spectrum().original.peak->frequency; };
    QVERIFY(std::abs(peak() - 1000) < 5);
    f.HScroll1->setValue(75);
    QVERIFY(std::abs(peak() - 3000) < 5);
    f.Combo1->setCurrentIndex(1);
    const varno::graph::Spectrum& shown = f.formSpectrum->picSpectrum->spectrum();
    QVERIFY(shown.resampled.has_value());
    QVERIFY(shown.folded && std::abs(shown.folded->frequency - 1000) < 10);
    f.formSpectrum->mnuCopySpectrum->trigger();
    const QStringList lines = QGuiApplication::clipboard()->text().split(QLatin1Char('\n'));
    QCOMPARE(lines[0], QStringLiteral("周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)"));
    QCOMPARE(lines.size(), 1 + 2049 + 1);
  }
};

int runMenuTests(int argc, char** argv) {
  MenuTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "menu_tests.moc"
