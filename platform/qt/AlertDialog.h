// The windowed alert: a message box built from the alert's texts and button
// titles. Qt only, so that qvcore never links Qt.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>

namespace qv::ui {

// Headline as the text, the informative text below it (both plain text), the
// buttons in the order given; the first is the default (Return), one titled
// "Cancel" answers Escape. With no titles it gets a single "OK" button.
std::unique_ptr<QMessageBox> makeAlertDialog(const QString& message, const QString& informative,
                                             const QStringList& buttons, QWidget* parent = nullptr);

// 1000 + the index of the button that closed the dialog.
long long alertAnswer(const QMessageBox& box);

// Runs the dialog modally and answers as alertAnswer.
long long runAlertDialog(QMessageBox& box);

}  // namespace qv::ui
