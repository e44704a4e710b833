#include "foundation/QVFoundationNSAlertExtensions.h"

using namespace qv;

Ref<Alert> qv_alertWithTitle(const String& title, const String& message, const Array& buttons) {
  auto alert = Alert::alert();
  alert->setMessageText(title ? title : String(""));
  alert->setInformativeText(message ? message : String(""));
  for (const auto& button : buttons.items()) {
    String text = String::fromObject(button);
    alert->addButtonWithTitle(text ? text : describe(button));
  }
  if (buttons.count() == 0) alert->addButtonWithTitle("Ok");
  return alert;
}

Ref<Alert> qv_alertWithTitle(const String& title, const String& message) {
  return qv_alertWithTitle(title, message, Array::withStrings({"Ok"}));
}
