#include "support/Doubles.h"

#include "platform/RunLoop.h"

namespace qv::test {

void CapturingLog::write(std::int64_t severity, const String& line) {
  std::lock_guard lock(mutex_);
  records_.push_back({severity, line.UTF8String()});
}

std::vector<LogRecord> CapturingLog::records() const {
  std::lock_guard lock(mutex_);
  return records_;
}

std::vector<std::string> CapturingLog::lines() const {
  std::vector<std::string> out;
  for (const auto& r : records()) out.push_back(r.line);
  return out;
}

std::int64_t ScriptedAlertPresenter::runModal(const Alert& alert) {
  Shown s{alert.messageText().UTF8String(), alert.informativeText().UTF8String(), {}, RunLoop::isMainThread()};
  for (const auto& b : alert.buttonTitles()) s.buttons.push_back(b.UTF8String());
  {
    std::lock_guard lock(mutex_);
    shown_.push_back(std::move(s));
  }
  if (whileShown) whileShown();
  return answer_;
}

std::vector<ScriptedAlertPresenter::Shown> ScriptedAlertPresenter::shown() const {
  std::lock_guard lock(mutex_);
  return shown_;
}

Ref<RunningApplication> WorkspaceDouble::launchApplicationAtURL(const URL& url, std::uint64_t options,
                                                                const Dictionary& configuration, Error* error) {
  launched.push_back(url);
  launchOptions.push_back(options);
  launchConfigurations.push_back(configuration);
  if (!launchResult) setOut(error, launchError);
  return launchResult;
}

bool WorkspaceDouble::openURL(const URL& url) {
  opened.push_back(url);
  return true;
}

Ref<Class> BundleDouble::classNamed(const String& name) const {
  for (const auto& c : classes) {
    if (String::fromUTF8(c->name()) == name) return c;
  }
  return nullptr;
}

Ref<RunningApplication> runningApp(pid_t pid, const std::string& bundlePath) {
  URL bundle = bundlePath.empty() ? URL() : URL::fileURLWithPath(String::fromUTF8(bundlePath), true);
  return std::make_shared<RunningApplication>(pid, bundle, "/bin/true");
}

}  // namespace qv::test
