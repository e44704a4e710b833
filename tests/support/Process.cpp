#include "support/Process.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <thread>

extern char** environ;

namespace qv::test {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry(*e);
    bool replaced = false;
    for (const auto& x : extra) {
      if (entry.substr(0, entry.find('=') + 1) == x.substr(0, x.find('=') + 1)) replaced = true;
    }
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (auto& s : strings) p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

}  // namespace

ProcessResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env) {
  ProcessResult result;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  auto args = argv;
  auto envStrings = mergedEnvironment(env);
  auto a = pointers(args);
  auto e = pointers(envStrings);
  pid_t pid = 0;
  int rc = ::posix_spawn(&pid, a[0], &actions, nullptr, a.data(), e.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  ::close(err[1]);
  if (rc == 0) {
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    int open = 2;
    char buffer[4096];
    while (open) {
      if (::poll(fds, 2, -1) < 0) continue;
      for (int i = 0; i < 2; ++i) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
        ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
        if (n > 0) {
          (i ? result.err : result.out).append(buffer, static_cast<std::size_t>(n));
        } else {
          fds[i].fd = -1;
          --open;
        }
      }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ::close(out[0]);
  ::close(err[0]);
  return result;
}

pid_t spawnProgram(const std::vector<std::string>& argv) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  auto args = argv;
  auto a = pointers(args);
  pid_t pid = -1;
  if (::posix_spawn(&pid, a[0], &actions, nullptr, a.data(), environ) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

void stopProcess(pid_t pid) {
  if (pid <= 0) return;
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);  // fails harmlessly for a process that is not our child
  waitFor([&] { return !processAlive(pid); }, std::chrono::seconds(5));
}

bool processAlive(pid_t pid) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/exe", static_cast<int>(pid));
  char target[8];
  return ::readlink(path, target, sizeof target) >= 0;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

std::vector<pid_t> processesRunning(const std::string& executable) {
  std::vector<pid_t> pids;
  DIR* proc = ::opendir("/proc");
  if (!proc) return pids;
  while (dirent* entry = ::readdir(proc)) {
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
    std::string link = std::string("/proc/") + entry->d_name + "/exe";
    char target[PATH_MAX];
    ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
    if (n > 0 && std::string(target, static_cast<std::size_t>(n)) == executable) pids.push_back(std::atoi(entry->d_name));
  }
  ::closedir(proc);
  return pids;
}

}  // namespace qv::test
