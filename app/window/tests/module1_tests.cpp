#include <QDir>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>

#include "test_support.h"
#include "window/module1.h"

class Module1Tests : public QObject {
  Q_OBJECT

 private slots:
  void rightFit_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("fitted");
    QTest::newRow("five digits get one blank") << 44100.0 << 6 << " 44100";
    QTest::newRow("four digits get two blanks") << 8000.0 << 6 << "  8000";
    QTest::newRow("zero") << 0.0 << 6 << "     0";
    QTest::newRow("seven digits keep the last six") << 1234567.0 << 6 << "234567";
    QTest::newRow("a fraction keeps its last six characters") << 22050.5 << 6 << "2050.5";
    QTest::newRow("exactly the width") << 100000.0 << 6 << "100000";
    QTest::newRow("a negative value loses its sign place") << -5.0 << 3 << "  5";
  }
  void rightFit() {
    QFETCH(double, value);
    QFETCH(int, width);
    QFETCH(QString, fitted);
    QCOMPARE(Module1::Right_Fit(value, width), fitted);
  }

  void cutQuote_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cut");
    QTest::newRow("quoted path") << "\"/usr/bin/a b\""
                                 << "/usr/bin/a b";
    QTest::newRow("bare path") << "/usr/bin/a"
                               << "/usr/bin/a";
    QTest::newRow("single quote") << "\""
                                  << "";
    QTest::newRow("two quotes") << "\"\""
                                << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("leading only") << "\"abc"
                                  << "abc";
    QTest::newRow("trailing only") << "abc\""
                                   << "abc";
    QTest::newRow("inner quotes stay") << "\"a\"b\""
                                       << "a\"b";
  }
  void cutQuote() {
    QFETCH(QString, text);
    QFETCH(QString, cut);
    QCOMPARE(Module1::Cut_Quote(text), cut);
  }

  void replaceAll_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("replaced");
    QTest::newRow("inserted text is not searched again") << "aaa"
                                                         << "a"
                                                         << "aa"
                                                         << "aaaaaa";
    QTest::newRow("neighbours") << "xaax"
                                << "a"
                                << "b"
                                << "xbbx";
    QTest::newRow("longer find") << "abcabc"
                                 << "bc"
                                 << "X"
                                 << "aXaX";
    QTest::newRow("shrinking overlap") << "aaa"
                                       << "aa"
                                       << "a"
                                       << "aa";
    QTest::newRow("nothing found") << "abc"
                                   << "x"
                                   << "y"
                                   << "abc";
    QTest::newRow("case-sensitive") << "aAa"
                                    << "A"
                                    << "b"
                                    << "aba";
    QTest::newRow("NUL to blank") << QString::fromUtf16(u"a\0b\0", 4) << QString(QChar(0)) << " "
                                  << "a b ";
  }
  void replaceAll() {
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, replaced);
    QCOMPARE(Module1::Replace_All(text, find, replacement), replaced);
  }

  void makeDir() {
    QTemporaryDir dir;
    const QString made = dir.filePath(QStringLiteral("Data"));
    QCOMPARE(Module1::Make_Dir(made), 0);
    QVERIFY(QFileInfo(made).isDir());
    QVERIFY(writeFile(made + QStringLiteral("/old.txt"), "kept"));
    QCOMPARE(Module1::Make_Dir(made), EEXIST);
    QVERIFY(QFile::exists(made + QStringLiteral("/old.txt")));
    QCOMPARE(Module1::Make_Dir(dir.filePath(QStringLiteral("no/such"))), ENOENT);
  }

  void checkFile_data() {
    QTest::addColumn<QString>("name");  // relative to a folder holding "empty.txt" and "sub/"
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("result");
    QTest::newRow("empty file, mode 0") << "empty.txt" << false << 0 << 0;
    QTest::newRow("empty file in quotes") << "empty.txt" << true << 0 << 0;
    QTest::newRow("missing, mode 0") << "missing.txt" << false << 0 << 1;
    QTest::newRow("missing, mode 1") << "missing.txt" << false << 1 << ENOENT;
    QTest::newRow("missing folder, mode 1") << "none/x.txt" << false << 1 << ENOENT;
    QTest::newRow("a folder is no file, mode 0") << "sub" << false << 0 << 1;
    QTest::newRow("a folder is no file, mode 1") << "sub" << false << 1 << EISDIR;
  }
  void checkFile() {
    QFETCH(QString, name);
    QFETCH(bool, quoted);
    QFETCH(int, mode);
    QFETCH(int, result);
    QTemporaryDir dir;
    QVERIFY(writeFile(dir.filePath(QStringLiteral("empty.txt")), QByteArray()));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("sub")));
    QString path = dir.filePath(name);
    if (quoted) path = QLatin1Char('"') + path + QLatin1Char('"');
    QCOMPARE(Module1::Check_File(path, mode), result);
  }

  void findExe_data() {
    using varno::desktop::LookupResult;
    QTest::addColumn<LookupResult>("lookup");
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("message");
    QTest::newRow("found") << LookupResult::Found << "/usr/bin/player"
                           << "\"/usr/bin/player\""
                           << "";
    QTest::newRow("found, .exe in a folder stays") << LookupResult::Found << "/opt/a.exe.d/play er"
                                                   << "\"/opt/a.exe.d/play er\""
                                                   << "";
    QTest::newRow("found, Japanese name") << LookupResult::Found << "/opt/再生/player"
                                          << "\"/opt/再生/player\""
                                          << "";
    QTest::newRow("no such document") << LookupResult::NoDocument << ""
                                      << ""
                                      << "指定されたファイルが見つかりませんでした。";
    QTest::newRow("no association") << LookupResult::NoAssociation << ""
                                    << ""
                                    << "指定されたファイルタイプに対応する関連付けが存在しません。";
    QTest::newRow("other failure") << LookupResult::Failed << ""
                                   << ""
                                   << "不明なエラー";
  }
  void findExe() {
    QFETCH(varno::desktop::LookupResult, lookup);
    QFETCH(QString, program);
    QFETCH(QString, result);
    QFETCH(QString, message);
    FakeDesktop desktop;
    desktop.lookup = {lookup, program.toStdString()};
    QStringList shown;
    const QString document = QStringLiteral("/tmp/音 a.wav");
    QCOMPARE(Module1::Find_Exe(desktop, document,
                               [&](Module1::MessageKind kind, const QString& text) {
                                 QCOMPARE(kind, Module1::MessageKind::Plain);
                                 shown << text;
                               }),
             result);
    QCOMPARE(desktop.lookedUp, std::vector<std::string>{document.toStdString()});
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
  }
};

int runModule1Tests(int argc, char** argv) {
  Module1Tests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "module1_tests.moc"
