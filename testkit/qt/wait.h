#pragma once
// Waiting for what the event loop brings about.
#include <QDeadlineTimer>
#include <QtCore/qtestsupport_core.h>

namespace varno::testkit {

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
