// Modal alerts: a message, an informative text and buttons answering 1000,
// 1001, 1002… in the order they were added, the first being the default.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/Object.h"
#include "platform/Service.h"
#include "platform/String.h"

namespace qv {

inline constexpr std::int64_t NSAlertFirstButtonReturn = 1000;
inline constexpr std::int64_t NSAlertSecondButtonReturn = 1001;
inline constexpr std::int64_t NSAlertThirdButtonReturn = 1002;

class Alert final : public Object {
 public:
  static Ref<Alert> alert() { return std::make_shared<Alert>(); }

  const String& messageText() const { return messageText_; }
  const String& informativeText() const { return informativeText_; }
  const std::vector<String>& buttonTitles() const { return buttons_; }
  void setMessageText(const String& text) { messageText_ = text; }
  void setInformativeText(const String& text) { informativeText_ = text; }
  void addButtonWithTitle(const String& title) { buttons_.push_back(title); }

  // Shows the alert through the current presenter and answers the button
  // chosen. Call it on the main thread.
  std::int64_t runModal() const;

  // The answer of the button a person would take to mean "Ok": the one titled
  // "Ok", else "Cancel", else the last one.
  std::int64_t acknowledgeAnswer() const;

  const char* className() const override { return "NSAlert"; }

 private:
  String messageText_{""};
  String informativeText_{""};
  std::vector<String> buttons_;
};

// Shows alerts to a person. The real presenter picks, each time, a window
// when a display is there, else the controlling terminal, else the log (the
// alert answered as "Ok" at once); QV_ALERT_PRESENTER=window|terminal|log
// forces one.
class AlertPresenter {
 public:
  virtual ~AlertPresenter() = default;
  static AlertPresenter& current();
  virtual std::int64_t runModal(const Alert& alert);
};

namespace alert {
// Each answers nullopt when it has no way to show the alert.
std::optional<std::int64_t> presentInWindow(const Alert& alert);
std::optional<std::int64_t> presentOnTerminal(const Alert& alert);
std::int64_t presentInLog(const Alert& alert);
}  // namespace alert

}  // namespace qv
