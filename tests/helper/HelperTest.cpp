// The helper program end to end: the real program, real processes, bundles
// in temporary folders.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/Process.h"
#include "support/TestEnvironment.h"

using namespace qv::test;
namespace fs = std::filesystem;

namespace {

const std::string kHelperInBundle = "Contents/Library/LoginItems/Example Helper.app";
const std::string kHelperExe = "Contents/MacOS/Example Helper";

// The message of every record the program wrote to standard error.
std::vector<std::string> records(const std::string& err) {
  std::regex head(R"((^|\n)\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} Example Helper\[\d+:\d+\] )");
  std::vector<std::string> out;
  std::vector<std::pair<std::size_t, std::size_t>> starts;
  for (std::sregex_iterator it(err.begin(), err.end(), head), end; it != end; ++it) {
    starts.emplace_back(static_cast<std::size_t>(it->position() + it->length()), static_cast<std::size_t>(it->position()));
  }
  for (std::size_t i = 0; i < starts.size(); ++i) {
    std::size_t stop = i + 1 < starts.size() ? starts[i + 1].second : err.size();
    std::string message = err.substr(starts[i].first, stop - starts[i].first);
    if (!message.empty() && message.back() == '\n') message.pop_back();
    out.push_back(message);
  }
  return out;
}

void expectRecords(const std::vector<std::string>& actual, const std::vector<std::string>& patterns, const std::string& err) {
  ASSERT_EQ(actual.size(), patterns.size()) << err;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    EXPECT_TRUE(std::regex_match(actual[i], std::regex(patterns[i]))) << actual[i] << "\n  !~ " << patterns[i];
  }
}

const std::string kInfo0 = R"(\[INFO \[applicationDidFinishLaunching: \d+\] <AppDelegate: 0x[0-9a-f]+> isRunnApp:0\])";
const std::string kInfo1 = R"(\[INFO \[applicationDidFinishLaunching: \d+\] <AppDelegate: 0x[0-9a-f]+> isRunnApp:1\])";
const std::string kLaunchNo = R"(\[ERROR \[applicationDidFinishLaunching: \d+\] <AppDelegate: 0x[0-9a-f]+> launchPrincipalAppFromLoginItem==NO\])";

std::string escaped(const std::string& s) { return std::regex_replace(s, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)"); }
std::string encoded(const std::string& s) { return std::regex_replace(s, std::regex(" "), "%20"); }

class Helper : public ::testing::Test {
 protected:
  void SetUp() override {
    applications = apps.path() + "/Applications";
    fs::create_directories(applications);
    principal = install("Example.app");
  }
  void TearDown() override {
    for (const auto& path : {principal, apps.path()}) {
      for (const auto& entry : fs::recursive_directory_iterator(path, fs::directory_options::skip_permission_denied)) {
        if (entry.path().filename() == "Example") {
          for (pid_t pid : processesRunning(entry.path())) stopProcess(pid);
        }
      }
    }
  }
  // A copy of the built example bundle under the given name in Applications.
  std::string install(const std::string& name, const std::string& folder = {}) {
    std::string dest = (folder.empty() ? applications : folder) + "/" + name;
    fs::create_directories(fs::path(dest).parent_path());
    fs::copy(QV_EXAMPLE_BUNDLE, dest, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    return dest;
  }
  ProcessResult runHelper(const std::string& helperBundle) {
    return runProgram({helperBundle + "/" + kHelperExe}, {"QV_ALERT_PRESENTER=log"});
  }
  std::string exe(const std::string& bundle) const { return bundle + "/Contents/MacOS/Example"; }
  pid_t startPrincipal(const std::string& bundle) {
    pid_t pid = spawnProgram({exe(bundle)});
    EXPECT_TRUE(waitFor([&] { return processAlive(pid); }));
    return pid;
  }

  TempDir apps;
  std::string applications, principal;
};

}  // namespace

TEST_F(Helper, PrincipalRunningIsOneInfoLineAndNoLaunch) {
  startPrincipal(principal);
  auto r = runHelper(principal + "/" + kHelperInBundle);
  EXPECT_EQ(r.status, 0);
  expectRecords(records(r.err), {kInfo1}, r.err);
  EXPECT_EQ(processesRunning(exe(principal)).size(), 1u) << "nothing launched";
}

TEST_F(Helper, TwoRunningInstancesAnswerYes) {
  startPrincipal(principal);
  startPrincipal(principal);
  auto r = runHelper(principal + "/" + kHelperInBundle);
  expectRecords(records(r.err), {kInfo1}, r.err);
  EXPECT_EQ(processesRunning(exe(principal)).size(), 2u);
}

TEST_F(Helper, NotRunningLaunchesThePrincipalWhichOutlivesTheHelper) {
  auto r = runHelper(principal + "/" + kHelperInBundle);
  EXPECT_EQ(r.status, 0);
  expectRecords(records(r.err), {kInfo0}, r.err);
  ASSERT_TRUE(waitFor([&] { return processesRunning(exe(principal)).size() == 1; }));
  pid_t launched = processesRunning(exe(principal))[0];
  EXPECT_NE(::getsid(launched), ::getsid(0));
  // A second run finds it running and launches nothing more.
  auto again = runHelper(principal + "/" + kHelperInBundle);
  expectRecords(records(again.err), {kInfo1}, again.err);
  EXPECT_EQ(processesRunning(exe(principal)).size(), 1u);
}

TEST_F(Helper, ACopyRunningElsewhereDoesNotCount) {
  std::string copy = install("Example.app", apps.path() + "/Elsewhere");
  startPrincipal(copy);
  auto r = runHelper(principal + "/" + kHelperInBundle);
  expectRecords(records(r.err), {kInfo0}, r.err);
  EXPECT_TRUE(waitFor([&] { return processesRunning(exe(principal)).size() == 1; }));
}

TEST_F(Helper, OutsideAnAppBundleTheLaunchIsRefused) {
  // Started from a build folder, four components up is no application bundle.
  std::string loose = apps.path() + "/build/Example Helper.app";
  fs::create_directories(apps.path() + "/build");
  fs::copy(principal + "/" + kHelperInBundle, loose, fs::copy_options::recursive);
  auto r = runHelper(loose);
  EXPECT_EQ(r.status, 0);
  expectRecords(records(r.err),
                {kInfo0, R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList url.pathExtension url:file://.*/\])", kLaunchNo},
                r.err);
}

TEST_F(Helper, AnExtensionInCapitalsIsRefused) {
  std::string upper = install("Example.APP");
  auto r = runHelper(upper + "/" + kHelperInBundle);
  expectRecords(records(r.err),
                {kInfo0,
                 R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList url.pathExtension url:file://)" +
                     escaped(encoded(upper)) + R"(/\])",
                 kLaunchNo},
                r.err);
  EXPECT_TRUE(processesRunning(exe(upper)).empty());
}

TEST_F(Helper, NoApplicationFromTheWorkspaceIsLoggedWithTheCause) {
  std::string noExe = install("NoExe.app");
  fs::remove(exe(noExe));
  std::string notExec = install("NotExec.app");
  ::chmod(exe(notExec).c_str(), 0644);
  struct Case {
    std::string bundle, cause;
  } cases[] = {{noExe, "is missing (No such file or directory)"}, {notExec, "is not executable (Permission denied)"}};
  for (const auto& c : cases) {
    auto r = runHelper(c.bundle + "/" + kHelperInBundle);
    EXPECT_EQ(r.status, 0);
    std::string url = "file://" + escaped(encoded(c.bundle)) + "/";
    expectRecords(records(r.err),
                  {kInfo0,
                   R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList app==nil url:)" + url +
                       R"( error:Error Domain=NSPOSIXErrorDomain Code=\d+ ".*)" + escaped(c.cause) + R"(" UserInfo=\{.*\}\])",
                   kLaunchNo},
                  r.err);
  }
}
