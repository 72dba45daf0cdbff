#pragma once
// Events as the desktop and the event loop bring them: drops, and waiting for their effects.
#include <QtCore/qtestsupport_core.h>
#include <QDeadlineTimer>
#include <QList>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace varno::testkit {

// The drag enters the target, then drops on it.
void dropUrls(QWidget* target, const QList<QUrl>& urls);
// The files as file URLs.
void dropFiles(QWidget* target, const QStringList& paths);

// Runs the event loop until `condition` holds, looking every 2 ms, finer than QTRY's 50 ms
// steps; false when `milliseconds` passed first.
template <typename Condition>
bool waitUntil(Condition condition, int milliseconds) {
  const QDeadlineTimer deadline(milliseconds);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QTest::qWait(2);
  }
  return true;
}

}  // namespace varno::testkit
