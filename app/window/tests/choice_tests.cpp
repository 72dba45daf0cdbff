#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QtEndian>
#include <QtTest>

#include "test_support.h"

namespace {

const QString kDataInUse = QStringLiteral(
    "データが使われています。\r\n再生用のソフトを閉じてから選択して選択してください。");
const QString kLocked =
    QStringLiteral("再生用のソフトをクローズしないと、すべての選択は行えません。");
const QString kConverting =
    QStringLiteral("サンプリングを完了しました。\r\nサンプリングデータを Wave 化をしています。");
const QString kConverted = QStringLiteral("サンプリングを終了しました。");

// The samples of a WAVE file's data chunk, 8-bit unsigned or 16-bit signed.
std::vector<int> waveSamples(const QByteArray& wave) {
  std::vector<int> samples;
  if (wave.size() < 12) return samples;
  int bits = 16;
  qsizetype at = 12;
  while (at + 8 <= wave.size()) {
    const QByteArray id = wave.mid(at, 4);
    const quint32 size = qFromLittleEndian<quint32>(wave.constData() + at + 4);
    const char* body = wave.constData() + at + 8;
    if (id == "fmt ") bits = qFromLittleEndian<quint16>(body + 14);
    if (id == "data") {
      const qsizetype end = std::min<qsizetype>(at + 8 + size, wave.size());
      for (const char* p = body; p + bits / 8 <= wave.constData() + end; p += bits / 8)
        samples.push_back(bits == 8 ? static_cast<unsigned char>(*p)
                                    : qFromLittleEndian<qint16>(p));
      break;
    }
    at += 8 + size + (size & 1);
  }
  return samples;
}

}  // namespace

class ChoiceTests : public QObject {
  Q_OBJECT

 private slots:
  // A choice writes Chg_txt by the list index and the method, then hands it to trosk.
  void resampling_data() {
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("average");
    QTest::addColumn<QByteArray>("rate");
    QTest::addColumn<std::vector<int>>("samples");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("average halves away from zero")
        << 1 << true << QByteArray("8000") << std::vector<int>{10, 11, 12, 13}
        << QByteArray("4000\r\n16\r\n11\r\n13\r\n");
    QTest::newRow("average of -3, -4")
        << 1 << true << QByteArray("8000") << std::vector<int>{-3, -4}
        << QByteArray("4000\r\n16\r\n-4\r\n");
    QTest::newRow("average drops a partial group")
        << 2 << true << QByteArray("8000") << std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}
        << QByteArray("2000\r\n16\r\n3\r\n7\r\n");
    QTest::newRow("first sample keeps a partial group")
        << 2 << false << QByteArray("8000") << std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9}
        << QByteArray("2000\r\n16\r\n1\r\n5\r\n9\r\n");
    QTest::newRow("factor 128 rate line")
        << 7 << false << QByteArray("44100") << std::vector<int>{5, 6}
        << QByteArray("344.53125\r\n16\r\n5\r\n");
    QTest::newRow("factor 1 copies") << 0 << false << QByteArray("44100") << std::vector<int>{5, -6}
                                     << QByteArray("44100\r\n16\r\n5\r\n-6\r\n");
  }
  void resampling() {
    QFETCH(int, index);
    QFETCH(bool, average);
    QFETCH(QByteArray, rate);
    QFETCH(std::vector<int>, samples);
    QFETCH(QByteArray, written);
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, rate, "16", samples);
    const QString method =
        average ? QStringLiteral("平均値を使う") : QStringLiteral("先頭データを使う");
    if (average) f.Option1->setChecked(true);  // no rate chosen yet: nothing runs
    QCOMPARE(troskStarts(h), std::size_t(0));
    // The hidden options' state shows in the rate list's tooltip, with what made the staircase.
    QCOMPARE(f.Combo1->toolTip(), QStringLiteral("サンプリングの方法：") + method);
    f.Combo1->setCurrentIndex(index);
    QCOMPARE(f.Combo1->toolTip(),
             QStringLiteral("サンプリングの方法：%1\n赤い階段：1/%2 の周波数、%1")
                 .arg(method)
                 .arg(1 << index));
    QCOMPARE(readFile(f.Chg_Txt), written);
    QCOMPARE(f.Label7->text(), kConverting);
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    QVERIFY(f.Timer2->isActive());
    QCOMPARE(troskStarts(h), std::size_t(1));
    QCOMPARE(h.desktop.starts.back().args, std::vector<std::string>{f.Rev_Ini.toStdString()});
    QCOMPARE(readFile(f.Rev_Ini),
             QFile::encodeName(f.Chg_Txt) + "\r\n" + QFile::encodeName(f.Chg_Wav) + "\r\n\r\n");
  }

  // Drop, capture, choose, convert and listen, with the real pelkin and trosk.
  void wholeRoad() {
    Harness h(true);
    formVarno& f = *h.form;
    std::vector<int> samples(3000);
    for (int i = 0; i < 3000; ++i) samples[i] = (i * 37) % 2001 - 1000;
    const QString wave = h.dir.file("声.wav");
    QVERIFY(writeFile(wave, waveBytes({.rate = 22050}, pcm16(samples))));
    dropFiles(f.Text1, {wave});
    QTRY_VERIFY_WITH_TIMEOUT(f.Combo1->isEnabled(), kConverterTimeout);
    f.HScroll1->setValue(50);
    QCOMPARE(f.Start_Pos, 1500);

    f.Combo1->setCurrentIndex(2);  // factor 4, first sample of each group
    QCOMPARE(f.Start_Pos, 1500);
    QVERIFY(hasColour(f.Picture2->image(), 0xFF0000));
    QTRY_COMPARE_WITH_TIMEOUT(f.Label7->text(), kConverted, kConverterTimeout);
    QVERIFY(f.cmdOpen_Chg->isEnabled());
    QVERIFY(!f.Timer2->isActive());
    std::vector<int> expected;
    for (std::size_t i = 0; i < samples.size(); i += 4) expected.push_back(samples[i]);
    const QByteArray converted = readFile(f.Chg_Wav);
    QCOMPARE(waveSamples(converted), expected);
    QCOMPARE(f.Label11->text(), QStringLiteral("%1 KB").arg((converted.size() + 1023) / 1024));

    f.cmdOpen_Chg->click();
    QCOMPARE(h.desktop.starts.back().program, std::string("/usr/bin/player"));
    QCOMPARE(h.desktop.starts.back().args, std::vector<std::string>{f.Chg_Wav.toStdString()});
    QCOMPARE(h.desktop.lookedUp.back(), wave.toStdString());
  }

  // A pick runs once, and picking the item already selected runs again.
  void userPicks() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    QTest::keyClick(f.Combo1, Qt::Key_Down);
    QCOMPARE(f.Combo1->currentIndex(), 0);
    QCOMPARE(troskStarts(h), std::size_t(1));
    const QByteArray job = readFile(f.Rev_Ini);
    QVERIFY(writeFile(f.Rev_Ini, job.left(job.size() - 2) + "close\r\n"));
    QTRY_VERIFY(f.cmdOpen_Chg->isEnabled());
    QTest::qWait(300);
    QCOMPARE(troskStarts(h), std::size_t(1));
    emit f.Combo1->activated(0);
    QCOMPARE(troskStarts(h), std::size_t(2));
  }

  void conversionFails() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    f.Combo1->setCurrentIndex(1);
    const QByteArray job = readFile(f.Rev_Ini);
    QVERIFY(writeFile(f.Rev_Ini, job.left(job.size() - 2) + "error\r\n"));
    QTRY_VERIFY(!f.Timer2->isActive());
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].text, QStringLiteral("Error"));
    QCOMPARE(f.Label7->text(), kConverting);
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
  }

  void troskMissing() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    h.desktop.startSucceeds = false;
    f.Combo1->setCurrentIndex(1);
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].text, QStringLiteral("Error"));
    QVERIFY(!f.Timer2->isActive());
  }

  void originalMissing() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    QFile::remove(f.Org_Txt);
    f.Combo1->setCurrentIndex(1);
    QVERIFY(f.Label7->text().contains(QStringLiteral("Org_txt.txt")));
    QCOMPARE(troskStarts(h), std::size_t(0));
    QVERIFY(!f.Timer2->isActive());
  }

  // A choice while trosk still converts ends it and converts the latest choice at once; a
  // trosk that ended without a word is an error and holds nothing up.
  void choiceWhileConverting() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4, 5, 6, 7, 8});
    const std::size_t pelkinStarts = h.desktop.starts.size();
    f.Combo1->setCurrentIndex(1);
    f.Combo1->setCurrentIndex(3);
    f.Combo1->setCurrentIndex(2);
    QCOMPARE(troskStarts(h), std::size_t(3));
    QCOMPARE(h.desktop.killed, (std::vector<varno::desktop::ProcessId>{
                                   varno::desktop::ProcessId(90000 + pelkinStarts + 1),
                                   varno::desktop::ProcessId(90000 + pelkinStarts + 2)}));
    QCOMPARE(readFile(f.Chg_Txt), QByteArray("2000\r\n16\r\n1\r\n5\r\n"));
    QCOMPARE(f.Label7->text(), kConverting);
    h.desktop.endedProcesses.insert(varno::desktop::ProcessId(90000 + pelkinStarts + 3));
    QTRY_COMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].text, QStringLiteral("Error"));
    QVERIFY(!f.Timer2->isActive());
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    f.Combo1->setCurrentIndex(1);
    QCOMPARE(troskStarts(h), std::size_t(4));
    QVERIFY(f.Timer2->isActive());
  }

  // A conversion that a new drop overtook offers nothing when it ends: its sound is gone.
  void dropWhileConverting() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    f.Combo1->setCurrentIndex(1);
    QVERIFY(f.Timer2->isActive());
    const QString next = h.dir.file("next.wav");
    QVERIFY(writeFile(next, "RIFF"));
    dropFiles(f.Text1, {next});
    const QByteArray job = readFile(f.Rev_Ini);
    QVERIFY(writeFile(f.Rev_Ini, job.left(job.size() - 2) + "close\r\n"));
    QTRY_VERIFY(!f.Timer2->isActive());
    QCOMPARE(f.Label7->text(), QStringLiteral("オリジナルの音を取り込みました。"));
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    QVERIFY(h.messages.empty());
  }

  // A pick while Main_Job still re-samples cancels that run and runs in its place, once:
  // the first pick's late activation is no new pick.
  void choiceWhileResampling() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", std::vector<int>(4'000'000, 7));
    QTimer::singleShot(0, &f, [&] { QTest::keyClick(f.Combo1, Qt::Key_Down); });
    QTest::keyClick(f.Combo1, Qt::Key_Down);
    QTest::qWait(100);
    QCOMPARE(troskStarts(h), std::size_t(1));
    QVERIFY(readFile(f.Chg_Txt).startsWith("4000\r\n16\r\n7\r\n"));
    QCOMPARE(QFileInfo(f.Chg_Txt).size(),
             qint64(QByteArray("4000\r\n16\r\n").size() + 2'000'000 * 3));
  }

  // A drop while Main_Job re-samples ends the run and captures the new file.
  void dropWhileResampling() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", std::vector<int>(4'000'000, 7));
    const QString next = h.dir.file("next.wav");
    QVERIFY(writeFile(next, "RIFF"));
    QTimer::singleShot(0, &f, [&] { dropFiles(f.Text1, {next}); });
    f.Combo1->setCurrentIndex(1);
    QCOMPARE(f.Text1->text(), next);
    QCOMPARE(troskStarts(h), std::size_t(0));
    QVERIFY(!QFile::exists(f.Chg_Txt));
    QVERIFY(f.Timer1->isActive());
    QVERIFY(!f.Combo1->isEnabled());
  }

  // While the player process runs, choices are refused.
  void choiceRefusedWhilePlayerOpen() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    f.cmdOpen_Org->click();
    QTRY_VERIFY(f.Timer4->isActive());
    const varno::desktop::ProcessId player =
        varno::desktop::ProcessId(90000 + h.desktop.starts.size());
    f.Combo1->setCurrentIndex(1);
    QCOMPARE(h.messages.size(), std::size_t(1));
    QCOMPARE(h.messages[0].text, kDataInUse);
    QCOMPARE(h.messages[0].kind, Module1::MessageKind::Information);
    QCOMPARE(f.Combo1->currentIndex(), -1);
    QVERIFY(!QFile::exists(f.Chg_Txt));
    QCOMPARE(troskStarts(h), std::size_t(0));
    {
      const QSignalBlocker quiet(f.Combo1);
      f.Combo1->setCurrentIndex(1);
    }
    f.Option1->setChecked(true);
    QCOMPARE(h.messages.size(), std::size_t(2));
    QCOMPARE(h.messages[1].text, kDataInUse);
    QVERIFY(f.Option1->isChecked());
    QCOMPARE(f.Combo1->currentIndex(), 1);
    QVERIFY(!QFile::exists(f.Chg_Txt));
    h.desktop.endedProcesses.insert(player);
    QTRY_VERIFY(!f.Timer4->isActive());
    f.Option2->setChecked(true);
    QVERIFY(QFile::exists(f.Chg_Txt));
  }

  // The lock lasts as long as the player process; only a window of that process is raised.
  void playerLock() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    const QString before = f.Label7->text();
    h.desktop.foreground = 888;  // some other program's window, in front
    h.desktop.openWindows = {777, 888};
    f.cmdOpen_Org->click();
    const varno::desktop::ProcessId player =
        varno::desktop::ProcessId(90000 + h.desktop.starts.size());
    QCOMPARE(h.desktop.starts.back().program, std::string("/usr/bin/player"));
    QCOMPARE(h.desktop.starts.back().args, std::vector<std::string>{f.Text1->text().toStdString()});
    QVERIFY(!f.cmdOpen_Org->isEnabled());
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    QVERIFY(f.Timer3->isActive());

    QTRY_VERIFY(f.Timer4->isActive());
    QCOMPARE(f.Timer4->interval(), 200);
    for (QWidget* w : std::initializer_list<QWidget*>{f.Text1, f.Combo1, f.Frame1, f.HScroll1,
                                                      f.cmdOpen_Org, f.cmdOpen_Chg})
      QVERIFY(!w->isEnabled());
    QVERIFY(f.cmdLeft->isEnabled() && f.cmdRight->isEnabled() && f.Command1->isEnabled());
    for (const QAction* item : f.mnuMethod) QVERIFY(!item->isEnabled());
    QCOMPARE(f.Label7->text(), kLocked);
    QCOMPARE(f.Player_Wnd, varno::desktop::WindowId(0));
    f.Command1->click();
    QCOMPARE(h.messages.back().text, QStringLiteral("再生用のソフトが開いています。"));
    QCOMPARE(h.messages.back().kind, Module1::MessageKind::Information);

    // Its window shows up late; from then on it is the one raised.
    h.desktop.processWindows[player] = 777;
    QTRY_COMPARE(f.Player_Wnd, varno::desktop::WindowId(777));
    QTRY_VERIFY_WITH_TIMEOUT(std::count(h.desktop.raised.begin(), h.desktop.raised.end(), 777) >
                                 varno::pipeline::Sequencer::kPlayerEarlyTicks,
                             10000);
    QVERIFY(std::count(h.desktop.raised.begin(), h.desktop.raised.end(), 888) == 0);

    h.desktop.endedProcesses.insert(player);
    QTRY_VERIFY(!f.Timer4->isActive());
    for (QWidget* w :
         std::initializer_list<QWidget*>{f.Text1, f.Combo1, f.Frame1, f.HScroll1, f.cmdOpen_Org})
      QVERIFY(w->isEnabled());
    for (const QAction* item : f.mnuMethod) QVERIFY(item->isEnabled());
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    QCOMPARE(f.Label7->text(), before);
    f.Command1->click();
    QCOMPARE(h.messages.back().text, QStringLiteral("再生用のソフトは開いていません。"));
  }

  // A player that ends at once, or a desktop that takes the sound itself, gives no lock and
  // says why.
  void playerEndsAtOnce_data() {
    QTest::addColumn<int>("launch");
    QTest::addColumn<bool>("failed");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("label");
    const QString handed = QString::fromUtf8(varno::pipeline::text::kPlayerHanded);
    QTest::newRow("failed") << int(varno::desktop::LaunchResult::Started) << true
                            << QStringLiteral("再生用のソフトを起動できませんでした。")
                            << QString();
    QTest::newRow("handed on") << int(varno::desktop::LaunchResult::Started) << false << QString()
                               << handed;
    QTest::newRow("taken by the desktop")
        << int(varno::desktop::LaunchResult::Handed) << false << QString() << handed;
  }
  void playerEndsAtOnce() {
    QFETCH(int, launch);
    QFETCH(bool, failed);
    QFETCH(QString, box);
    QFETCH(QString, label);
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    const QString before = f.Label7->text();
    h.desktop.launch = varno::desktop::LaunchResult(launch);
    const varno::desktop::ProcessId player =
        varno::desktop::ProcessId(90000 + h.desktop.starts.size() + 1);
    h.desktop.endedProcesses.insert(player);
    if (failed) h.desktop.failedProcesses.insert(player);
    f.cmdOpen_Org->click();
    QTRY_VERIFY(f.cmdOpen_Org->isEnabled());
    QVERIFY(!f.Timer3->isActive() && !f.Timer4->isActive());
    QVERIFY(f.Combo1->isEnabled());
    QCOMPARE(h.messages.empty() ? QString() : h.messages.back().text, box);
    QCOMPARE(f.Label7->text(), label.isEmpty() ? before : label);
  }

  // A player that showed its window did start: a crash within seconds just ends the lock.
  void playerCrashesAfterShowing() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    const QString before = f.Label7->text();
    f.cmdOpen_Org->click();
    const auto player = varno::desktop::ProcessId(90000 + h.desktop.starts.size());
    h.desktop.processWindows[player] = 777;
    h.desktop.openWindows = {777};
    QTRY_COMPARE(f.Player_Wnd, varno::desktop::WindowId(777));
    h.desktop.endedProcesses.insert(player);
    h.desktop.failedProcesses.insert(player);
    QTRY_VERIFY(!f.Timer4->isActive());
    QVERIFY(h.messages.empty());
    QCOMPARE(f.Label7->text(), before);
    QVERIFY(f.Text1->isEnabled() && f.cmdOpen_Org->isEnabled());
  }

  // While a window of the player is in front, a dialog of its own say, nothing takes the focus
  // from it; once another program's window is in front, the player's comes back.
  void playerDialogKeepsTheFocus() {
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    f.cmdOpen_Org->click();
    const auto player = varno::desktop::ProcessId(90000 + h.desktop.starts.size());
    h.desktop.processWindows[player] = 777;
    h.desktop.openWindows = {777, 778};
    h.desktop.foreground = 778;
    h.desktop.foregroundOwner = player;
    QTRY_COMPARE(f.Player_Wnd, varno::desktop::WindowId(777));
    const std::size_t raises = h.desktop.raised.size();
    QTest::qWait(600);
    QCOMPARE(h.desktop.raised.size(), raises);
    h.desktop.foregroundOwner = 0;
    QTRY_VERIFY(h.desktop.raised.size() > raises);
    QCOMPARE(h.desktop.raised.back(), varno::desktop::WindowId(777));
    h.desktop.endedProcesses.insert(player);
    QTRY_VERIFY(!f.Timer4->isActive());
  }

  void noPlayer_data() {
    QTest::addColumn<varno::desktop::LookupResult>("lookup");
    QTest::addColumn<bool>("starts");
    QTest::addColumn<QString>("message");
    QTest::newRow("no association")
        << varno::desktop::LookupResult::NoAssociation << true
        << QStringLiteral("指定されたファイルタイプに対応する関連付けが存在しません。");
    QTest::newRow("player does not start")
        << varno::desktop::LookupResult::Found << false
        << QStringLiteral("再生用のソフトを起動できませんでした。");
  }
  void noPlayer() {
    QFETCH(varno::desktop::LookupResult, lookup);
    QFETCH(bool, starts);
    QFETCH(QString, message);
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2, 3, 4});
    h.desktop.lookup.result = lookup;
    if (!starts) h.desktop.launch = varno::desktop::LaunchResult::Failed;
    const std::size_t startsBefore = h.desktop.starts.size();
    f.cmdOpen_Org->click();
    QCOMPARE(h.messages.back().text, message);
    QCOMPARE(h.desktop.starts.size(),
             startsBefore + (lookup == varno::desktop::LookupResult::Found ? 1 : 0));
    QVERIFY(f.cmdOpen_Org->isEnabled());
    QVERIFY(!f.Timer3->isActive());
  }
};

int runChoiceTests(int argc, char** argv) {
  ChoiceTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "choice_tests.moc"
