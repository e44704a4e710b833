// The main thread's run loop: work handed to the main thread from anywhere,
// optionally waited for.
#pragma once

#include <chrono>
#include <functional>

namespace qv {

class RunLoop {
 public:
  // The process's first thread.
  static bool isMainThread();
  // On the main thread the work runs at once. From another thread it is
  // queued for the main run loop; with waitUntilDone the caller blocks until
  // it has run, so the main thread must never wait for such a caller.
  static void performOnMainThread(std::function<void()> work, bool waitUntilDone);
  // Runs queued work on the main thread until stopMain().
  static void runMain();
  // Runs queued work until `done` answers true or the time is up; true when done.
  static bool runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  static void stopMain();
};

}  // namespace qv
