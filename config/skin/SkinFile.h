#pragma once
// The skin file in force and the reading of its keys.
//
// A skin file is an INI-format text file (see PrivateProfile for the reading
// rules) beside the program: "Lan/skin_En.ini" for English, "Lan/skin_Cs.ini"
// for simplified Chinese. Pictures live in "skins/", "skins/Pic/" and
// "Skins/Menu/" beside it (SkinPictures.h). User-interface thread only.

#include <QString>

// Longest value ReadSkinString() answers, in UTF-16 code units; longer values
// are cut.
inline constexpr int kMaxSkinValueLength = 4095;

// Makes `path` (absolute) the skin file read by every later lookup. The file
// is read again when it changes on disk.
//
// The skin in force is one per process on purpose: the window, every control
// and the device menu look their texts up by key (LookupSkinText) at any
// time, and a language change swaps the skin for all of them at once.
// Passing a skin object through every control would change nothing but the
// signatures.
void SetSkinFile(const QString &path);
QString SkinFile();

// ApplicationDirectory + "Lan/skin_Cs.ini" for language 1, + "Lan/skin_En.ini"
// for every other value.
QString SkinFileForLanguage(int languageId);

// The value of `key` in `section` of the skin file, cut to
// kMaxSkinValueLength; `defaultValue` (without trailing blanks, cut the same
// way) when the file, the section or the key is missing.
QString ReadSkinString(const QString &section, const QString &key, const QString &defaultValue = QString());

// The text with a numeric identifier: key "%X" (upper-case hexadecimal, no
// prefix) of section "FUNC_STRING", empty when missing. 48 reads key "30".
QString LookupSkinText(int identifier);
QString SkinTextKey(int identifier);
