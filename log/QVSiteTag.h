// Site-tagged messages ("[selector line] receiver detail") and critical
// reports. Every report in the system goes through these macros, which take
// the source line themselves:
//
//   QV_LOG_ERROR(qv::ClassName{"QVFinderSharedList"}, "launchPrincipalAppFromLoginItem", "url==nil");
//   QV_LOG_INFO(this, "applicationDidFinishLaunching:", "isRunnApp:%d", isRunning);
//   QV_CRITICAL_REPORT(receiver, "isRunningPrincipalAppFromLoginItem", "url==nil");
#pragma once

#include <string>
#include <string_view>

#include "log/QVLog.h"
#include "platform/Format.h"
#include "platform/Object.h"

namespace qv {

// A class prints as its name, an object as its description.
class Receiver {
 public:
  Receiver(ClassName cls) : description_(cls.name), className_(cls.name) {}  // NOLINT
  Receiver(const Object* object)  // NOLINT
      : description_(describeRaw(object)), className_(object ? object->className() : "nil") {}
  template <class T>
    requires std::derived_from<T, Object>
  Receiver(const Ref<T>& object) : Receiver(static_cast<const Object*>(object.get())) {}  // NOLINT

  const String& description() const { return description_; }
  const std::string& className() const { return className_; }

 private:
  static String describeRaw(const Object* o) { return o ? o->description() : String("(null)"); }
  String description_;
  std::string className_;
};

// "[%s %d] %@ %@"
String siteTaggedMessage(std::string_view selector, int line, const Receiver& receiver, const String& detail);
// "[%@ %s %d]\n%@"
String classTaggedText(const Receiver& receiver, std::string_view selector, int line, const String& detail);
// logCriticalException: with the site-tagged message, then showCritialException:
// with the class-tagged text; returns after the alert was answered.
void criticalReport(const Receiver& receiver, std::string_view selector, int line, const String& detail);

}  // namespace qv

#define QV_LOG_AT_SITE(method, receiver, selector, ...) \
  ::QVLog::method(::qv::siteTaggedMessage((selector), __LINE__, (receiver), ::qv::format(__VA_ARGS__)))
#define QV_LOG(receiver, selector, ...) QV_LOG_AT_SITE(log, receiver, selector, __VA_ARGS__)
#define QV_LOG_DEBUG(receiver, selector, ...) QV_LOG_AT_SITE(logDebug, receiver, selector, __VA_ARGS__)
#define QV_LOG_INFO(receiver, selector, ...) QV_LOG_AT_SITE(logInfo, receiver, selector, __VA_ARGS__)
#define QV_LOG_WARNING(receiver, selector, ...) QV_LOG_AT_SITE(logWarning, receiver, selector, __VA_ARGS__)
#define QV_LOG_ERROR(receiver, selector, ...) QV_LOG_AT_SITE(logError, receiver, selector, __VA_ARGS__)
#define QV_CRITICAL_REPORT(receiver, selector, ...) \
  ::qv::criticalReport((receiver), (selector), __LINE__, ::qv::format(__VA_ARGS__))
