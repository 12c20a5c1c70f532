#pragma once
// The colour swatch: a grey-scale skin picture tinted with the swatch's
// colour, drawn over the piece of the skin background under the button, with
// an optional caption. Checked swatches show the tinted down picture.
//
// Tinting (SetColor): every pixel of the normal and down state images becomes
// (blue, green, red, alpha) = (trunc(b/255 * h), trunc(g/255 * h),
// trunc(r/255 * h), h), h being the pixel's blue byte (its grey level), so
// black is transparent and white shows the full colour.

#include "controls/CBitmapBtn2.h"

#include <vector>

class CColorBtn2 : public CBitmapBtn2
{
public:
    explicit CColorBtn2(QWidget *parent = nullptr);
    ~CColorBtn2() override;

    // With a first picture: the tinted normal bitmap becomes its crop, the
    // tinted down bitmap the crop of `second`, and the tint buffers are sized
    // to them. These crops show until the first SetColor(). Without a first
    // picture nothing changes.
    void SetTintSource(const Bitmap *first, const Bitmap *second, int left, int top, int right, int bottom);
    void SetColor(int red, int green, int blue);
    // red + 256 * green + 65536 * blue
    COLORREF GetColor() const;
    void SetBackground(const Bitmap &background, int left, int top, int right, int bottom);
    // The name screen readers read: `text` with %1, %2 and %3 replaced by
    // the red, green and blue values ("Colour 3: red %1, green %2, blue
    // %3"); a colour change is a name change. Empty: the base's name.
    void SetAccessibleNameTemplate(const QString &text);
    QString AccessibleName() const override;

    const Bitmap &GetTintedNormal() const { return tintedNormal; }
    const Bitmap &GetTintedDown() const { return tintedDown; }

protected:
    void DrawItem(QImage &buffer, const DrawItemState &state) override;

private:
    static void Tint(const Bitmap &source, std::vector<uchar> &pixels, Bitmap &target, float fr, float fg, float fb);

    Bitmap tintedNormal;
    Bitmap tintedDown;
    int red = 0;
    int green = 0;
    int blue = 0;
    int constantAlpha = 255;
    std::vector<uchar> normalPixels;
    std::vector<uchar> downPixels;
    Bitmap background;
    QString nameTemplate;
};

// Group selection of swatches (see SelectButtonIn in ControlSupport.h).
int SelectButtonByHandle(CColorBtn2 *buttons, int count, LPARAM handle, int *indexOut = nullptr);
int SelectButtonByHandle(CColorBtn2 *const *buttons, int count, LPARAM handle, int *indexOut = nullptr);
