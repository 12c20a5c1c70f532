#pragma once
// Finding files of skins that were put together on a file system that ignores
// letter case: a skin may name "Skins/Menu/Device_menu_normal.png" while the
// folder on disk is "skins/menu".

#include <QString>

namespace CaseInsensitivePath {

// The path of an existing file or folder that matches `path` without regard
// to letter case. A path that exists exactly is answered as it is (one look
// at the disk). Otherwise the components are matched one by one: the exact
// name first, then the other entries of the folder that equal it ignoring
// case, in code-point order; the first combination that exists wins (so
// "skins/Menu/x.png" is found in "Skins/Menu/" even when a folder "skins"
// exists too). When nothing matches, `path` is answered unchanged, so that the
// caller's open fails the ordinary way.
QString Resolve(const QString &path);

} // namespace CaseInsensitivePath
