#pragma once
// Files written by the skin tests.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

namespace skin_test {

// Writes `bytes` to `path`, making its folders and replacing an older file;
// a file that cannot be opened fails the test. Answers `path`.
inline QString WriteFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(bytes);
    return path;
}

} // namespace skin_test
