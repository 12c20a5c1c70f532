#pragma once
// Decoded state pictures by file. A skin names the same picture for many
// controls (fifteen effect buttons, eight colour slots), so each file is
// decoded once and the copies share its pixels. An entry is used only while
// the file keeps its size and modification time; files changed within the
// last seconds are not kept at all, since a second change within the clock's
// resolution would go unnoticed.
//
// The pictures kept stay within a byte budget: when a new one does not fit,
// the least recently used ones go first (the newest one is always kept, so
// that controls that share a picture larger than the budget still share it).

#include <QDateTime>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QString>

#include <functional>
#include <list>

class PictureCache
{
public:
    static constexpr qsizetype kDefaultMaxBytes = 32 * 1024 * 1024;

    // `decode` turns a resolved file path into a premultiplied picture.
    PictureCache(qsizetype maxBytes, std::function<QImage(const QString &)> decode);

    // The picture of the file at `resolvedPath`, decoded or from the cache;
    // null when there is no such file or it does not decode.
    QImage Load(const QString &resolvedPath);

    qsizetype Bytes() const;
    int DecodeCount() const;

private:
    struct Entry
    {
        QDateTime modified;
        qint64 size = 0;
        QImage image;
        std::list<QString>::iterator use; // place in usage
    };

    void Remove(QHash<QString, Entry>::iterator entry);

    const qsizetype maxBytes;
    const std::function<QImage(const QString &)> decode;
    mutable QMutex mutex;
    QHash<QString, Entry> entries;
    std::list<QString> usage; // most recently used first
    qsizetype bytes = 0;
    int decodes = 0;
};
