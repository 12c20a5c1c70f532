#include "skin/PictureCache.h"

#include <QFileInfo>

PictureCache::PictureCache(qsizetype maxBytes, std::function<QImage(const QString &)> decode)
    : maxBytes(maxBytes)
    , decode(std::move(decode))
{ }

QImage PictureCache::Load(const QString &resolvedPath)
{
    const QFileInfo info(resolvedPath);
    if (resolvedPath.isEmpty() || !info.isFile())
        return {};
    const QDateTime modified = info.lastModified();
    const qint64 size = info.size();
    const QMutexLocker lock(&mutex);
    const auto found = entries.find(resolvedPath);
    if (found != entries.end()) {
        if (found->modified == modified && found->size == size) {
            usage.splice(usage.begin(), usage, found->use);
            return found->image;
        }
        Remove(found); // the file changed
    }

    const QImage image = decode(resolvedPath);
    ++decodes;
    if (!image.isNull() && modified.isValid() && modified.msecsTo(QDateTime::currentDateTimeUtc()) >= 2000) {
        while (!usage.empty() && bytes + image.sizeInBytes() > maxBytes)
            Remove(entries.find(usage.back()));
        usage.push_front(resolvedPath);
        entries.insert(resolvedPath, Entry {modified, size, image, usage.begin()});
        bytes += image.sizeInBytes();
    }
    return image;
}

void PictureCache::Remove(QHash<QString, Entry>::iterator entry)
{
    bytes -= entry->image.sizeInBytes();
    usage.erase(entry->use);
    entries.erase(entry);
}

qsizetype PictureCache::Bytes() const
{
    const QMutexLocker lock(&mutex);
    return bytes;
}

int PictureCache::DecodeCount() const
{
    const QMutexLocker lock(&mutex);
    return decodes;
}
