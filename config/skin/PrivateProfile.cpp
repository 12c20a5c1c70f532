#include "skin/PrivateProfile.h"

#include <QStringDecoder>
#include <QStringView>

namespace {

bool IsBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

QStringView TrimBlanks(QStringView text)
{
    while (!text.isEmpty() && IsBlank(text.front()))
        text = text.mid(1);
    while (!text.isEmpty() && IsBlank(text.back()))
        text.chop(1);
    return text;
}

QString Fold(QStringView name)
{
    return TrimBlanks(name).toString().toCaseFolded();
}

QStringView WithoutQuotes(QStringView value)
{
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''))
        && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

} // namespace

QString PrivateProfile::DecodeText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xFF\xFE")) {
        QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
        return decoder(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xFE\xFF")) {
        QStringDecoder decoder(QStringDecoder::Utf16BE, QStringDecoder::Flag::Stateless);
        return decoder(QByteArrayView(bytes).sliced(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(QByteArrayView(bytes).sliced(3));
    return QString::fromUtf8(bytes);
}

PrivateProfile PrivateProfile::FromBytes(const QByteArray &bytes)
{
    PrivateProfile profile;
    profile.Parse(DecodeText(bytes));
    return profile;
}

void PrivateProfile::Parse(const QString &text)
{
    // Keys before the first header, and keys of a repeated section, are not
    // visible to lookups.
    QString section;
    bool sectionIsFirst = false;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        qsizetype end = 0;
        while (end < rest.size() && rest[end] != QLatin1Char('\n') && rest[end] != QLatin1Char('\r'))
            ++end;
        const QStringView line = TrimBlanks(rest.left(end));
        rest = rest.mid(end < rest.size() ? end + 1 : end);

        if (line.isEmpty() || line.front() == QLatin1Char(';'))
            continue;
        if (line.front() == QLatin1Char('[')) {
            const qsizetype close = line.lastIndexOf(QLatin1Char(']'));
            if (close > 0) {
                section = Fold(line.mid(1, close - 1));
                sectionIsFirst = !sections_.contains(section);
                if (sectionIsFirst)
                    sections_.insert(section, {});
                continue;
            }
        }
        if (!sectionIsFirst)
            continue;
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        const QString key = Fold(equals < 0 ? line : line.left(equals));
        QHash<QString, QString> &keys = sections_[section];
        if (keys.contains(key))
            continue;
        const QStringView value = equals < 0 ? QStringView() : TrimBlanks(line.mid(equals + 1));
        keys.insert(key, WithoutQuotes(value).toString());
    }
}

std::optional<QString> PrivateProfile::Value(const QString &section, const QString &key) const
{
    const auto foundSection = sections_.constFind(Fold(section));
    if (foundSection == sections_.constEnd())
        return std::nullopt;
    const auto foundKey = foundSection->constFind(Fold(key));
    if (foundKey == foundSection->constEnd())
        return std::nullopt;
    return *foundKey;
}
