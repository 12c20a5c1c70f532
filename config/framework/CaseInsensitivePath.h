#pragma once
// Finding files of skins that were put together on a file system that ignores
// letter case: a skin may name "Skins/Menu/Device_menu_normal.png" while the
// folder on disk is "skins/menu".

#include <QString>

namespace CaseInsensitivePath {

// The path of an existing file or folder that matches `path` without regard
// to letter case. A path that exists exactly is answered as it is (one look
// at the disk). Otherwise each component that does not exist with its exact
// name is looked up among the entries of its folder ignoring case; of several
// candidates the one first in plain code-point order wins, so the answer does
// not depend on the order in which the folder lists its entries. When some
// component has no match at all, `path` is answered unchanged, so that the
// caller's open fails the ordinary way.
QString Resolve(const QString &path);

} // namespace CaseInsensitivePath
