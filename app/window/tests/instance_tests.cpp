// Varno itself, started as a program from copies in a folder of the test: one window per data
// folder, and the user's own folder when the program folder cannot be written.
#include <sys/stat.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "test_support.h"

namespace {

// A start includes building the font database, which is slow on a loaded machine.
constexpr int kStartTimeout = 30000;
const QString kAlreadyRunning = QStringLiteral("すでに起動しています");
const QString kCannotWrite = QStringLiteral("書き込めない");

// The user Varno runs as in these tests: the test's own, or nobody when the test runs as root,
// for whom no permission bit binds.
bool runsAsNobody() { return ::geteuid() == 0; }

// Every folder under `root`, and every file with its size and digest, in a fixed order: a run
// that wrote, removed or rewrote anything there shows as a difference.
QStringList snapshot(const QString& root) {
  QStringList entries;
  QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext()) {
    const QFileInfo info = it.nextFileInfo();
    const QString name = QDir(root).relativeFilePath(info.filePath());
    if (info.isDir()) {
      entries << name + QLatin1Char('/');
      continue;
    }
    entries << QStringLiteral("%1 %2 %3")
                   .arg(name)
                   .arg(info.size())
                   .arg(QString::fromLatin1(
                       QCryptographicHash::hash(readFile(info.filePath()), QCryptographicHash::Sha1)
                           .toHex()));
  }
  entries.sort();
  return entries;
}

// The process that holds an flock on `file`, from the kernel's own table (0: none). Read
// rather than probed, so that the test never holds the lock a starting Varno asks for.
qint64 lockHolder(const QString& file) {
  struct stat st {};
  if (::stat(QFile::encodeName(file).constData(), &st) != 0) return 0;
  // Lines read "1: FLOCK  ADVISORY  WRITE <pid> <major>:<minor>:<inode> 0 EOF"; the device is
  // left out, as some file systems report another one to stat than to the lock table.
  const QByteArray inode = ':' + QByteArray::number(static_cast<qulonglong>(st.st_ino));
  for (const QByteArray& line : readFile(QStringLiteral("/proc/locks")).split('\n')) {
    const QList<QByteArray> words = line.simplified().split(' ');
    if (words.size() >= 6 && words[1] == "FLOCK" && words[5].endsWith(inode))
      return words[4].toLongLong();
  }
  return 0;
}

// A test's folders: the program folder with its own copies of Varno and the converters (Varno
// takes the folder its executable really is in, so links would not do), a home, and a data
// folder; each open to the user Varno runs as.
class Folders {
 public:
  Folders() {
    // QTemporaryDir makes its folder for its owner only.
    QFile::setPermissions(root_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::ExeOther);
    QDir root(root_.path());
    for (const char* name : {"program", "home", "data"}) root.mkdir(QLatin1String(name));
    for (const char* name : {"home", "data"}) open(root_.filePath(QLatin1String(name)));
    for (const char* name : {"Varno", "pelkin", "trosk", "decoder"})
      copied_ &= QFile::copy(QStringLiteral(VARNO_BIN_DIR "/") + QLatin1String(name),
                             program() + QLatin1Char('/') + QLatin1String(name));
  }
  ~Folders() {
    // Our own, closed folders must be writable again for the temporary folder to go.
    for (const QString& folder : closed_) open(folder);
  }

  bool valid() const { return root_.isValid() && copied_; }
  // Canonical, as Varno names its folders.
  QString program() const {
    return QFileInfo(root_.filePath(QStringLiteral("program"))).canonicalFilePath();
  }
  QString home() const {
    return QFileInfo(root_.filePath(QStringLiteral("home"))).canonicalFilePath();
  }
  QString data() const {
    return QFileInfo(root_.filePath(QStringLiteral("data"))).canonicalFilePath();
  }

  // Readable and traversable, but not writable, by anyone who does not own it (and not by
  // its owner either while that is not root).
  bool close(const QString& folder) {
    closed_ << folder;
    return QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                             QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
  }
  // Writable by anyone, the user Varno runs as included.
  static void open(const QString& folder) {
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther);
  }

 private:
  QTemporaryDir root_;
  bool copied_ = true;
  QStringList closed_;
};

// One Varno started by the test, offscreen, with `folders`' home and data folder and the
// variables of `launcher` (name, value); killed when the test is done with it, pass or fail.
class Varno {
 public:
  Varno(const Folders& folders, bool asNobody, const QStringList& arguments = {},
        const QList<std::pair<QString, QString>>& launcher = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : launcher) env.insert(name, value);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("HOME"), folders.home());
    env.insert(QStringLiteral("XDG_DATA_HOME"), folders.data());
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CONFIG_HOME", "XDG_CACHE_HOME"})
      env.remove(QLatin1String(name));
    // Ours is not nobody's; Qt makes one of its own.
    if (asNobody) env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    process_.setProcessEnvironment(env);
    process_.setWorkingDirectory(folders.home());
    const QString program = folders.program() + QStringLiteral("/Varno");
    // setpriv becomes Varno in the same process, so the id we know is Varno's.
    if (asNobody)
      process_.start(QStringLiteral("setpriv"),
                     QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                 QStringLiteral("--clear-groups"), program} +
                         arguments);
    else
      process_.start(program, arguments);
  }
  ~Varno() { kill(); }

  qint64 pid() const { return process_.processId(); }
  bool running() const { return process_.state() != QProcess::NotRunning; }
  // Everything it wrote to standard error so far.
  QString errors() {
    errors_ += process_.readAllStandardError();
    return QString::fromUtf8(errors_);
  }
  void kill() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(kStartTimeout);
  }
  bool terminate() {
    process_.terminate();
    return process_.waitForFinished(kStartTimeout);
  }

 private:
  QProcess process_;
  QByteArray errors_;
};

}  // namespace

class InstanceTests : public QObject {
  Q_OBJECT

 private slots:
  // A second window on the same data folder says so and touches nothing; the lock goes with
  // the first window.
  void oneWindowPerDataFolder() {
    Folders folders;
    QVERIFY(folders.valid());
    const QString program = folders.program();
    const QString lock = program + QStringLiteral("/varno.lock");
    // The job files of an earlier run, which only the window holding the folder may rewrite.
    QVERIFY(writeFile(program + QStringLiteral("/pelkin.ini"),
                      "/music/a.wav\r\n/x/Org_txt.txt\r\nclose\r\n"));
    QVERIFY(writeFile(program + QStringLiteral("/trosk.ini"),
                      "/x/Chg_txt.txt\r\n/x/Chg_wav.wav\r\nerror\r\n"));

    Varno first(folders, false);
    QTRY_VERIFY_WITH_TIMEOUT(
        !first.running() || (QFileInfo(program + QStringLiteral("/Data")).isDir() &&
                             lockHolder(lock) == first.pid()),
        kStartTimeout);
    QVERIFY2(first.running(), qPrintable(first.errors()));
    const QStringList before = snapshot(program);
    QVERIFY(before.contains(QStringLiteral("Data/")));

    {
      Varno second(folders, false);
      // Its message box waits for a click that cannot come offscreen.
      QTRY_VERIFY2_WITH_TIMEOUT(
          second.errors().contains(kAlreadyRunning) && second.errors().contains(program),
          qPrintable(second.errors()), kStartTimeout);
    }
    QVERIFY(first.running());
    QCOMPARE(lockHolder(lock), first.pid());
    QCOMPARE(snapshot(program), before);

    QVERIFY(first.terminate());
    Varno third(folders, false);
    QTRY_VERIFY_WITH_TIMEOUT(!third.running() || lockHolder(lock) == third.pid(), kStartTimeout);
    QVERIFY2(third.running(), qPrintable(third.errors()));
    QVERIFY(!third.errors().contains(kAlreadyRunning));
  }

  // Help and version need no display; without one Varno says so instead of aborting; a file
  // on the command line, relative to where Varno starts, is captured as a drop of it.
  void commandLine() {
    Folders folders;
    QVERIFY(folders.valid());
    const QString program = folders.program() + QStringLiteral("/Varno");
    QProcess plain;
    const QStringList unreachable{QStringLiteral("DISPLAY=:77"),
                                  QStringLiteral("WAYLAND_DISPLAY=/nonexistent/wayland-77")};
    const struct {
      QStringList arguments;
      QStringList environment;
      int exitCode;
      QString out;
      QString err;
    } runs[] = {
        {{QStringLiteral("--version")}, {}, 0, QStringLiteral("Varno " VARNO_VERSION "\n"), {}},
        {{QStringLiteral("--help")}, {}, 0, QStringLiteral("Usage: Varno [FILE]\n"), {}},
        {{}, {}, 1, {}, QStringLiteral("no display")},
        // A platform chosen by hand that cannot be reached is said so, not aborted on.
        {{},
         unreachable + QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")},
         1,
         {},
         QStringLiteral("the X display :77 cannot be reached")},
        {{QStringLiteral("-platform"), QStringLiteral("wayland;xcb")},
         unreachable,
         1,
         {},
         QStringLiteral("the X display :77 cannot be reached")}};
    for (const auto& run : runs) {
      QProcessEnvironment bare = QProcessEnvironment::systemEnvironment();
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        bare.remove(QLatin1String(name));
      for (const QString& setting : run.environment)
        bare.insert(setting.section(QLatin1Char('='), 0, 0), setting.section(QLatin1Char('='), 1));
      plain.setProcessEnvironment(bare);
      plain.start(program, run.arguments);
      QVERIFY(plain.waitForFinished(kStartTimeout));
      QCOMPARE(plain.exitCode(), run.exitCode);
      QVERIFY(QString::fromUtf8(plain.readAllStandardOutput()).startsWith(run.out));
      QVERIFY(QString::fromUtf8(plain.readAllStandardError()).contains(run.err));
    }

    QVERIFY(writeFile(folders.home() + QStringLiteral("/tone.wav"),
                      waveBytes({.rate = 8000, .bits = 8}, pcm8({128, 129}))));
    // Qt's own options are left to Qt.
    Varno varno(folders, false,
                {QStringLiteral("-style"), QStringLiteral("fusion"), QStringLiteral("--reverse"),
                 QStringLiteral("tone.wav")});
    const QString captured = folders.program() + QStringLiteral("/Data/Org_txt.txt");
    QTRY_VERIFY2_WITH_TIMEOUT(readFile(captured) == "8000\r\n8\r\n128\r\n129\r\n",
                              qPrintable(varno.errors()), kStartTimeout);
    QCOMPARE(readFile(folders.program() + QStringLiteral("/pelkin.ini")).split('\r').first(),
             QFile::encodeName(folders.home() + QStringLiteral("/tone.wav")));

    // A second start with a file, as a file manager's "Open with" makes it with its launcher's
    // tokens, hands the file to the running window and ends.
    QVERIFY(writeFile(folders.home() + QStringLiteral("/next.wav"),
                      waveBytes({.rate = 11025, .bits = 8}, pcm8({7}))));
    Varno second(
        folders, false, {QStringLiteral("next.wav")},
        {{QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("varno-test-token")},
         {QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("files-2-host-Varno-0_TIME7")}});
    QTRY_VERIFY_WITH_TIMEOUT(!second.running(), kStartTimeout);
    QVERIFY2(!second.errors().contains(kAlreadyRunning), qPrintable(second.errors()));
    QTRY_VERIFY2_WITH_TIMEOUT(readFile(captured) == "11025\r\n8\r\n7\r\n",
                              qPrintable(varno.errors()), kStartTimeout);
    // A file Varno cannot open is handed over too: the running window says so.
    QVERIFY(writeFile(folders.home() + QStringLiteral("/notes.txt"), "words"));
    Varno third(folders, false, {QStringLiteral("notes.txt")});
    QTRY_VERIFY_WITH_TIMEOUT(!third.running(), kStartTimeout);
    QVERIFY2(!third.errors().contains(kAlreadyRunning), qPrintable(third.errors()));
    QVERIFY(varno.running());
  }

  // A program folder the user cannot write: the user's data folder instead, and a refusal
  // that writes nothing when that cannot be written either.
  void closedProgramFolder() {
    const bool asNobody = runsAsNobody();
    if (asNobody && QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
      QSKIP(
          "running as root, the test needs setpriv (util-linux) to run Varno as a user bound by "
          "permissions");
    Folders folders;
    QVERIFY(folders.valid());
    const QString program = folders.program();
    const QString data = folders.data();
    QVERIFY(folders.close(program));
    const QStringList programBefore = snapshot(program);

    QVERIFY(folders.close(data));
    {
      Varno refused(folders, asNobody);
      QTRY_VERIFY2_WITH_TIMEOUT(refused.errors().contains(kCannotWrite) &&
                                    refused.errors().contains(data + QStringLiteral("/varno")),
                                qPrintable(refused.errors()), kStartTimeout);
    }
    QCOMPARE(snapshot(program), programBefore);
    QCOMPARE(snapshot(data), QStringList());

    folders.open(data);
    Varno varno(folders, asNobody);
    const QString own = data + QStringLiteral("/varno");
    QTRY_VERIFY_WITH_TIMEOUT(
        !varno.running() || (QFileInfo(own + QStringLiteral("/Data")).isDir() &&
                             lockHolder(own + QStringLiteral("/varno.lock")) == varno.pid()),
        kStartTimeout);
    QVERIFY2(varno.running(), qPrintable(varno.errors()));
    QCOMPARE(snapshot(program), programBefore);
  }
};

int runInstanceTests(int argc, char** argv) {
  InstanceTests tests;
  return QTest::qExec(&tests, argc, argv);
}

#include "instance_tests.moc"
