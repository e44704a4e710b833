#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/Workspace.h"

extern char** environ;

namespace qv {

Workspace& Workspace::sharedWorkspace() { return currentService<Workspace, Workspace>(); }

RunningApplication::RunningApplication(pid_t pid, URL bundleURL, std::string executablePath)
    : pid_(pid), bundleURL_(std::move(bundleURL)), executablePath_(std::move(executablePath)) {}

String RunningApplication::bundleIdentifier() const {
  std::call_once(identifierOnce_, [this] {
    if (auto bundle = Bundle::bundleWithURL(bundleURL_)) identifier_ = bundle->bundleIdentifier();
  });
  return identifier_;
}

String RunningApplication::localizedName() const {
  if (bundleURL_) return bundleURL_.lastPathComponent().stringByDeletingPathExtension();
  return String::fromUTF8(executablePath_).lastPathComponent();
}

bool RunningApplication::isTerminated() const {
  // A zombie has no executable any more; it has ended for every purpose here.
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/exe", static_cast<int>(pid_));
  char target[8];
  return ::readlink(path, target, sizeof target) < 0;
}

bool RunningApplication::terminate() const { return ::kill(pid_, SIGTERM) == 0; }

String RunningApplication::description() const {
  return format("<NSRunningApplication: %p (pid %d) %@>", static_cast<const void*>(this), static_cast<int>(pid_),
                bundleURL_ ? bundleURL_.path() : String::fromUTF8(executablePath_));
}

std::vector<Ref<RunningApplication>> RunningApplication::runningApplicationsWithBundleIdentifier(const String& identifier) {
  std::vector<Ref<RunningApplication>> matches;
  if (identifier.length() == 0) return matches;
  for (auto& app : Workspace::sharedWorkspace().runningApplications()) {
    if (app->bundleURL() && app->bundleIdentifier() == identifier) matches.push_back(std::move(app));
  }
  return matches;
}

namespace {

constexpr std::string_view kDeleted = " (deleted)";

std::string_view stripDeleted(std::string_view exe) {
  if (exe.size() > kDeleted.size() && exe.substr(exe.size() - kDeleted.size()) == kDeleted) exe.remove_suffix(kDeleted.size());
  return exe;
}

bool startsWithShebang(const std::string& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char head[2] = {};
  bool ok = ::read(fd, head, 2) == 2 && head[0] == '#' && head[1] == '!';
  ::close(fd);
  return ok;
}

// For a script started through its #! line the kernel runs the interpreter
// with the script's path as the first or second argument.
std::string scriptBundlePath(int procFd, const char* pid) {
  char path[300];
  std::snprintf(path, sizeof path, "%s/cmdline", pid);
  int fd = ::openat(procFd, path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {};
  char buffer[4096];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  ::close(fd);
  if (n <= 0) return {};
  std::string_view args(buffer, static_cast<std::size_t>(n));
  std::size_t start = 0;
  for (int index = 0; index < 3 && start < args.size(); ++index) {
    auto end = args.find('\0', start);
    if (end == std::string_view::npos) end = args.size();
    std::string_view arg = args.substr(start, end - start);
    start = end + 1;
    if (index == 0) continue;
    if (Bundle::bundlePathOfExecutable(arg).empty()) continue;
    std::string script(arg);
    if (script[0] != '/') {
      char cwdLink[300], cwd[PATH_MAX];
      std::snprintf(cwdLink, sizeof cwdLink, "%s/cwd", pid);
      ssize_t c = ::readlinkat(procFd, cwdLink, cwd, sizeof cwd - 1);
      if (c <= 0) return {};
      script = std::string(cwd, static_cast<std::size_t>(c)) + "/" + script;
    }
    std::string_view bundle = Bundle::bundlePathOfExecutable(script);
    if (bundle.empty() || !startsWithShebang(script)) return {};
    return std::string(bundle);
  }
  return {};
}

}  // namespace

std::vector<Ref<RunningApplication>> Workspace::runningApplications() {
  std::vector<Ref<RunningApplication>> apps;
  DIR* proc = ::opendir("/proc");
  if (!proc) return apps;
  int procFd = ::dirfd(proc);
  uid_t me = ::getuid();
  char link[300];
  char target[PATH_MAX];
  while (dirent* entry = ::readdir(proc)) {
    const char* name = entry->d_name;
    if (name[0] < '1' || name[0] > '9') continue;
    char* end = nullptr;
    long pid = std::strtol(name, &end, 10);
    if (*end != '\0' || pid <= 0) continue;
    // Entries can vanish at any point of the scan; such a process is skipped.
    struct stat st {};
    if (::fstatat(procFd, name, &st, 0) != 0 || st.st_uid != me) continue;
    std::snprintf(link, sizeof link, "%s/exe", name);
    ssize_t n = ::readlinkat(procFd, link, target, sizeof target - 1);
    if (n <= 0) continue;  // kernel threads, zombies and processes we may not inspect
    std::string_view exe = stripDeleted(std::string_view(target, static_cast<std::size_t>(n)));
    std::string_view bundle = Bundle::bundlePathOfExecutable(exe);
    std::string scriptBundle;
    if (bundle.empty()) {
      scriptBundle = scriptBundlePath(procFd, name);
      bundle = scriptBundle;
    }
    URL bundleURL = bundle.empty() ? URL() : URL::fileURLWithPath(String::fromUTF8(bundle), true);
    apps.push_back(std::make_shared<RunningApplication>(static_cast<pid_t>(pid), std::move(bundleURL),
                                                        std::string(exe)));
  }
  ::closedir(proc);
  return apps;
}

namespace {

struct LaunchReport {
  std::int32_t kind;  // 0: started with pid `value`; 1: setsid/fork failed; 2: exec failed
  std::int32_t value;
};

void writeReport(int fd, std::int32_t kind, std::int32_t value) {
  LaunchReport r{kind, value};
  while (::write(fd, &r, sizeof r) < 0 && errno == EINTR) {
  }
}

bool readReport(int fd, LaunchReport& r) {
  for (;;) {
    ssize_t n = ::read(fd, &r, sizeof r);
    if (n < 0 && errno == EINTR) continue;
    return n == static_cast<ssize_t>(sizeof r);
  }
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void execDetached(const char* exe, char* const* argv, char* const* envp, int reportFd) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &dfl, nullptr);
  int null = ::open("/dev/null", O_RDWR);
  if (null >= 0) {
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(null, 2);
    if (null > 2) ::close(null);
  }
  // Nothing of ours is inherited: every descriptor above 2 closes on exec.
#ifdef SYS_close_range
  if (::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0)
#endif
  {
    for (int fd = 3; fd < 65536; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  if (::chdir("/") != 0) {
  }
  ::execve(exe, argv, envp);
  writeReport(reportFd, 2, errno);
  ::_exit(127);
}

}  // namespace

Ref<RunningApplication> Workspace::launchApplicationAtURL(const URL& url, std::uint64_t, const Dictionary& configuration,
                                                          Error* error) {
  setOut(error, Error());
  String name = url.lastPathComponent();
  // "The application “X” cannot be launched[: why] (system reason)"
  auto fail = [&](int errnum, const String& why, const String& path) -> Ref<RunningApplication> {
    String head = url.isFileURL() ? format("The application \u201c%@\u201d cannot be launched", name)
                                  : String("The application cannot be launched");
    String message = why ? format("%@: %@", head, why) : head;
    auto info = Dictionary::dictionary();
    if (url) info.setObject(url.object(), String(NSURLErrorKey));
    if (path) info.setObject(path.object(), String(NSFilePathErrorKey));
    setOut(error, Error::make(NSPOSIXErrorDomain, errnum, format("%@ (%s)", message, std::strerror(errnum)), info));
    return nullptr;
  };
  if (!url.isFileURL()) return fail(EINVAL, "no file URL was given", {});
  auto bundle = Bundle::bundleWithURL(url);
  if (!bundle) {
    return fail(ENOENT, format("no application bundle is at %@", url.path()), url.path());
  }
  String executable = String::fromObject(bundle->objectForInfoDictionaryKey("CFBundleExecutable"));
  if (executable.length() == 0 || executable.UTF8String().find('/') != std::string::npos) {
    return fail(ENOEXEC, "its Info.plist names no executable (CFBundleExecutable)", url.path());
  }
  std::string exe = url.path().UTF8String() + "/Contents/MacOS/" + executable.UTF8String();
  String exePath = String::fromUTF8(exe);
  struct stat st {};
  if (::stat(exe.c_str(), &st) != 0) {
    return fail(errno, format("its executable %@ is missing", exePath), exePath);
  }
  if (!S_ISREG(st.st_mode) || ::access(exe.c_str(), X_OK) != 0) {
    return fail(EACCES, format("its executable %@ is not executable", exePath), exePath);
  }

  // Everything the child needs is made before fork: it may not allocate.
  std::vector<std::string> args{exe};
  for (const auto& a : Array::fromObject(configuration.objectForKey(String(NSWorkspaceLaunchConfigurationArguments))).items()) {
    if (auto s = String::fromObject(a)) args.push_back(s.UTF8String());
  }
  std::vector<std::string> envStrings;
  Dictionary env = Dictionary::fromObject(configuration.objectForKey(String(NSWorkspaceLaunchConfigurationEnvironment)));
  if (env.count()) {
    for (char** e = environ; e && *e; ++e) envStrings.emplace_back(*e);
    for (const auto& [k, v] : env.entries()) {
      String key = String::fromObject(k), value = String::fromObject(v);
      if (!key || !value) continue;
      std::string prefix = key.UTF8String() + "=";
      std::erase_if(envStrings, [&](const std::string& s) { return s.compare(0, prefix.size(), prefix) == 0; });
      envStrings.push_back(prefix + value.UTF8String());
    }
  }
  std::vector<char*> argv, envp;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  for (auto& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);
  char* const* envArray = env.count() ? envp.data() : environ;

  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return fail(errno, String(), exePath);
  // Two forks: the application is never our child, so it outlives us and
  // leaves no zombie behind in a long-running caller.
  pid_t child = ::fork();
  if (child < 0) {
    int e = errno;
    ::close(report[0]);
    ::close(report[1]);
    return fail(e, String(), exePath);
  }
  if (child == 0) {
    ::close(report[0]);
    if (::setsid() < 0) {
      writeReport(report[1], 1, errno);
      ::_exit(1);
    }
    pid_t grandchild = ::fork();
    if (grandchild < 0) {
      writeReport(report[1], 1, errno);
      ::_exit(1);
    }
    if (grandchild == 0) execDetached(exe.c_str(), argv.data(), envArray, report[1]);
    writeReport(report[1], 0, grandchild);
    ::_exit(0);
  }
  ::close(report[1]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // The child and the grandchild both report through the pipe, in either
  // order; it reaches end-of-file once the grandchild has exec'd or exited.
  bool gotStart = false, gotFailure = false, execFailed = false;
  LaunchReport started{}, failure{}, execResult{};
  for (LaunchReport r{}; readReport(report[0], r);) {
    if (r.kind == 0) {
      started = r, gotStart = true;
    } else if (r.kind == 1) {
      failure = r, gotFailure = true;
    } else {
      execResult = r, execFailed = true;
    }
  }
  ::close(report[0]);
  if (gotFailure) return fail(failure.value, String(), exePath);
  if (!gotStart) return fail(ECHILD, String(), exePath);
  if (execFailed) {
    return fail(execResult.value, format("its executable %@ could not be started", exePath), exePath);
  }
  return std::make_shared<RunningApplication>(static_cast<pid_t>(started.value), URL::fileURLWithPath(url.path(), true), exe);
}

}  // namespace qv
