#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Alert.h"
#include "platform/qt/AlertDialog.h"

// Fontconfig, under Qt, keeps a cache it never frees; not ours to fix.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

QApplication& application() {
  static int argc = 1;
  static char name[] = "qv_alert_window_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = [] {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    return new QApplication(argc, argv);
  }();
  return *app;
}

QStringList titlesOf(const QMessageBox& box) {
  QStringList titles;
  for (const QAbstractButton* button : box.buttons()) titles << button->text();
  return titles;
}

// Runs `act` on the first alert box shown while `run` is in its modal loop.
template <class Run>
auto whileShown(const std::function<void(QMessageBox&)>& act, Run run) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (!box || !box->isVisible()) continue;
      poll->stop();
      poll->deleteLater();
      act(*box);
      // A press the box ignored would otherwise leave the test waiting forever.
      QTimer::singleShot(3000, box, [box] {
        ADD_FAILURE() << "the alert stayed open";
        box->done(0);
      });
      return;
    }
  });
  poll->start(10);
  return run();
}

class AlertWindow : public ::testing::Test {
 protected:
  void SetUp() override { application(); }
};

TEST_F(AlertWindow, ShowsTextsAsPlainTextAndButtonsInOrder) {
  const QStringList titles{"Send Crash Report", "Don't Send", "Cancel"};
  auto box = qv::ui::makeAlertDialog("Quit <b>unexpectedly</b>", "Send a report?\nIt helps.", titles);
  EXPECT_EQ(box->text(), "Quit <b>unexpectedly</b>");
  EXPECT_EQ(box->informativeText(), "Send a report?\nIt helps.");
  for (const QLabel* label : box->findChildren<QLabel*>()) {
    if (label->text() == box->text() || label->text() == box->informativeText()) {
      EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
    }
  }
  EXPECT_EQ(titlesOf(*box), titles);

  // On screen too, left to right in the order given.
  box->show();
  QCoreApplication::processEvents();
  const auto buttons = box->buttons();
  for (qsizetype i = 1; i < buttons.size(); ++i)
    EXPECT_LT(buttons[i - 1]->mapToGlobal(QPoint()).x(), buttons[i]->mapToGlobal(QPoint()).x()) << i;
  box->hide();
}

struct RolesCase {
  QStringList titles;
  QStringList expectedTitles;
  int escapeIndex;  // -1: none
};

TEST_F(AlertWindow, FirstButtonIsDefaultAndCancelIsEscape) {
  const std::vector<RolesCase> cases{
      {{"Send", "Don't Send", "Cancel"}, {"Send", "Don't Send", "Cancel"}, 2},
      {{"Cancel", "Retry"}, {"Cancel", "Retry"}, 0},
      {{"Open", "Later"}, {"Open", "Later"}, -1},
      {{}, {"OK"}, -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.titles.join(",").toStdString());
    auto box = qv::ui::makeAlertDialog("Message", "", c.titles);
    ASSERT_EQ(titlesOf(*box), c.expectedTitles);
    EXPECT_EQ(box->defaultButton(), box->buttons().first());
    EXPECT_EQ(box->escapeButton(), c.escapeIndex < 0 ? nullptr : box->buttons()[c.escapeIndex]);
  }
}

struct PressCase {
  const char* name;
  QStringList titles;
  std::function<void(QMessageBox&)> press;
  long long expected;
};

std::function<void(QMessageBox&)> clickButton(int index) {
  return [index](QMessageBox& box) { box.buttons()[index]->click(); };
}
std::function<void(QMessageBox&)> pressKey(Qt::Key key) {
  return [key](QMessageBox& box) { QTest::keyClick(&box, key); };
}

TEST_F(AlertWindow, EachButtonAnswersByItsPosition) {
  const QStringList three{"Send Crash Report", "Don't Send", "Cancel"};
  const std::vector<PressCase> cases{
      {"click first", three, clickButton(0), 1000},
      {"click second", three, clickButton(1), 1001},
      {"click third", three, clickButton(2), 1002},
      {"Return", three, pressKey(Qt::Key_Return), 1000},
      {"Escape", three, pressKey(Qt::Key_Escape), 1002},
      {"Escape without Cancel", {"Cancel", "Retry"}, pressKey(Qt::Key_Escape), 1000},
      {"no buttons", {}, clickButton(0), 1000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto box = qv::ui::makeAlertDialog("Message", "Informative", c.titles);
    EXPECT_EQ(whileShown(c.press, [&] { return qv::ui::runAlertDialog(*box); }), c.expected);
  }
}

// Through qvcore: the plugin is opened, given the alert's texts and answers.
TEST_F(AlertWindow, PresentInWindowRunsThePlugin) {
  ::setenv("QV_ALERT_WINDOW_PLUGIN", QV_TEST_ALERT_PLUGIN, 1);
  auto alert = qv::Alert::alert();
  alert->setMessageText("Café crashed — ünexpectedly");
  alert->setInformativeText("Send «report»?");
  for (const char* title : {"Send", "Don’t Send", "Cancel"}) alert->addButtonWithTitle(title);

  QString shownText, shownInformative;
  QStringList shownTitles;
  auto answer = whileShown(
      [&](QMessageBox& box) {
        shownText = box.text();
        shownInformative = box.informativeText();
        shownTitles = titlesOf(box);
        box.buttons()[1]->click();
      },
      [&] { return qv::alert::presentInWindow(*alert); });
  EXPECT_EQ(answer, qv::NSAlertSecondButtonReturn);
  EXPECT_EQ(shownText, QString::fromUtf8("Café crashed — ünexpectedly"));
  EXPECT_EQ(shownInformative, QString::fromUtf8("Send «report»?"));
  EXPECT_EQ(shownTitles, (QStringList{"Send", QString::fromUtf8("Don’t Send"), "Cancel"}));
}

}  // namespace
