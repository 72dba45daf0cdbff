#pragma once
// Drops as the desktop makes them: the drag enters the target, then drops on it.
#include <QList>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace varno::testkit {

void dropUrls(QWidget* target, const QList<QUrl>& urls);
// The files as file URLs.
void dropFiles(QWidget* target, const QStringList& paths);

}  // namespace varno::testkit
