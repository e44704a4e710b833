#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "platform/Alert.h"
#include "platform/LazyLibrary_linux.h"

namespace qv::alert {

namespace {

using RunWindow = int(const char* message, const char* informative, const char* const* buttons, int count,
                      long long* answer);

bool isSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

struct WindowPlugin {
  std::unique_ptr<LazyLibrary> library;  // kept loaded: Qt cannot be unloaded safely
  RunWindow* run = nullptr;
};

// The plugin brings in Qt, so it is opened on the first alert that can be shown
// in a window, not before.
RunWindow* windowEntryPoint() {
  static const WindowPlugin plugin = [] {
    std::vector<std::string> candidates;
    if (isSet("QV_ALERT_WINDOW_PLUGIN")) candidates.emplace_back(std::getenv("QV_ALERT_WINDOW_PLUGIN"));
    candidates.emplace_back(QV_PLUGIN_BUILD_DIR "/libqvalertwindow.so");
    candidates.emplace_back(QV_PLUGIN_INSTALL_DIR "/libqvalertwindow.so");
    WindowPlugin found;
    for (const auto& path : candidates) {
      found.library = std::make_unique<LazyLibrary>(path.c_str());
      if (found.library->resolve(found.run, "qv_alert_window_run")) return found;
    }
    return WindowPlugin{};
  }();
  return plugin.run;
}

}  // namespace

std::optional<std::int64_t> presentInWindow(const Alert& a) {
  if (!isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY") && !isSet("QT_QPA_PLATFORM")) return std::nullopt;
  RunWindow* run = windowEntryPoint();
  if (!run) return std::nullopt;

  std::vector<std::string> titles;
  for (const auto& title : a.buttonTitles()) titles.push_back(title.UTF8String());
  std::vector<const char*> buttons;
  for (const auto& title : titles) buttons.push_back(title.c_str());
  const std::string message = a.messageText().UTF8String();
  const std::string informative = a.informativeText().UTF8String();

  long long answer = 0;
  if (run(message.c_str(), informative.c_str(), buttons.data(), static_cast<int>(buttons.size()), &answer) != 0)
    return std::nullopt;
  const auto count = static_cast<long long>(titles.empty() ? 1 : titles.size());
  if (answer < NSAlertFirstButtonReturn || answer >= NSAlertFirstButtonReturn + count) return a.acknowledgeAnswer();
  return answer;
}

}  // namespace qv::alert
