#include "log/QVLog.h"

#include <atomic>

#include "foundation/QVFoundationNSAlertExtensions.h"
#include "log/QVSiteTag.h"
#include "log/QVStoredText.h"
#include "platform/Alert.h"
#include "platform/Bundle.h"
#include "platform/RunLoop.h"
#include "platform/SystemLog.h"
#include "platform/Values.h"
#include "platform/Workspace.h"

using namespace qv;

namespace {

const char* severityLabel(std::int64_t severity) {
  switch (severity) {
    case 1:
      return "DEBUG";
    case 2:
      return "INFO";
    case 3:
      return "WARNING";
    case 4:
      return "ERROR";
    case 5:
      return "CRITIRAL EXCEPTION";
    default:
      return nullptr;
  }
}

std::atomic<QVLog*> gSharedInstance{nullptr};

}  // namespace

String QVLog::lineWithSeverity(std::int64_t severity, const String& string, const Id& error) {
  const char* label = severityLabel(severity);
  String line = format("[%@ %@]", label ? String(label) : String(), string);
  if (error) line = line.stringByAppendingString(format("\n{%@\n}", error));
  return line;
}

void QVLog::logWithSeverity(std::int64_t severity, const String& string, const Id& error) {
  // The line is handed over as data, never as a format.
  SystemLog::shared().write(severity, lineWithSeverity(severity, string, error));
}

void QVLog::log(const String& string) { logWithSeverity(0, string, nullptr); }
void QVLog::logDebug(const String& string) { logWithSeverity(1, string, nullptr); }
void QVLog::logInfo(const String& string) { logWithSeverity(2, string, nullptr); }
void QVLog::logWarning(const String& string) { logWithSeverity(3, string, nullptr); }
void QVLog::logError(const String& string) { logWithSeverity(4, string, nullptr); }
void QVLog::logCriticalException(const String& string) { logWithSeverity(5, string, nullptr); }

Ref<QVLog> QVLog::sharedInstance() {
  // Made once and never released; a second report reuses it.
  static const Ref<QVLog> instance = [] {
    auto made = std::make_shared<QVLog>();
    gSharedInstance.store(made.get());
    return made;
  }();
  return instance;
}

bool QVLog::hasSharedInstance() { return gSharedInstance.load() != nullptr; }

void QVLog::showCritialException(const String& text) {
  Ref<QVLog> instance = sharedInstance();
  RunLoop::performOnMainThread([&] { instance->mt_showCritialException(text); }, true);
}

void QVLog::mt_showCritialException(const String& text) {
  auto bundle = Bundle::mainBundle();
  String appName = bundle->executablePath().lastPathComponent();
  String headlineFormat = bundle->localizedStringForKey(
      "An critical exception occurred with %@.\nPlease, contact support team.", "", String());
  String headline = format(headlineFormat.UTF8String(), appName);
  String sendReport = bundle->localizedStringForKey("Send Crash Report", "", String());
  String contactSupport = bundle->localizedStringForKey("Contact Support", "", String());
  auto alert = qv_alertWithTitle(headline, text, Array::withStrings({sendReport, contactSupport, "Ok"}));
  std::int64_t answer = alert->runModal();
  if (answer == NSAlertSecondButtonReturn) {
    URL address = URL::fromObject(QVSupportAddressWithSuffix("?page=support", 1));
    if (address) Workspace::sharedWorkspace().openURL(address);
  } else if (answer == NSAlertFirstButtonReturn) {
    Ref<Class> reporter = bundle->classNamed("QVCrashReporter");
    if (!reporter) return;
    Id shared = reporter->performSelector("sharedInstance", nullptr);
    if (shared && shared->respondsToSelector("presentToUserWithMode:")) {
      Id again = reporter->performSelector("sharedInstance", nullptr);
      if (again) again->performSelector("presentToUserWithMode:", Number::numberWithInt(2).object());
    }
  }
}

namespace qv {

String siteTaggedMessage(std::string_view selector, int line, const Receiver& receiver, const String& detail) {
  std::string sel(selector);
  return format("[%s %d] %@ %@", sel, line, receiver.description(), detail);
}

String classTaggedText(const Receiver& receiver, std::string_view selector, int line, const String& detail) {
  std::string sel(selector);
  return format("[%@ %s %d]\n%@", String::fromUTF8(receiver.className()), sel, line, detail);
}

void criticalReport(const Receiver& receiver, std::string_view selector, int line, const String& detail) {
  QVLog::logCriticalException(siteTaggedMessage(selector, line, receiver, detail));
  QVLog::showCritialException(classTaggedText(receiver, selector, line, detail));
}

}  // namespace qv
