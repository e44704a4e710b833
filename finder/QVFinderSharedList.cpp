#include "finder/QVFinderSharedList.h"

#include "log/QVSiteTag.h"
#include "platform/Bundle.h"
#include "platform/Error.h"
#include "platform/Workspace.h"

using namespace qv;

URL QVFinderSharedList::principalAppURL() {
  URL url = Bundle::mainBundle()->bundleURL();
  for (int i = 0; i < 4 && url; ++i) url = url.URLByDeletingLastPathComponent();
  return url;
}

bool QVFinderSharedList::isRunningPrincipalAppFromLoginItem() {
  URL url = principalAppURL();
  if (!url) QV_CRITICAL_REPORT(klass, "isRunningPrincipalAppFromLoginItem", "url==nil");
  for (const auto& app : Workspace::sharedWorkspace().runningApplications()) {
    URL bundleURL = app->bundleURL();
    if (bundleURL && url && bundleURL.isEqual(url)) return true;
  }
  return false;
}

bool QVFinderSharedList::launchPrincipalAppFromLoginItem() {
  URL url = principalAppURL();
  if (!url) {
    QV_LOG_ERROR(klass, "launchPrincipalAppFromLoginItem", "url==nil");
    return false;
  }
  if (!url.pathExtension().isEqualToString("app")) {
    QV_LOG_ERROR(klass, "launchPrincipalAppFromLoginItem", "url.pathExtension url:%@", url);
    return false;
  }
  Error error;
  auto app = Workspace::sharedWorkspace().launchApplicationAtURL(url, NSWorkspaceLaunchAsync, Dictionary::dictionary(), &error);
  if (!app) {
    QV_LOG_ERROR(klass, "launchPrincipalAppFromLoginItem", "app==nil url:%@ error:%@", url, error);
    return false;
  }
  return true;
}

URL QVFinderSharedList::bundleURLWithLoginItemWithName(const String& name) {
  if (name.isNil()) return {};
  return Bundle::mainBundle()->bundleURL().URLByAppendingPathComponent("Contents/Library/LoginItems").URLByAppendingPathComponent(name);
}

bool QVFinderSharedList::isRunningLoginItemWithName(const String& name) {
  URL url = bundleURLWithLoginItemWithName(name);
  if (!url) {
    QV_LOG_ERROR(klass, "isRunningLoginItemWithName:", "url==nil");
    return false;
  }
  auto bundle = Bundle::bundleWithURL(url);
  String identifier = bundle ? bundle->bundleIdentifier() : String();
  if (!bundle || !identifier) {
    QV_LOG_ERROR(klass, "isRunningLoginItemWithName:", "bundle:%@ url:%@", bundle, url);
    return false;
  }
  return !RunningApplication::runningApplicationsWithBundleIdentifier(identifier).empty();
}
