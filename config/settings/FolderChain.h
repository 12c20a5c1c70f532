#pragma once

#include <QString>

// Makes sure the folders of `relativePath` exist below `root`.
// If root + relativePath can be opened (or created) as a file, that is all;
// otherwise every folder named by the part of the path before each '/' is
// created where missing. A root that does not exist yet is created first
// (per-user folders such as ~/.local/state are not always there). An empty
// root does nothing.
void EnsureFolderChain(const QString &root, const QString &relativePath);
