#include "test_support.h"

#include <QDir>
#include <QFile>

ProgramDir::ProgramDir() {
  for (const char* program : {"pelkin", "trosk"})
    QFile::link(QStringLiteral(VARNO_BIN_DIR "/") + QLatin1String(program), dir_.filePath(QLatin1String(program)));
}

Harness::Harness(bool runStarts) {
  desktop.runStarts = runStarts;
  Module1::Player_Wnd = 0;
  form = std::make_unique<formVarno>(desktop, dir.path());
  form->showMessage = [this](Module1::MessageKind kind, const QString& text) { messages.push_back({kind, text}); };
}

Harness::~Harness() {
  form.reset();
  Module1::Player_Wnd = 0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}
