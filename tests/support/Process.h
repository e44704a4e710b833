// Running real programs from tests.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace qv::test {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out, err;
};

// Runs a program to its end, with extra environment entries ("NAME=value").
ProcessResult runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
// Starts a program in the background; standard streams on /dev/null.
pid_t spawnProgram(const std::vector<std::string>& argv);
void stopProcess(pid_t pid);  // SIGKILL, then reaped when it is our child
bool processAlive(pid_t pid);
bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(10));
// Pids of live processes whose executable is exactly that path.
std::vector<pid_t> processesRunning(const std::string& executable);

}  // namespace qv::test
