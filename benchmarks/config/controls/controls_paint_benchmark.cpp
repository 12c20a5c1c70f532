// Paint time of every control class at the default skin's sizes, and the
// time from a pointer move on a slider to its message reaching the parent.
// Budget: any control paint <= 0.2 ms; "of_budget" is the measured time per
// paint divided by that budget.
#include "controls/CClrEdit.h"
#include "controls/CColorBtn2.h"
#include "controls/CPngBtnMenu.h"
#include "controls/CPngHSliderBar.h"
#include "controls/CPngListBtn.h"
#include "controls/CPngRSliderBar2.h"
#include "controls/CPngVSliderBar.h"
#include "framework/MessageRecorder.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>

namespace {

constexpr double kPaintBudgetMs = 0.2;

// A premultiplied picture with a gradient and partial alpha, like a skin
// picture.
Bitmap Picture(int w, int h, std::uint32_t seed)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        auto *row = reinterpret_cast<std::uint32_t *>(image.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const std::uint32_t a = 128 + ((x + y + seed) % 128);
            const std::uint32_t c = (x * 7 + y * 3 + seed) % (a + 1);
            row[x] = (a << 24) | (c << 16) | ((c / 2) << 8) | (c / 3);
        }
    }
    return Bitmap(image);
}

double ThreadCpuNs()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

// Times `paint` and reports milliseconds of CPU time per paint (the machine
// is shared, so wall time includes other people's work) and the share of the
// budget.
template <class Paint>
void Measure(benchmark::State &state, Paint paint)
{
    const double start = ThreadCpuNs();
    for (auto _ : state)
        paint();
    const double ms = (ThreadCpuNs() - start) / 1e6 / static_cast<double>(state.iterations());
    state.counters["cpu_ms_per_paint"] = ms;
    state.counters["of_budget"] = ms / kPaintBudgetMs;
}

// The full paint as the screen gets it: the face drawn off-screen and copied
// once into the window's surface.
void RenderInto(QWidget &w, QImage &surface)
{
    w.render(&surface, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    benchmark::DoNotOptimize(surface.constBits());
}

struct Screen
{
    QWidget window;
    Bitmap background = Picture(1000, 620, 1);
    Screen() { window.resize(1000, 620); }
};

void BM_ListButton(benchmark::State &state, int w, int h, const char *caption, bool icon)
{
    Screen screen;
    CPngListBtn button;
    button.Create(QString(), &screen.window, QRect(98, 100, w, h), 0);
    const Bitmap n = Picture(w, h, 2), o = Picture(w, h, 3), d = Picture(w, h, 4), x = Picture(w, h, 5);
    button.SetBackground(screen.background, 98, 100, 98 + w, 100 + h);
    button.LoadBitmaps(&n, &o, &d, &x, 0, 0, w, h);
    button.SetCaption(QString::fromUtf8(caption), 0);
    if (icon) {
        const Bitmap i = Picture(40, 40, 6);
        button.SetIcon(&i, &i, &i, 0, 0, 40, 40);
    }
    QImage surface(w, h, QImage::Format_ARGB32_Premultiplied);
    Measure(state, [&] { RenderInto(button, surface); });
}

void BM_EffectButton(benchmark::State &state)
{
    BM_ListButton(state, 136, 32, "Spectrum Cycle", false);
}
void BM_ApplyButtonWithIcon(benchmark::State &state)
{
    BM_ListButton(state, 148, 40, "Apply", true);
}
void BM_WindowButtonNoCaption(benchmark::State &state)
{
    BM_ListButton(state, 32, 32, "", false);
}

void BM_ColourSwatch(benchmark::State &state)
{
    Screen screen;
    CColorBtn2 swatch;
    swatch.Create(QString(), &screen.window, QRect(276, 136, 36, 36), 0);
    const Bitmap grey = Picture(36, 36, 7);
    swatch.LoadBitmaps(&grey, &grey, &grey, &grey, 0, 0, 36, 36);
    swatch.SetTintSource(&grey, &grey, 0, 0, 36, 36);
    swatch.SetBackground(screen.background, 276, 136, 312, 172);
    swatch.SetColor(255, 128, 0);
    QImage surface(36, 36, QImage::Format_ARGB32_Premultiplied);
    Measure(state, [&] { RenderInto(swatch, surface); });
}

void BM_ColourSwatchSetColor(benchmark::State &state)
{
    CColorBtn2 swatch;
    swatch.Create(QString(), nullptr, QRect(0, 0, 36, 36), 0, false);
    const Bitmap grey = Picture(36, 36, 7);
    swatch.LoadBitmaps(&grey, &grey, &grey, &grey, 0, 0, 36, 36);
    swatch.SetTintSource(&grey, &grey, 0, 0, 36, 36);
    int i = 0;
    for (auto _ : state)
        swatch.SetColor(i++ & 255, 100, 200);
}

void BM_ColourBox(benchmark::State &state)
{
    Screen screen;
    CClrEdit edit;
    edit.Create(&screen.window, QRect(580, 396, 96, 28), 0, false);
    const Bitmap n = Picture(96, 28, 8);
    edit.LoadBitmaps(&n, &n, &n, &n, 0, 0, 96, 28);
    edit.SetEditFont("Segoe UI", 16);
    edit.setText("FF0000");
    QImage surface(96, 28, QImage::Format_ARGB32_Premultiplied);
    Measure(state, [&] { RenderInto(edit, surface); });
}

template <class Slider>
void SetUpSlider(Slider &slider, const Bitmap &background, int x, int y, int w, int h, int tw, int th)
{
    const Bitmap u = Picture(w, h, 9), f = Picture(w, h, 10), d = Picture(w, h, 11);
    const Bitmap t = Picture(tw, th, 12);
    slider.SetTrackImages(&u, &f, &d, 0, 0, w, h);
    slider.SetThumbImages(&t, &t, &t, &t, true);
    slider.SetBackground(background, x, y, x + w, y + h);
}

void BM_HorizontalSlider(benchmark::State &state)
{
    Screen screen;
    CPngHSliderBar slider;
    slider.CreateSlider(10002, &screen.window, 580, 201, 840, 219);
    SetUpSlider(slider, screen.background, 580, 201, 260, 18, 18, 18);
    slider.SetRange(0, 255);
    slider.SetPos(128);
    QImage surface(260, 18, QImage::Format_ARGB32_Premultiplied);
    Measure(state, [&] { RenderInto(slider, surface); });
}

void BM_VerticalSlider(benchmark::State &state)
{
    Screen screen;
    CPngVSliderBar slider;
    slider.CreateSlider(&screen.window, 238, 100, 244, 391);
    SetUpSlider(slider, screen.background, 238, 100, 6, 291, 6, 48);
    slider.SetRange(0, 6);
    slider.SetPos(3);
    QImage surface(6, 291, QImage::Format_ARGB32_Premultiplied);
    Measure(state, [&] { RenderInto(slider, surface); });
}

void BM_HueRing(benchmark::State &state)
{
    Screen screen;
    CPngRSliderBar2 ring;
    ring.CreateSlider(&screen.window, 276, 196, 456, 376);
    const Bitmap r = Picture(180, 180, 13), t = Picture(16, 16, 14);
    ring.SetRingImages(&r, &r, 0, 0, 180, 180);
    ring.SetThumbImages(&t, &t);
    ring.SetRange(0, 359);
    ring.SetValue(50);
    QImage surface(180, 180, QImage::Format_ARGB32_Premultiplied);
    if (state.range(0) == 0)
        Measure(state, [&] { RenderInto(ring, surface); });
    else
        Measure(state, [&] { benchmark::DoNotOptimize(ring.RenderBuffer().constBits()); });
}

void BM_MenuWithThreeRows(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString normal = dir.filePath("n.png"), over = dir.filePath("o.png");
    Picture(180, 72, 15).Image().save(normal);
    Picture(180, 72, 16).Image().save(over);
    QWidget owner;
    CPngBtnMenu menu(&owner);
    menu.SetItemImages(normal, over, over, normal);
    menu.SetRowHeight(24);
    menu.SetRowFontHeight(15);
    menu.SetRowTextLayout(5, 0);
    menu.AddItem("All devices", 48, 0, true);
    menu.AddItem("SSD 1", 49, 0, true);
    menu.AddItem("SSD 2", 50, 0, true);
    menu.CreateMenu(&owner);
    QImage surface(menu.size(), QImage::Format_ARGB32_Premultiplied);
    Measure(state, [&] { RenderInto(menu, surface); });
    menu.DestroyWindow();
}

// From a pointer move during a drag to UM_SLIDER_POS handled by the parent.
void BM_SliderMoveToMessage(benchmark::State &state)
{
    RecordingWindow parent;
    parent.resize(1000, 620);
    CPngHSliderBar slider;
    slider.CreateSlider(10002, &parent, 580, 201, 840, 219);
    SetUpSlider(slider, Bitmap(), 580, 201, 260, 18, 18, 18);
    slider.SetRange(0, 255);
    int handled = 0;
    parent.SetHandler([&](const RecordingWindow::Delivered &d) {
        slider.SetPos(static_cast<int>(d.wParam));
        ++handled;
        return LRESULT(0);
    });
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(10, 5), QPointF(10, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&slider, &press);
    int x = 20;
    for (auto _ : state) {
        x = x >= 240 ? 20 : x + 7;
        QMouseEvent move(QEvent::MouseMove, QPointF(x, 5), QPointF(x, 5), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&slider, &move);
        QCoreApplication::sendPostedEvents(&parent, WindowMessageEvent::EventType());
    }
    state.counters["messages"] = handled;
}

} // namespace

BENCHMARK(BM_EffectButton);
BENCHMARK(BM_ApplyButtonWithIcon);
BENCHMARK(BM_WindowButtonNoCaption);
BENCHMARK(BM_ColourSwatch);
BENCHMARK(BM_ColourSwatchSetColor);
BENCHMARK(BM_ColourBox);
BENCHMARK(BM_HorizontalSlider);
BENCHMARK(BM_VerticalSlider);
BENCHMARK(BM_HueRing)->Arg(0)->Arg(1); // 1: the off-screen face alone
BENCHMARK(BM_MenuWithThreeRows);
BENCHMARK(BM_SliderMoveToMessage);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
