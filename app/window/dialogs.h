#pragma once
// The window's modal boxes: message boxes titled with the program's name, and the dialog that
// asks where to save the graphs' picture; and the saving of a picture.
#include <QPixmap>
#include <QString>
#include <QWidget>

#include "window/module1.h"

namespace varno::window {

// An information box comes to the front; a plain one has no icon. Both have only OK.
void showMessageBox(QWidget* parent, Module1::MessageKind kind, const QString& text);

// Asks whether to convert a sound file into the plain PCM Varno reads: true for
// "変換して取り込む", the default, false for "キャンセル" or a closed box.
bool askToConvertInDialog(QWidget* parent, const QString& text);

// The file the user chose to save a PNG picture as, `suggested` offered; "" when cancelled.
QString askSaveNameInDialog(QWidget* parent, const QString& suggested);

// `fileName` in the user's pictures folder, or at home when there is none.
QString suggestedPictureName(const QString& fileName = QStringLiteral("varno.png"));

// Writes `picture` to `file` as a PNG, whole or not at all. "" when it was written, else the
// message to show: "画像を保存できませんでした。", the file and the system's reason, on lines
// of their own.
QString savePicture(const QPixmap& picture, const QString& file);

}  // namespace varno::window
