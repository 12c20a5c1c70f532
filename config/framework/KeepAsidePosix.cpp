#include "framework/KeepAside.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString ErrorText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The file system keeps no (more) hard links to the file.
bool LinksUnsupported(int error)
{
    return error == EPERM || error == EOPNOTSUPP || error == ENOTSUP || error == EMLINK || error == ENOSYS;
}

// Renames without replacing: -1 with EEXIST when `to` exists.
int RenameWithoutReplacing(const char *from, const char *to)
{
    const int done = ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE);
    if (done == 0 || (errno != EINVAL && errno != ENOSYS))
        return done;
    // A file system without that flag: the best that can be done is to look
    // first.
    struct stat taken = {};
    if (::lstat(to, &taken) == 0) {
        errno = EEXIST;
        return -1;
    }
    return ::rename(from, to);
}

} // namespace

KeptAside KeepFileAside(const QString &path, const std::function<QString(const QString &file, int n)> &nameFor,
                        int attempts)
{
    KeptAside kept;
    char *resolved = ::realpath(QFile::encodeName(path).constData(), nullptr);
    if (!resolved) {
        kept.error = ErrorText(errno);
        return kept;
    }
    const QByteArray from(resolved);
    std::free(resolved);
    const QString file = QFile::decodeName(from);
    struct stat original = {};
    if (::lstat(from.constData(), &original) != 0) {
        kept.error = ErrorText(errno);
        return kept;
    }
    bool links = true;
    for (int n = 1; n <= attempts; ++n) {
        const QString name = nameFor(file, n);
        const QByteArray to = QFile::encodeName(name);
        int done = -1;
        if (links) {
            done = ::link(from.constData(), to.constData());
            links = done == 0 || !LinksUnsupported(errno);
        }
        if (!links)
            done = RenameWithoutReplacing(from.constData(), to.constData());
        if (done == 0) {
            kept.path = name;
            return kept;
        }
        if (errno != EEXIST) {
            kept.error = ErrorText(errno);
            return kept;
        }
        // A name taken by this very file was given by an earlier attempt
        // whose save then failed.
        struct stat taken = {};
        if (::lstat(to.constData(), &taken) == 0 && taken.st_dev == original.st_dev
            && taken.st_ino == original.st_ino) {
            kept.path = name;
            kept.earlier = true;
            return kept;
        }
    }
    kept.error = QStringLiteral("every name for it is taken");
    return kept;
}
