#include "framework/MessageBox.h"

#include <QMessageBox>

namespace {

std::function<int(const QString &, const QString &, MessageBoxKind)> &Handler()
{
    static std::function<int(const QString &, const QString &, MessageBoxKind)> handler;
    return handler;
}

} // namespace

int ShowMessageBox(QWidget *parent, const QString &text, const QString &caption, MessageBoxKind kind)
{
    if (Handler())
        return Handler()(text, caption, kind);
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    if (kind != MessageBoxKind::OkCancelExclamation) {
        box.setIcon(kind == MessageBoxKind::OkError             ? QMessageBox::Critical
                        : kind == MessageBoxKind::OkInformation ? QMessageBox::Information
                                                                : QMessageBox::NoIcon);
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return IDOK;
    }
    box.setIcon(QMessageBox::Warning);
    box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok ? IDOK : IDCANCEL;
}

void SetMessageBoxHandler(std::function<int(const QString &, const QString &, MessageBoxKind)> answer)
{
    Handler() = std::move(answer);
}
