#include "platform/Alert.h"

#include <cstdlib>
#include <cstring>

#include "platform/Format.h"
#include "platform/SystemLog.h"

namespace qv {

std::int64_t Alert::runModal() const { return AlertPresenter::current().runModal(*this); }

std::int64_t Alert::acknowledgeAnswer() const {
  for (const char* title : {"Ok", "Cancel"}) {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
      if (buttons_[i] == String(title)) return NSAlertFirstButtonReturn + static_cast<std::int64_t>(i);
    }
  }
  return NSAlertFirstButtonReturn + static_cast<std::int64_t>(buttons_.empty() ? 0 : buttons_.size() - 1);
}

AlertPresenter& AlertPresenter::current() { return currentService<AlertPresenter, AlertPresenter>(); }

std::int64_t AlertPresenter::runModal(const Alert& a) {
  const char* forced = std::getenv("QV_ALERT_PRESENTER");
  std::string_view choice = forced ? forced : "";
  if (choice.empty() || choice == "window") {
    if (auto answer = alert::presentInWindow(a)) return *answer;
  }
  if (choice.empty() || choice == "terminal") {
    if (auto answer = alert::presentOnTerminal(a)) return *answer;
  }
  return alert::presentInLog(a);
}

std::int64_t alert::presentInLog(const Alert& a) {
  std::u16string buttons;
  for (const auto& title : a.buttonTitles()) {
    if (!buttons.empty()) buttons += u" | ";
    buttons += title.units();
  }
  std::int64_t answer = a.acknowledgeAnswer();
  String chosen = a.buttonTitles().empty() ? String("") : a.buttonTitles()[static_cast<std::size_t>(answer - NSAlertFirstButtonReturn)];
  SystemLog::shared().write(
      3, format("Alert shown without a display or terminal: \"%@\" \"%@\" [%@]; answered \"%@\"", a.messageText(),
                a.informativeText(), String(std::move(buttons)), chosen));
  return answer;
}

}  // namespace qv
