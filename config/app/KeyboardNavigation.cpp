#include "app/KeyboardNavigation.h"

#include "app/EffectLayout.h"
#include "app/MainScreen.h"
#include "settings/LightingSettings.h"

#include <QApplication>

#include <algorithm>

namespace {

template <class Button, std::size_t N>
std::vector<QWidget *> Members(std::array<Button, N> &buttons, std::size_t first = 0)
{
    std::vector<QWidget *> members;
    for (std::size_t i = first; i < N; ++i)
        members.push_back(&buttons[i]);
    return members;
}

bool IsChecked(const QWidget *widget)
{
    if (const auto *button = dynamic_cast<const CButton *>(widget))
        return button->GetChecked();
    return false;
}

} // namespace

bool CanTakeKeyboardFocus(const QWidget &control)
{
    return control.isVisible() && control.isEnabled() && !control.geometry().isEmpty();
}

KeyboardNavigation::KeyboardNavigation(MainScreen &screenToNavigate)
    : screen(screenToNavigate)
{
    // The controls are members of the screen: their addresses hold from
    // its construction, before the screen is built from the skin.
    auto single = [this](QWidget &control) { stops.push_back(Stop {{&control}, false}); };
    auto group = [this](std::vector<QWidget *> members) { stops.push_back(Stop {std::move(members), true}); };

    for (CPngListBtn &category : screen.categoryButtons)
        single(category);
    single(screen.minimiseButton);
    single(screen.closeButton);
    group(Members(screen.profileButtons));
    group({&screen.ledOnButton, &screen.ledOffButton});
    effectStop = static_cast<int>(stops.size());
    group(Members(screen.effectButtons)); // the 16th button is never a window
    stops.back().members.resize(kEffectCount);
    group(Members(screen.colorSlots));
    single(screen.uniformToggle);
    single(screen.hueRing);
    single(screen.redSlider);
    single(screen.numberBoxes[0]);
    single(screen.greenSlider);
    single(screen.numberBoxes[1]);
    single(screen.blueSlider);
    single(screen.numberBoxes[2]);
    single(screen.saturationSlider);
    single(screen.valueSlider);
    single(screen.hexBox);
    group(Members(screen.presets));
    single(screen.speedSlider);
    group(Members(screen.directionButtons));
    single(screen.resetButton);
    single(screen.applyButton);
}

QWidget *KeyboardNavigation::Entry(const Stop &stop) const
{
    QWidget *first = nullptr;
    for (QWidget *member : stop.members) {
        if (!CanTakeKeyboardFocus(*member))
            continue;
        if (IsChecked(member))
            return member;
        if (first == nullptr)
            first = member;
    }
    return first;
}

int KeyboardNavigation::StopOf(const QWidget *widget) const
{
    for (std::size_t i = 0; i < stops.size(); ++i)
        if (std::find(stops[i].members.begin(), stops[i].members.end(), widget) != stops[i].members.end())
            return static_cast<int>(i);
    return -1;
}

std::vector<QWidget *> KeyboardNavigation::TabStops() const
{
    std::vector<QWidget *> entries;
    for (const Stop &stop : stops)
        entries.push_back(Entry(stop));
    return entries;
}

bool KeyboardNavigation::MoveFocus(bool forward, const QWidget *from)
{
    const int count = static_cast<int>(stops.size());
    const int current = StopOf(from);
    int index = current;
    for (int tried = 0; tried < count; ++tried) {
        if (index < 0)
            index = forward ? 0 : count - 1;
        else
            index = (index + (forward ? 1 : count - 1)) % count;
        if (QWidget *entry = Entry(stops[static_cast<std::size_t>(index)])) {
            entry->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

bool KeyboardNavigation::HandleGroupKey(int key)
{
    QWidget *focus = QApplication::focusWidget();
    const int index = StopOf(focus);
    if (index < 0 || !stops[static_cast<std::size_t>(index)].isGroup)
        return false;
    int delta = 0;
    if (key == Qt::Key_Left || key == Qt::Key_Up)
        delta = -1;
    else if (key == Qt::Key_Right || key == Qt::Key_Down)
        delta = 1;
    else
        return false;
    if (index == effectStop)
        return key == Qt::Key_Up || key == Qt::Key_Down ? StepEffect(delta) : false;

    const std::vector<QWidget *> &members = stops[static_cast<std::size_t>(index)].members;
    const auto at = std::find(members.begin(), members.end(), focus) - members.begin();
    for (auto i = at + delta; i >= 0 && i < static_cast<long>(members.size()); i += delta) {
        if (CanTakeKeyboardFocus(*members[static_cast<std::size_t>(i)])) {
            members[static_cast<std::size_t>(i)]->setFocus(Qt::TabFocusReason);
            break;
        }
    }
    return true; // at either end the key does nothing
}

bool KeyboardNavigation::StepEffect(int delta)
{
    // Effect 0 is never listed: the list runs from effect 1 to the last.
    const auto &buttons = screen.effectButtons;
    int current = -1;
    for (int i = 0; i < kEffectCount; ++i)
        if (&buttons[static_cast<std::size_t>(i)] == QApplication::focusWidget())
            current = i;
    const int target = current + delta;
    if (current < 0 || target < 1 || target >= kEffectCount)
        return true;
    const int first = screen.effectListScroll.GetPos();
    int wanted = first;
    if (target < first + 1)
        wanted = target - 1;
    else if (target > first + kVisibleEffectRows)
        wanted = target - kVisibleEffectRows;
    if (wanted != first)
        screen.effectListScroll.RequestValue(std::clamp(wanted, 0, kLastEffectListOffset));
    CPngListBtn &button = screen.effectButtons[static_cast<std::size_t>(target)];
    button.setFocus(Qt::TabFocusReason);
    button.ClickFromKeyboard();
    return true;
}
