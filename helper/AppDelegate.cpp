#include "helper/AppDelegate.h"

#include "finder/QVFinderSharedList.h"
#include "log/QVSiteTag.h"

using namespace qv;

void AppDelegate::applicationDidFinishLaunching(const Id&) {
  bool isRunnApp = QVFinderSharedList::isRunningPrincipalAppFromLoginItem();
  QV_LOG_INFO(this, "applicationDidFinishLaunching:", "isRunnApp:%d", isRunnApp);
  if (!isRunnApp && !QVFinderSharedList::launchPrincipalAppFromLoginItem()) {
    QV_LOG_ERROR(this, "applicationDidFinishLaunching:", "launchPrincipalAppFromLoginItem==NO");
  }
  Application::sharedApplication()->terminate(nullptr);
}

// The bundle's Info.plist names this class as the application's delegate.
[[maybe_unused]] static const bool registered = [] {
  registerClass(std::make_shared<Class>("AppDelegate", [] { return std::make_shared<AppDelegate>(); }));
  return true;
}();
