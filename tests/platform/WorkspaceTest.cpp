#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <thread>

#include "platform/Workspace.h"
#include "support/Process.h"
#include "support/TestEnvironment.h"

using namespace qv;
using test::TempDir;

namespace {

Ref<RunningApplication> findPid(pid_t pid) {
  for (auto& app : Workspace::sharedWorkspace().runningApplications()) {
    if (app->processIdentifier() == pid) return app;
  }
  return nullptr;
}

std::string bundleWithProgram(const std::string& parent, const std::string& name, const std::string& id) {
  return test::makeBundle(parent, name + ".app", test::infoPlistXML(id, name), name, QV_FIXTURE_PROGRAM);
}

pid_t parentOf(pid_t pid) {
  std::string status = test::readFile("/proc/" + std::to_string(pid) + "/status");
  auto at = status.find("PPid:");
  return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 5);
}

}  // namespace

TEST(RunningApplications, AProcessFromABundleHasExactlyThatBundleURL) {
  TempDir dir;
  std::string bundle = bundleWithProgram(dir.path(), "Runner", "org.example.Runner");
  pid_t pid = test::spawnProgram({bundle + "/Contents/MacOS/Runner"});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(test::waitFor([&] { return findPid(pid) && findPid(pid)->bundleURL(); }));
  auto app = findPid(pid);
  EXPECT_EQ(app->bundleURL().absoluteString().UTF8String(), "file://" + bundle + "/");
  EXPECT_EQ(app->bundleIdentifier().UTF8String(), "org.example.Runner");
  EXPECT_EQ(RunningApplication::runningApplicationsWithBundleIdentifier("org.example.Runner").size(), 1u);
  test::stopProcess(pid);
  EXPECT_FALSE(findPid(pid));
  EXPECT_TRUE(RunningApplication::runningApplicationsWithBundleIdentifier("org.example.Runner").empty());
}

TEST(RunningApplications, AScriptBundleIsFoundAndAPlainProcessHasNoBundle) {
  TempDir dir;
  std::string bundle = test::makeBundle(dir.path(), "Script.app", test::infoPlistXML("org.example.Script", "run"));
  test::writeFile(bundle + "/Contents/MacOS/run", "#!/bin/sh\nwhile :; do sleep 1; done\n", 0755);
  pid_t pid = test::spawnProgram({bundle + "/Contents/MacOS/run"});
  ASSERT_TRUE(test::waitFor([&] { return findPid(pid) && findPid(pid)->bundleURL(); }));
  EXPECT_EQ(findPid(pid)->bundleURL().path().UTF8String(), bundle);
  test::stopProcess(pid);

  auto self = findPid(::getpid());
  ASSERT_TRUE(self);
  EXPECT_TRUE(self->bundleURL().isNil());
}

TEST(RunningApplications, ScanningWhileProcessesComeAndGoIsSafe) {
  std::atomic<bool> done{false};
  std::thread churn([&] {
    while (!done) {
      pid_t p = test::spawnProgram({"/bin/true"});
      test::stopProcess(p);
    }
  });
  for (int i = 0; i < 200; ++i) {
    for (const auto& app : Workspace::sharedWorkspace().runningApplications()) ASSERT_GT(app->processIdentifier(), 0);
  }
  done = true;
  churn.join();
}

TEST(Launch, StartsDetachedInItsOwnSessionWithNothingInherited) {
  TempDir dir;
  std::string bundle = bundleWithProgram(dir.path(), "Launched", "org.example.Launched");
  test::writeFile(dir / "marker", "");
  int leaked = ::open((dir / "marker").c_str(), O_RDONLY);  // deliberately without close-on-exec
  auto config = Dictionary::dictionary();
  config.setObject(Array::withStrings({"120"}).object(), String(NSWorkspaceLaunchConfigurationArguments));
  Error error;
  auto app = Workspace::sharedWorkspace().launchApplicationAtURL(URL::fileURLWithPath(String::fromUTF8(bundle)),
                                                                 NSWorkspaceLaunchAsync, config, &error);
  ::close(leaked);
  ASSERT_TRUE(app) << error.description().UTF8String();
  EXPECT_TRUE(error.isNil());
  pid_t pid = app->processIdentifier();
  EXPECT_EQ(app->bundleURL().absoluteString().UTF8String(), "file://" + bundle + "/");
  ASSERT_TRUE(test::processAlive(pid));
  EXPECT_NE(::getsid(pid), ::getsid(0)) << "the application must have a session of its own";
  EXPECT_NE(parentOf(pid), ::getpid()) << "the application must not be our child";
  for (const auto& e : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd")) {
    std::error_code ec;
    EXPECT_NE(std::filesystem::read_symlink(e.path(), ec), dir / "marker") << "descriptor " << e.path().filename() << " was inherited";
  }
  for (const char* fd : {"0", "1", "2"}) EXPECT_EQ(std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/fd/" + fd), "/dev/null");
  std::string cmdline = test::readFile("/proc/" + std::to_string(pid) + "/cmdline");
  EXPECT_EQ(cmdline, bundle + "/Contents/MacOS/Launched" + std::string(1, '\0') + "120" + std::string(1, '\0'));
  app->terminate();
  EXPECT_TRUE(test::waitFor([&] { return !test::processAlive(pid); }));
}

TEST(Launch, EachFailureGivesNilAndAnErrorNamingTheCause) {
  TempDir dir;
  std::string noExeKey = test::makeBundle(dir.path(), "NoKey.app", test::infoPlistXML("org.example.NoKey", ""));
  std::string missing = test::makeBundle(dir.path(), "Missing.app", test::infoPlistXML("org.example.Missing", "gone"));
  std::string notExec = test::makeBundle(dir.path(), "NotExec.app", test::infoPlistXML("org.example.NotExec", "x"));
  test::writeFile(notExec + "/Contents/MacOS/x", "#!/bin/sh\n", 0644);
  std::string badFormat = test::makeBundle(dir.path(), "Bad.app", test::infoPlistXML("org.example.Bad", "x"));
  test::writeFile(badFormat + "/Contents/MacOS/x", "\x7f" "ELF garbage", 0755);
  std::string badInterpreter = test::makeBundle(dir.path(), "Interp.app", test::infoPlistXML("org.example.Interp", "x"));
  test::writeFile(badInterpreter + "/Contents/MacOS/x", "#!/no/such/interpreter\n", 0755);
  struct Case {
    URL url;
    const char* cause;
    long code;
  } cases[] = {
      {URL(), "no file URL", EINVAL},
      {URL::URLWithString("https://example.org/X.app/"), "no file URL", EINVAL},
      {URL::fileURLWithPath(String::fromUTF8(dir / "Absent.app")), "no application bundle", ENOENT},
      {URL::fileURLWithPath(String::fromUTF8(noExeKey)), "names no executable", ENOEXEC},
      {URL::fileURLWithPath(String::fromUTF8(missing)), "is missing", ENOENT},
      {URL::fileURLWithPath(String::fromUTF8(notExec)), "is not executable", EACCES},
      {URL::fileURLWithPath(String::fromUTF8(badFormat)), "could not be started", ENOEXEC},
      {URL::fileURLWithPath(String::fromUTF8(badInterpreter)), "could not be started", ENOENT},
  };
  for (const auto& c : cases) {
    Error error;
    auto app = Workspace::sharedWorkspace().launchApplicationAtURL(c.url, NSWorkspaceLaunchAsync, Dictionary::dictionary(), &error);
    EXPECT_FALSE(app) << c.cause;
    ASSERT_TRUE(error) << c.cause;
    EXPECT_NE(error.description().UTF8String().find(c.cause), std::string::npos) << error.description().UTF8String();
    EXPECT_EQ(error.code(), c.code) << error.description().UTF8String();
  }
}

TEST(Trash, ARecycledFileIsInTheDesktopTrashWithItsOriginalPath) {
  std::string file = test::testHome() + "/recycle me.txt";
  test::writeFile(file, "bye");
  std::promise<Error> finished;
  Workspace::sharedWorkspace().recycleURLs({URL::fileURLWithPath(String::fromUTF8(file))},
                                           [&](const Error& e) { finished.set_value(e); });
  auto outcome = finished.get_future();
  ASSERT_EQ(outcome.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  Error error = outcome.get();
  ASSERT_TRUE(error.isNil()) << error.description().UTF8String();
  EXPECT_FALSE(std::filesystem::exists(file));
  // What the desktop makes of it: the GIO trash listing, through its own session bus.
  auto listed = test::runProgram({"/usr/bin/dbus-run-session", "--", "/usr/bin/gio", "trash", "--list"});
  EXPECT_NE(listed.out.find("recycle me.txt"), std::string::npos) << listed.out << listed.err;
  std::string info = test::readFile(std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/info/recycle me.txt.trashinfo");
  EXPECT_NE(info.find("Path=" + test::testHome() + "/recycle%20me.txt"), std::string::npos) << info;
}

TEST(Trash, AFileThatCannotBeTrashedStaysInPlace) {
  TempDir dir;
  test::writeFile(dir / "locked/keep", "stay");
  ::chmod((dir / "locked").c_str(), 0500);
  std::promise<Error> finished;
  Workspace::sharedWorkspace().recycleURLs({URL::fileURLWithPath(String::fromUTF8(dir / "locked/keep"))},
                                           [&](const Error& e) { finished.set_value(e); });
  auto outcome = finished.get_future();
  ASSERT_EQ(outcome.wait_for(std::chrono::seconds(20)), std::future_status::ready);
  if (::geteuid() != 0) {  // root may trash anything
    EXPECT_TRUE(outcome.get());
  }
  ::chmod((dir / "locked").c_str(), 0700);
  if (::geteuid() != 0) {
    EXPECT_EQ(test::readFile(dir / "locked/keep"), "stay");
  }
}
