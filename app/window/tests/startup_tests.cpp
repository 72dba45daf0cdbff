#include <QComboBox>
#include <QFontInfo>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

#include "test_support.h"
#include "window/command_line.h"
#include "window/screen_fit.h"

class StartupTests : public QObject {
  Q_OBJECT

 private slots:
  void texts() {
    Harness h;
    formVarno& f = *h.form;
    QCOMPARE(f.windowTitle(), QStringLiteral("B"));
    QCOMPARE(f.Label1->text(), QStringLiteral("Wave ファイルを下にドロップしてください。"));
    QCOMPARE(f.Label7->text(),
             QStringLiteral("Wave ファイルを、上の白のボックス内にドロップしてください。"));
    for (QLabel* empty : {f.Label4, f.Label5, f.Label9, f.Label11})
      QCOMPARE(empty->text(), QString());
    QCOMPARE(f.Text1->text(), QString());
    QCOMPARE(f.Combo1->count(), 0);
    QCOMPARE(f.Combo1->currentIndex(), -1);
    QCOMPARE(f.Frame1->title(), QStringLiteral("サンプリングの方法"));
    QCOMPARE(f.cmdLeft->text(), QStringLiteral("<<"));
    const QStringList amplitude{"max", "", "min", "max", "", "min"};
    for (int i = 0; i < 6; ++i) QCOMPARE(f.Label12[i]->text(), amplitude[i]);
    const QStringList time{"0",      "100",      "200",      "300",      "400",      "500",
                           "0 msec", "100 msec", "200 msec", "300 msec", "400 msec", "500 msec"};
    for (int i = 0; i < 12; ++i) QCOMPARE(f.Label13[i]->text(), time[i]);
    QCOMPARE(f.findChild<QLabel*>(QStringLiteral("Label13(11)")), f.Label13[11]);
  }

  void states() {
    Harness h;
    formVarno& f = *h.form;
    QVERIFY(f.isVisible());
    QVERIFY(!f.cmdOpen_Org->isEnabled());
    QVERIFY(!f.cmdOpen_Chg->isEnabled());
    QVERIFY(!f.HScroll1->isEnabled());
    for (QWidget* enabled : std::initializer_list<QWidget*>{f.Text1, f.Combo1, f.Frame1, f.Command1,
                                                            f.cmdLeft, f.cmdRight})
      QVERIFY(enabled->isEnabled());
    QVERIFY(f.Option2->isChecked());
    QVERIFY(!f.Option1->isChecked());
    QCOMPARE(f.HScroll1->minimum(), 0);
    QCOMPARE(f.HScroll1->maximum(), 32767);
    for (QTimer* t : {f.Timer1, f.Timer2, f.Timer3}) {
      QCOMPARE(t->interval(), 200);
      QVERIFY(!t->isActive());
    }
    QVERIFY(!f.Timer4->isActive());
    QCOMPARE(f.Max_Amp, 0);
    QCOMPARE(f.Start_Pos, 0);
    QCOMPARE(f.Data_Count, 0);
    QVERIFY(h.desktop.starts.empty());
    QVERIFY(h.messages.empty());
  }

  void paths() {
    Harness h;
    const QString dir = h.dir.path();
    const formVarno& f = *h.form;
    QCOMPARE(f.Conv_Exe, dir + "/pelkin");
    QCOMPARE(f.Conv_Ini, dir + "/pelkin.ini");
    QCOMPARE(f.Rev_Exe, dir + "/trosk");
    QCOMPARE(f.Rev_Ini, dir + "/trosk.ini");
    QCOMPARE(f.Org_Txt, dir + "/Data/Org_txt.txt");
    QCOMPARE(f.Chg_Txt, dir + "/Data/Chg_txt.txt");
    QCOMPARE(f.Chg_Wav, dir + "/Data/Chg_wav.wav");
    QVERIFY(QFileInfo(dir + "/Data").isDir());
  }

  // Data files of an earlier run stay; what a killed run's writer left half-written goes.
  void oldDataFilesStay() {
    ProgramDir dir;
    QVERIFY(QDir(dir.path()).mkdir("Data"));
    QVERIFY(writeFile(dir.file("Data/Chg_txt.txt"), "22050\r\n16\r\n1\r\n"));
    QVERIFY(writeFile(dir.file("Data/Chg_txt.txt.Ab3xYz"), "22050\r\n16\r\n"));
    FakeDesktop desktop;
    formVarno form(desktop, dir.path());
    QVERIFY(QFile::exists(dir.file("Data/Chg_txt.txt")));
    QVERIFY(!QFile::exists(dir.file("Data/Chg_txt.txt.Ab3xYz")));
  }

  void window() {
    Harness h;
    formVarno& f = *h.form;
    QCOMPARE(f.size(), QSize(583, 719));
    QCOMPARE(f.minimumSize(), QSize(583, 719));
    QCOMPARE(f.maximumSize(), QSize(583, 719));
    QVERIFY(!(f.windowFlags() & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(f.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(f.windowFlags() & Qt::WindowCloseButtonHint);
    // Drawn from the embedded pictures themselves, so a wrong resource path shows as a null icon.
    for (const QSize side : {QSize(16, 16), QSize(32, 32), QSize(256, 256)})
      QCOMPARE(f.windowIcon().pixmap(side).size(), side);
    QCOMPARE(f.Label7->palette().color(QPalette::Window), QColor(255, 192, 192));
  }

  void geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");
    QTest::newRow("Text1") << "Text1" << QRect(24, 24, 503, 29);
    QTest::newRow("Combo1") << "Combo1" << QRect(176, 60, 131, 20);
    QTest::newRow("Label7") << "Label7" << QRect(24, 168, 509, 35);
    QTest::newRow("Picture1, 3100 twips high") << "Picture1" << QRect(24, 216, 505, 207);
    QTest::newRow("Picture2") << "Picture2" << QRect(24, 448, 505, 207);
    QTest::newRow("HScroll1") << "HScroll1" << QRect(24, 688, 505, 17);
    QTest::newRow("cmdLeft, below the client area") << "cmdLeft" << QRect(8, 824, 41, 25);
    QTest::newRow("Label4, right of the client area") << "Label4" << QRect(728, 120, 107, 17);
    QTest::newRow("Option2, inside Frame1") << "Option2" << QRect(48, 48, 121, 12);
    QTest::newRow("Option3, below Option2") << "Option3" << QRect(48, 72, 161, 17);
    QTest::newRow("Frame1, tall enough for Option3") << "Frame1" << QRect(640, 32, 217, 97);
    // The captions' boxes are one line of their font high, its descent included.
    QTest::newRow("Label12(5)") << "Label12(5)" << QRect(536, 648, 49, 12);
    QTest::newRow("Label13(11)") << "Label13(11)" << QRect(504, 664, 65, 12);
  }
  void geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, place);
    Harness h;
    QWidget* control = h.form->findChild<QWidget*>(name);
    QVERIFY(control);
    QCOMPARE(control->geometry(), place);
    // Controls outside the client area still count as shown; they are merely out of sight.
    QVERIFY(control->isVisible());
  }

  void pictureInnerArea() {
    Harness h;
    QCOMPARE(h.form->Picture1->contentsRect(), QRect(2, 2, 501, 203));
    QCOMPARE(h.form->Picture1->image().size(), QSize(501, 203));
  }

  void tabOrder() {
    Harness h;
    formVarno& f = *h.form;
    const QList<QWidget*> expected{f.Text1,    f.Combo1,   f.cmdOpen_Org, f.cmdOpen_Chg,
                                   f.Command1, f.Option1,  f.Option2,     f.Option3,
                                   f.cmdLeft,  f.cmdRight, f.HScroll1};
    QList<QWidget*> order;
    QWidget* w = f.Text1;
    do {
      if (expected.contains(w)) order << w;
      w = w->nextInFocusChain();
    } while (w != f.Text1 && order.size() < expected.size());
    QCOMPARE(order, expected);
    // The picture boxes take the focus from a click only, so Tab passes them by.
    QCOMPARE(f.Picture2->focusPolicy(), Qt::ClickFocus);
  }

  // Start-up draws only the grid: four vertical lines and the centre line, in black.
  void emptyGrids() {
    Harness h;
    for (const PictureBox* picture : {h.form->Picture1, h.form->Picture2}) {
      const QImage& image = picture->image();
      QSet<int> blackColumns;
      int blackOnCentreRow = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
          const QRgb p = image.pixel(x, y) & 0xFFFFFF;
          QVERIFY2(p == 0xFFFFFF || p == 0, "only white and black");
          if (p == 0 && y == kCentreRow) ++blackOnCentreRow;
          if (p == 0 && y == 0) blackColumns.insert(x);
        }
      QCOMPARE(blackColumns, (QSet<int>{kColumn100, kColumn200, kColumn300, kColumn400}));
      QVERIFY(blackOnCentreRow >= 500);
      for (int x : {kColumn100, kColumn400})
        for (int y : {0, 100, 190}) QCOMPARE(image.pixel(x, y) & 0xFFFFFF, 0u);
    }
  }

  // Varno's own arguments, with Qt's options passed over for the toolkit.
  void commandLine() {
    using varno::window::CommandLine;
    const struct {
      std::vector<std::string> arguments;
      CommandLine::Request request;
      std::string file;
      std::string platform;
    } rows[] = {
        {{"a.wav"}, CommandLine::Request::Window, "/w/a.wav", ""},
        {{"-style", "fusion", "a.wav", "b.wav"}, CommandLine::Request::Window, "/w/a.wav", ""},
        {{"--style=fusion", "-reverse", "/m/a.wav"}, CommandLine::Request::Window, "/m/a.wav", ""},
        {{"-platform", "xcb:nocursor", "-widgetcount"},
         CommandLine::Request::Window,
         "",
         "xcb:nocursor"},
        {{"--platform=offscreen", "-h"}, CommandLine::Request::Help, "", ""},
        {{"-stylez", "a.wav"}, CommandLine::Request::Wrong, "", ""},
        {{"a.wav", "-style"}, CommandLine::Request::Wrong, "", ""},
        {{"--", "-style"}, CommandLine::Request::Window, "/w/-style", ""},
    };
    for (const auto& row : rows) {
      const CommandLine line = varno::window::parseCommandLine(row.arguments, "/w");
      QCOMPARE(line.request, row.request);
      QCOMPARE(line.file, row.file);
      QCOMPARE(line.platform, row.platform);
    }
  }

  // On a screen too small for the window it scrolls, every control within reach; where it
  // fits nothing changes.
  void smallScreens_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<bool>("scrolls");
    // Logical pixels: 1920 x 1080 at 150 % offers 1280 x 720.
    QTest::newRow("1920 x 1080 at 150 %") << QRect(0, 0, 1280, 720) << true;
    QTest::newRow("1366 x 768 at 100 %") << QRect(0, 0, 1366, 768) << false;
    QTest::newRow("1366 x 768 under a panel") << QRect(0, 32, 1366, 736) << true;
  }
  void smallScreens() {
    QFETCH(QRect, available);
    QFETCH(bool, scrolls);
    Harness h;
    formVarno& f = *h.form;
    const varno::window::ScreenFit fit(f, available);
    QCOMPARE(f.size(), QSize(583, 719));
    QCOMPARE(fit.area() != nullptr, scrolls);
    QCOMPARE(f.window() == &f, !scrolls);
    if (!scrolls) return;
    QScrollArea& area = *fit.area();
    QVERIFY(area.isVisible() && f.isVisible());
    QVERIFY(area.height() + varno::window::ScreenFit::kFrameHeight <= available.height());
    QCOMPARE(area.windowTitle(), QStringLiteral("B"));
    QApplication::setActiveWindow(&area);
    // Tab to the scroll bar below the fold brings it into view.
    captureByHand(h, "8000", "16", {1, 2});
    f.cmdRight->setFocus();
    QTest::keyClick(f.focusWidget(), Qt::Key_Tab);
    QCOMPARE(f.focusWidget(), f.HScroll1);
    const QRect bar(f.HScroll1->mapTo(area.viewport(), QPoint()), f.HScroll1->size());
    QVERIFY2(area.viewport()->rect().contains(bar), qPrintable(QString::number(bar.bottom())));
  }

  // Qt's own texts speak the window's language: the text box's menu and the save dialog.
  void qtTextsInJapanese() {
    Harness h;
    const std::unique_ptr<QMenu> menu(h.form->Text1->createStandardContextMenu());
    QStringList items;
    for (const QAction* item : menu->actions()) items << item->text();
    QVERIFY2(items.join(' ').contains(QStringLiteral("コピー")), qPrintable(items.join(' ')));
    QCOMPARE(QCoreApplication::translate("QFileDialog", "&Save"), QStringLiteral("保存(&S)"));
  }

  void fonts() {
    Harness h;
    const QFontInfo list(h.form->Combo1->font());
    QCOMPARE(list.family(), QStringLiteral("IPAGothic"));
    // The rate list's numbers line up when a blank is as wide as a digit.
    const QFontMetrics metrics(h.form->Combo1->font());
    for (QChar c : QStringLiteral("0123456789Hz()/"))
      QCOMPARE(metrics.horizontalAdvance(c), metrics.horizontalAdvance(QLatin1Char(' ')));
    QCOMPARE(h.form->Combo1->font().pointSizeF(), 9.0);
    const QFontInfo caption(h.form->Label12[0]->font());
    QCOMPARE(caption.family(), QStringLiteral("IPAPGothic"));
    QCOMPARE(h.form->Label13[7]->font().pointSizeF(), 8.25);
  }

  // From the scroll bar, Shift+Tab reaches >>, <<, then the method in force, however it was
  // chosen; one more leaves the method buttons.
  void keyboardRouteToTheMethod_data() {
    QTest::addColumn<int>("method");
    QTest::addColumn<bool>("fromMenu");
    for (int m = 0; m < 3; ++m)
      for (const bool fromMenu : {false, true})
        QTest::addRow("Option%d %s", m + 1, fromMenu ? "from the menu" : "by its button")
            << m << fromMenu;
  }
  void keyboardRouteToTheMethod() {
    QFETCH(int, method);
    QFETCH(bool, fromMenu);
    Harness h;
    formVarno& f = *h.form;
    captureByHand(h, "8000", "16", {1, 2});
    QRadioButton* const options[] = {f.Option1, f.Option2, f.Option3};
    QApplication::setActiveWindow(&f);
    // The buttons keep their stop where the focus was last: on another method, chosen by ↑ ↓.
    options[(method + 1) % 3]->setFocus();
    options[(method + 1) % 3]->setChecked(true);
    if (fromMenu)
      f.mnuMethod[method]->trigger();
    else
      options[method]->setChecked(true);
    f.HScroll1->setFocus();
    QStringList route;
    for (int i = 0; i < 4; ++i) {
      QTest::keyClick(f.focusWidget(), Qt::Key_Backtab);
      route << f.focusWidget()->objectName();
    }
    QCOMPARE(route,
             (QStringList{"cmdRight", "cmdLeft", options[method]->objectName(), "Command1"}));
  }

 private:
  // Where user x = 100..400 and y = 100 land in the 501 x 203 inner area (the scale
  // 501/500 across and 203/200 down, rounded down).
  static constexpr int kColumn100 = 100, kColumn200 = 200, kColumn300 = 300, kColumn400 = 400;
  static constexpr int kCentreRow = 101;
};

int runStartupTests(int argc, char** argv) {
  StartupTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "startup_tests.moc"
