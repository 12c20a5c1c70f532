#pragma once
// The value of a control or label key of a skin file:
//     name,x,y,width,height,text,flag
// for example "btnApply,840,590,120,34,Apply,FALSE".

#include "framework/WinTypes.h"

#include <QString>

struct SkinEntry
{
    QString name; // picture name, at most kMaxSkinNameLength characters
    RECT rect;
    QString text; // caption, label text or picture file name
    bool flag = false;
};

inline constexpr int kMaxSkinNameLength = 39;
inline constexpr int kMaxSkinControlTextLength = 99;

// Entries read for controls have their text cut to kMaxSkinControlTextLength
// characters; entries read for drawing keep it whole.
enum class SkinEntryUse { Control, Drawing };

// Parses a key value (all fields start empty or zero):
// - name: the characters before the first comma (empty without comma), cut
//   to kMaxSkinNameLength;
// - rest: the characters after the first comma (the whole value without
//   comma); up to four decimal integers x, y, width, height are read from its
//   start, separated by single commas, stopping at the first that does not
//   parse (numbers may be preceded by blanks and a sign, and saturate at the
//   32-bit range); rect = (x, y, x + width, y + height), limited to the
//   32-bit range;
// - flag: rest contains "TRUE" anywhere (exact case);
// - text: the next-to-last field of rest (rest up to its last comma, then the
//   part after that part's last comma), cut for controls.
SkinEntry ParseSkinEntry(const QString &value, SkinEntryUse use = SkinEntryUse::Control);

// ParseSkinEntry(ReadSkinString(section, key)).
SkinEntry ReadSkinEntry(const QString &section, const QString &key, SkinEntryUse use = SkinEntryUse::Control);
