#pragma once
// Keeps a file under a second name beside it before the file is replaced, so
// that nothing the user had is lost. The file is never copied: it gets a hard
// link under the new name (no space used, whatever its size), and where the
// file system has no hard links it is renamed. Neither step ever replaces an
// existing file: a name that is taken, also one taken a moment ago by
// another program, is passed over for the next one. A symbolic link is
// followed: the file it names is what a save replaces, so that file is kept,
// beside itself.

#include <QString>

#include <functional>

struct KeptAside
{
    QString path; // the name the file is kept under; empty when it could not be kept
    bool earlier = false; // the file already had that name (kept by an earlier attempt)
    QString error; // why it could not be kept
};

// Tries the names `nameFor(file, 1)` to `nameFor(file, attempts)` in turn,
// `file` being `path` with its links followed.
KeptAside KeepFileAside(const QString &path, const std::function<QString(const QString &file, int n)> &nameFor,
                        int attempts);
