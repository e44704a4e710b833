// Opening URLs and the Trash go through GIO, loaded on first use.
#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/LazyLibrary_linux.h"
#include "platform/Workspace.h"

namespace qv {

namespace {

struct Gio {
  decltype(&::g_file_new_for_path) file_new_for_path = nullptr;
  decltype(&::g_file_trash) file_trash = nullptr;
  decltype(&::g_app_info_launch_default_for_uri) launch_default_for_uri = nullptr;
  decltype(&::g_object_unref) object_unref = nullptr;
  decltype(&::g_error_free) error_free = nullptr;
  bool ready = false;
};

const Gio& gio() {
  static const Gio instance = [] {
    Gio g;
    static LazyLibrary gioLibrary("libgio-2.0.so.0");
    static LazyLibrary gobject("libgobject-2.0.so.0");
    static LazyLibrary glib("libglib-2.0.so.0");
    g.ready = gioLibrary.resolve(g.file_new_for_path, "g_file_new_for_path") &&
              gioLibrary.resolve(g.file_trash, "g_file_trash") &&
              gioLibrary.resolve(g.launch_default_for_uri, "g_app_info_launch_default_for_uri") &&
              gobject.resolve(g.object_unref, "g_object_unref") && glib.resolve(g.error_free, "g_error_free");
    return g;
  }();
  return instance;
}

// Trash work still running when the program exits is waited for a little,
// so that a program which recycles a file and quits still has it trashed.
struct PendingTrash {
  std::mutex mutex;
  std::condition_variable idle;
  int running = 0;
};

PendingTrash& pending();

void waitForPendingTrash() {
  auto& q = pending();
  std::unique_lock lock(q.mutex);
  q.idle.wait_for(lock, std::chrono::seconds(5), [&] { return q.running == 0; });
}

PendingTrash& pending() {
  static PendingTrash* p = [] {
    auto* created = new PendingTrash;  // never destroyed: used from atexit
    std::atexit(waitForPendingTrash);
    return created;
  }();
  return *p;
}

}  // namespace

bool Workspace::openURL(const URL& url) {
  const Gio& g = gio();
  if (!url || !g.ready) return false;
  GError* error = nullptr;
  bool ok = g.launch_default_for_uri(url.absoluteString().UTF8String().c_str(), nullptr, &error);
  if (error) g.error_free(error);
  return ok;
}

void Workspace::recycleURLs(const std::vector<URL>& urls, std::function<void(const Error& error)> completionHandler) {
  std::vector<std::string> paths;
  for (const auto& u : urls) {
    if (u.isFileURL()) paths.push_back(u.path().UTF8String());
  }
  auto& q = pending();
  {
    std::lock_guard lock(q.mutex);
    ++q.running;
  }
  std::thread([paths = std::move(paths), completionHandler = std::move(completionHandler)] {
    const Gio& g = gio();
    Error first;
    for (const auto& path : paths) {
      if (!g.ready) {
        if (!first) first = Error::posix(ENOSYS, "GIO is not available to move files to the Trash", String::fromUTF8(path));
        continue;
      }
      GFile* file = g.file_new_for_path(path.c_str());
      GError* error = nullptr;
      // A file that cannot be trashed stays where it is: it is never deleted instead.
      if (!g.file_trash(file, nullptr, &error) && !first) {
        first = Error::make(NSCocoaErrorDomain, 512,
                            String::fromUTF8(error && error->message ? error->message : "The file could not be moved to the Trash"));
      }
      if (error) g.error_free(error);
      g.object_unref(file);
    }
    if (completionHandler) completionHandler(first);
    auto& p = pending();
    std::lock_guard lock(p.mutex);
    if (--p.running == 0) p.idle.notify_all();
  }).detach();
}

}  // namespace qv
