// Where log records go: one record per call.
#pragma once

#include <cstdint>

#include "platform/Service.h"
#include "platform/String.h"

namespace qv {

class SystemLog {
 public:
  virtual ~SystemLog() = default;
  static SystemLog& shared();
  // One record to the system log (syslog, taken in by the journal) at the
  // level of the severity and, when standard error is open, one write there
  // with the local time, the process name and [pid:tid] in front.
  virtual void write(std::int64_t severity, const String& line);

  // "2026-12-11 09:06:08.019 Example Helper[36003:2087645] " for now.
  static std::string recordPrefix();
};

}  // namespace qv
