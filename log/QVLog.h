// The system's one log, and the critical-exception alert.
#pragma once

#include <cstdint>

#include "platform/Format.h"
#include "platform/Object.h"
#include "platform/String.h"

class QVLog final : public qv::Object {
 public:
  static void logWithSeverity(std::int64_t severity, const qv::String& string, const qv::Id& error);
  static void log(const qv::String& string);
  static void logDebug(const qv::String& string);
  static void logInfo(const qv::String& string);
  static void logWarning(const qv::String& string);
  static void logError(const qv::String& string);
  static void logCriticalException(const qv::String& string);

  // The log line: "[LABEL text]", plus "\n{description\n}" with an error.
  static qv::String lineWithSeverity(std::int64_t severity, const qv::String& string, const qv::Id& error);

  // Shows the critical-exception alert on the main thread; returns once the
  // person has answered and the chosen action has started.
  static void showCritialException(const qv::String& text);
  void mt_showCritialException(const qv::String& text);

  // The instance the alert runs on, made by the first showCritialException:.
  static qv::Ref<QVLog> sharedInstance();
  static bool hasSharedInstance();

  const char* className() const override { return "QVLog"; }
};
