#include "framework/KeepAside.h"

#include <QDir>
#include <QFileInfo>

#include <windows.h>

namespace {

QString ErrorText(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length
        = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                         nullptr, error, 0, reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    QString message = length ? QString::fromWCharArray(text, static_cast<int>(length)).trimmed()
                             : QStringLiteral("error %1").arg(error);
    LocalFree(text);
    return message;
}

std::wstring Native(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

// The file system keeps no (more) hard links to the file.
bool LinksUnsupported(DWORD error)
{
    return error == ERROR_INVALID_FUNCTION || error == ERROR_NOT_SUPPORTED || error == ERROR_TOO_MANY_LINKS
        || error == ERROR_ACCESS_DENIED;
}

struct FileIdentity
{
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool known = false;

    bool SameAs(const FileIdentity &other) const
    {
        return known && other.known && volume == other.volume && indexHigh == other.indexHigh
            && indexLow == other.indexLow;
    }
};

FileIdentity IdentityOf(const std::wstring &path)
{
    FileIdentity identity;
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return identity;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (GetFileInformationByHandle(file, &information)) {
        identity.volume = information.dwVolumeSerialNumber;
        identity.indexHigh = information.nFileIndexHigh;
        identity.indexLow = information.nFileIndexLow;
        identity.known = true;
    }
    CloseHandle(file);
    return identity;
}

} // namespace

KeptAside KeepFileAside(const QString &path, const std::function<QString(const QString &file, int n)> &nameFor,
                        int attempts)
{
    KeptAside kept;
    const QString file = QFileInfo(path).canonicalFilePath();
    if (file.isEmpty()) {
        kept.error = ErrorText(ERROR_FILE_NOT_FOUND);
        return kept;
    }
    const std::wstring from = Native(file);
    const FileIdentity original = IdentityOf(from);
    bool links = true;
    for (int n = 1; n <= attempts; ++n) {
        const QString name = nameFor(file, n);
        const std::wstring to = Native(name);
        BOOL done = FALSE;
        DWORD error = ERROR_SUCCESS;
        if (links) {
            done = CreateHardLinkW(to.c_str(), from.c_str(), nullptr);
            error = done ? ERROR_SUCCESS : GetLastError();
            links = done || !LinksUnsupported(error) || GetFileAttributesW(to.c_str()) != INVALID_FILE_ATTRIBUTES;
        }
        if (!links) {
            // Without the replace flag a rename never takes an existing name.
            done = MoveFileExW(from.c_str(), to.c_str(), 0);
            error = done ? ERROR_SUCCESS : GetLastError();
        }
        if (done) {
            kept.path = name;
            return kept;
        }
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) {
            kept.error = ErrorText(error);
            return kept;
        }
        // A name taken by this very file was given by an earlier attempt
        // whose save then failed.
        if (IdentityOf(to).SameAs(original)) {
            kept.path = name;
            kept.earlier = true;
            return kept;
        }
    }
    kept.error = QStringLiteral("every name for it is taken");
    return kept;
}
