// The shared workspace: running applications, launching applications,
// opening URLs with the desktop's handlers and moving files to the Trash.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/Error.h"
#include "platform/Object.h"
#include "platform/Service.h"
#include "platform/URL.h"
#include "platform/Values.h"

namespace qv {

inline constexpr std::uint64_t NSWorkspaceLaunchAsync = 0x10000;
inline constexpr const char* NSWorkspaceLaunchConfigurationArguments = "NSWorkspaceLaunchConfigurationArguments";
inline constexpr const char* NSWorkspaceLaunchConfigurationEnvironment = "NSWorkspaceLaunchConfigurationEnvironment";

class RunningApplication final : public Object {
 public:
  RunningApplication(pid_t pid, URL bundleURL, std::string executablePath);

  pid_t processIdentifier() const { return pid_; }
  URL bundleURL() const { return bundleURL_; }
  // Made on request: the scan of /proc makes one object per process.
  URL executableURL() const { return URL::fileURLWithPath(String::fromUTF8(executablePath_), false); }
  // Read from the bundle's Info.plist on first use.
  String bundleIdentifier() const;
  String localizedName() const;
  bool isTerminated() const;
  // Asks the application to quit (SIGTERM).
  bool terminate() const;

  // Every running application whose bundle has that identifier.
  static std::vector<Ref<RunningApplication>> runningApplicationsWithBundleIdentifier(const String& identifier);

  const char* className() const override { return "NSRunningApplication"; }
  String description() const override;

 private:
  pid_t pid_;
  URL bundleURL_;
  std::string executablePath_;
  mutable std::once_flag identifierOnce_;
  mutable String identifier_;
};

class Workspace {
 public:
  virtual ~Workspace() = default;
  static Workspace& sharedWorkspace();

  // The user's own processes, in /proc order; a process whose executable (or
  // whose #! script) lies in Name.app/Contents/MacOS has that bundle's URL.
  virtual std::vector<Ref<RunningApplication>> runningApplications();
  // Starts the bundle's CFBundleExecutable detached from the caller; nil and
  // an error saying why when it cannot be started.
  virtual Ref<RunningApplication> launchApplicationAtURL(const URL& url, std::uint64_t options,
                                                         const Dictionary& configuration, Error* error);
  // Hands the URL to the desktop's default handler; false when none took it.
  virtual bool openURL(const URL& url);
  // Moves the files to the user's Trash without blocking the caller. The
  // handler, when given, runs on a worker thread with the first failure.
  virtual void recycleURLs(const std::vector<URL>& urls, std::function<void(const Error& error)> completionHandler = {});
};

}  // namespace qv
