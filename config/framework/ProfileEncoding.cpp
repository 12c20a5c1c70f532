#include "framework/ProfileEncoding.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

constexpr char kUtf16LEMark[] = "\xFF\xFE";
constexpr char kUtf16BEMark[] = "\xFE\xFF";
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

qsizetype MarkSize(ProfileEncoding encoding)
{
    switch (encoding) {
    case ProfileEncoding::Utf16LE:
    case ProfileEncoding::Utf16BE:
        return 2;
    case ProfileEncoding::Utf8WithMark:
        return 3;
    case ProfileEncoding::Plain:
        break;
    }
    return 0;
}

} // namespace

ProfileEncoding DetectProfileEncoding(const QByteArray &bytes)
{
    if (bytes.startsWith(kUtf16LEMark))
        return ProfileEncoding::Utf16LE;
    if (bytes.startsWith(kUtf16BEMark))
        return ProfileEncoding::Utf16BE;
    if (bytes.startsWith(kUtf8Mark))
        return ProfileEncoding::Utf8WithMark;
    return ProfileEncoding::Plain;
}

bool IsUtf16(ProfileEncoding encoding)
{
    return encoding == ProfileEncoding::Utf16LE || encoding == ProfileEncoding::Utf16BE;
}

QString DecodeProfileText(const QByteArray &bytes)
{
    const ProfileEncoding encoding = DetectProfileEncoding(bytes);
    const QByteArrayView body = QByteArrayView(bytes).sliced(MarkSize(encoding));
    if (IsUtf16(encoding)) {
        QStringDecoder decoder(encoding == ProfileEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                               QStringDecoder::Flag::Stateless);
        return decoder(body);
    }
    return QString::fromUtf8(body);
}

std::u16string ProfileUnits(const QByteArray &bytes, ProfileEncoding encoding, QByteArray *oddByte)
{
    const QByteArrayView body = QByteArrayView(bytes).sliced(std::min(MarkSize(encoding), bytes.size()));
    std::u16string units;
    if (!IsUtf16(encoding)) {
        units.resize(static_cast<std::size_t>(body.size()));
        std::transform(body.begin(), body.end(), units.begin(),
                       [](char byte) { return static_cast<char16_t>(static_cast<unsigned char>(byte)); });
        return units;
    }
    const bool little = encoding == ProfileEncoding::Utf16LE;
    const std::size_t count = static_cast<std::size_t>(body.size() / 2);
    units.resize(count);
    const auto *in = reinterpret_cast<const unsigned char *>(body.data());
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned first = in[2 * i], second = in[2 * i + 1];
        units[i] = static_cast<char16_t>(little ? first | second << 8 : first << 8 | second);
    }
    if (oddByte)
        *oddByte = body.size() % 2 != 0 ? QByteArray(1, body.back()) : QByteArray();
    return units;
}

QByteArray ProfileBytes(std::u16string_view units, ProfileEncoding encoding, const QByteArray &oddByte)
{
    QByteArray bytes;
    if (!IsUtf16(encoding)) {
        const qsizetype mark = MarkSize(encoding);
        bytes.resize(mark + static_cast<qsizetype>(units.size()));
        std::copy_n(kUtf8Mark, mark, bytes.data());
        std::transform(units.begin(), units.end(), bytes.begin() + mark,
                       [](char16_t unit) { return static_cast<char>(unit & 0xFF); });
        return bytes;
    }
    const bool little = encoding == ProfileEncoding::Utf16LE;
    bytes.resize(2 + static_cast<qsizetype>(units.size()) * 2);
    char *out = bytes.data();
    std::copy_n(little ? kUtf16LEMark : kUtf16BEMark, 2, out);
    out += 2;
    for (char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        *out++ = little ? low : high;
        *out++ = little ? high : low;
    }
    return bytes + oddByte;
}
