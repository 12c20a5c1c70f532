#include "framework/CaseInsensitivePath.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QStringList>

namespace CaseInsensitivePath {
namespace {

struct Listing
{
    QDateTime modified;
    QStringList entries; // sorted by code point
};

// Folder listings, reused while the folder's modification time (which changes
// whenever an entry is added, removed or renamed) stays the same: a skin
// build asks for many missing optional pictures of one folder. A folder
// changed within the last seconds is listed afresh every time, since a second
// change within the clock's resolution would not show in its time.
QStringList Entries(const QString &folder)
{
    static QMutex mutex;
    static QHash<QString, Listing> cache;
    const QString path = folder.isEmpty() ? QStringLiteral(".") : folder;
    const QDateTime modified = QFileInfo(path).lastModified();

    const QMutexLocker lock(&mutex);
    const QString key = QDir(path).absolutePath();
    auto found = cache.find(key);
    if (found != cache.end() && found->modified == modified && modified.isValid())
        return found->entries;
    Listing listing;
    listing.modified = modified;
    listing.entries = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    listing.entries.sort(Qt::CaseSensitive);
    if (!modified.isValid() || modified.msecsTo(QDateTime::currentDateTimeUtc()) < 2000)
        return listing.entries;
    if (cache.size() > 256)
        cache.clear();
    cache.insert(key, listing);
    return listing.entries;
}

// The entries of `folder` that equal `name` ignoring case, in code-point order.
QStringList Candidates(const QString &folder, const QString &name)
{
    QStringList found;
    for (const QString &entry : Entries(folder))
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            found.append(entry);
    return found;
}

// Resolves parts[index...] below `resolved` (empty or ending in '/'). A
// component that exists with its exact name is tried first; when that leads
// nowhere, or the name does not exist, the other entries that match it
// ignoring case are tried in code-point order ("skins/Menu" finds
// "Skins/Menu" even though "skins" exists as well).
bool ResolveFrom(const QStringList &parts, qsizetype index, QString &resolved)
{
    if (index == parts.size())
        return true;
    const bool last = index + 1 == parts.size();
    const QString &part = parts[index];

    auto tryCandidate = [&](const QString &candidate) {
        QString next = resolved + candidate;
        if (!last) {
            if (!QFileInfo(next).isDir())
                return false;
            next += QLatin1Char('/');
        } else if (!QFileInfo::exists(next)) {
            return false;
        }
        if (!ResolveFrom(parts, index + 1, next))
            return false;
        resolved = next;
        return true;
    };

    if (tryCandidate(part))
        return true;
    if (part == QLatin1String(".") || part == QLatin1String(".."))
        return false;
    for (const QString &candidate : Candidates(resolved, part))
        if (candidate != part && tryCandidate(candidate))
            return true;
    return false;
}

} // namespace

QString Resolve(const QString &path)
{
    if (path.isEmpty() || QFileInfo::exists(path))
        return path;

    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString resolved = path.startsWith(QLatin1Char('/')) ? QStringLiteral("/") : QString();
    if (parts.isEmpty() || !ResolveFrom(parts, 0, resolved))
        return path;
    if (path.endsWith(QLatin1Char('/')))
        resolved += QLatin1Char('/');
    return resolved;
}

} // namespace CaseInsensitivePath
