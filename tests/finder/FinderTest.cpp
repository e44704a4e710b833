#include <gtest/gtest.h>

#include <regex>

#include "finder/QVFinderSharedList.h"
#include "support/Doubles.h"
#include "support/TestEnvironment.h"

using namespace qv;
using test::BundleDouble;
using test::CapturingLog;
using test::WorkspaceDouble;

namespace {

const char* kHelper = "file:///Applications/Example.app/Contents/Library/LoginItems/Example%20Helper.app/";
const char* kPrincipal = "file:///Applications/Example.app/";

Ref<BundleDouble> helperAt(const char* url) {
  auto b = BundleDouble::make();
  b->url = URL::URLWithString(url);
  return b;
}

void expectLines(const CapturingLog& log, const std::vector<std::string>& patterns) {
  auto lines = log.lines();
  ASSERT_EQ(lines.size(), patterns.size()) << (lines.empty() ? "" : lines[0]);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i]))) << lines[i] << "\n  !~ " << patterns[i];
  }
}

}  // namespace

TEST(PrincipalApp, LocationIsFourComponentsUp) {
  ScopedMainBundle main(helperAt(kHelper));
  EXPECT_EQ(QVFinderSharedList::principalAppURL().absoluteString().UTF8String(), kPrincipal);
}

TEST(PrincipalApp, RunsOnlyWhenAnApplicationHasExactlyThatBundleURL) {
  ScopedMainBundle main(helperAt(kHelper));
  struct Case {
    std::vector<std::string> running;
    bool expected;
  } cases[] = {
      {{}, false},
      {{"", "/Other/Example.app"}, false},           // a copy elsewhere does not count
      {{"/Applications/example.app"}, false},        // no case folding
      {{"/Applications/Example.app"}, true},
      {{"", "/Applications/Example.app", "/Applications/Example.app"}, true},
  };
  for (const auto& c : cases) {
    CapturingLog log;
    WorkspaceDouble workspace;
    pid_t pid = 100;
    for (const auto& path : c.running) workspace.running.push_back(test::runningApp(pid++, path));
    EXPECT_EQ(QVFinderSharedList::isRunningPrincipalAppFromLoginItem(), c.expected);
    EXPECT_TRUE(log.lines().empty());
    EXPECT_TRUE(workspace.launched.empty());
  }
}

TEST(PrincipalApp, AbsentLocationIsACriticalReportThenNo) {
  auto bundle = BundleDouble::make();
  bundle->hasURL = false;
  ScopedMainBundle main(bundle);
  CapturingLog log;
  WorkspaceDouble workspace;
  test::ScriptedAlertPresenter presenter(NSAlertThirdButtonReturn);
  EXPECT_FALSE(QVFinderSharedList::isRunningPrincipalAppFromLoginItem());
  expectLines(log, {R"(\[CRITIRAL EXCEPTION \[isRunningPrincipalAppFromLoginItem \d+\] QVFinderSharedList url==nil\])"});
  ASSERT_EQ(presenter.shown().size(), 1u);
  EXPECT_TRUE(std::regex_match(presenter.shown()[0].informativeText, std::regex(R"(\[QVFinderSharedList isRunningPrincipalAppFromLoginItem \d+\]\nurl==nil)")));

  CapturingLog launchLog;
  EXPECT_FALSE(QVFinderSharedList::launchPrincipalAppFromLoginItem());
  expectLines(launchLog, {R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList url==nil\])"});
  EXPECT_TRUE(workspace.launched.empty());
  EXPECT_EQ(presenter.shown().size(), 1u) << "the launch does not alert";
}

TEST(PrincipalApp, LaunchOutcomes) {
  struct Case {
    const char* helperURL;
    bool workspaceAccepts;
    bool expected;
    std::vector<std::string> lines;
  } cases[] = {
      {kHelper, true, true, {}},
      {kHelper, false, false,
       {R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList app==nil url:file:///Applications/Example.app/ error:Error Domain=NSPOSIXErrorDomain Code=2 "gone"\])"}},
      {"file:///Applications/Example.APP/Contents/Library/LoginItems/H.app/", true, false,
       {R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList url.pathExtension url:file:///Applications/Example.APP/\])"}},
      {"file:///build/H.app/", true, false,
       {R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList url.pathExtension url:file:///\.\./\.\./\])"}},
  };
  for (const auto& c : cases) {
    ScopedMainBundle main(helperAt(c.helperURL));
    CapturingLog log;
    WorkspaceDouble workspace;
    if (c.workspaceAccepts) workspace.launchResult = test::runningApp(42, "/Applications/Example.app");
    workspace.launchError = Error::make(NSPOSIXErrorDomain, 2, "gone");
    EXPECT_EQ(QVFinderSharedList::launchPrincipalAppFromLoginItem(), c.expected) << c.helperURL;
    expectLines(log, c.lines);
    bool extensionOK = c.lines.empty() || c.lines[0].find("pathExtension") == std::string::npos;
    ASSERT_EQ(workspace.launched.size(), extensionOK ? 1u : 0u) << c.helperURL;
    if (extensionOK) {
      EXPECT_EQ(workspace.launched[0].absoluteString().UTF8String(), kPrincipal);
      EXPECT_EQ(workspace.launchOptions[0], 0x10000u);
      EXPECT_EQ(workspace.launchConfigurations[0].count(), 0u);
      EXPECT_FALSE(workspace.launchConfigurations[0].isNil());
    }
  }
}

TEST(LoginItems, URLAndRunningCheckByName) {
  test::TempDir dir;
  std::string principal = test::makeBundle(dir.path(), "Main.app", test::infoPlistXML("org.example.Main", ""));
  std::string items = principal + "/Contents/Library/LoginItems";
  std::string helper = test::makeBundle(items, "Helper.app", test::infoPlistXML("org.example.Main.Helper", ""));
  test::makeBundle(items, "Anonymous.app", test::infoPlistXML("", ""));
  auto bundle = BundleDouble::make(String::fromUTF8(principal));
  ScopedMainBundle main(bundle);
  CapturingLog log;
  WorkspaceDouble workspace;

  EXPECT_TRUE(QVFinderSharedList::bundleURLWithLoginItemWithName(String()).isNil());
  EXPECT_TRUE(log.lines().empty());
  EXPECT_EQ(QVFinderSharedList::bundleURLWithLoginItemWithName("Helper.app").absoluteString().UTF8String(),
            "file://" + helper + "/");

  EXPECT_FALSE(QVFinderSharedList::isRunningLoginItemWithName(String()));
  EXPECT_FALSE(QVFinderSharedList::isRunningLoginItemWithName("Nowhere.app"));
  EXPECT_FALSE(QVFinderSharedList::isRunningLoginItemWithName("Anonymous.app"));
  expectLines(log, {R"(\[ERROR \[isRunningLoginItemWithName: \d+\] QVFinderSharedList url==nil\])",
                    R"(\[ERROR \[isRunningLoginItemWithName: \d+\] QVFinderSharedList bundle:\(null\) url:file://.*/LoginItems/Nowhere.app\])",
                    R"(\[ERROR \[isRunningLoginItemWithName: \d+\] QVFinderSharedList bundle:NSBundle <.*/Anonymous.app> \(not yet loaded\) url:file://.*/Anonymous.app/\])"});

  CapturingLog quiet;
  EXPECT_FALSE(QVFinderSharedList::isRunningLoginItemWithName("Helper.app"));
  workspace.running = {test::runningApp(7, "/elsewhere/Other.app"), test::runningApp(8, helper)};
  EXPECT_TRUE(QVFinderSharedList::isRunningLoginItemWithName("Helper.app"));
  EXPECT_TRUE(quiet.lines().empty()) << "a helper that is not running logs nothing";
}
