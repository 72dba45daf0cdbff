#pragma once
// What the window's tests share: a program folder of their own beside the real converters,
// and a window whose message boxes are recorded instead of shown.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>

#include "fake_desktop.h"
#include "form_varno.h"

struct Message {
  Module1::MessageKind kind;
  QString text;
};

// A program folder in a temporary directory, holding links to the real pelkin and trosk.
class ProgramDir {
 public:
  ProgramDir();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }

 private:
  QTemporaryDir dir_;
};

// A window on a fake desktop in its own program folder; messages go to `messages`.
struct Harness {
  explicit Harness(bool runStarts = false);
  ~Harness();
  ProgramDir dir;
  varno::FakeDesktop desktop;
  std::vector<Message> messages;
  std::unique_ptr<formVarno> form;
};

// Writes `bytes` to `path`; false when it could not.
bool writeFile(const QString& path, const QByteArray& bytes);
