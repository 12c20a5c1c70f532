#pragma once
// The labels the main window paints on its face, for screen readers: one
// window per label, placed over it, that draws nothing and lets the pointer
// through, with the static text role and the label's text as its name. A
// label's window is shown exactly while the window paints the label (the
// effect's controls decide which), so readers list what the user sees.

#include "framework/CWnd.h"

#include <QString>

#include <memory>
#include <vector>

class PaintedLabel : public CWnd
{
public:
    explicit PaintedLabel(QWidget *parent);

    QAccessible::Role AccessibleRole() const override { return QAccessible::StaticText; }

protected:
    void paintEvent(QPaintEvent *) override { }
};

class PaintedLabels
{
public:
    // Makes the label windows of the skin in force over `window`.
    void Build(QWidget *window);
    // Shows the labels painted for `effect`; the effect's name is the text
    // of the title label.
    void Sync(int effect, const QString &effectName);

    const std::vector<std::unique_ptr<PaintedLabel>> &Labels() const { return labels; }

private:
    enum class Shown { Always, WithColour, WithSpeed, WithDirection };
    std::vector<std::unique_ptr<PaintedLabel>> labels;
    std::vector<Shown> when;
    PaintedLabel *effectTitle = nullptr;
};
