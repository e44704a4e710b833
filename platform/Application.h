// The application object: NSApplicationMain sets it up, delivers
// applicationDidFinishLaunching: to the delegate once on the main thread,
// runs the main run loop, and terminate: ends the process.
#pragma once

#include "platform/Object.h"
#include "platform/Service.h"

namespace qv {

// Info.plist key naming the registered class whose instance becomes the
// application's delegate.
inline constexpr const char* QVApplicationDelegateClassKey = "QVApplicationDelegateClass";

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual void applicationDidFinishLaunching(const Id& notification) = 0;
};

class Application : public Object {
 public:
  static Ref<Application> sharedApplication();

  void setDelegate(Id delegate) { delegate_ = std::move(delegate); }
  const Id& delegate() const { return delegate_; }

  // Delivers applicationDidFinishLaunching: once.
  void finishLaunching();
  // finishLaunching, then the main run loop until the process ends.
  void run();
  // Ends the process with status 0.
  virtual void terminate(const Id& sender);

  const char* className() const override { return "NSApplication"; }

 private:
  Id delegate_;
  bool launched_ = false;
};

// Replaces the shared application for the lifetime of a scope.
class ScopedSharedApplication {
 public:
  explicit ScopedSharedApplication(Ref<Application> application);
  ~ScopedSharedApplication();
  ScopedSharedApplication(const ScopedSharedApplication&) = delete;
  ScopedSharedApplication& operator=(const ScopedSharedApplication&) = delete;

 private:
  Ref<Application> application_;
  Application* previous_;
};

}  // namespace qv

// Sets up the shared application with the delegate the main bundle names and
// runs it; ends through terminate:.
int NSApplicationMain(int argc, const char* argv[]);
