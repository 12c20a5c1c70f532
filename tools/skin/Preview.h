#pragma once

#include <QString>

// Paints an approximate picture of the main window from a skin (the skin file
// and the folder it lives in, the folder that holds Lan/ and skins/), for
// judging a skin without running the program. Controls are shown in their
// first state: profile 1, the first category, effect "Static" and the red
// colour chosen; effect 9's layout is used so that every control shows.
bool WritePreview(const QString &skinFile, const QString &resourcesFolder, const QString &pngPath);
