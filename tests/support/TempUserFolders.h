#pragma once
// Points the per-user folders (configuration, state, runtime) of this process
// at a fresh temporary folder for the life of the object, and restores them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <array>
#include <utility>

class TempUserFolders
{
public:
    TempUserFolders()
    {
        for (auto &[name, saved] : savedVariables) {
            saved = qgetenv(name);
            const QString folder = dir.path() + QLatin1Char('/') + QString::fromLatin1(name).toLower();
            QDir().mkpath(folder);
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv(name, folder.toLocal8Bit());
        }
    }
    ~TempUserFolders()
    {
        for (auto &[name, saved] : savedVariables) {
            if (saved.isNull())
                qunsetenv(name);
            else
                qputenv(name, saved);
        }
    }
    TempUserFolders(const TempUserFolders &) = delete;
    TempUserFolders &operator=(const TempUserFolders &) = delete;

    QString Root() const { return dir.path(); }
    QString ConfigHome() const { return Root() + QStringLiteral("/xdg_config_home"); }
    QString StateHome() const { return Root() + QStringLiteral("/xdg_state_home"); }
    QString RuntimeDir() const { return Root() + QStringLiteral("/xdg_runtime_dir"); }

private:
    QTemporaryDir dir;
    std::array<std::pair<const char *, QByteArray>, 3> savedVariables {{
        {"XDG_CONFIG_HOME", {}},
        {"XDG_STATE_HOME", {}},
        {"XDG_RUNTIME_DIR", {}},
    }};
};
