// A scratch bundle for the harnesses, made once per process and removed at exit.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qvfuzz {

inline std::string& scratchRoot() {
  static std::string root;
  return root;
}

// Makes <tmp>/qvfuzz.XXXXXX/Fuzz.app/Contents/{MacOS,Resources/en.lproj}.
inline std::string makeScratchBundle() {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/qvfuzz.XXXXXX";
  if (!::mkdtemp(tmpl.data())) {
    std::perror("mkdtemp");
    std::abort();
  }
  scratchRoot() = tmpl;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(scratchRoot(), ec);
  });
  std::string bundle = tmpl + "/Fuzz.app";
  std::filesystem::create_directories(bundle + "/Contents/MacOS");
  std::filesystem::create_directories(bundle + "/Contents/Resources/en.lproj");
  return bundle;
}

// Replaces the whole file; a short write would make the checks meaningless.
inline void writeFile(const std::string& path, const void* data, std::size_t size) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    std::perror(path.c_str());
    std::abort();
  }
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n <= 0) {
      std::perror("write");
      std::abort();
    }
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  ::close(fd);
}

}  // namespace qvfuzz
