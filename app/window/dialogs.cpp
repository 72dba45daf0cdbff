#include "window/dialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>

namespace varno::window {

void showMessageBox(QWidget* parent, Module1::MessageKind kind, const QString& text) {
  const bool information = kind == Module1::MessageKind::Information;
  QMessageBox box(information ? QMessageBox::Information : QMessageBox::NoIcon,
                  QStringLiteral("Varno"), text, QMessageBox::Ok, parent);
  if (information) {
    box.show();
    box.raise();
    box.activateWindow();
  }
  box.exec();
}

bool askToConvertInDialog(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("Varno"), text, QMessageBox::NoButton,
                  parent);
  QPushButton* const convert =
      box.addButton(QStringLiteral("変換して取り込む"), QMessageBox::AcceptRole);
  box.setEscapeButton(box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole));
  box.setDefaultButton(convert);
  box.exec();
  return box.clickedButton() == convert;
}

QString askSaveNameInDialog(QWidget* parent, const QString& suggested) {
  QFileDialog dialog(parent, QStringLiteral("画像を保存"), suggested,
                     QStringLiteral("PNG 画像 (*.png)"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("png"));
  return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
}

QString suggestedPictureName(const QString& fileName) {
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  const QString folder =
      !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
  return folder + QLatin1Char('/') + fileName;
}

QString savePicture(const QPixmap& picture, const QString& file) {
  QSaveFile out(file);
  if (out.open(QIODevice::WriteOnly) && picture.save(&out, "PNG") && out.commit()) return {};
  const QString lineEnd = QStringLiteral("\r\n");
  return QStringLiteral("画像を保存できませんでした。") + lineEnd + QDir::toNativeSeparators(file) +
         lineEnd + out.errorString();
}

}  // namespace varno::window
