#include <dlfcn.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Alert.h"
#include "support/Doubles.h"

namespace {

using namespace std::chrono_literals;

qv::Ref<qv::Alert> crashAlert() {
  auto alert = qv::Alert::alert();
  alert->setMessageText("The helper quit unexpectedly.");
  alert->setInformativeText("Send a report to help fix it?");
  for (const char* title : {"Send Crash Report", "Ok", "Cancel"}) alert->addButtonWithTitle(title);
  return alert;
}

// Sets or removes environment variables for one test.
class ScopedEnv {
 public:
  void set(const char* name, const char* value) {
    remember(name);
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
      if (it->had) {
        ::setenv(it->name.c_str(), it->value.c_str(), 1);
      } else {
        ::unsetenv(it->name.c_str());
      }
    }
  }

 private:
  void remember(const char* name) {
    const char* old = std::getenv(name);
    saved_.push_back({name, old ? old : "", old != nullptr});
  }
  struct Saved {
    std::string name, value;
    bool had;
  };
  std::vector<Saved> saved_;
};

void withoutDisplay(ScopedEnv& env) {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.set(name, nullptr);
}

// Waits for a forked child; its exit status, or -1 when it did not exit in time or by itself.
int exitStatusOf(pid_t pid, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    ::usleep(10'000);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The alert on a pseudo-terminal: the child answers with its exit status
// (the answer - 1000); the parent plays the person at the keyboard.
class TerminalSession {
 public:
  explicit TerminalSession(bool ignoreHangUp = false) {
    pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
    if (pid_ == 0) {
      if (ignoreHangUp) ::signal(SIGHUP, SIG_IGN);
      auto answer = qv::alert::presentOnTerminal(*crashAlert());
      ::_exit(answer ? static_cast<int>(*answer - qv::NSAlertFirstButtonReturn) : 100);
    }
  }
  ~TerminalSession() {
    if (master_ >= 0) ::close(master_);
    if (pid_ > 0) exitStatus();
  }
  TerminalSession(const TerminalSession&) = delete;
  TerminalSession& operator=(const TerminalSession&) = delete;

  bool started() const { return pid_ > 0; }

  // Reads the terminal until `text` has been shown `times` times in all.
  bool waitForOutput(const std::string& text, std::size_t times = 1) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (occurrences(text) < times) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0) continue;
      char buffer[512];
      ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n <= 0) return false;
      output_.append(buffer, static_cast<std::size_t>(n));
    }
    return true;
  }

  void type(const std::string& keys) { ASSERT_EQ(::write(master_, keys.data(), keys.size()), ssize_t(keys.size())); }
  void hangUp() {
    ::close(master_);
    master_ = -1;
  }
  int exitStatus() {
    if (status_ == -2) status_ = exitStatusOf(pid_);
    return status_;
  }
  const std::string& output() const { return output_; }

 private:
  std::size_t occurrences(const std::string& text) const {
    std::size_t count = 0;
    for (auto at = output_.find(text); at != std::string::npos; at = output_.find(text, at + text.size())) ++count;
    return count;
  }
  int master_ = -1;
  pid_t pid_ = -1;
  int status_ = -2;
  std::string output_;
};

constexpr char kPrompt[] = "]: ";

TEST(AlertTerminal, ShowsTextsAndNumberedChoices) {
  TerminalSession session;
  ASSERT_TRUE(session.started());
  ASSERT_TRUE(session.waitForOutput(kPrompt));
  session.type("\n");
  EXPECT_EQ(session.exitStatus(), 0);
  const std::string& out = session.output();
  for (const char* line : {"The helper quit unexpectedly.", "Send a report to help fix it?",
                           "  1) Send Crash Report (default)\r\n", "  2) Ok\r\n", "  3) Cancel\r\n"}) {
    EXPECT_NE(out.find(line), std::string::npos) << line << " not in:\n" << out;
  }
  EXPECT_LT(out.find("quit unexpectedly"), out.find("1) Send"));
}

struct TypedCase {
  const char* name;
  std::vector<std::string> lines;  // each typed after the next prompt
  int expected;                    // answer - 1000
};

class AlertTerminalAnswers : public ::testing::TestWithParam<TypedCase> {};

TEST_P(AlertTerminalAnswers, AnswerTheButtonChosen) {
  const TypedCase& c = GetParam();
  TerminalSession session;
  ASSERT_TRUE(session.started());
  for (std::size_t i = 0; i < c.lines.size(); ++i) {
    ASSERT_TRUE(session.waitForOutput(kPrompt, i + 1)) << session.output();
    session.type(c.lines[i]);
  }
  EXPECT_EQ(session.exitStatus(), c.expected) << session.output();
}

INSTANTIATE_TEST_SUITE_P(
    Typed, AlertTerminalAnswers,
    ::testing::Values(TypedCase{"Return", {"\n"}, 0}, TypedCase{"Second", {"2\n"}, 1},
                      TypedCase{"Third", {"3\n"}, 2}, TypedCase{"Padded", {"  2 \n"}, 1},
                      TypedCase{"OutOfRangeThenValid", {"9\n", "3\n"}, 2},
                      TypedCase{"ZeroThenReturn", {"0\n", "\n"}, 0},
                      TypedCase{"WordsThenValid", {"yes\n", "-1\n", "2\n"}, 1},
                      // The acknowledge answer is the "Ok" button.
                      TypedCase{"EndOfInput", {"\x04"}, 1}, TypedCase{"EndOfInputAfterRetry", {"x\n", "\x04"}, 1}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(AlertTerminal, HangUpAnswersAcknowledge) {
  TerminalSession session(/*ignoreHangUp=*/true);
  ASSERT_TRUE(session.started());
  ASSERT_TRUE(session.waitForOutput(kPrompt));
  session.hangUp();
  EXPECT_EQ(session.exitStatus(), 1);
}

// Without a controlling terminal or display, the default presenter falls back to the log.
TEST(AlertFallback, NoTerminalNoDisplayAnswersOkAtOnce) {
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::setsid();  // leaves the controlling terminal behind
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QV_ALERT_PRESENTER"}) ::unsetenv(name);
    if (qv::alert::presentOnTerminal(*crashAlert())) ::_exit(101);
    ::_exit(static_cast<int>(crashAlert()->runModal() - qv::NSAlertFirstButtonReturn));
  }
  EXPECT_EQ(exitStatusOf(pid, 5s), 1);
}

TEST(AlertFallback, ForcedLogAnswersOkAtOnceAndLogsTheAlert) {
  ScopedEnv env;
  withoutDisplay(env);
  env.set("QV_ALERT_PRESENTER", "log");
  qv::test::CapturingLog log;
  auto alert = crashAlert();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(alert->runModal(), alert->acknowledgeAnswer());
  EXPECT_EQ(alert->acknowledgeAnswer(), qv::NSAlertSecondButtonReturn);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("The helper quit unexpectedly."), std::string::npos) << lines[0];
  EXPECT_NE(lines[0].find("answered \"Ok\""), std::string::npos) << lines[0];
}

TEST(AlertWindowLoading, NoDisplayDeclinesWithoutLoadingThePlugin) {
#ifndef QV_TEST_ALERT_PLUGIN
  GTEST_SKIP() << "built without the windowed alert";
#else
  ScopedEnv env;
  withoutDisplay(env);
  env.set("QV_ALERT_WINDOW_PLUGIN", QV_TEST_ALERT_PLUGIN);
  EXPECT_EQ(qv::alert::presentInWindow(*crashAlert()), std::nullopt);
  EXPECT_EQ(::dlopen(QV_TEST_ALERT_PLUGIN, RTLD_NOW | RTLD_NOLOAD), nullptr);
#endif
}

TEST(AlertWindowLoading, UnreachableDisplayDeclinesInsteadOfAborting) {
#ifndef QV_TEST_ALERT_PLUGIN
  GTEST_SKIP() << "built without the windowed alert";
#else
  // In a child, so this process never loads Qt (see the test above).
  pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    for (const char* name : {"WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) ::unsetenv(name);
    ::setenv("DISPLAY", ":987", 1);
    ::setenv("QV_ALERT_WINDOW_PLUGIN", QV_TEST_ALERT_PLUGIN, 1);
    const bool declined = !qv::alert::presentInWindow(*crashAlert());
    const bool loaded = ::dlopen(QV_TEST_ALERT_PLUGIN, RTLD_NOW | RTLD_NOLOAD) != nullptr;
    ::_exit(declined && loaded ? 0 : 1);
  }
  EXPECT_EQ(exitStatusOf(pid), 0);
#endif
}

}  // namespace
