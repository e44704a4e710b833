// Every test process runs with HOME and the XDG directories in a temporary
// directory of its own, so no test ever touches the real user's files.
#pragma once

#include <string>
#include <vector>

namespace qv::test {

// The temporary home of this test process.
const std::string& testHome();
// Points HOME and every XDG_* variable into a fresh temporary directory.
void isolateUserDirectories();

// A directory removed with everything in it when the object ends.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& contents, unsigned mode = 0644);
std::string readFile(const std::string& path);
void makeDirectories(const std::string& path);

// Lays out Name.app under `parent` with the given Info.plist text (none when
// empty) and, when `executable` is given, copies it to Contents/MacOS/<exeName>.
std::string makeBundle(const std::string& parent, const std::string& name, const std::string& infoPlist,
                       const std::string& exeName = {}, const std::string& executable = {});
std::string infoPlistXML(const std::string& identifier, const std::string& executable);

}  // namespace qv::test
