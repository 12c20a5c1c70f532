#include "framework/ProfileEncoding.h"

#include <QStringDecoder>
#include <QStringEncoder>

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

QString DecodeUtf16(QByteArrayView bytes, ProfileEncoding encoding)
{
    QStringDecoder decoder(encoding == ProfileEncoding::Utf16LE ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                           QStringDecoder::Flag::Stateless);
    return decoder(bytes);
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

QString DecodeProfileText(const QByteArray &bytes)
{
    const ProfileEncoding encoding = DetectProfileEncoding(bytes);
    const QByteArrayView body = QByteArrayView(bytes).sliced(MarkSize(encoding));
    if (encoding == ProfileEncoding::Utf16LE || encoding == ProfileEncoding::Utf16BE)
        return DecodeUtf16(body, encoding);
    return QString::fromUtf8(body);
}

QByteArray ProfileTextAsUtf8(const QByteArray &bytes, ProfileEncoding encoding)
{
    const QByteArrayView body = QByteArrayView(bytes).sliced(std::min(MarkSize(encoding), bytes.size()));
    if (encoding == ProfileEncoding::Utf16LE || encoding == ProfileEncoding::Utf16BE)
        return DecodeUtf16(body, encoding).toUtf8();
    return body.toByteArray();
}

QByteArray EncodeProfileText(const QByteArray &utf8, ProfileEncoding encoding)
{
    switch (encoding) {
    case ProfileEncoding::Utf16LE:
    case ProfileEncoding::Utf16BE: {
        QStringEncoder encoder(encoding == ProfileEncoding::Utf16LE ? QStringEncoder::Utf16LE : QStringEncoder::Utf16BE,
                               QStringEncoder::Flag::Stateless);
        return QByteArray(encoding == ProfileEncoding::Utf16LE ? kUtf16LEMark : kUtf16BEMark, 2)
            + QByteArray(encoder(QString::fromUtf8(utf8)));
    }
    case ProfileEncoding::Utf8WithMark:
        return QByteArray(kUtf8Mark, 3) + utf8;
    case ProfileEncoding::Plain:
        break;
    }
    return utf8;
}
