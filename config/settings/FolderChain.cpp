#include "settings/FolderChain.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void EnsureFolderChain(const QString &root, const QString &relativePath)
{
    if (root.isEmpty())
        return;
    QDir().mkpath(root);

    const QString fullPath = root + relativePath;
    if (!fullPath.endsWith(QLatin1Char('/'))) {
        QFile file(fullPath);
        if (file.open(QIODevice::ReadWrite)) // creates it empty when missing
            return;
    }

    for (qsizetype slash = relativePath.indexOf(QLatin1Char('/')); slash >= 0;
         slash = relativePath.indexOf(QLatin1Char('/'), slash + 1)) {
        const QString folder = root + relativePath.left(slash);
        const QFileInfo info(folder);
        if (!info.isDir())
            QDir().mkdir(folder);
    }
}
