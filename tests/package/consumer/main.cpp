#include <qv/log/QVSiteTag.h>
#include <qv/platform/Bundle.h>

#include <cstdio>

int main() {
  QV_LOG_INFO(qv::ClassName{"Consumer"}, "main", "bundle:%@", qv::Bundle::mainBundle()->bundleIdentifier());
  std::puts(qv::Bundle::mainBundle()->bundleIdentifier().UTF8String().c_str());
  return 0;
}
