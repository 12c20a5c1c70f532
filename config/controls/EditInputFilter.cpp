#include "controls/EditInputFilter.h"

#include <QLineEdit>

#include <algorithm>
#include <utility>

EditInputFilter::EditInputFilter(QLineEdit &box, Rules rules)
    : QValidator(&box)
    , box(box)
    , rules(std::move(rules))
{ }

QValidator::State EditInputFilter::validate(QString &input, int &position) const
{
    if (!box.isUndoAvailable() || input == shown)
        return Acceptable; // the program's text, or an undo back to it
    // What the edit put in is what lies between the text kept in front and
    // behind.
    const qsizetype common = std::min(input.size(), shown.size());
    qsizetype front = 0;
    while (front < common && input[front] == shown[front])
        ++front;
    qsizetype back = 0;
    while (back < common - front && input[input.size() - 1 - back] == shown[shown.size() - 1 - back])
        ++back;
    const QString added = input.mid(front, input.size() - front - back);

    QString kept;
    for (const QChar c : added) {
        if (c.unicode() >= 0x20 && rules.accepts(c.unicode()))
            kept += c;
    }
    const int limit = rules.limit();
    if (limit > 0)
        kept.truncate(std::max<qsizetype>(0, limit - front - back));
    if (kept != added) {
        input = input.left(front) + kept + input.right(back);
        position = static_cast<int>(front + kept.size());
    }
    if (!kept.isEmpty())
        rules.inserted(kept.size());
    return Acceptable;
}
