// Loaded by qvcore only when an alert is shown, so that programs never
// showing one never load Qt.
#include <dlfcn.h>

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <cstdlib>
#include <cstring>

#include "platform/qt/AlertDialog.h"

namespace {

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Qt aborts the process when it cannot reach its display, so ask the display
// libraries first.
bool xServerReachable() {
  void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (!xcb) return false;
  using Connect = void*(const char*, int*);
  using HasError = int(void*);
  using Disconnect = void(void*);
  auto* connect = reinterpret_cast<Connect*>(::dlsym(xcb, "xcb_connect"));
  auto* hasError = reinterpret_cast<HasError*>(::dlsym(xcb, "xcb_connection_has_error"));
  auto* disconnect = reinterpret_cast<Disconnect*>(::dlsym(xcb, "xcb_disconnect"));
  bool reachable = false;
  if (connect && hasError && disconnect) {
    void* connection = connect(nullptr, nullptr);
    reachable = connection && hasError(connection) == 0;
    if (connection) disconnect(connection);  // also frees a failed connection
  }
  ::dlclose(xcb);
  return reachable;
}

bool waylandReachable() {
  // Qt's Wayland platform ships apart from Qt itself.
  QDir platforms(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QStringLiteral("/platforms"));
  if (platforms.entryList({QStringLiteral("libqwayland*")}, QDir::Files).isEmpty()) return false;
  void* wayland = ::dlopen("libwayland-client.so.0", RTLD_NOW | RTLD_LOCAL);
  if (!wayland) return false;
  using Connect = void*(const char*);
  using Disconnect = void(void*);
  auto* connect = reinterpret_cast<Connect*>(::dlsym(wayland, "wl_display_connect"));
  auto* disconnect = reinterpret_cast<Disconnect*>(::dlsym(wayland, "wl_display_disconnect"));
  bool reachable = false;
  if (connect && disconnect) {
    if (void* display = connect(nullptr)) {
      reachable = true;
      disconnect(display);
    }
  }
  ::dlclose(wayland);
  return reachable;
}

// The platform to ask Qt for: empty for Qt's own choice, null when none works.
const char* choosePlatform() {
  if (isSet("QT_QPA_PLATFORM")) return "";
  if (isSet("DISPLAY") && xServerReachable()) return "xcb";
  if (isSet("WAYLAND_DISPLAY") && waylandReachable()) return "wayland";
  return nullptr;
}

bool ensureApplication() {
  if (QCoreApplication::instance()) return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
  const char* platform = choosePlatform();
  if (!platform) return false;
  // QApplication keeps references to argc and argv for its whole life.
  static int argc = 1;
  static char name[] = "qvalert";
  static char option[] = "-platform";
  static char platformName[16];
  static char* argv[] = {name, nullptr, nullptr, nullptr};
  if (*platform) {
    std::strncpy(platformName, platform, sizeof platformName - 1);
    argv[1] = option;
    argv[2] = platformName;
    argc = 3;
  }
  static QApplication* application = new QApplication(argc, argv);  // kept: Qt cannot start twice
  return application != nullptr;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int qv_alert_window_run(const char* message, const char* informative,
                                                                          const char* const* buttons, int count,
                                                                          long long* answer) {
  if (!answer || count < 0 || (count > 0 && !buttons)) return 2;
  if (!ensureApplication()) return 1;
  QStringList titles;
  for (int i = 0; i < count; ++i) titles << QString::fromUtf8(buttons[i] ? buttons[i] : "");
  auto box = qv::ui::makeAlertDialog(QString::fromUtf8(message ? message : ""),
                                     QString::fromUtf8(informative ? informative : ""), titles);
  *answer = qv::ui::runAlertDialog(*box);
  return 0;
}
