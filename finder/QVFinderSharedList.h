// Where the principal application lies, whether it runs, how to launch it,
// and where a named login-item helper lies and whether it runs; all by
// location, derived anew on every call.
#pragma once

#include "platform/Object.h"
#include "platform/String.h"
#include "platform/URL.h"

class QVFinderSharedList {
 public:
  QVFinderSharedList() = delete;
  static constexpr qv::ClassName klass{"QVFinderSharedList"};

  // The main bundle's URL with its four last components removed.
  static qv::URL principalAppURL();

  static bool isRunningPrincipalAppFromLoginItem();
  static bool launchPrincipalAppFromLoginItem();
  static qv::URL bundleURLWithLoginItemWithName(const qv::String& name);
  static bool isRunningLoginItemWithName(const qv::String& name);
};
