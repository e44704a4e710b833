#include <errno.h>
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "platform/Alert.h"

namespace qv::alert {

namespace {

class Terminal {
 public:
  Terminal() : fd_(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
  ~Terminal() {
    if (fd_ >= 0) ::close(fd_);
  }
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  // A background process would be stopped by the terminal as soon as it read.
  bool usable() const { return fd_ >= 0 && ::tcgetpgrp(fd_) == ::getpgrp(); }

  bool write(const std::string& text) const {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left) {
      ssize_t n = ::write(fd_, p, left);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      left -= static_cast<std::size_t>(n);
    }
    return true;
  }

  // False at end of input or when the terminal went away.
  bool readLine(std::string& line) const {
    line.clear();
    for (;;) {
      char c;
      ssize_t n = ::read(fd_, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      // A terminal left in raw mode ends lines with a carriage return.
      if (c == '\n' || c == '\r') return true;
      line += c;
    }
  }

 private:
  int fd_;
};

std::string trimmed(const std::string& s) {
  const auto first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The 1-based choice typed, or 0 when it names none of the `count` buttons.
std::size_t choiceIn(const std::string& text, std::size_t count) {
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return 0;
  const std::size_t choice = std::stoul(text);
  return choice <= count ? choice : 0;
}

}  // namespace

std::optional<std::int64_t> presentOnTerminal(const Alert& a) {
  const Terminal tty;
  if (!tty.usable()) return std::nullopt;

  const auto& buttons = a.buttonTitles();
  std::string text = "\n" + a.messageText().UTF8String() + "\n";
  if (!a.informativeText().isNil() && a.informativeText().length()) text += a.informativeText().UTF8String() + "\n";
  text += "\n";
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    text += "  " + std::to_string(i + 1) + ") " + buttons[i].UTF8String() + (i == 0 ? " (default)\n" : "\n");
  }
  const std::string prompt = buttons.size() > 1
                                 ? "Choose 1-" + std::to_string(buttons.size()) + " [1]: "
                                 : std::string("Press Return to continue: ");
  if (!tty.write(text)) return std::nullopt;

  std::string line;
  for (;;) {
    if (!tty.write(prompt) || !tty.readLine(line)) {
      tty.write("\n");
      return a.acknowledgeAnswer();
    }
    const std::string answer = trimmed(line);
    if (answer.empty()) return NSAlertFirstButtonReturn;
    if (const std::size_t choice = choiceIn(answer, buttons.size()))
      return NSAlertFirstButtonReturn + static_cast<std::int64_t>(choice - 1);
    if (buttons.size() <= 1) return NSAlertFirstButtonReturn;
    tty.write("Please type a number from 1 to " + std::to_string(buttons.size()) + ".\n");
  }
}

}  // namespace qv::alert
