// The cost of Workspace::runningApplications() against its peers over the same
// /proc: pgrep as a process (what a shell script would do) and pgrep's own scan
// done in-process (read each /proc/<pid>/stat). Each reports the number of
// numeric /proc entries ("entries") and the wall-clock time per entry
// ("per_entry"); wall clock, as pgrep's time is spent in another process.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/Workspace.h"

extern char** environ;

namespace {

bool isPidName(const char* name) {
  if (name[0] < '1' || name[0] > '9') return false;
  for (const char* p = name; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  return true;
}

int countProcEntries() {
  DIR* proc = ::opendir("/proc");
  if (!proc) return 0;
  int n = 0;
  while (dirent* entry = ::readdir(proc)) n += isPidName(entry->d_name);
  ::closedir(proc);
  return n;
}

// /proc changes while we measure; the mean of before and after is close enough.
void reportPerEntry(benchmark::State& state, int before) {
  double entries = (before + countProcEntries()) / 2.0;
  state.counters["entries"] = entries;
  state.counters["per_entry"] =
      benchmark::Counter(entries, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_RunningApplications(benchmark::State& state) {
  int before = countProcEntries();
  std::size_t found = 0;
  for (auto _ : state) {
    auto apps = qv::Workspace::sharedWorkspace().runningApplications();
    found = apps.size();
    benchmark::DoNotOptimize(apps.data());
  }
  // Nothing found means the scan did not work, and its timing means nothing.
  if (found == 0) state.SkipWithError("runningApplications() found no process, not even this one");
  state.counters["apps"] = static_cast<double>(found);
  reportPerEntry(state, before);
}
BENCHMARK(BM_RunningApplications)->Unit(benchmark::kMicrosecond)->UseRealTime();

// pgrep -x Example started as a process and waited for, as a shell would.
void BM_PgrepProcess(benchmark::State& state) {
  int before = countProcEntries();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  char arg0[] = "pgrep", arg1[] = "-x", arg2[] = "Example";
  char* argv[] = {arg0, arg1, arg2, nullptr};
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawnp(&pid, "pgrep", &actions, nullptr, argv, environ) != 0) {
      state.SkipWithError("cannot start pgrep");
      break;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    // 0: found, 1: not found; anything else is a failed run, not a measurement.
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1) {
      state.SkipWithError("pgrep failed");
      break;
    }
  }
  posix_spawn_file_actions_destroy(&actions);
  reportPerEntry(state, before);
}
BENCHMARK(BM_PgrepProcess)->Unit(benchmark::kMicrosecond)->UseRealTime();

// pgrep's scan without the process start: the name from each /proc/<pid>/stat.
int scanProcStat(std::string_view wanted) {
  DIR* proc = ::opendir("/proc");
  if (!proc) return -1;
  int procFd = ::dirfd(proc);
  int matches = 0;
  char path[300];  // d_name is up to 255 bytes
  char buffer[512];
  while (dirent* entry = ::readdir(proc)) {
    if (!isPidName(entry->d_name)) continue;
    std::snprintf(path, sizeof path, "%s/stat", entry->d_name);
    int fd = ::openat(procFd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) continue;
    ssize_t n = ::read(fd, buffer, sizeof buffer - 1);
    ::close(fd);
    if (n <= 0) continue;
    buffer[n] = '\0';
    // "pid (comm) state ...": comm may hold ')' itself, so the last one ends it.
    const char* open = std::strchr(buffer, '(');
    const char* close = std::strrchr(buffer, ')');
    if (!open || !close || close < open) continue;
    matches += std::string_view(open + 1, static_cast<std::size_t>(close - open - 1)) == wanted;
  }
  ::closedir(proc);
  return matches;
}

void BM_ProcStatScan(benchmark::State& state) {
  int before = countProcEntries();
  // The benchmark itself must be found, or the scan is broken.
  char self[32] = {};
  int fd = ::open("/proc/self/comm", O_RDONLY | O_CLOEXEC);
  ssize_t n = fd >= 0 ? ::read(fd, self, sizeof self - 1) : -1;
  if (fd >= 0) ::close(fd);
  std::string_view selfName(self, n > 0 ? static_cast<std::size_t>(n) : 0);
  if (!selfName.empty() && selfName.back() == '\n') selfName.remove_suffix(1);
  if (scanProcStat(selfName) < 1) {
    state.SkipWithError("the /proc/<pid>/stat scan does not find this process");
    return;
  }
  for (auto _ : state) benchmark::DoNotOptimize(scanProcStat("Example"));
  reportPerEntry(state, before);
}
BENCHMARK(BM_ProcStatScan)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
