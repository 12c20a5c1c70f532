#pragma once
// What the agent makes of the settings file: the lighting it would apply.

#include "settings/LightingSettings.h"

#include <QString>
#include <QStringList>

enum class SettingsRead {
    Loaded, // the file was read
    Missing, // no file: the first-run defaults apply
    Unreadable, // the file could not be read: the first-run defaults apply
};

// Reads the settings file with Config's own rules (values brought into range,
// broken records replaced by the default one) but never writes it, not even
// when it is missing: the file belongs to Config.
SettingsRead ReadSettingsWithoutWriting(const QString &path, LightingSettings &settings);

// The lighting of the current profile: LED switch, profile, and per category
// its synchronise flag, device count and the record each device shows. As
// Config edits them, a synchronised category of two or more devices shows
// record 0 on every device; otherwise device k shows record k (with a single
// device Config edits record 1 whatever the flag says).
QStringList DescribeLighting(const LightingSettings &settings);

// The record that device `device` (1..devNum) of `category` shows.
int ShownRecordIndex(const CategorySettings &category, int device);

// The category names used in the reports.
QString CategoryName(int category);

// One record as a device shows it: "effect 3, colours (255,0,0) ..., speed -1,
// direction 1". A uniform record shows its first colour in every slot.
QString DescribeRecord(const EffectInfo &record);
