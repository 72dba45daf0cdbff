#pragma once
// What the window's tests share: a program folder of their own beside the real converters,
// and a window whose message boxes are recorded instead of shown.
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "testkit/qt/events.h"
#include "testkit/qt/fake_desktop.h"
#include "testkit/qt/files.h"
#include "testkit/wave.h"
#include "window/form_varno.h"

using namespace varno::testkit;
using varno::window::formVarno;
using varno::window::PictureBox;
namespace Module1 = varno::window::Module1;

// How long a real converter may take in a test, in ms: slow machines under load included.
constexpr int kConverterTimeout = 15000;

struct Message {
  Module1::MessageKind kind;
  QString text;
};

// A program folder in a temporary directory, holding links to the real converters.
class ProgramDir {
 public:
  ProgramDir();
  QString path() const { return dir_.path(); }
  QString file(const QString& name) const { return dir_.filePath(name); }
  // Puts a shell script in place of converter `name`: it writes "run" as its job's status,
  // then runs `last` (such as "kill -9 $$" to die, or "exec sleep 600" to hang).
  bool useStandIn(const QString& name, const QByteArray& last) const;
  // Puts the real converter `name` back.
  bool useReal(const QString& name) const;

 private:
  QTemporaryDir dir_;
};

// A window on a fake desktop in its own program folder; messages go to `messages`.
struct Harness {
  explicit Harness(bool runStarts = false);
  ProgramDir dir;
  FakeDesktop desktop;
  std::vector<Message> messages;
  // The questions whether to convert a file, answered with `convert`.
  std::vector<QString> questions;
  bool convert = false;
  std::unique_ptr<formVarno> form;
};

// Plays pelkin's part by hand: the sample text in Data/Org_txt.txt, then "close" in the
// job file, so the next Timer1 tick finishes the capture.
void finishCaptureByHand(const Harness& h, const QByteArray& rateLine, const QByteArray& bitsLine,
                         const std::vector<int>& samples);

// A drop of a file that exists, then the capture finished by hand with these samples; waits
// until the window has taken it.
void captureByHand(Harness& h, const QByteArray& rateLine, const QByteArray& bitsLine,
                   const std::vector<int>& samples);

// A sample-text file: the two header lines, then one value a line, every line with CR LF.
QByteArray sampleText(const QByteArray& rateLine, const QByteArray& bitsLine,
                      const std::vector<int>& samples);

// How often the window started trosk.
std::size_t troskStarts(const Harness& h);

// Whether any pixel of `image` has exactly the colour `rgb` (0xRRGGBB).
bool hasColour(const QImage& image, QRgb rgb);

// The row and column of the inner area where the user coordinate (x, y) lands.
inline int columnOf(double x) { return static_cast<int>(x * 501 / 500); }
inline int rowOf(double y) { return static_cast<int>(y * 203 / 200); }
