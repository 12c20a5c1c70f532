#pragma once
// The encodings of private-profile files: UTF-16 when the file starts with
// its byte order mark (as the platform's profile functions write it), and
// otherwise 8-bit text. A UTF-8 mark at the start of 8-bit text is skipped
// when reading (files edited by hand carry one), but it is not written back:
// the platform's profile functions write no UTF-8 mark, and the settings file
// has always been written without one.

#include <QByteArray>
#include <QString>

#include <string>
#include <string_view>

enum class ProfileEncoding { Plain, Utf8WithMark, Utf16LE, Utf16BE };

ProfileEncoding DetectProfileEncoding(const QByteArray &bytes);

bool IsUtf16(ProfileEncoding encoding);

// The text after the byte order mark, decoded (8-bit text as UTF-8), for
// files that are only read.
QString DecodeProfileText(const QByteArray &bytes);

// The text after the mark as 16-bit code units, as the platform's functions
// work on it, so that a file can be written back exactly as it was read: for
// UTF-16 the units as stored, unpaired surrogates included (an odd final
// byte, which is no unit, goes to `oddByte`); for 8-bit text one unit per
// byte (0 to 255).
std::u16string ProfileUnits(const QByteArray &bytes, ProfileEncoding encoding, QByteArray *oddByte = nullptr);

// The file of `units`: for UTF-16 the mark, the units and `oddByte`; for 8-bit
// text one byte per unit (the low eight bits), after the UTF-8 mark for
// Utf8WithMark.
QByteArray ProfileBytes(std::u16string_view units, ProfileEncoding encoding, const QByteArray &oddByte = {});
