// Test doubles for the platform services whose outcomes the real system
// cannot be made to produce on demand.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/SystemLog.h"
#include "platform/Workspace.h"

namespace qv::test {

struct LogRecord {
  std::int64_t severity;
  std::string line;
};

// Captures log records instead of writing them.
class CapturingLog final : public SystemLog {
 public:
  CapturingLog() : scope_(*this) {}
  void write(std::int64_t severity, const String& line) override;
  std::vector<LogRecord> records() const;
  std::vector<std::string> lines() const;

 private:
  mutable std::mutex mutex_;
  std::vector<LogRecord> records_;
  ScopedOverride<SystemLog> scope_;
};

// Answers every alert with a chosen button and remembers what it was shown.
class ScriptedAlertPresenter final : public AlertPresenter {
 public:
  explicit ScriptedAlertPresenter(std::int64_t answer) : answer_(answer), scope_(*this) {}
  std::int64_t runModal(const Alert& alert) override;
  struct Shown {
    std::string messageText, informativeText;
    std::vector<std::string> buttons;
    bool onMainThread;
  };
  std::vector<Shown> shown() const;
  // Runs while the alert is up, before the answer is given.
  std::function<void()> whileShown;

 private:
  std::int64_t answer_;
  mutable std::mutex mutex_;
  std::vector<Shown> shown_;
  ScopedOverride<AlertPresenter> scope_;
};

// A workspace whose answers the test sets; it records what it was asked.
class WorkspaceDouble final : public Workspace {
 public:
  WorkspaceDouble() : scope_(*this) {}
  std::vector<Ref<RunningApplication>> runningApplications() override { return running; }
  Ref<RunningApplication> launchApplicationAtURL(const URL& url, std::uint64_t options, const Dictionary& configuration,
                                                 Error* error) override;
  bool openURL(const URL& url) override;

  std::vector<Ref<RunningApplication>> running;
  Ref<RunningApplication> launchResult;
  Error launchError;
  std::vector<URL> launched;
  std::vector<std::uint64_t> launchOptions;
  std::vector<Dictionary> launchConfigurations;
  std::vector<URL> opened;

 private:
  ScopedOverride<Workspace> scope_;
};

// A main bundle whose URL, executable and classes the test chooses.
class BundleDouble final : public Bundle {
 public:
  explicit BundleDouble(String path = "/nonexistent/Double.app") : Bundle(std::move(path), true) {}
  static Ref<BundleDouble> make(String path = "/nonexistent/Double.app") { return Ref<BundleDouble>(new BundleDouble(std::move(path))); }
  URL bundleURL() const override { return hasURL ? (url ? url : Bundle::bundleURL()) : URL(); }
  String executablePath() const override { return executable; }
  Ref<Class> classNamed(const String& name) const override;

  bool hasURL = true;
  URL url;
  String executable = "/nonexistent/Double.app/Contents/MacOS/Double";
  std::vector<Ref<Class>> classes;
};

Ref<RunningApplication> runningApp(pid_t pid, const std::string& bundlePath);

}  // namespace qv::test
