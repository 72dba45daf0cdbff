#include <QProcess>
#include <QString>
#include <QStringList>

#include "desktop.h"

namespace varno {

bool startDetachedProcess(const std::string& program, const std::vector<std::string>& args,
                          std::int64_t* pid) {
  if (program.empty()) return false;
  QStringList arguments;
  arguments.reserve(static_cast<qsizetype>(args.size()));
  for (const std::string& arg : args) arguments << QString::fromStdString(arg);
  qint64 started = 0;
  // QProcess reports a failed exec back to us, so a missing or non-executable program is false.
  if (!QProcess::startDetached(QString::fromStdString(program), arguments, QString(), &started))
    return false;
  if (pid) *pid = started;
  return true;
}

}  // namespace varno
