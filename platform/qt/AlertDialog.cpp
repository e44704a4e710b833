#include "platform/qt/AlertDialog.h"

#include <QLabel>
#include <QPushButton>

namespace qv::ui {

namespace {
constexpr long long kFirstAnswer = 1000;
constexpr char kIndexProperty[] = "qvAlertIndex";
}  // namespace

std::unique_ptr<QMessageBox> makeAlertDialog(const QString& message, const QString& informative,
                                             const QStringList& buttons, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  // Alert texts come from programs and strings files, never markup.
  box->setTextFormat(Qt::PlainText);
  box->setText(message);
  if (!informative.isEmpty()) {
    box->setInformativeText(informative);
    // Older Qt versions do not pass the text format on to this label.
    if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
      label->setTextFormat(Qt::PlainText);
  }
  const QStringList titles = buttons.isEmpty() ? QStringList{QStringLiteral("OK")} : buttons;
  for (qsizetype i = 0; i < titles.size(); ++i) {
    // One role for all, so the button box keeps the order they were given in.
    QPushButton* button = box->addButton(titles[i], QMessageBox::ActionRole);
    button->setProperty(kIndexProperty, static_cast<long long>(i));
    if (i == 0) box->setDefaultButton(button);
    if (titles[i] == QLatin1String("Cancel")) box->setEscapeButton(button);
  }
  return box;
}

long long alertAnswer(const QMessageBox& box) {
  const QAbstractButton* clicked = box.clickedButton();
  if (!clicked) return kFirstAnswer;
  return kFirstAnswer + clicked->property(kIndexProperty).toLongLong();
}

long long runAlertDialog(QMessageBox& box) {
  box.exec();
  return alertAnswer(box);
}

}  // namespace qv::ui
