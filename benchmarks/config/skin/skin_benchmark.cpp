// The skin work that happens while Config starts: reading the skin keys and
// loading every control's pictures from the default skin (what the screen
// build does once), the exact premultiplication and the mask scan of the hue
// ring. Run from the build's bin folder or with the source tree in place.

#include "framework/CaseInsensitivePath.h"
#include "framework/PlatformPaths.h"
#include "skin/ImageHelpers.h"
#include "skin/ImageSet.h"
#include "skin/SkinEntry.h"
#include "skin/SkinFile.h"

#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <utility>
#include <vector>

namespace {

const QString kResources = QStringLiteral(QZ_SOURCE_DIR "/config/resources/");

std::vector<std::pair<QString, QString>> ControlKeys()
{
    std::vector<std::pair<QString, QString>> keys;
    auto range = [&](const char *section, int first, int last) {
        for (int k = first; k <= last; ++k)
            keys.emplace_back(QString::fromLatin1(section), QString::number(k));
    };
    range("MAIN", 1, 7);
    range("MAIN", 11, 14);
    range("MAIN", 21, 24);
    range("LED", 1, 15);
    range("LED", 21, 28);
    range("LED", 31, 34);
    range("LED", 41, 48);
    range("LED", 51, 55);
    range("LED", 61, 63);
    return keys;
}

void UseDefaultSkin()
{
    PlatformPaths::SetApplicationDirectory(kResources);
    SetSkinFile(SkinFileForLanguage(0));
}

// Every key the screen reads for its controls, parsed.
void BM_ReadControlEntries(benchmark::State &state)
{
    UseDefaultSkin();
    const auto keys = ControlKeys();
    for (auto _ : state)
        for (const auto &[section, key] : keys)
            benchmark::DoNotOptimize(ReadSkinEntry(section, key));
    state.SetItemsProcessed(state.iterations() * int64_t(keys.size()));
}
BENCHMARK(BM_ReadControlEntries)->Unit(benchmark::kMicrosecond);

// The pictures of every control, the thumbs, tint templates and the ring's
// mask, as the screen build loads them.
void BM_LoadAllControlPictures(benchmark::State &state)
{
    UseDefaultSkin();
    const auto keys = ControlKeys();
    for (auto _ : state) {
        for (const auto &[section, key] : keys) {
            const SkinEntry entry = ReadSkinEntry(section, key);
            const ButtonPictureNames names = SplitButtonPictureName(entry.name);
            ImageSet set = LoadImageSet(names.frame, entry.flag,
                                        key == QLatin1String("28") ? MaskRequest::Wanted : MaskRequest::None);
            if (!names.icon.isEmpty())
                benchmark::DoNotOptimize(LoadImageSet(names.icon, false));
            if (entry.name.startsWith(QLatin1String("slider")) || entry.name.startsWith(QLatin1String("ring")))
                benchmark::DoNotOptimize(LoadImageSet(ThumbSetName(entry.name), entry.flag));
            if (entry.name.startsWith(QLatin1String("swatch")))
                benchmark::DoNotOptimize(LoadTintSource(entry.name, set.normal));
            benchmark::DoNotOptimize(set);
        }
        Bitmap background;
        LoadPictureFile(SkinPicturePath(ReadSkinString("MAINSCREENNEW", "Main")), background);
        benchmark::DoNotOptimize(background);
    }
}
BENCHMARK(BM_LoadAllControlPictures)->Unit(benchmark::kMillisecond);

// A picture that does not exist, asked for in another letter case: every
// folder on the way is searched (the optional "_over.png" and similar).
void BM_ResolveMissingPicture(benchmark::State &state)
{
    const QString missing = kResources + QStringLiteral("SKINS/nothing_over.png");
    for (auto _ : state)
        benchmark::DoNotOptimize(CaseInsensitivePath::Resolve(missing));
}
BENCHMARK(BM_ResolveMissingPicture)->Unit(benchmark::kMicrosecond);

void BM_PremultiplyFloor(benchmark::State &state)
{
    QImage image(1000, 640, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgba(x & 255, y & 255, (x + y) & 255, (x * y) & 255));
    for (auto _ : state)
        benchmark::DoNotOptimize(PremultiplyFloor(image));
    state.SetItemsProcessed(state.iterations() * int64_t(image.width()) * image.height());
}
BENCHMARK(BM_PremultiplyFloor)->Unit(benchmark::kMillisecond);

void BM_RegionFromRingMask(benchmark::State &state)
{
    UseDefaultSkin();
    const ImageSet ring = LoadImageSet(QStringLiteral("ringHue"), false, MaskRequest::Wanted);
    for (auto _ : state)
        benchmark::DoNotOptimize(RegionFromMask(ring.mask));
}
BENCHMARK(BM_RegionFromRingMask)->Unit(benchmark::kMicrosecond);

// The worst row for the scan: 2500 separate runs, over 16 rows.
void BM_RegionFromManyRuns(benchmark::State &state)
{
    QImage mask(5000, 16, QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::white);
    for (int y = 0; y < mask.height(); ++y)
        for (int x = y & 1; x < mask.width(); x += 2)
            mask.setPixel(x, y, qRgb(0, 0, 0));
    const Bitmap bitmap(mask);
    for (auto _ : state)
        benchmark::DoNotOptimize(RegionFromMask(bitmap));
}
BENCHMARK(BM_RegionFromManyRuns)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
