// Writes the pictures of the default skin and its user manual.
//
//   skin_generator --pictures <skin file> <resources folder>
//       draws every picture that the skin file names, at the sizes it gives,
//       into <resources folder>/skins, skins/Pic and Skins/Menu, and the
//       state pictures and background once more at twice the pixels
//       ("name@2x.png") for high-resolution screens;
//   skin_generator --help <Help.md> <Help.pdf>
//       typesets the user manual;
//   skin_generator --preview <skin file> <resources folder> <out.png>
//       paints an approximate picture of the main window from a skin;
//   skin_generator --icons <folder> <name>
//       draws the logo as the desktop icon <folder>/NxN/apps/<name>.png at
//       the usual sizes of an icon theme.
//
// The pictures are committed to the repository; run this after changing the
// skin's layout or the art, and commit the result.

#include "HelpDocument.h"
#include "Preview.h"
#include "SkinArt.h"

#include "skin/ImageHelpers.h"
#include "skin/PrivateProfile.h"
#include "skin/SkinEntry.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QStringList>

#include <cstdio>
#include <map>

namespace {

struct Set
{
    QSize size;
    SkinArt::PictureSet pictures;
};

class Generator
{
public:
    // `ratio` 2 draws the @2x files: the same pictures at twice the pixels.
    // Masks and the static pictures (already drawn large and scaled when
    // shown) have no @2x files.
    Generator(const PrivateProfile &skin, QString outFolder, int ratio)
        : skin(skin)
        , outFolder(std::move(outFolder))
        , ratio(ratio)
    { }

    bool Run()
    {
        SkinArt::SetPixelRatio(ratio);
        const QString backgroundName = Value("MAINSCREENNEW", "Main");
        background = SkinArt::Background(QSize(1000, 640));

        for (int key : {1, 2, 3})
            Add("MAIN", key, [&](QSize size) {
                static const char *glyphs[] = {"", "min", "close", "lang"};
                return SkinArt::WindowButton(size, QString::fromLatin1(glyphs[key]));
            });
        for (int key : {4, 5})
            AddFramedButton(key);
        for (int key : {6, 7, 21, 22, 23, 24})
            Add("MAIN", key, SkinArt::TileButton);
        for (int key = 11; key <= 14; ++key)
            Add("MAIN", key, SkinArt::CategoryPill);
        for (int key = 1; key <= 15; ++key)
            Add("LED", key, SkinArt::EffectRow);

        const SkinEntry scroll = Entry("LED", 21);
        Add("LED", 21, SkinArt::VerticalTrack);
        Put(scroll.name + QStringLiteral("_bar"), QSize(scroll.rect.Width(), 48),
            SkinArt::VerticalThumb(QSize(scroll.rect.Width(), 48)));
        const SkinArt::TrackFill fills[]
            = {SkinArt::TrackFill::Red,        SkinArt::TrackFill::Green, SkinArt::TrackFill::Blue,
               SkinArt::TrackFill::Saturation, SkinArt::TrackFill::Value, SkinArt::TrackFill::Accent};
        for (int key = 22; key <= 27; ++key) {
            const SkinEntry entry = Entry("LED", key);
            const SkinArt::TrackFill fill = fills[key - 22];
            Add("LED", key, [fill](QSize size) { return SkinArt::HorizontalTrack(size, fill); });
            const QSize thumb(entry.rect.Height(), entry.rect.Height());
            Put(entry.name + QStringLiteral("_bar"), thumb, SkinArt::HorizontalThumb(thumb));
        }
        const SkinEntry ring = Entry("LED", 28);
        Add("LED", 28, [](QSize size) { return SkinArt::HueRing(size, 16); });
        Put(ring.name + QStringLiteral("_bar"), QSize(16, 16), SkinArt::RingThumb(QSize(16, 16)));

        for (int key = 31; key <= 34; ++key) {
            const RECT r = Entry("LED", key).rect;
            QImage piece = background.copy(QRect(r.ToQRect().topLeft() * ratio, r.ToQRect().size() * ratio));
            piece.setDevicePixelRatio(ratio);
            Add("LED", key, [piece](QSize) { return SkinArt::EditBox(piece); });
        }
        for (int key = 41; key <= 55; ++key)
            if (key <= 48 || key >= 51)
                Add("LED", key, SkinArt::Swatch);
        for (int key : {61, 62})
            Add("LED", key, SkinArt::SegmentButton);
        Add("LED", 63, SkinArt::CheckBox);

        if (!ok)
            return false;

        QDir().mkpath(outFolder + QStringLiteral("/skins/Pic"));
        QDir().mkpath(outFolder + QStringLiteral("/Skins/Menu"));
        for (const auto &[name, set] : sets) {
            for (const auto &[suffix, image] : set.pictures) {
                if (suffix == QLatin1String("mask"))
                    Save(image.convertToFormat(QImage::Format_RGB888), Skins(name + QStringLiteral("_mask.bmp")));
                else
                    Save(image, Skins(name + QLatin1Char('_') + suffix + QStringLiteral(".png")));
            }
        }
        Save(background, Skins(backgroundName));
        const SkinArt::PictureSet menu = SkinArt::MenuRows(QSize(180, 72), 24);
        Save(menu.at(QStringLiteral("normal")), outFolder + QStringLiteral("/Skins/Menu/Device_menu_normal.png"));
        Save(menu.at(QStringLiteral("over")), outFolder + QStringLiteral("/Skins/Menu/Device_menu_over.png"));
        if (ratio != 1)
            return ok;

        // Static pictures are drawn scaled; they are made at twice their size.
        for (int key : {1, 2}) {
            const SkinEntry entry = ParseSkinEntry(Value("MAINPIC", QString::number(key)), SkinEntryUse::Drawing);
            const QSize size(entry.rect.Width() * 2, entry.rect.Height() * 2);
            const QImage picture = key == 1 ? SkinArt::Logo(size) : SkinArt::DriveIllustration(size);
            Save(picture, outFolder + QStringLiteral("/skins/Pic/") + entry.text);
        }

        return ok;
    }

private:
    QString Value(const char *section, const QString &key) const
    {
        return skin.Value(QString::fromLatin1(section), key).value_or(QString());
    }

    SkinEntry Entry(const char *section, int key) const { return ParseSkinEntry(Value(section, QString::number(key))); }

    QString Skins(const QString &file) const { return outFolder + QStringLiteral("/skins/") + file; }

    template <typename Painter>
    void Add(const char *section, int key, Painter paint)
    {
        const SkinEntry entry = Entry(section, key);
        const QSize size(entry.rect.Width(), entry.rect.Height());
        if (entry.name.isEmpty() || size.isEmpty()) {
            std::fprintf(stderr, "[%s] %d has no picture name or no size\n", section, key);
            ok = false;
            return;
        }
        Put(entry.name, size, paint(size));
    }

    // A button named btnPng_<icon>: the frame "btnPng" and the icon set <icon>.
    void AddFramedButton(int key)
    {
        const SkinEntry entry = Entry("MAIN", key);
        const QSize size(entry.rect.Width(), entry.rect.Height());
        const qsizetype underscore = entry.name.indexOf(QLatin1Char('_'));
        if (!entry.name.startsWith(QLatin1String("btnPng_")) || underscore < 0) {
            std::fprintf(stderr, "[MAIN] %d is not a btnPng_<icon> button\n", key);
            ok = false;
            return;
        }
        const QString icon = entry.name.mid(underscore + 1);
        Put(QStringLiteral("btnPng"), size, SkinArt::PrimaryFrame(size));
        const QSize iconSize(40, size.height());
        Put(icon, iconSize, SkinArt::Icon(iconSize, icon));
    }

    void Put(const QString &name, QSize size, SkinArt::PictureSet pictures)
    {
        const auto found = sets.find(name);
        if (found != sets.end()) {
            if (found->second.size != size) {
                std::fprintf(stderr, "picture %s is used at %dx%d and %dx%d\n", qPrintable(name),
                             found->second.size.width(), found->second.size.height(), size.width(), size.height());
                ok = false;
            }
            return;
        }
        sets[name] = Set {size, std::move(pictures)};
    }

    void Save(const QImage &image, QString path)
    {
        if (ratio == 2)
            path = CompanionPath(path);
        QImageWriter writer(path);
        if (path.endsWith(QLatin1String(".jpg"), Qt::CaseInsensitive))
            writer.setQuality(95);
        const QImage out = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_ARGB32) : image;
        if (!writer.write(out)) {
            std::fprintf(stderr, "cannot write %s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
            ok = false;
        }
    }

    const PrivateProfile &skin;
    QString outFolder;
    int ratio = 1;
    QImage background;
    std::map<QString, Set> sets;
    bool ok = true;
};

// The logo at every size that icon themes usually carry, each drawn at its
// own size rather than scaled from a large one.
bool WriteIcons(const QString &folder, const QString &name)
{
    bool ok = true;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sizeFolder = QStringLiteral("%1/%2x%2/apps").arg(folder).arg(size);
        const QString path = sizeFolder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(sizeFolder) || !SkinArt::Logo(QSize(size, size)).save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok;
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: skin_generator --pictures <skin file> <resources folder>\n"
                 "       skin_generator --help <Help.md> <Help.pdf>\n"
                 "       skin_generator --preview <skin file> <resources folder> <out.png>\n"
                 "       skin_generator --icons <folder> <name>\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--preview"))
        return WritePreview(args[2], args[3], args[4]) ? 0 : 1;
    if (args.size() != 4)
        return Usage();

    if (args[1] == QLatin1String("--help"))
        return WriteHelpPdf(args[2], args[3]) ? 0 : 1;
    if (args[1] == QLatin1String("--icons"))
        return WriteIcons(args[2], args[3]) ? 0 : 1;
    if (args[1] != QLatin1String("--pictures"))
        return Usage();

    QFile file(args[2]);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(args[2]));
        return 1;
    }
    const PrivateProfile skin = PrivateProfile::FromBytes(file.readAll());
    const bool ok = Generator(skin, args[3], 1).Run() && Generator(skin, args[3], 2).Run();
    return ok ? 0 : 1;
}
