#include "skin/PictureCache.h"

#include <QFileInfo>

PictureCache::PictureCache(qsizetype maxBytes, std::function<QImage(const QString &)> decode)
    : maxBytes_(maxBytes)
    , decode_(std::move(decode))
{ }

QImage PictureCache::Load(const QString &resolvedPath)
{
    const QFileInfo info(resolvedPath);
    if (resolvedPath.isEmpty() || !info.isFile())
        return {};
    const QDateTime modified = info.lastModified();
    const qint64 size = info.size();
    const QMutexLocker lock(&mutex_);
    const auto found = entries_.find(resolvedPath);
    if (found != entries_.end()) {
        if (found->modified == modified && found->size == size) {
            usage_.splice(usage_.begin(), usage_, found->use);
            return found->image;
        }
        Remove(found); // the file changed
    }

    const QImage image = decode_(resolvedPath);
    ++decodes_;
    if (!image.isNull() && modified.isValid() && modified.msecsTo(QDateTime::currentDateTimeUtc()) >= 2000) {
        while (!usage_.empty() && bytes_ + image.sizeInBytes() > maxBytes_)
            Remove(entries_.find(usage_.back()));
        usage_.push_front(resolvedPath);
        entries_.insert(resolvedPath, Entry {modified, size, image, usage_.begin()});
        bytes_ += image.sizeInBytes();
    }
    return image;
}

void PictureCache::Remove(QHash<QString, Entry>::iterator entry)
{
    bytes_ -= entry->image.sizeInBytes();
    usage_.erase(entry->use);
    entries_.erase(entry);
}

qsizetype PictureCache::Bytes() const
{
    const QMutexLocker lock(&mutex_);
    return bytes_;
}

int PictureCache::DecodeCount() const
{
    const QMutexLocker lock(&mutex_);
    return decodes_;
}
