#include "app/ColorEditor.h"

#include "settings/EffectInfo.h"
#include "app/MainScreen.h"

#include <algorithm>

ColorEditor::ColorEditor(MainScreen &screen, std::function<EffectInfo *()> editedRecord)
    : screen(screen)
    , editedRecord(std::move(editedRecord))
{ }

void ColorEditor::SetSliders(const RgbColor &color)
{
    screen.redSlider.SetPos(color.red);
    screen.greenSlider.SetPos(color.green);
    screen.blueSlider.SetPos(color.blue);
}

void ColorEditor::SyncColor(Mode mode)
{
    // Floating point throughout; every conversion to an integer truncates.
    double r, g, b;
    if (mode == Mode::Rgb) {
        r = screen.redSlider.GetPos();
        g = screen.greenSlider.GetPos();
        b = screen.blueSlider.GetPos();
        const HsvColor hsv = RgbToHsv(r, g, b);
        screen.hueRing.SetValue(static_cast<int>(hsv.hue));
        screen.saturationSlider.SetPos(std::clamp(static_cast<int>(hsv.saturation * 100), 0, 100));
        screen.valueSlider.SetPos(static_cast<int>(hsv.value));
    } else {
        const double h = screen.hueRing.GetValue();
        const double s = screen.saturationSlider.GetPos() * 0.01;
        const double v = screen.valueSlider.GetPos();
        HsvToRgb(h, s, v, r, g, b);
        screen.redSlider.SetPos(static_cast<int>(r));
        screen.greenSlider.SetPos(static_cast<int>(g));
        screen.blueSlider.SetPos(static_cast<int>(b));
    }
    const RgbColor color {static_cast<int>(r), static_cast<int>(g), static_cast<int>(b)};

    screen.numberBoxes[0].setText(QString::number(color.red));
    screen.numberBoxes[1].setText(QString::number(color.green));
    screen.numberBoxes[2].setText(QString::number(color.blue));

    EffectInfo *record = storeColor ? editedRecord() : nullptr;
    const bool uniform = record && record->uniformColor != 0;
    if (uniform) {
        for (CColorBtn2 &slot : screen.colorSlots)
            slot.SetColor(color.red, color.green, color.blue);
        record->colors.fill(ToColorRef(color));
    } else {
        screen.colorSlots[static_cast<std::size_t>(activeSlot)].SetColor(color.red, color.green, color.blue);
        if (record)
            record->colors[static_cast<std::size_t>(activeSlot)] = ToColorRef(color);
    }

    screen.hexBox.setText(FormatHexColor(color));
}

void ColorEditor::SyncViewsOnly()
{
    storeColor = false;
    SyncColor(Mode::Rgb);
    storeColor = true;
}

void ColorEditor::CommitColorEdit()
{
    RgbColor color;
    if (activeEdit == &screen.hexBox) {
        color = ParseHexColor(screen.hexBox.text());
    } else {
        color = {ParseLeadingDecimal(screen.numberBoxes[0].text()), ParseLeadingDecimal(screen.numberBoxes[1].text()),
                 ParseLeadingDecimal(screen.numberBoxes[2].text())};
    }
    // The boxes hold at most three digits; keep the sliders inside their range
    // whatever the text was.
    color = {std::clamp(color.red, 0, 255), std::clamp(color.green, 0, 255), std::clamp(color.blue, 0, 255)};
    SetSliders(color);
    SyncColor(Mode::Rgb);
    activeEdit = nullptr;
    screen.profileButtons[0].setFocus();
}

void ColorEditor::LoadActiveSlot()
{
    const EffectInfo *record = editedRecord();
    if (!record)
        return;
    SetSliders(FromColorRef(record->colors[static_cast<std::size_t>(activeSlot)]));
    SyncColor(Mode::Rgb);
}

void ColorEditor::ResetActiveSlot()
{
    activeSlot = 0;
}

bool ColorEditor::IsColorBox(LPARAM control) const
{
    return control == screen.hexBox.Handle() || control == screen.numberBoxes[0].Handle()
        || control == screen.numberBoxes[1].Handle() || control == screen.numberBoxes[2].Handle();
}

bool ColorEditor::IsColorBox(const QObject *object) const
{
    return object == &screen.hexBox || object == &screen.numberBoxes[0] || object == &screen.numberBoxes[1]
        || object == &screen.numberBoxes[2];
}

void ColorEditor::ClickBox(CClrEdit &box)
{
    if (activeEdit && activeEdit != &box)
        CommitColorEdit();
    activeEdit = &box;
}

bool ColorEditor::OnCommand(LPARAM control)
{
    int index = -1;
    if (SelectButtonByHandle(screen.colorSlots.data(), 8, control, &index) >= 0 && index >= 0) {
        activeSlot = index;
        SetSliders(FromColorRef(screen.colorSlots[static_cast<std::size_t>(index)].GetColor()));
        SyncColor(Mode::Rgb);
        return true;
    }
    if (SelectButtonByHandle(screen.presets.data(), 5, control, &index) >= 0 && index >= 0) {
        const RgbColor color = FromColorRef(screen.presets[static_cast<std::size_t>(index)].GetColor());
        SetSliders(color);
        screen.colorSlots[static_cast<std::size_t>(activeSlot)].SetColor(color.red, color.green, color.blue);
        SyncColor(Mode::Rgb);
        return true;
    }
    for (CClrEdit *box : {&screen.numberBoxes[0], &screen.numberBoxes[1], &screen.numberBoxes[2], &screen.hexBox}) {
        if (control == box->Handle()) {
            ClickBox(*box);
            return true;
        }
    }
    return false;
}

bool ColorEditor::OnSliderValue(int sliderId, int value)
{
    switch (sliderId) {
    case kRedSliderId:
    case kGreenSliderId:
    case kBlueSliderId:
        screen.ColorSlider(sliderId)->SetPos(value);
        SyncColor(Mode::Rgb);
        return true;
    case kSaturationSliderId:
    case kValueSliderId:
        screen.ColorSlider(sliderId)->SetPos(value);
        SyncColor(Mode::Hsv);
        return true;
    case kHueRingId:
        screen.hueRing.SetValue(value);
        SyncColor(Mode::Hsv);
        return true;
    default:
        return false;
    }
}

void ColorEditor::OnKeyReleased(CClrEdit &box, int key)
{
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (&box == &screen.hexBox) {
        if (enter) {
            box.setText(FormatHexColor(ParseHexColor(box.text())));
            if (activeEdit)
                CommitColorEdit();
        } else if (box.text().size() == 6) {
            box.setText(FormatHexColor(ParseHexColor(box.text())));
        }
        return;
    }
    const int value = ParseLeadingDecimal(box.text());
    if (enter) {
        box.setText(QString::number(std::clamp(value, 0, 255)));
        if (activeEdit)
            CommitColorEdit();
    } else if (value > 255) {
        box.setText(QStringLiteral("255"));
    } else if (value < 0) {
        box.setText(QStringLiteral("0"));
    }
}
