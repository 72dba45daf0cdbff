// A stand-in for the desktop's sound player in tests. It opens one window titled
// "varno_testplayer" on whatever display its environment names (X11 or Wayland, through the
// toolkit), writes the arguments it got, one a line, to the file named by
// VARNO_TESTPLAYER_RECORD (when set) once that window is shown, and runs until the window is
// closed or destroyed, or it is killed. Without DISPLAY and WAYLAND_DISPLAY it opens no window
// and runs until it is killed. With VARNO_TESTPLAYER_EXIT set it opens nothing and exits with
// that status once it has written the record. With VARNO_TESTPLAYER_DIALOG set it first shows
// a dialog of its window (WM_TRANSIENT_FOR), its window half a second later, and hides the
// dialog, as some players hide a closed dialog instead of destroying it, a second after that.
#include <unistd.h>
#include <xcb/xcb.h>

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPainter>
#include <QRasterWindow>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kName = "varno_testplayer";

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Written whole under a temporary name and renamed, so a test never reads half of it.
bool record(const std::vector<std::string>& args) {
  const char* path = std::getenv("VARNO_TESTPLAYER_RECORD");
  if (!path || !*path) return true;
  const std::string temporary = std::string(path) + ".part";
  {
    std::ofstream out(temporary, std::ios::binary);
    for (const std::string& arg : args) out << arg << '\n';
    if (!out.flush()) return false;
  }
  return std::rename(temporary.c_str(), path) == 0;
}

class PlayerWindow : public QRasterWindow {
 public:
  explicit PlayerWindow(std::vector<std::string> args) : args_(std::move(args)) {
    setTitle(QLatin1String(kName));
    resize(320, 120);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter(this).fillRect(QRect(QPoint(), size()), Qt::white);
  }

  // Recorded only now, so a test that reads the record knows the window is there to be found.
  void exposeEvent(QExposeEvent* event) override {
    QRasterWindow::exposeEvent(event);
    if (recorded_ || !isExposed()) return;
    recorded_ = true;
    if (!record(args_)) {
      std::fprintf(stderr, "%s: cannot write the record file\n", kName);
      QCoreApplication::exit(1);
    }
  }

 private:
  std::vector<std::string> args_;
  bool recorded_ = false;
};

// Another client may destroy our X11 window outright; the toolkit would keep running without it.
class DestroyWatch : public QAbstractNativeEventFilter {
 public:
  explicit DestroyWatch(const QWindow& window) : window_(window) {}

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
        reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == window_.winId())
      QCoreApplication::exit(0);
    return false;
  }

 private:
  const QWindow& window_;
};

}  // namespace

int main(int argc, char** argv) {
  // Taken before the toolkit removes the options it knows from argv.
  const std::vector<std::string> args(argv + 1, argv + argc);
  const char* exitStatus = std::getenv("VARNO_TESTPLAYER_EXIT");
  if (exitStatus || (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"))) {
    if (!record(args)) {
      std::fprintf(stderr, "%s: cannot write the record file\n", kName);
      return 1;
    }
    if (exitStatus) return std::atoi(exitStatus);
    for (;;) pause();
  }
  QGuiApplication app(argc, argv);
  PlayerWindow window(args);
  DestroyWatch destroyWatch(window);
  app.installNativeEventFilter(&destroyWatch);
  if (!isSet("VARNO_TESTPLAYER_DIALOG")) {
    window.show();
    return app.exec();
  }
  QRasterWindow dialog;
  dialog.setTitle(QStringLiteral("%1 dialog").arg(QLatin1String(kName)));
  dialog.resize(200, 80);
  window.create();
  dialog.setTransientParent(&window);
  dialog.show();
  QTimer::singleShot(500, &window, [&window] { window.show(); });
  QTimer::singleShot(1500, &dialog, [&dialog] { dialog.hide(); });
  return app.exec();
}
