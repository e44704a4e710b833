#include <errno.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <string>

#include "platform/SystemLog.h"

namespace qv {

SystemLog& SystemLog::shared() { return currentService<SystemLog, SystemLog>(); }

namespace {

int levelOf(std::int64_t severity) {
  switch (severity) {
    case 1:
      return LOG_DEBUG;
    case 2:
      return LOG_INFO;
    case 3:
      return LOG_WARNING;
    case 4:
      return LOG_ERR;
    case 5:
      return LOG_CRIT;
    default:
      return LOG_NOTICE;
  }
}

const char* processName() { return program_invocation_short_name; }

}  // namespace

std::string SystemLog::recordPrefix() {
  struct timeval tv {};
  ::gettimeofday(&tv, nullptr);
  std::tm tm {};
  ::localtime_r(&tv.tv_sec, &tm);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
  char prefix[512];
  std::snprintf(prefix, sizeof prefix, "%s.%03d %s[%d:%ld] ", stamp, static_cast<int>(tv.tv_usec / 1000), processName(),
                static_cast<int>(::getpid()), static_cast<long>(::syscall(SYS_gettid)));
  return prefix;
}

void SystemLog::write(std::int64_t severity, const String& line) {
  static const bool opened = [] {
    ::openlog(processName(), LOG_PID | LOG_NDELAY, LOG_USER);
    return true;
  }();
  (void)opened;
  std::string text = line.UTF8String();
  ::syslog(levelOf(severity), "%s", text.c_str());
  if (::fcntl(STDERR_FILENO, F_GETFD) == -1) return;
  std::string record = recordPrefix();
  record += text;
  record += '\n';
  // One write per record, so that records from several threads never interleave.
  const char* p = record.data();
  std::size_t left = record.size();
  while (left) {
    ssize_t n = ::write(STDERR_FILENO, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
}

}  // namespace qv
