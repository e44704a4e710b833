#include "platform/Application.h"

#include <cstdio>
#include <cstdlib>

#include "platform/Bundle.h"
#include "platform/Format.h"
#include "platform/RunLoop.h"
#include "platform/SystemLog.h"

namespace qv {

Ref<Application> Application::sharedApplication() {
  if (Application* a = serviceOverrideSlot<Application>().load(std::memory_order_acquire)) {
    return std::static_pointer_cast<Application>(a->shared_from_this());
  }
  static const Ref<Application> shared = std::make_shared<Application>();
  return shared;
}

void Application::finishLaunching() {
  if (launched_) return;
  launched_ = true;
  if (auto* d = dynamic_cast<ApplicationDelegate*>(delegate_.get())) d->applicationDidFinishLaunching(nullptr);
}

void Application::run() {
  finishLaunching();
  RunLoop::runMain();
}

void Application::terminate(const Id&) {
  std::fflush(nullptr);
  std::exit(0);
}

ScopedSharedApplication::ScopedSharedApplication(Ref<Application> application)
    : application_(std::move(application)), previous_(serviceOverrideSlot<Application>().exchange(application_.get())) {}

ScopedSharedApplication::~ScopedSharedApplication() { serviceOverrideSlot<Application>().store(previous_); }

}  // namespace qv

int NSApplicationMain(int, const char*[]) {
  using namespace qv;
  auto app = Application::sharedApplication();
  if (!app->delegate()) {
    auto bundle = Bundle::mainBundle();
    String name = String::fromObject(bundle->objectForInfoDictionaryKey(QVApplicationDelegateClassKey));
    if (auto cls = name.length() ? bundle->classNamed(name) : nullptr) {
      app->setDelegate(cls->makeInstance());
    } else if (name.length()) {
      SystemLog::shared().write(4, format("NSApplicationMain: no class named %@ for the application delegate", name));
    }
  }
  app->run();
  return 0;
}
