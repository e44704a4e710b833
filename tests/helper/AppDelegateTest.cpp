// The delegate's flow when the principal application cannot be located: a
// bundle double, since a real bundle always has a location.
#include <gtest/gtest.h>

#include <regex>

#include "helper/AppDelegate.h"
#include "platform/Application.h"
#include "support/Doubles.h"

using namespace qv;

namespace {

class RecordingApplication final : public Application {
 public:
  void terminate(const Id& sender) override {
    terminated = true;
    senderWasNil = !sender;
  }
  bool terminated = false;
  bool senderWasNil = false;
};

}  // namespace

TEST(AppDelegate, AbsentPrincipalLocationAlertsFirstAndTerminatesAfterTheAnswer) {
  auto bundle = test::BundleDouble::make();
  bundle->hasURL = false;
  ScopedMainBundle main(bundle);
  auto app = std::make_shared<RecordingApplication>();
  ScopedSharedApplication shared(app);
  test::CapturingLog log;
  test::WorkspaceDouble workspace;
  test::ScriptedAlertPresenter presenter(NSAlertThirdButtonReturn);
  std::size_t linesWhileShown = 0;
  bool terminatedWhileShown = true;
  presenter.whileShown = [&] {
    linesWhileShown = log.lines().size();
    terminatedWhileShown = app->terminated;
  };
  auto delegate = std::make_shared<AppDelegate>();
  delegate->applicationDidFinishLaunching(nullptr);

  auto lines = log.lines();
  std::string self = std::regex_replace(delegate->description().UTF8String(), std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)");
  const std::string patterns[] = {
      R"(\[CRITIRAL EXCEPTION \[isRunningPrincipalAppFromLoginItem \d+\] QVFinderSharedList url==nil\])",
      R"(\[INFO \[applicationDidFinishLaunching: \d+\] )" + self + R"( isRunnApp:0\])",
      R"(\[ERROR \[launchPrincipalAppFromLoginItem \d+\] QVFinderSharedList url==nil\])",
      R"(\[ERROR \[applicationDidFinishLaunching: \d+\] )" + self + R"( launchPrincipalAppFromLoginItem==NO\])",
  };
  ASSERT_EQ(lines.size(), 4u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(std::regex_match(lines[i], std::regex(patterns[i]))) << lines[i];
  EXPECT_EQ(presenter.shown().size(), 1u);
  EXPECT_EQ(linesWhileShown, 1u) << "the alert comes right after the critical line";
  EXPECT_FALSE(terminatedWhileShown);
  EXPECT_TRUE(app->terminated);
  EXPECT_TRUE(app->senderWasNil);
  EXPECT_TRUE(workspace.launched.empty());
}
