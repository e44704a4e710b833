// The example principal application: shows that it runs (a window when a
// display is there, else a line on standard output) and keeps running until
// it is stopped.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "log/QVSiteTag.h"
#include "platform/Application.h"
#include "platform/Bundle.h"

#ifdef QV_EXAMPLE_WINDOW
#include <QApplication>
#include <QLabel>
#endif

namespace {

class ExampleAppDelegate final : public qv::Object, public qv::ApplicationDelegate {
 public:
  void applicationDidFinishLaunching(const qv::Id&) override {
    qv::String path = qv::Bundle::mainBundle()->bundlePath();
    std::printf("Example is running (pid %d) from %s\n", static_cast<int>(::getpid()), path.UTF8String().c_str());
    std::fflush(stdout);
#ifdef QV_EXAMPLE_WINDOW
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((display && *display) || (wayland && *wayland)) {
      static int argc = 1;
      static char name[] = "Example";
      static char* argv[] = {name, nullptr};
      QApplication app(argc, argv);
      QLabel label(QString::fromUtf8("Example is running.\n%1").arg(QString::fromStdString(path.UTF8String())));
      label.setMargin(24);
      label.setWindowTitle(QStringLiteral("Example"));
      label.show();
      std::exit(app.exec());
    }
#endif
  }
  const char* className() const override { return "ExampleAppDelegate"; }
};

[[maybe_unused]] const bool registered = [] {
  qv::registerClass(std::make_shared<qv::Class>("ExampleAppDelegate", [] { return std::make_shared<ExampleAppDelegate>(); }));
  return true;
}();

}  // namespace

int main(int argc, const char* argv[]) { return NSApplicationMain(argc, argv); }
