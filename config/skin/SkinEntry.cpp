#include "skin/SkinEntry.h"

#include "skin/SkinFile.h"

#include <QStringView>

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

int Clamp32(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

bool IsSpace(QChar c)
{
    // What the C library's %d conversion skips: space, \t, \n, \v, \f, \r.
    return c == QLatin1Char(' ') || (c.unicode() >= 9 && c.unicode() <= 13);
}

// One %d conversion at `pos`: blanks, an optional sign, at least one digit.
// Advances `pos` past the number; false (and `pos` unchanged) when there is no
// number.
bool ReadInt(QStringView text, qsizetype &pos, int &value)
{
    qsizetype p = pos;
    while (p < text.size() && IsSpace(text[p]))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == QLatin1Char('-') || text[p] == QLatin1Char('+'))) {
        negative = text[p] == QLatin1Char('-');
        ++p;
    }
    const qsizetype digitsStart = p;
    int64_t magnitude = 0;
    while (p < text.size() && text[p] >= QLatin1Char('0') && text[p] <= QLatin1Char('9')) {
        magnitude = std::min<int64_t>(magnitude * 10 + (text[p].unicode() - '0'), int64_t(INT_MAX) + 1);
        ++p;
    }
    if (p == digitsStart)
        return false;
    value = Clamp32(negative ? -magnitude : magnitude);
    pos = p;
    return true;
}

} // namespace

SkinEntry ParseSkinEntry(const QString &value, SkinEntryUse use)
{
    SkinEntry entry;
    const QStringView whole(value);
    const qsizetype firstComma = whole.indexOf(QLatin1Char(','));
    if (firstComma >= 0)
        entry.name = whole.left(std::min<qsizetype>(firstComma, kMaxSkinNameLength)).toString();
    const QStringView rest = firstComma >= 0 ? whole.mid(firstComma + 1) : whole;

    int numbers[4] = {0, 0, 0, 0};
    qsizetype pos = 0;
    for (int i = 0; i < 4; ++i) {
        if (i > 0) {
            if (pos >= rest.size() || rest[pos] != QLatin1Char(','))
                break;
            ++pos;
        }
        if (!ReadInt(rest, pos, numbers[i]))
            break;
    }
    entry.rect.left = numbers[0];
    entry.rect.top = numbers[1];
    entry.rect.right = Clamp32(int64_t(numbers[0]) + numbers[2]);
    entry.rect.bottom = Clamp32(int64_t(numbers[1]) + numbers[3]);

    entry.flag = rest.contains(QLatin1String("TRUE"));

    const qsizetype lastComma = rest.lastIndexOf(QLatin1Char(','));
    if (lastComma >= 0) {
        const QStringView beforeLast = rest.left(lastComma);
        QStringView text = beforeLast.mid(beforeLast.lastIndexOf(QLatin1Char(',')) + 1);
        if (use == SkinEntryUse::Control)
            text = text.left(kMaxSkinControlTextLength);
        entry.text = text.toString();
    }
    return entry;
}

SkinEntry ReadSkinEntry(const QString &section, const QString &key, SkinEntryUse use)
{
    return ParseSkinEntry(ReadSkinString(section, key, QString()), use);
}
