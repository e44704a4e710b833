#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <thread>

#include "foundation/QVFoundationNSAlertExtensions.h"
#include "log/QVSiteTag.h"
#include "log/QVStoredText.h"
#include "platform/Error.h"
#include "platform/RunLoop.h"
#include "platform/SystemLog.h"
#include "support/Doubles.h"
#include "support/TestEnvironment.h"

using namespace qv;
using test::CapturingLog;

namespace {

class Described final : public Object {
 public:
  String description() const override { return "first line\nsecond line"; }
};

}  // namespace

TEST(Log, LineFormat) {
  auto twoLines = std::make_shared<Described>();
  struct Case {
    std::int64_t severity;
    String text;
    Id error;
    const char* line;
  } cases[] = {
      {4, "url==nil", nullptr, "[ERROR url==nil]"},
      {5, "x", nullptr, "[CRITIRAL EXCEPTION x]"},
      {1, "x", nullptr, "[DEBUG x]"},
      {2, "x", nullptr, "[INFO x]"},
      {3, "x", nullptr, "[WARNING x]"},
      {0, "url==nil", nullptr, "[(null) url==nil]"},
      {6, "url==nil", nullptr, "[(null) url==nil]"},
      {7, "url==nil", nullptr, "[(null) url==nil]"},
      {-1, "url==nil", nullptr, "[(null) url==nil]"},
      {INT64_MAX, "url==nil", nullptr, "[(null) url==nil]"},
      {4, String(), nullptr, "[ERROR (null)]"},
      {4, "a", twoLines, "[ERROR a]\n{first line\nsecond line\n}"},
      {4, "100% %@ %d %s", nullptr, "[ERROR 100% %@ %d %s]"},
      {4, "e", Error::make("D", 1, "50% %@").object(), "[ERROR e]\n{Error Domain=D Code=1 \"50% %@\"\n}"},
  };
  for (const auto& c : cases) {
    CapturingLog log;
    QVLog::logWithSeverity(c.severity, c.text, c.error);
    ASSERT_EQ(log.records().size(), 1u);
    EXPECT_EQ(log.records()[0].line, c.line);
    EXPECT_EQ(log.records()[0].severity, c.severity);
  }
  CapturingLog log;
  QVLog::log("a");
  QVLog::logDebug("b");
  QVLog::logInfo("c");
  QVLog::logWarning("d");
  QVLog::logError("e");
  QVLog::logCriticalException("f");
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"[(null) a]", "[DEBUG b]", "[INFO c]", "[WARNING d]", "[ERROR e]",
                                                   "[CRITIRAL EXCEPTION f]"}));
}

TEST(Log, SiteTaggedMessagesForAClassAndAnObject) {
  CapturingLog log;
  int classLine = __LINE__ + 1;
  QV_LOG_ERROR(ClassName{"QVFinderSharedList"}, "launchPrincipalAppFromLoginItem", "url.pathExtension url:%@", URL::URLWithString("file:///x/"));
  auto object = std::make_shared<Object>();
  int objectLine = __LINE__ + 1;
  QV_LOG_INFO(object, "applicationDidFinishLaunching:", "isRunnApp:%d", true);
  auto lines = log.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "[ERROR [launchPrincipalAppFromLoginItem " + std::to_string(classLine) + "] QVFinderSharedList url.pathExtension url:file:///x/]");
  EXPECT_EQ(lines[1], "[INFO [applicationDidFinishLaunching: " + std::to_string(objectLine) + "] " +
                          object->description().UTF8String() + " isRunnApp:1]");
  EXPECT_TRUE(std::regex_match(object->description().UTF8String(), std::regex("<NSObject: 0x[0-9a-f]+>")));
}

TEST(CriticalReport, LogsThenAlertsWithTheClassTaggedText) {
  CapturingLog log;
  test::ScriptedAlertPresenter presenter(NSAlertThirdButtonReturn);
  std::size_t recordsWhileShown = 0;
  presenter.whileShown = [&] { recordsWhileShown = log.records().size(); };
  Error error = Error::make("D", 3, "denied");
  int line = __LINE__ + 1;
  QV_CRITICAL_REPORT(ClassName{"QVFunctions"}, "supportPath", "isOK==NO supportPath:%@ error:%@", String("/s"), error);
  std::string detail = "isOK==NO supportPath:/s error:Error Domain=D Code=3 \"denied\"";
  ASSERT_EQ(log.lines().size(), 1u);
  EXPECT_EQ(log.lines()[0], "[CRITIRAL EXCEPTION [supportPath " + std::to_string(line) + "] QVFunctions " + detail + "]");
  EXPECT_EQ(recordsWhileShown, 1u) << "the log line comes before the alert";
  ASSERT_EQ(presenter.shown().size(), 1u);
  EXPECT_EQ(presenter.shown()[0].informativeText, "[QVFunctions supportPath " + std::to_string(line) + "]\n" + detail);
}

TEST(CriticalReport, FromABackgroundThreadWaitsForTheAnswerOnTheMainThread) {
  CapturingLog log;
  test::ScriptedAlertPresenter presenter(NSAlertThirdButtonReturn);
  std::atomic<bool> answered{false}, returned{false};
  presenter.whileShown = [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    answered = true;
  };
  QVLog::sharedInstance();
  Ref<QVLog> before = QVLog::sharedInstance();
  std::thread reporter([&] {
    QV_CRITICAL_REPORT(ClassName{"QVFinderSharedList"}, "isRunningPrincipalAppFromLoginItem", "url==nil");
    EXPECT_TRUE(answered.load()) << "returned before the alert was answered";
    returned = true;
  });
  ASSERT_TRUE(RunLoop::runMainUntil([&] { return returned.load(); }, std::chrono::seconds(10)));
  reporter.join();
  ASSERT_EQ(presenter.shown().size(), 1u);
  EXPECT_TRUE(presenter.shown()[0].onMainThread);
  EXPECT_EQ(QVLog::sharedInstance().get(), before.get()) << "a second report reuses the shared instance";
}

namespace {

struct CrashReporterProbe {
  std::vector<std::int64_t> presented;
  int sharedInstanceCalls = 0;
};

class ReporterObject final : public Object {
 public:
  ReporterObject(CrashReporterProbe& probe, bool responds) : probe_(probe), responds_(responds) {}
  bool respondsToSelector(std::string_view sel) const override { return responds_ && sel == "presentToUserWithMode:"; }
  Id performSelector(std::string_view sel, const Id& arg) override {
    if (responds_ && sel == "presentToUserWithMode:") probe_.presented.push_back(Number::fromObject(arg).int64Value());
    return {};
  }

 private:
  CrashReporterProbe& probe_;
  bool responds_;
};

Ref<Class> crashReporterClass(CrashReporterProbe& probe, bool responds) {
  auto instance = std::make_shared<ReporterObject>(probe, responds);
  return std::make_shared<Class>("QVCrashReporter", nullptr,
                                 std::map<std::string, Class::Method, std::less<>>{{"sharedInstance", [&probe, instance](const Id&) {
                                                                                       ++probe.sharedInstanceCalls;
                                                                                       return Id(instance);
                                                                                     }}});
}

struct AlertRun {
  test::ScriptedAlertPresenter::Shown shown;
  std::vector<URL> opened;
};

AlertRun showWithAnswer(std::int64_t answer, const Ref<test::BundleDouble>& bundle) {
  ScopedMainBundle main(bundle);
  test::WorkspaceDouble workspace;
  test::ScriptedAlertPresenter presenter(answer);
  QVLog::showCritialException("[C sel 1]\ndetail");
  return {presenter.shown().at(0), workspace.opened};
}

}  // namespace

TEST(CriticalAlert, TextsAndTheAnswers) {
  auto bundle = test::BundleDouble::make();
  bundle->executable = "/Apps/Example.app/Contents/Library/LoginItems/Example Helper.app/Contents/MacOS/Example Helper";

  AlertRun ok = showWithAnswer(NSAlertThirdButtonReturn, bundle);
  EXPECT_EQ(ok.shown.messageText, "An critical exception occurred with Example Helper.\nPlease, contact support team.");
  EXPECT_EQ(ok.shown.informativeText, "[C sel 1]\ndetail");
  EXPECT_EQ(ok.shown.buttons, (std::vector<std::string>{"Send Crash Report", "Contact Support", "Ok"}));
  EXPECT_TRUE(ok.opened.empty());

  AlertRun support = showWithAnswer(NSAlertSecondButtonReturn, bundle);
  ASSERT_EQ(support.opened.size(), 1u);
  EXPECT_EQ(support.opened[0].absoluteString().UTF8String(), "https://qv.example.org/support/?page=support");

  // Without a crash reporter class, "Send Crash Report" does nothing.
  EXPECT_TRUE(showWithAnswer(NSAlertFirstButtonReturn, bundle).opened.empty());

  CrashReporterProbe present, silent;
  bundle->classes = {crashReporterClass(present, true)};
  showWithAnswer(NSAlertFirstButtonReturn, bundle);
  EXPECT_EQ(present.presented, std::vector<std::int64_t>{2});
  EXPECT_EQ(present.sharedInstanceCalls, 2);
  showWithAnswer(NSAlertThirdButtonReturn, bundle);
  EXPECT_EQ(present.presented.size(), 1u) << "\"Ok\" does nothing";

  bundle->classes = {crashReporterClass(silent, false)};
  showWithAnswer(NSAlertFirstButtonReturn, bundle);
  EXPECT_TRUE(silent.presented.empty());
  EXPECT_EQ(silent.sharedInstanceCalls, 1);
}

TEST(CriticalAlert, HeadlineAndButtonsAreTranslated) {
  test::TempDir dir;
  std::string path = test::makeBundle(dir.path(), "T.app", test::infoPlistXML("org.example.T", "T"));
  test::writeFile(path + "/Contents/Resources/de.lproj/Localizable.strings",
                  "\"An critical exception occurred with %@.\\nPlease, contact support team.\" = \"Kritischer Fehler in %@.\";\n"
                  "\"Send Crash Report\" = \"Absturzbericht senden\";\n\"Ok\" = \"Gut\";\n");
  auto bundle = test::BundleDouble::make(String::fromUTF8(path));
  bundle->executable = String::fromUTF8(path + "/Contents/MacOS/T");
  const char* saved = std::getenv("LC_ALL");
  std::string keep = saved ? saved : "";
  ::setenv("LC_ALL", "de_DE.UTF-8", 1);
  AlertRun run = showWithAnswer(NSAlertThirdButtonReturn, bundle);
  saved ? ::setenv("LC_ALL", keep.c_str(), 1) : ::unsetenv("LC_ALL");
  EXPECT_EQ(run.shown.messageText, "Kritischer Fehler in T.");
  EXPECT_EQ(run.shown.buttons, (std::vector<std::string>{"Absturzbericht senden", "Contact Support", "Ok"}));
}

TEST(AlertFactory, TitlesMessagesAndButtons) {
  auto empty = qv_alertWithTitle(String(), String(), Array());
  EXPECT_EQ(empty->messageText().UTF8String(), "");
  EXPECT_EQ(empty->informativeText().UTF8String(), "");
  ASSERT_EQ(empty->buttonTitles().size(), 1u);
  EXPECT_EQ(empty->buttonTitles()[0].UTF8String(), "Ok");
  EXPECT_EQ(qv_alertWithTitle("t", "m", Array::array())->buttonTitles().size(), 1u);
  auto two = qv_alertWithTitle("t", "m", Array::withStrings({"Send Crash Report", "Contact Support"}));
  ASSERT_EQ(two->buttonTitles().size(), 2u);
  EXPECT_EQ(two->buttonTitles()[0].UTF8String(), "Send Crash Report");
  EXPECT_EQ(two->buttonTitles()[1].UTF8String(), "Contact Support");
  auto single = qv_alertWithTitle("t", "m");
  ASSERT_EQ(single->buttonTitles().size(), 1u);
  EXPECT_EQ(single->buttonTitles()[0].UTF8String(), "Ok");
  EXPECT_EQ(single->messageText().UTF8String(), "t");
}

TEST(StoredText, ReversedBase64) {
  auto bytes = [](const std::string& s) {
    auto b = std::make_unique<std::uint8_t[]>(s.size() + 1);
    std::memcpy(b.get(), s.data(), s.size());
    return b;
  };
  struct Case {
    std::string stored;
    std::int32_t length;
    const char* expected;  // nullptr: nil
  } cases[] = {
      {"jJWY", 4, "abc"},
      {"=IWY", 4, "ab"},
      {"==QY", 4, "a"},
      {"jJWY", 0, nullptr},
      {"jJWY", -4, nullptr},
      {"jJ#Y", 4, nullptr},
      {"jJW", 3, nullptr},
      {"Y=WY", 4, nullptr},
      {"==A/", 4, nullptr},  // decodes to the lone byte 0xFF: no UTF-8
  };
  for (const auto& c : cases) {
    String s = QVStringFromReversedBase64(c.length, bytes(c.stored));
    if (c.expected) {
      EXPECT_EQ(s.UTF8String(), c.expected) << c.stored;
    } else {
      EXPECT_TRUE(s.isNil()) << c.stored;
    }
  }
  EXPECT_TRUE(QVStringFromReversedBase64(4, nullptr).isNil());
  EXPECT_EQ(QVSecondStoredText().UTF8String(), "qv login-item helper, 2026.");
}

TEST(StoredText, SupportAddress) {
  EXPECT_EQ(String::fromObject(QVSupportAddressWithSuffix(nullptr, 0)).UTF8String(), "https://qv.example.org/support");
  URL url = URL::fromObject(QVSupportAddressWithSuffix("?page=support", 1));
  ASSERT_TRUE(url);
  EXPECT_EQ(url.absoluteString().UTF8String(), "https://qv.example.org/support/?page=support");
  EXPECT_TRUE(URL::fromObject(QVSupportAddressWithSuffix("bad suffix", 1)).isNil());
  EXPECT_EQ(String::fromObject(QVSupportAddressWithSuffix("bad suffix", 0)).UTF8String(), "https://qv.example.org/support/bad suffix");
}

TEST(SystemLog, EightThreadsOfTenThousandRecordsArriveWholeThroughStandardError) {
  test::TempDir dir;
  std::string path = dir / "stderr";
  int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  ASSERT_GE(file, 0);
  int saved = ::dup(2);
  ::dup2(file, 2);
  constexpr int kThreads = 8, kLines = 10000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) QVLog::logInfo(format("t=%d i=%d 100%% %%@ %%d\nsecond line of %d", t, i, i));
    });
  }
  for (auto& th : threads) th.join();
  ::dup2(saved, 2);
  ::close(saved);
  ::close(file);

  std::string all = test::readFile(path);
  std::regex head(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3} qv_log_tests\[(\d+):(\d+)\] )");
  std::set<std::string> seen;
  std::size_t pos = 0;
  std::string pid = std::to_string(::getpid());
  while (pos < all.size()) {
    auto end = all.find("\nsecond line of ", pos);
    ASSERT_NE(end, std::string::npos);
    end = all.find('\n', end + 1);
    ASSERT_NE(end, std::string::npos);
    std::string record = all.substr(pos, end - pos);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(record, m, head)) << record;
    EXPECT_EQ(m[1].str(), pid);
    std::string line = m.suffix();
    int t = -1, i = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "[INFO t=%d i=%d", &t, &i), 2) << line;
    EXPECT_EQ(line, "[INFO t=" + std::to_string(t) + " i=" + std::to_string(i) + " 100% %@ %d\nsecond line of " + std::to_string(i) + "]");
    seen.insert(std::to_string(t) + ":" + std::to_string(i));
    pos = end + 1;
  }
  EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kLines));
}
