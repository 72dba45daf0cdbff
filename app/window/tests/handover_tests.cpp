// The hand-over's message: a file and its launcher's token arrive whole, with or without a
// token and whatever bytes but NUL the path holds; what no second start sends opens nothing.
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <vector>

#include "window/file_handover.h"

using varno::window::FileHandover;
using varno::window::HandedFile;
using varno::window::readHandover;

class HandoverTests : public QObject {
  Q_OBJECT

 private slots:
  void messages() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::vector<HandedFile> opened;
    const FileHandover handover(dir.path(), [&](const HandedFile& h) { opened.push_back(h); });
    std::string everyByte = "/music/";
    for (int c = 1; c < 256; ++c) everyByte += static_cast<char>(c);
    // The longest path and token that are taken.
    const std::string longestPath = '/' + std::string(64 * 1024 - 1, 'x');
    const std::string longestToken(4 * 1024, 't');
    const std::vector<HandedFile> handed = {{"/music/a.wav", ""},
                                            {everyByte + ".wav", "files-2-host-Varno-0_TIME7"},
                                            {longestPath, longestToken}};
    for (const HandedFile& h : handed) QVERIFY(FileHandover::handTo(dir.path(), h));
    QTRY_COMPARE(opened.size(), handed.size());
    for (const HandedFile& h : handed) QCOMPARE(std::ranges::count(opened, h), 1);

    const QByteArray refused[] = {
        {},
        QByteArray("\0token", 6),
        QByteArray("/a.wav\0t\0u", 10),
        QByteArray::fromStdString(longestPath + 'x'),
        QByteArray("/a.wav\0", 7) + QByteArray::fromStdString(longestToken + 't')};
    for (const QByteArray& message : refused) QVERIFY(!readHandover(message));
  }
};

int runHandoverTests(int argc, char** argv) {
  HandoverTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "handover_tests.moc"
