#pragma once
// Finding files of skins that were put together on a file system that ignores
// letter case: a skin may name "Skins/Menu/Device_menu_normal.png" while the
// folder on disk is "skins/menu".

#include <QString>

namespace CaseInsensitivePath {

// The path of an existing file or folder that matches `path` without regard
// to letter case. A path that exists exactly is answered as it is (one look
// at the disk). Otherwise every component that exists with its exact name is
// kept, and each one that does not is looked up among the entries of its
// folder ignoring case; when several entries match, they are tried in
// code-point order and the first that leads to an existing path wins. When
// nothing matches, `path` is answered unchanged, so that the caller's open
// fails the ordinary way.
QString Resolve(const QString &path);

} // namespace CaseInsensitivePath
