#pragma once
// The validator of a CClrEdit box: whatever the user puts into the box
// (typing, an input method, paste by key or menu, middle-click paste, a drop)
// is reduced to the characters the box accepts and cut to its length limit;
// the characters kept are reported to the box. Text that the program sets
// passes untouched.
//
// A user edit is told from the program's by the undo history: each of the
// line edit's user edits records itself before it is validated, while the
// program's text replaces the history.

#include <QValidator>

#include <functional>

class QLineEdit;

class EditInputFilter : public QValidator
{
public:
    struct Rules
    {
        std::function<bool(char16_t)> accepts;
        std::function<int()> limit; // 0: none
        std::function<void(qsizetype)> inserted; // characters kept from one user edit
    };

    EditInputFilter(QLineEdit &box, Rules rules);

    State validate(QString &input, int &position) const override;

    // The text shown before the edit being validated; the box updates it on
    // every change.
    void SetShownText(const QString &text) { shown = text; }

private:
    QLineEdit &box;
    Rules rules;
    QString shown;
};
