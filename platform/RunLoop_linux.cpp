#include <sys/syscall.h>
#include <unistd.h>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>

#include "platform/RunLoop.h"

namespace qv {

namespace {

struct MainQueue {
  std::mutex mutex;
  std::condition_variable wake;
  std::deque<std::function<void()>> work;
  bool stop = false;
};

MainQueue& queue() {
  static MainQueue* q = new MainQueue;  // never destroyed: threads may post during exit
  return *q;
}

// Runs what is queued; false when asked to stop or the deadline passed.
template <class Clock>
bool serve(MainQueue& q, std::unique_lock<std::mutex>& lock, typename Clock::time_point deadline, bool useDeadline) {
  while (q.work.empty() && !q.stop) {
    if (!useDeadline) {
      q.wake.wait(lock);
    } else if (q.wake.wait_until(lock, deadline) == std::cv_status::timeout) {
      return false;
    }
  }
  if (q.stop) return false;
  auto task = std::move(q.work.front());
  q.work.pop_front();
  lock.unlock();
  task();
  lock.lock();
  return true;
}

}  // namespace

bool RunLoop::isMainThread() { return ::syscall(SYS_gettid) == ::getpid(); }

void RunLoop::performOnMainThread(std::function<void()> work, bool waitUntilDone) {
  if (isMainThread()) {
    work();
    return;
  }
  auto& q = queue();
  if (!waitUntilDone) {
    std::lock_guard lock(q.mutex);
    q.work.push_back(std::move(work));
    q.wake.notify_all();
    return;
  }
  std::promise<void> done;
  auto finished = done.get_future();
  {
    std::lock_guard lock(q.mutex);
    q.work.push_back([&work, &done] {
      try {
        work();
        done.set_value();
      } catch (...) {
        done.set_exception(std::current_exception());
      }
    });
    q.wake.notify_all();
  }
  finished.get();  // an exception thrown by the work reaches its caller, not the main loop
}

void RunLoop::runMain() {
  auto& q = queue();
  std::unique_lock lock(q.mutex);
  q.stop = false;
  while (serve<std::chrono::steady_clock>(q, lock, {}, false)) {
  }
  q.stop = false;
}

bool RunLoop::runMainUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  auto& q = queue();
  auto deadline = std::chrono::steady_clock::now() + timeout;
  std::unique_lock lock(q.mutex);
  for (;;) {
    lock.unlock();
    bool finished = done();
    lock.lock();
    if (finished) return true;
    // Wake at least every few milliseconds to look at `done` again.
    auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
    if (!serve<std::chrono::steady_clock>(q, lock, slice, true)) {
      if (q.stop) {
        q.stop = false;
        return false;
      }
      if (std::chrono::steady_clock::now() >= deadline) {
        lock.unlock();
        return done();
      }
    }
  }
}

void RunLoop::stopMain() {
  auto& q = queue();
  std::lock_guard lock(q.mutex);
  q.stop = true;
  q.wake.notify_all();
}

}  // namespace qv
