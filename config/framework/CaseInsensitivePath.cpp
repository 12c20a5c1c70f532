#include "framework/CaseInsensitivePath.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace CaseInsensitivePath {
namespace {

// The entry of `folder` whose name equals `name` ignoring case, or empty.
QString FindEntry(const QString &folder, const QString &name)
{
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return name;
    const QDir dir(folder.isEmpty() ? QStringLiteral(".") : folder);
    QStringList entries = dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.sort(Qt::CaseSensitive);
    for (const QString &entry : entries)
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return entry;
    return {};
}

} // namespace

QString Resolve(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;

    const bool absolute = path.startsWith(QLatin1Char('/'));
    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString resolved = absolute ? QStringLiteral("/") : QString();
    for (const QString &part : parts) {
        const QString exact = resolved + part;
        QString next;
        if (QFileInfo::exists(exact)) {
            next = part;
        } else {
            next = FindEntry(resolved, part);
            if (next.isEmpty())
                return path;
        }
        resolved += next + QLatin1Char('/');
    }
    if (!path.endsWith(QLatin1Char('/')) && resolved.endsWith(QLatin1Char('/')) && resolved.size() > 1)
        resolved.chop(1);
    return resolved;
}

} // namespace CaseInsensitivePath
