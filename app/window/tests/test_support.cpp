#include "test_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QtEndian>
#include <QComboBox>
#include <QTest>

ProgramDir::ProgramDir() {
  for (const char* program : {"pelkin", "trosk"}) useReal(QLatin1String(program));
}

bool ProgramDir::useStandIn(const QString& name, const QByteArray& last) const {
  QFile::remove(file(name));
  return writeFile(file(name), "#!/bin/sh\nsed -i '3s/.*/run\\r/' \"$1\"\n" + last + "\n") &&
         QFile::setPermissions(file(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

bool ProgramDir::useReal(const QString& name) const {
  QFile::remove(file(name));
  return QFile::link(QStringLiteral(VARNO_BIN_DIR "/") + name, file(name));
}

Harness::Harness(bool runStarts) {
  desktop.runStarts = runStarts;
  form = std::make_unique<formVarno>(desktop, dir.path());
  form->showMessage = [this](Module1::MessageKind kind, const QString& text) { messages.push_back({kind, text}); };
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray waveBytes(int rate, int bits, int channels, const std::vector<int>& samples, int formatTag) {
  const int bytesPerSample = bits / 8;
  QByteArray data;
  for (int v : samples) {
    if (bytesPerSample == 1) {
      data.append(static_cast<char>(v & 0xFF));
    } else {
      data.append(static_cast<char>(v & 0xFF));
      data.append(static_cast<char>((v >> 8) & 0xFF));
    }
  }
  auto u32 = [](quint32 v) {
    QByteArray b(4, 0);
    qToLittleEndian(v, b.data());
    return b;
  };
  auto u16 = [](quint16 v) {
    QByteArray b(2, 0);
    qToLittleEndian(v, b.data());
    return b;
  };
  const int blockAlign = channels * bytesPerSample;
  return "RIFF" + u32(36 + data.size()) + "WAVE" + "fmt " + u32(16) + u16(formatTag) + u16(channels) + u32(rate) +
         u32(rate * blockAlign) + u16(blockAlign) + u16(bits) + "data" + u32(data.size()) + data;
}

void dropUrls(formVarno& form, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPointF at(10, 10);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.Text1, &enter);
  QDropEvent drop(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(form.Text1, &drop);
}

void dropFiles(formVarno& form, const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
  dropUrls(form, urls);
}

QByteArray sampleText(const QByteArray& rateLine, const QByteArray& bitsLine, const std::vector<int>& samples) {
  QByteArray text = rateLine + "\r\n" + bitsLine + "\r\n";
  for (int v : samples) text += QByteArray::number(v) + "\r\n";
  return text;
}

void finishCaptureByHand(const Harness& h, const QByteArray& rateLine, const QByteArray& bitsLine,
                         const std::vector<int>& samples) {
  writeFile(h.form->Org_Txt, sampleText(rateLine, bitsLine, samples));
  const QList<QByteArray> job = readFile(h.form->Conv_Ini).split('\n');
  writeFile(h.form->Conv_Ini, job.value(0) + "\n" + job.value(1) + "\nclose\r\n");
}

void captureByHand(Harness& h, const QByteArray& rateLine, const QByteArray& bitsLine, const std::vector<int>& samples) {
  const QString wave = h.dir.file("sound.wav");
  writeFile(wave, "RIFF");
  dropFiles(*h.form, {wave});
  finishCaptureByHand(h, rateLine, bitsLine, samples);
  QTRY_VERIFY(!h.form->Timer1->isActive() && h.form->Combo1->isEnabled());
}
