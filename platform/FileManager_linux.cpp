#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/FileManager.h"
#include "platform/Format.h"

namespace qv {

FileManager& FileManager::defaultManager() { return currentService<FileManager, FileManager>(); }

namespace {

// Cocoa codes for file errors, with the POSIX reason kept underneath.
Error fileError(int errnum, const char* verb, const std::string& path) {
  std::int64_t code = errnum == ENOENT ? 4 : (errnum == EACCES || errnum == EPERM || errnum == EROFS) ? 513 : 512;
  if (errnum == EEXIST) code = 516;
  String name = String::fromUTF8(path).lastPathComponent();
  auto info = Dictionary::dictionary();
  info.setObject(String::fromUTF8(path).object(), String(NSFilePathErrorKey));
  info.setObject(Error::posix(errnum, {}).object(), String(NSUnderlyingErrorKey));
  String message = format("\u201c%@\u201d couldn\u2019t be %s: %s", name, verb, std::strerror(errnum));
  return Error::make(NSCocoaErrorDomain, code, message, info);
}

// Removes name inside dirFd without ever leaving the tree through a link.
int removeAt(int dirFd, const char* name, std::string& failedPath, const std::string& path) {
  if (::unlinkat(dirFd, name, 0) == 0) return 0;
  if (errno != EISDIR && errno != EPERM) {
    failedPath = path;
    return errno;
  }
  int fd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    failedPath = path;
    return errno == ENOTDIR || errno == ELOOP ? EPERM : errno;
  }
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    int e = errno;
    ::close(fd);
    failedPath = path;
    return e;
  }
  int result = 0;
  while (dirent* entry = ::readdir(dir)) {
    std::string_view child(entry->d_name);
    if (child == "." || child == "..") continue;
    result = removeAt(::dirfd(dir), entry->d_name, failedPath, path + "/" + entry->d_name);
    if (result) break;
  }
  ::closedir(dir);
  if (result) return result;
  if (::unlinkat(dirFd, name, AT_REMOVEDIR) != 0) {
    failedPath = path;
    return errno;
  }
  return 0;
}

}  // namespace

bool FileManager::fileExistsAtPath(const String& path, bool* isDirectory) {
  if (path.isNil() || path.length() == 0) return false;
  std::string p = path.UTF8String();
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0 && ::lstat(p.c_str(), &st) != 0) return false;
  if (isDirectory) *isDirectory = S_ISDIR(st.st_mode);
  return true;
}

bool FileManager::removeItemAtPath(const String& path, Error* error) {
  if (path.isNil() || path.length() == 0) {
    setOut(error, fileError(ENOENT, "removed", path.UTF8String()));
    return false;
  }
  std::string p = path.UTF8String();
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  std::string parent = String::fromUTF8(p).stringByDeletingLastPathComponent().UTF8String();
  std::string name = String::fromUTF8(p).lastPathComponent().UTF8String();
  if (parent.empty()) parent = ".";
  int parentFd = ::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parentFd < 0) {
    setOut(error, fileError(errno, "removed", p));
    return false;
  }
  std::string failedPath;
  int result = removeAt(parentFd, name.c_str(), failedPath, p);
  ::close(parentFd);
  if (result) {
    setOut(error, fileError(result, "removed", failedPath));
    return false;
  }
  return true;
}

bool FileManager::createDirectoryAtPath(const String& path, bool withIntermediateDirectories, const Dictionary&,
                                        Error* error) {
  if (path.isNil() || path.length() == 0) {
    setOut(error, fileError(ENOENT, "created", path.UTF8String()));
    return false;
  }
  std::string p = path.UTF8String();
  auto makeOne = [&](const std::string& dir, bool last) -> int {
    if (::mkdir(dir.c_str(), 0777) == 0) return 0;
    int e = errno;
    if (e == EEXIST) {
      struct stat st {};
      if (::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return (last && !withIntermediateDirectories) ? EEXIST : 0;
      return last ? EEXIST : ENOTDIR;
    }
    return e;
  };
  if (withIntermediateDirectories) {
    for (std::size_t i = 1; i < p.size(); ++i) {
      if (p[i] != '/') continue;
      std::string prefix = p.substr(0, i);
      if (int e = makeOne(prefix, false)) {
        setOut(error, fileError(e, "created", prefix));
        return false;
      }
    }
  }
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (int e = makeOne(p, true)) {
    setOut(error, fileError(e, "created", p));
    return false;
  }
  return true;
}

}  // namespace qv
