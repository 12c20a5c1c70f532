#pragma once
// The encodings in which the platform's profile functions read and write
// private-profile files: UTF-16 when the file starts with its byte order
// mark, UTF-8 with a mark, and otherwise the bytes as they are (read here as
// UTF-8). A file is written back in the encoding it was read in.

#include <QByteArray>
#include <QString>

enum class ProfileEncoding { Plain, Utf8WithMark, Utf16LE, Utf16BE };

ProfileEncoding DetectProfileEncoding(const QByteArray &bytes);

// The text after the byte order mark, decoded.
QString DecodeProfileText(const QByteArray &bytes);

// UTF-16 text in the encoding given, byte order mark first; for the other
// encodings `utf8` unchanged (with the UTF-8 mark for Utf8WithMark).
QByteArray EncodeProfileText(const QByteArray &utf8, ProfileEncoding encoding);

// For UTF-16 files the text as UTF-8 without the mark; for the others the
// bytes after the mark, unchanged.
QByteArray ProfileTextAsUtf8(const QByteArray &bytes, ProfileEncoding encoding);
