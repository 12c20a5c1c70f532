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
    // Case-folded name -> the entries with that name, in code-point order.
    QHash<QString, QStringList> byFoldedName;
};

// Folder listings, reused while the folder's modification time (which changes
// whenever an entry is added, removed or renamed) stays the same: a skin
// build asks for many missing optional pictures of one folder. A folder
// changed within the last seconds is listed afresh every time, since a second
// change within the clock's resolution would not show in its time.
//
// The entries of `folder` that equal `name` ignoring case, in code-point order.
QStringList Candidates(const QString &folder, const QString &name)
{
    static QMutex mutex;
    static QHash<QString, Listing> cache;
    const QString path = folder.isEmpty() ? QStringLiteral(".") : folder;
    const QDateTime modified = QFileInfo(path).lastModified();
    const QString folded = name.toCaseFolded();

    const QMutexLocker lock(&mutex);
    const QString key = QDir(path).absolutePath();
    const auto found = cache.constFind(key);
    if (found != cache.constEnd() && found->modified == modified && modified.isValid())
        return found->byFoldedName.value(folded);

    Listing listing;
    listing.modified = modified;
    QStringList entries = QDir(path).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.sort(Qt::CaseSensitive);
    for (const QString &entry : entries)
        listing.byFoldedName[entry.toCaseFolded()].append(entry);
    const QStringList matches = listing.byFoldedName.value(folded);
    if (modified.isValid() && modified.msecsTo(QDateTime::currentDateTimeUtc()) >= 2000) {
        if (cache.size() > 256)
            cache.clear();
        cache.insert(key, std::move(listing));
    }
    return matches;
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
