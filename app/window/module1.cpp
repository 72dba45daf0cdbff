#include "window/module1.h"

#include <sys/stat.h>

#include <QFile>
#include <cerrno>

#include "common/numtext.h"

namespace varno::window::Module1 {

QString Right_Fit(double value, int width) {
  const QString s = QString::fromStdString(varno::common::numberText(value)).mid(1);
  if (s.size() > width) return s.right(width);
  return QString(width - s.size(), QLatin1Char(' ')) + s;
}

QString Cut_Quote(const QString& text) {
  QString s = text;
  if (s.startsWith(QLatin1Char('"'))) s.remove(0, 1);
  if (s.endsWith(QLatin1Char('"'))) s.chop(1);
  return s;
}

namespace {

// What a failed lookup says, in the words the desktop's own failures have always had.
QString lookupFailureText(varno::desktop::LookupResult result) {
  using varno::desktop::LookupResult;
  switch (result) {
    case LookupResult::NoDocument:
      return QStringLiteral("指定されたファイルが見つかりませんでした。");
    case LookupResult::NoAssociation:
      return QStringLiteral("指定されたファイルタイプに対応する関連付けが存在しません。");
    case LookupResult::Failed: return QStringLiteral("不明なエラー");
    case LookupResult::Found: break;
  }
  return {};
}

}  // namespace

QString Find_Exe(varno::desktop::Desktop& desktop, const QString& document,
                 const MessageHook& message) {
  return Find_Exe(desktop, QFile::encodeName(document).toStdString(), message);
}

QString Find_Exe(varno::desktop::Desktop& desktop, const std::string& document,
                 const MessageHook& message) {
  const varno::desktop::ProgramLookup found = desktop.findExecutable(document);
  if (found.result != varno::desktop::LookupResult::Found) {
    const QString text = lookupFailureText(found.result);
    if (!text.isEmpty() && message) message(MessageKind::Plain, text);
    return {};
  }
  // No cut after ".exe" here: Linux programs have no such ending, and a directory of the
  // path may well hold ".exe".
  const QString program = Replace_All(QFile::decodeName(QByteArray::fromStdString(found.program)),
                                      QString(QChar(0)), QStringLiteral(" "));
  return QLatin1Char('"') + program + QLatin1Char('"');
}

QString Replace_All(const QString& text, const QString& find, const QString& replacement) {
  if (find.isEmpty()) return text;
  QString s = text;
  qsizetype from = 0;
  for (;;) {
    const qsizetype at = s.indexOf(find, from, Qt::CaseSensitive);
    if (at < 0) return s;
    s.replace(at, find.size(), replacement);
    from = at + replacement.size();
  }
}

int Make_Dir(const QString& path) {
  if (::mkdir(QFile::encodeName(path).constData(), 0777) == 0) return 0;
  return errno;
}

int Check_File(const QString& path, int mode) {
  struct stat info {};
  int error = 0;
  if (::stat(QFile::encodeName(Cut_Quote(path)).constData(), &info) != 0)
    error = errno;
  else if (S_ISDIR(info.st_mode))
    error = EISDIR;
  if (mode == 0 && error > 0) return 1;
  return error;
}

}  // namespace varno::window::Module1
