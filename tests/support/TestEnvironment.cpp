#include "support/TestEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace qv::test {

namespace {

std::string makeTempDir(const char* prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "XXXXXX";
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  // The canonical path, so that paths the system reports back compare equal.
  return std::filesystem::canonical(pattern).string();
}

std::string& home() {
  static std::string h;
  return h;
}

}  // namespace

const std::string& testHome() { return home(); }

void isolateUserDirectories() {
  home() = makeTempDir("qv-test-home.");
  const std::string& h = home();
  ::setenv("HOME", h.c_str(), 1);
  const std::pair<const char*, const char*> dirs[] = {{"XDG_CONFIG_HOME", "/.config"},
                                                      {"XDG_DATA_HOME", "/.local/share"},
                                                      {"XDG_CACHE_HOME", "/.cache"},
                                                      {"XDG_STATE_HOME", "/.local/state"},
                                                      {"XDG_RUNTIME_DIR", "/.run"}};
  for (const auto& [name, sub] : dirs) {
    std::string p = h + sub;
    std::filesystem::create_directories(p);
    ::chmod(p.c_str(), 0700);
    ::setenv(name, p.c_str(), 1);
  }
  ::setenv("XDG_CONFIG_DIRS", (h + "/.xdg-config-dirs").c_str(), 1);
  ::setenv("XDG_DATA_DIRS", (h + "/.xdg-data-dirs").c_str(), 1);
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(home(), ec);
  });
}

TempDir::TempDir() : path_(makeTempDir("qv-test.")) {}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void makeDirectories(const std::string& path) { std::filesystem::create_directories(path); }

void writeFile(const std::string& path, const std::string& contents, unsigned mode) {
  makeDirectories(std::filesystem::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << contents;
  out.close();
  ::chmod(path.c_str(), mode);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string infoPlistXML(const std::string& identifier, const std::string& executable) {
  std::string body;
  if (!identifier.empty()) body += "<key>CFBundleIdentifier</key><string>" + identifier + "</string>";
  if (!executable.empty()) body += "<key>CFBundleExecutable</key><string>" + executable + "</string>";
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>" + body + "</dict></plist>\n";
}

std::string makeBundle(const std::string& parent, const std::string& name, const std::string& infoPlist,
                       const std::string& exeName, const std::string& executable) {
  std::string bundle = parent + "/" + name;
  makeDirectories(bundle + "/Contents/MacOS");
  if (!infoPlist.empty()) writeFile(bundle + "/Contents/Info.plist", infoPlist);
  if (!executable.empty()) {
    std::filesystem::copy_file(executable, bundle + "/Contents/MacOS/" + exeName,
                               std::filesystem::copy_options::overwrite_existing);
    ::chmod((bundle + "/Contents/MacOS/" + exeName).c_str(), 0755);
  }
  return bundle;
}

}  // namespace qv::test
