#pragma once
// The colour editor of the main window: eight colour slots, five presets,
// red/green/blue sliders, hue ring with saturation and value sliders, three
// decimal boxes and a hexadecimal box, all showing the colour of the active
// slot. Every change is carried into every view and stored at once into the
// edited record (in memory only).

#include "app/ColorMath.h"
#include "framework/WinTypes.h"

#include <functional>

class CClrEdit;
class QObject;
struct EffectInfo;
struct MainScreen;

class ColorEditor
{
public:
    enum class Mode { Rgb, Hsv };

    // `editedRecord` answers the record being edited (null: store nothing).
    ColorEditor(MainScreen &screen, std::function<EffectInfo *()> editedRecord);

    int ActiveSlot() const { return activeSlot; }
    CClrEdit *ActiveEdit() const { return activeEdit; }

    // Brings every view in line with the leading side and stores the colour.
    void SyncColor(Mode mode);
    // The same, without storing anything (the screen build's last step).
    void SyncViewsOnly();
    // Takes the text of the active box into the colour.
    void CommitColorEdit();
    // Loads the record's colour of the active slot (the window's refresh).
    void LoadActiveSlot();
    // Makes slot 0 the active slot (the uniform-colour toggle).
    void ResetActiveSlot();

    // Events routed here by the main window; each answers whether it was
    // one of the editor's.
    bool OnCommand(LPARAM control);
    bool OnSliderValue(int sliderId, int value);
    // A key was released while `box` has the keyboard focus.
    void OnKeyReleased(CClrEdit &box, int key);
    // The decimal and hexadecimal boxes.
    bool IsColorBox(LPARAM control) const;
    bool IsColorBox(const QObject *object) const;

private:
    void SetSliders(const RgbColor &color);
    void ClickBox(CClrEdit &box);

    MainScreen &screen;
    std::function<EffectInfo *()> editedRecord;
    int activeSlot = 0;
    CClrEdit *activeEdit = nullptr;
    bool storeColor = true;
};
