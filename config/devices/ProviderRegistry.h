#pragma once
// The registry of lighting providers and the creation of a registered
// provider object. On Linux: a folder tree per user and one system-wide,
// possibly in several folders (layout in LightingProviderContract.h), and
// plug-ins loaded by their path (ProviderRegistryPosix.cpp). On Windows: the
// system registry below HKEY_CLASSES_ROOT and COM's in-process servers; the
// roots are not used there (ProviderRegistryWindows.cpp).

#include "devices/LightingProviderContract.h"

#include <QString>
#include <QStringList>

// Reads a class identifier written exactly as {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
// (hexadecimal digits in either case). Anything else, including the form
// without braces, is refused. On Windows the system's conversion decides.
bool CLSIDFromString(const QString &text, Lighting::Guid *clsid);

// The braced, upper-case form of an identifier.
QString StringFromCLSID(const Lighting::Guid &clsid);

class ProviderRegistry
{
public:
    // Any root may be empty (not searched). The system-wide roots are
    // searched in their order, after the user's.
    ProviderRegistry(QString userRoot, QStringList systemRoots);

    // The per-user root below the configuration home, and the system-wide
    // roots (DefaultSystemRoots()).
    static ProviderRegistry Default();
    // "Zarvik/registry" below, in this order: the configuration folder of
    // the installation Config runs from, each folder of $XDG_CONFIG_DIRS,
    // and /etc.
    static QStringList DefaultSystemRoots();
    // The configuration folder of the installation whose program folder is
    // `programFolder` (<prefix>/lib/zarvik-rgb/), placed as the install rules
    // place it: /etc for the prefixes / and /usr, /etc/opt/<name> for
    // /opt/<name>, <prefix>/etc otherwise. Empty for a program folder of
    // another layout (a build tree).
    static QString InstallConfigFolder(const QString &programFolder);

    const QString &UserRoot() const { return userRoot; }
    const QStringList &SystemRoots() const { return systemRoots; }

    // The subkey names of a key ('/'-separated path below the roots): the
    // union of the subfolders found under all roots, sorted by name.
    // Returns false, leaving *names empty, when no root has the key.
    bool EnumerateSubkeys(const QString &key, QStringList *names) const;

    // The plug-in path registered for a class (CLSID/{id}/InprocServer32:
    // first line, surrounding blanks removed), per user first; empty when no
    // root registers the class. On Windows: the default value of
    // HKEY_CLASSES_ROOT\CLSID\{id}\InprocServer32.
    QString InprocServerPath(const Lighting::Guid &clsid) const;

    // Creates an object of a registered class: loads the plug-in and calls
    // its factory (on Windows: CoCreateInstance of an in-process server, COM
    // initialised on the calling thread). A path that is not absolute, a file that is missing or
    // cannot be loaded, and a plug-in without the factory are refused with a
    // log line; the status then tells why and *object is null. Plug-ins stay
    // loaded for the life of the process, since objects they created may
    // outlive any one caller.
    Lighting::HResult CreateInstance(const Lighting::Guid &clsid, const Lighting::Guid &iid, void **object) const;

private:
    // The names once each, compared without regard to case, sorted by name.
    static QStringList UniqueSubkeyNames(const QStringList &names);

    QString ResolveKey(const QString &root, const QString &key) const;

    QString userRoot;
    QStringList systemRoots;

    QStringList Roots() const;
};
