#include "test_support.h"

#include <QComboBox>
#include <QFile>
#include <QTest>
#include <algorithm>

ProgramDir::ProgramDir() {
  for (const char* program : {"pelkin", "trosk", "decoder"}) useReal(QLatin1String(program));
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
  form->showMessage = [this](Module1::MessageKind kind, const QString& text) {
    messages.push_back({kind, text});
  };
  form->askToConvert = [this](const QString& question) {
    questions.push_back(question);
    return convert;
  };
}

QByteArray sampleText(const QByteArray& rateLine, const QByteArray& bitsLine,
                      const std::vector<int>& samples) {
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

void captureByHand(Harness& h, const QByteArray& rateLine, const QByteArray& bitsLine,
                   const std::vector<int>& samples) {
  const QString wave = h.dir.file("sound.wav");
  writeFile(wave, "RIFF");
  dropFiles(h.form->Text1, {wave});
  finishCaptureByHand(h, rateLine, bitsLine, samples);
  QTRY_VERIFY(!h.form->Timer1->isActive() && h.form->Combo1->isEnabled());
}

std::size_t troskStarts(const Harness& h) {
  return std::count_if(
      h.desktop.starts.begin(), h.desktop.starts.end(),
      [&](const FakeDesktop::Start& s) { return s.program == h.form->Rev_Exe.toStdString(); });
}

bool hasColour(const QImage& image, QRgb rgb) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == rgb) return true;
  return false;
}
