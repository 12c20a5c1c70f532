#pragma once
// Modal message boxes of the program, answerable by tests.

#include <QString>

#include <functional>

class QWidget;

inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

enum class MessageBoxKind {
    Ok, // one OK button, no icon
    OkError, // one OK button, error icon
    OkInformation, // one OK button, information icon
    OkCancelExclamation, // OK and Cancel, warning icon
};

// Shows the box and answers IDOK or IDCANCEL (closing the box answers
// IDCANCEL; a box with only OK always answers IDOK).
int ShowMessageBox(QWidget *parent, const QString &text, const QString &caption, MessageBoxKind kind);

// Replaces the box with `answer` (which receives the text and caption and
// returns the button); an empty function restores the real box.
void SetMessageBoxHandler(std::function<int(const QString &text, const QString &caption, MessageBoxKind kind)> answer);
