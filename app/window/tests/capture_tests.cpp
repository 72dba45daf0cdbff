#include <signal.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>
#include <limits>

#include "pipeline/capture.h"
#include "test_support.h"
#include "testkit/sound.h"

namespace {

const QString kCaptured = QStringLiteral("オリジナルの音を取り込みました。");
const QString kRefused = QStringLiteral(
    "ドロップされたファイルフォーマットには対応していません。\r\n別の Wave "
    "ファイルを、上の白のボックス内にドロップしてください。");
const QString kPrompt =
    QStringLiteral("Wave ファイルを、上の白のボックス内にドロップしてください。");

constexpr QRgb kWhite = 0xFFFFFF, kBlueRgb = 0x0000FF;
namespace text = varno::pipeline::text;

QRgb at(const PictureBox* picture, int column, int row) {
  return picture->image().pixel(column, row) & 0xFFFFFF;
}

// The rows a stick from the centre line to height y covers in the inner area (the bottom
// edge y = 200 falls just outside it).
std::pair<int, int> stickRows(double y) {
  return {std::min(rowOf(y), rowOf(100)), std::min(std::max(rowOf(y), rowOf(100)), 202)};
}

// Where `label` lays out its line of text, ink and descent included, in its parent's
// coordinates: QLabel keeps a framed label's text half an "x" from the edges it is aligned to.
std::pair<QRect, QRect> textPlace(const QLabel* label) {
  const QFontMetrics metrics(label->font());
  const int indent = label->frameWidth() > 0 ? metrics.horizontalAdvance(QLatin1Char('x')) / 2 : 0;
  const Qt::Alignment align = label->alignment();
  QRect area = label->contentsRect();
  if (align & Qt::AlignLeft) area.setLeft(area.left() + indent);
  if (align & Qt::AlignRight) area.setRight(area.right() - indent);
  if (align & Qt::AlignTop) area.setTop(area.top() + indent);
  const QRect line = metrics.boundingRect(area, align, label->text());
  const QRect ink = metrics.tightBoundingRect(label->text())
                        .translated(line.left(), line.top() + metrics.ascent());
  return {line.translated(label->pos()), ink.translated(label->pos())};
}

std::vector<int> ramp(int count, int scale) {
  std::vector<int> v(count);
  for (int i = 0; i < count; ++i) v[i] = (i % 200 - 100) * scale;
  return v;
}

}  // namespace

class CaptureTests : public QObject {
  Q_OBJECT

 private slots:
  // The whole capture with the real pelkin: a 16-bit 44100 Hz file made here.
  void captureWithPelkin() {
    Harness h(true);
    formVarno& f = *h.form;
    std::vector<int> samples = ramp(2000, 100);
    samples[7] = -12000;
    const QString wave = h.dir.file("録音 1.wav");
    QVERIFY(writeFile(wave, waveBytes({}, pcm16(samples))));
    dropFiles(f.Text1, {wave});

    QCOMPARE(f.Text1->text(), wave);
    QCOMPARE(f.Label9->text(), QStringLiteral("4 KB"));
    QCOMPARE(h.desktop.starts.size(), std::size_t(1));
    QCOMPARE(h.desktop.starts[0].program, (h.dir.path() + "/pelkin").toStdString());
    QCOMPARE(h.desktop.starts[0].args,
             std::vector<std::string>{(h.dir.path() + "/pelkin.ini").toStdString()});

    QTRY_COMPARE_WITH_TIMEOUT(f.Label4->text(), QStringLiteral(" 44100"), kConverterTimeout);
    QTRY_VERIFY(f.Combo1->isEnabled());
    QCOMPARE(f.Label5->text(), QStringLiteral(" 16"));
    QCOMPARE(f.Label7->text(),
             kCaptured + "\r\n" + QStringLiteral("サンプリング周波数を指定してください。"));
    QCOMPARE(f.Max_Amp, 12000);
    QCOMPARE(f.Data_Count, 2000);
    const QStringList amplitude{"+12000", "0", "-12000", "+12000", "0", "-12000"};
    for (int i = 0; i < 6; ++i) QCOMPARE(f.Label12[i]->text(), amplitude[i]);
    const QStringList time{"0",       "100",     "200",     "300",     "400",     "500",
                           "0.0msec", "2.3msec", "4.5msec", "6.8msec", "9.1msec", "11.3msec"};
    for (int i = 0; i < 12; ++i) QCOMPARE(f.Label13[i]->text(), time[i]);
    QCOMPARE(f.Combo1->count(), 8);
    QCOMPARE(f.Combo1->currentIndex(), -1);
    QCOMPARE(f.HScroll1->minimum(), 0);
    QCOMPARE(f.HScroll1->maximum(), 100);
    QCOMPARE(f.HScroll1->value(), 0);
    QVERIFY(f.HScroll1->isEnabled());
    QVERIFY(f.cmdOpen_Org->isEnabled());
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    QVERIFY(!f.Timer1->isActive());
    QCOMPARE(readFile(f.Conv_Ini),
             QFile::encodeName(wave) + "\r\n" + QFile::encodeName(f.Org_Txt) + "\r\nclose\r\n");
    // The blue stick of sample 7 reaches down to its height.
    const auto [top, bottom] = stickRows(100 - (-12000.0 * 100) / 12000);
    QCOMPARE(at(f.Picture1, 7, bottom), kBlueRgb);
    QCOMPARE(at(f.Picture1, 7, top - 1), kWhite);
  }

  // The refusal lines stay exactly two; pelkin's reason, in the window's words, is their tooltip.
  void refusedFormat_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    const std::string data = pcm16(ramp(100, 1));
    QTest::newRow("float") << QByteArray::fromStdString(waveBytes({.tag = 3}, data))
                           << QStringLiteral("浮動小数点（IEEE float）の Wave ファイルです。");
    QTest::newRow("LIST chunk") << QByteArray::fromStdString(
                                       waveBytes({.chunks = chunk("LIST", "INFO")}, data))
                                << QStringLiteral("「LIST」チャンクがあります");
  }

  void refusedFormat() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    Harness h(true);
    formVarno& f = *h.form;
    const QString wave = h.dir.file("refused.wav");
    QVERIFY(writeFile(wave, bytes));
    dropFiles(f.Text1, {wave});
    QTRY_COMPARE_WITH_TIMEOUT(f.Label7->text(), kRefused, kConverterTimeout);
    QVERIFY2(f.Label7->toolTip().contains(reason), qPrintable(f.Label7->toolTip()));
    QVERIFY(!f.Timer1->isActive());
    QVERIFY(!f.Combo1->isEnabled());
    QVERIFY(f.cmdOpen_Org->isEnabled());
    QCOMPARE(f.Label4->text(), QString());
    // The reason leaves with the lines it explains.
    QVERIFY(writeFile(wave, waveBytes({.rate = 8000, .bits = 8}, pcm8({128, 129}))));
    dropFiles(f.Text1, {wave});
    QTRY_COMPARE_WITH_TIMEOUT(f.Combo1->count(), 8, kConverterTimeout);
    QCOMPARE(f.Label7->toolTip(), QString());
  }

  // Another sound is asked about before anything changes; "キャンセル" writes nothing, and
  // "変換して取り込む" captures what the decoder made of it, shown and played as the user's file.
  void soundOfAnotherKind() {
    Harness h(true);
    formVarno& f = *h.form;
    const QString song = h.dir.file("歌.mp3");
    const SoundKind mp3{SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2};
    QVERIFY(writeSound(QFile::encodeName(song).toStdString(), mp3, 44100, sine(mp3, 440)));
    const QString words = h.dir.file("words.mp3");
    QVERIFY(writeFile(words, "not a sound\n"));

    dropFiles(f.Text1, {words});
    QTRY_VERIFY_WITH_TIMEOUT(f.Label7->text().startsWith(QStringLiteral("このファイルは文字だけ")),
                             kConverterTimeout);
    dropFiles(f.Text1, {song});
    QTRY_COMPARE_WITH_TIMEOUT(h.questions.size(), std::size_t(1), kConverterTimeout);
    QVERIFY2(h.questions[0].contains(QStringLiteral("MP3、2 チャンネル、44100 Hz")),
             qPrintable(h.questions[0]));
    QCOMPARE(f.Text1->text(), QString());
    QVERIFY(!QFile::exists(f.Org_Wav));
    QVERIFY(!QFile::exists(f.Org_Txt));
    QVERIFY(!QFile::exists(f.Conv_Ini));

    h.convert = true;
    dropFiles(f.Text1, {song});
    QTRY_COMPARE_WITH_TIMEOUT(f.Combo1->count(), 8, kConverterTimeout);
    QCOMPARE(f.Text1->text(), song);
    QCOMPARE(f.Label9->text(),
             QString::fromStdString(varno::pipeline::kilobytesText(QFileInfo(song).size())));
    QCOMPARE(f.Label4->text(), QStringLiteral(" 44100"));
    QCOMPARE(f.Label5->text(), QStringLiteral(" 16"));
    QVERIFY(readFile(f.Conv_Ini).startsWith(QFile::encodeName(f.Org_Wav) + "\r\n"));
    h.desktop.runStarts = false;
    f.cmdOpen_Org->click();
    QCOMPARE(h.desktop.starts.back().args, std::vector<std::string>{song.toStdString()});
  }

  // pelkin that cannot be started refuses the file at once instead of polling for ever.
  void pelkinMissing() {
    Harness h;
    h.desktop.startSucceeds = false;
    const QString wave = h.dir.file("a.wav");
    QVERIFY(writeFile(wave, waveBytes({.rate = 8000, .bits = 8}, pcm8({128, 129}))));
    dropFiles(h.form->Text1, {wave});
    QCOMPARE(h.form->Label7->text(), kRefused);
    QVERIFY(!h.form->Timer1->isActive());
    QVERIFY(!h.form->Combo1->isEnabled());
  }

  void ignoredDrops_data() {
    QTest::addColumn<QList<QUrl>>("urls");
    QTest::newRow("name ending in .wav.txt") << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.wav.txt")};
    QTest::newRow("no extension") << QList<QUrl>{QUrl::fromLocalFile("/tmp/wav")};
    QTest::newRow("dot in a folder only") << QList<QUrl>{QUrl::fromLocalFile("/tmp/x.wav/sound")};
    QTest::newRow("not a local file") << QList<QUrl>{QUrl("https://example.org/a.wav")};
    QTest::newRow("first file counts")
        << QList<QUrl>{QUrl::fromLocalFile("/tmp/a.txt"), QUrl::fromLocalFile("/tmp/b.wav")};
    QTest::newRow("no files") << QList<QUrl>{};
  }
  void ignoredDrops() {
    QFETCH(QList<QUrl>, urls);
    Harness h;
    dropUrls(h.form->Text1, urls);
    QCOMPARE(h.form->Text1->text(), QString());
    QCOMPARE(h.form->Label7->text(), kPrompt);
    QVERIFY(h.desktop.starts.empty());
    QVERIFY(!QFile::exists(h.form->Conv_Ini));
  }

  void capitalExtensionAccepted() {
    Harness h;
    const QString wave = h.dir.file("LOUD.WAV");
    QVERIFY(writeFile(wave, QByteArray(2048, 'x')));
    QVERIFY(writeFile(h.form->Chg_Txt, "22050\r\n16\r\n1\r\n"));
    dropFiles(h.form->Text1, {wave});
    QCOMPARE(h.form->Text1->text(), wave);
    QCOMPARE(h.form->Label9->text(), QStringLiteral("2 KB"));
    QCOMPARE(readFile(h.form->Conv_Ini),
             QFile::encodeName(wave) + "\r\n" + QFile::encodeName(h.form->Org_Txt) + "\r\n\r\n");
    QCOMPARE(h.form->Label7->text(), kCaptured);
    QVERIFY(h.form->Timer1->isActive());
    QVERIFY(!h.form->Combo1->isEnabled());
    QVERIFY(h.form->cmdOpen_Org->isEnabled());
    QVERIFY(!QFile::exists(h.form->Chg_Txt));
  }

  // A drop while a capture is pending ends that pelkin and captures the new file at once;
  // a pelkin that ended without a word refuses its file and holds nothing up.
  void dropWhilePending() {
    Harness h;
    formVarno& f = *h.form;
    const QString first = h.dir.file("first.wav"), second = h.dir.file("second.wav"),
                  third = h.dir.file("third.wav");
    for (const QString& p : {first, second, third}) QVERIFY(writeFile(p, "RIFF"));
    dropFiles(f.Text1, {first});
    dropFiles(f.Text1, {second});
    dropFiles(f.Text1, {third});
    QCOMPARE(h.desktop.starts.size(), std::size_t(3));
    QCOMPARE(h.desktop.killed, (std::vector<varno::desktop::ProcessId>{90001, 90002}));
    QCOMPARE(f.Text1->text(), third);
    QVERIFY(f.Timer1->isActive());
    QVERIFY(readFile(f.Conv_Ini).startsWith(QFile::encodeName(third) + "\r\n"));
    h.desktop.endedProcesses.insert(90003);
    QTRY_COMPARE(f.Label7->text(), kRefused);
    QVERIFY(!f.Timer1->isActive());
    dropFiles(f.Text1, {first});
    QCOMPARE(h.desktop.starts.size(), std::size_t(4));
    finishCaptureByHand(h, "8000", "8", {128, 130, 126});
    QTRY_VERIFY(f.Combo1->isEnabled());
    QCOMPARE(f.Text1->text(), first);
  }

  // A job file caught with fewer than three lines is not finished yet.
  void shortJobFileKeepsPolling() {
    Harness h;
    const QString wave = h.dir.file("a.wav");
    QVERIFY(writeFile(wave, "RIFF"));
    dropFiles(h.form->Text1, {wave});
    QVERIFY(writeFile(h.form->Conv_Ini, "a.wav\r\n"));
    QTest::qWait(500);
    QVERIFY(h.form->Timer1->isActive());
    QCOMPARE(h.form->Label7->text(), kCaptured);
  }

  // A pelkin that dies or hangs, a named pipe and a path no job line can carry: each is
  // refused or overtaken, and the next drop captures with the real pelkin. A name that is
  // not UTF-8 captures like any other.
  void faultyDropsNeverBlock() {
    Harness h(true);
    formVarno& f = *h.form;
    const QString wave = h.dir.file("tone.wav");
    QVERIFY(writeFile(wave, waveBytes({.rate = 8000}, pcm16({1, 2, 3}))));
    auto capturesAgain = [&] {
      QVERIFY(h.dir.useReal("pelkin"));
      dropFiles(f.Text1, {wave});
      QTRY_VERIFY_WITH_TIMEOUT(f.Combo1->isEnabled(), kConverterTimeout);
      QCOMPARE(f.Text1->text(), wave);
    };

    QVERIFY(h.dir.useStandIn("pelkin", "kill -9 $$"));
    dropFiles(f.Text1, {wave});
    QTRY_COMPARE_WITH_TIMEOUT(f.Label7->text(), kRefused, kConverterTimeout);
    QVERIFY(!f.Timer1->isActive());
    capturesAgain();

    QVERIFY(h.dir.useStandIn("pelkin", "exec sleep 600"));
    dropFiles(f.Text1, {wave});
    QTRY_VERIFY(readFile(f.Conv_Ini).endsWith("run\r\n"));
    QVERIFY(f.Timer1->isActive());
    capturesAgain();
    QCOMPARE(h.desktop.killed.size(), std::size_t(1));
    QCOMPARE(::kill(static_cast<pid_t>(h.desktop.killed[0]), 0), -1);

    const QString pipe = h.dir.file("pipe.wav");
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0644), 0);
    dropFiles(f.Text1, {pipe});
    capturesAgain();

    // "x" is a WAVE file: a job split at the line feed would convert it over "y.wav".
    QVERIFY(writeFile(h.dir.file("x"), waveBytes({.rate = 8000}, pcm16({4, 5}))));
    const QString split = h.dir.file("x\ny.wav");
    QVERIFY(writeFile(split, "RIFF"));
    const QByteArray job = readFile(f.Conv_Ini);
    const std::size_t starts = h.desktop.starts.size();
    dropFiles(f.Text1, {split});
    QCOMPARE(f.Label7->text(), kRefused);
    QCOMPARE(h.desktop.starts.size(), starts);
    QCOMPARE(readFile(f.Conv_Ini), job);
    QVERIFY(!QFile::exists(h.dir.file("y.wav")) && !QFile::exists(QStringLiteral("y.wav")));
    QVERIFY(!f.Combo1->isEnabled());

    const QByteArray latin1 = QFile::encodeName(h.dir.path()) + "/caf\xE9.wav";
    // Qt cannot name this file, so it is written through its bytes.
    QVERIFY(writeFile(latin1.toStdString(), waveBytes({.rate = 8000}, pcm16({7, 8}))));
    dropUrls(f.Text1,
             {QUrl::fromEncoded("file://" +
                                QUrl::toPercentEncoding(QFile::encodeName(h.dir.path()), "/") +
                                "/caf%E9.wav")});
    QTRY_VERIFY_WITH_TIMEOUT(f.Combo1->isEnabled(), kConverterTimeout);
    QVERIFY(readFile(f.Conv_Ini).startsWith(latin1 + "\r\n"));
    QCOMPARE(f.Data_Count, 2);
    std::remove(latin1.constData());
  }

  // The data folder's faults are said as what they are, and mended where the window can: a
  // Data folder deleted while the window runs is made again; a sample text pelkin cannot
  // write, and a job file the window cannot write, are named in the message line.
  void dataFolderFaults() {
    Harness h(true);
    formVarno& f = *h.form;
    const QString wave = h.dir.file("tone.wav");
    QVERIFY(writeFile(wave, waveBytes({.rate = 8000}, pcm16({1, 2, 3}))));
    QVERIFY(QDir(h.dir.file("Data")).removeRecursively());
    dropFiles(f.Text1, {wave});
    QTRY_VERIFY_WITH_TIMEOUT(f.Combo1->isEnabled(), kConverterTimeout);

    QVERIFY(QFile::remove(f.Org_Txt) && QDir().mkdir(f.Org_Txt));
    dropFiles(f.Text1, {wave});
    QTRY_COMPARE_WITH_TIMEOUT(f.Label7->text(), QString::fromUtf8(text::kOriginalUnwritable),
                              kConverterTimeout);
    QCOMPARE(f.Label7->toolTip(), QString());

    QVERIFY(QFile::remove(f.Conv_Ini) && QDir().mkdir(f.Conv_Ini));
    const std::size_t starts = h.desktop.starts.size();
    dropFiles(f.Text1, {wave});
    QCOMPARE(f.Label7->text(), QString::fromUtf8(text::kCaptureJobUnwritable));
    QCOMPARE(h.desktop.starts.size(), starts);
    QVERIFY(!f.Timer1->isActive() && !f.Combo1->isEnabled());
  }

  void missingOriginalAfterClose() {
    Harness h;
    const QString wave = h.dir.file("a.wav");
    QVERIFY(writeFile(wave, "RIFF"));
    dropFiles(h.form->Text1, {wave});
    finishCaptureByHand(h, "8000", "8", {});
    QFile::remove(h.form->Org_Txt);
    QTRY_VERIFY(!h.form->Timer1->isActive());
    QVERIFY(h.form->Label7->text().contains(QStringLiteral("Org_txt.txt")));
    QVERIFY(!h.form->Combo1->isEnabled());
    QVERIFY(!h.form->HScroll1->isEnabled());
  }

  // Each capture's own header fills the list and sets the scale: the second sound's rate
  // and bits replace the first's.
  void rateList() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "44100", "16", {1, -1});
    QStringList shown;
    for (int i = 0; i < f.Combo1->count(); ++i) shown << f.Combo1->itemText(i);
    QCOMPARE(shown, (QStringList{" 44100Hz (等倍)", " 22050Hz (1/2)", " 11025Hz (1/4)",
                                 "  5513Hz (1/8)", "  2756Hz (1/16)", "  1378Hz (1/32)",
                                 "   689Hz (1/64)", "   345Hz (1/128)"}));
    QCOMPARE(f.Combo1->currentIndex(), -1);
    captureByHand(h, "8000", "8", {128, 228});
    QCOMPARE(f.Combo1->itemText(7), QStringLiteral("    63Hz (1/128)"));
    QCOMPARE(f.Label13[7]->text(), QStringLiteral("12.5msec"));
    QCOMPARE(f.Label12[0]->text(), QStringLiteral("227"));
  }

  // A silent recording: Max_Amp 0, and a redraw changes nothing at all.
  void silentRecordingDrawsNothing() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", std::vector<int>(300, 0));
    QCOMPARE(f.Max_Amp, 0);
    QCOMPARE(f.Label12[0]->text(), QStringLiteral("+0"));
    QCOMPARE(f.Label12[2]->text(), QStringLiteral("-0"));
    const QImage before1 = f.Picture1->image(), before2 = f.Picture2->image();
    f.cmdRight->click();
    f.HScroll1->setValue(50);
    QCOMPARE(f.Picture1->image(), before1);
    QCOMPARE(f.Picture2->image(), before2);
  }

  // The widest captions there are, the last view of 2^31 - 1 samples at 1 Hz, and the
  // framed fields: every text whole inside its label, and no caption on another control.
  void captionsShowWhole() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "1", "16", {-32768, 32767, 0});
    const std::vector<const QWidget*> others{f.Picture1, f.Picture2, f.HScroll1};
    auto check = [&] {
      for (const QLabel* l : {f.Label4, f.Label5, f.Label9}) {
        const auto [line, ink] = textPlace(l);
        const QRect inside = l->contentsRect().translated(l->pos());
        QVERIFY2(inside.contains(line) && inside.contains(ink), qPrintable(l->objectName()));
      }
      std::vector<const QLabel*> captions(f.Label12.begin(), f.Label12.end());
      captions.insert(captions.end(), f.Label13.begin(), f.Label13.end());
      for (const QLabel* c : captions) {
        const auto [line, ink] = textPlace(c);
        const QString what = c->objectName() + " " + c->text();
        QVERIFY2(c->geometry().contains(line) && c->geometry().contains(ink), qPrintable(what));
        QVERIFY2(f.rect().contains(line), qPrintable(what));
        for (const QLabel* d : captions)
          QVERIFY2(c == d || !c->geometry().intersects(d->geometry()),
                   qPrintable(what + " / " + d->objectName()));
        for (const QWidget* w : others)
          QVERIFY2(!c->geometry().intersects(w->geometry()),
                   qPrintable(what + " / " + w->objectName()));
      }
    };
    check();
    if (QTest::currentTestFailed()) return;
    f.Data_Count = std::numeric_limits<std::int32_t>::max();
    f.HScroll1->setValue(100);
    QCOMPARE(f.Label13[0]->text(), QStringLiteral("2147483647"));
    QCOMPARE(f.Label13[11]->text(), QStringLiteral("2147484147000.0msec"));
    check();
  }

  void scrolling() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "22050", "16", ramp(10050, 10));
    f.HScroll1->setValue(1);
    QCOMPARE(f.Start_Pos, 101);  // 100.5 rounds up
    QCOMPARE(f.Label13[5]->text(), QStringLiteral("601"));
    f.cmdLeft->click();
    QCOMPARE(f.Start_Pos, 1);
    f.cmdLeft->click();
    QCOMPARE(f.Start_Pos, 1);
    f.cmdRight->click();
    QCOMPARE(f.Start_Pos, 101);
    // The arrow buttons leave the captions alone.
    QCOMPARE(f.Label13[0]->text(), QStringLiteral("101"));
    f.HScroll1->setValue(100);
    QCOMPARE(f.Start_Pos, 10050);
    QCOMPARE(f.Label13[0]->text(), QStringLiteral("10050"));
    // At the end of the recording both pictures show only their grids.
    for (int x : {10, 250, 480}) QCOMPARE(at(f.Picture1, columnOf(x), rowOf(60)), kWhite);
    f.cmdRight->click();
    QCOMPARE(f.Start_Pos, 10050);  // ">>" stops where the scroll bar ends
    f.HScroll1->setValue(99);
    for (int i = 0; i < 3; ++i) f.cmdRight->click();
    QVERIFY(f.Start_Pos <= f.Data_Count);
  }
};

int runCaptureTests(int argc, char** argv) {
  CaptureTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "capture_tests.moc"
