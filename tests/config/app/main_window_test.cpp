// The main window as the user drives it: records, devices, profiles, saving.

#include "MainWindowFixture.h"

#include "settings/DiagnosticLog.h"
#include "settings/IniFile.h"
#include "skin/SkinFile.h"

#include <QKeyEvent>
#include <QTest>

namespace {

TEST_F(MainWindowTest, OneDeviceEditsRecordOneAndItsButtonNeedsNoMenu)
{
    CConfigDlg &w = Open(1);
    EXPECT_EQ(w.RecordIndex(), 1);
    EXPECT_EQ(w.CurrentCategory(), 1);
    EXPECT_EQ(Screen().categoryButtons[1].GetCaption(), LookupSkinText(50));

    Click(Screen().categoryButtons[1]);
    EXPECT_EQ(w.PopupMenu(), nullptr);
    EXPECT_EQ(w.RecordIndex(), 1);
    EXPECT_EQ(w.Settings().Profile(0).Category(1).devNum, 1);
}

TEST_F(MainWindowTest, SeveralSynchronisedDevicesStartOnTheAllDevicesRecord)
{
    CConfigDlg &w = Open(3);
    EXPECT_EQ(w.RecordIndex(), 0);
    EXPECT_EQ(Screen().categoryButtons[1].GetCaption(), LookupSkinText(48));

    Click(Screen().categoryButtons[1]);
    ASSERT_NE(w.PopupMenu(), nullptr);
    const CPngBtnMenu &menu = *w.PopupMenu();
    ASSERT_EQ(menu.GetItemCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(menu.GetItem(i).value, 48 + i);
    EXPECT_EQ(menu.GetItem(0).Text(), LookupSkinText(48));
    EXPECT_EQ(menu.GetItem(3).Text(), LookupSkinText(50) + "3");

    ChooseMenuRow(2);
    EXPECT_EQ(w.PopupMenu(), nullptr);
    EXPECT_EQ(w.RecordIndex(), 2);
    EXPECT_EQ(w.Settings().Profile(0).Category(1).synchronize, 0);
    EXPECT_EQ(Screen().categoryButtons[1].GetCaption(), LookupSkinText(50) + "2");

    Click(Screen().categoryButtons[1]);
    ChooseMenuRow(0);
    EXPECT_EQ(w.RecordIndex(), 0);
    EXPECT_EQ(w.Settings().Profile(0).Category(1).synchronize, 1);
}

TEST_F(MainWindowTest, OnlyTheLeftButtonOnTheWindowClosesTheMenu)
{
    CConfigDlg &w = Open(3);
    Click(Screen().categoryButtons[1]);
    ASSERT_NE(w.PopupMenu(), nullptr);
    const QPoint empty(700, 500);
    for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        QTest::mouseClick(&w, button, Qt::NoModifier, empty);
        EXPECT_NE(w.PopupMenu(), nullptr) << button;
    }
    QTest::mouseClick(&w, Qt::LeftButton, Qt::NoModifier, empty);
    EXPECT_EQ(w.PopupMenu(), nullptr);
}

TEST_F(MainWindowTest, MenuReachesTheSixteenthDeviceAndIgnoresItemsBeyondTheCount)
{
    CConfigDlg &w = Open(16);
    Click(Screen().categoryButtons[1]);
    ASSERT_NE(w.PopupMenu(), nullptr);
    EXPECT_EQ(w.PopupMenu()->GetItemCount(), 17);
    Post(UM_MENU_ITEM, 0, static_cast<LPARAM>(64u << 16)); // what the row of device 16 reports
    EXPECT_EQ(w.RecordIndex(), 16);
    EXPECT_EQ(w.PopupMenu(), nullptr);
    Post(UM_MENU_ITEM, 0, static_cast<LPARAM>(65u << 16));
    EXPECT_EQ(w.RecordIndex(), 16) << "no device 17";
    Post(UM_MENU_ITEM, 0, static_cast<LPARAM>(47u << 16));
    EXPECT_EQ(w.RecordIndex(), 16);
}

TEST_F(MainWindowTest, NoDevicesLeavesTheSsdCategoryWithRecordOne)
{
    CConfigDlg &w = Open(0);
    EXPECT_EQ(w.CategoryList(), std::vector<int> {1});
    EXPECT_EQ(w.RecordIndex(), 1);
    EXPECT_FALSE(Screen().categoryButtons[0].isVisibleTo(&w));
    EXPECT_TRUE(Screen().categoryButtons[1].isVisibleTo(&w));
    EXPECT_EQ(Screen().categoryButtons[1].geometry(), Screen().categorySlots[0].ToQRect())
        << "the only present category takes the first slot";
    Click(Screen().categoryButtons[1]);
    EXPECT_EQ(w.PopupMenu(), nullptr);
}

TEST_F(MainWindowTest, EffectIsSavedByApplyAndDroppedByTheCloseButton)
{
    CConfigDlg &w = Open(1);
    Click(Screen().effectButtons[5]);
    EXPECT_EQ(w.CurrentEffect(), 5);
    EXPECT_EQ(w.EffectName(), Screen().effectButtons[5].GetCaption());
    EXPECT_EQ(w.EditedRecord()->effectId, 1) << "the record keeps its effect until Apply";

    Click(Screen().closeButton);
    EXPECT_TRUE(w.IsEnding());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(FileSettings().Profile(0).Category(1).records[1].effectId, 1);
}

TEST_F(MainWindowTest, ApplyStoresEffectSpeedDirectionAndColoursAndSaves)
{
    CConfigDlg &w = Open(1);
    ChooseEffect(9);
    MoveSlider(kSpeedSliderId, -2);
    Click(Screen().directionButtons[1]);
    EXPECT_EQ(w.PendingDirection(), 1);
    MoveSlider(kGreenSliderId, 40);
    Click(Screen().applyButton);

    const EffectInfo saved = FileSettings().Profile(0).Category(1).records[1];
    EXPECT_EQ(saved.effectId, 9);
    EXPECT_EQ(saved.speed, -2);
    EXPECT_EQ(saved.direction, 1);
    EXPECT_EQ(saved.colors[0], 0x0028FFu) << "red 255, green 40";
    EXPECT_EQ(w.SavedSettings(), w.Settings());
    EXPECT_FALSE(w.IsEnding());
}

TEST_F(MainWindowTest, ResetRestoresTheRecordButKeepsTheChosenEffect)
{
    CConfigDlg &w = Open(1);
    MoveSlider(kBlueSliderId, 200);
    MoveSlider(kSpeedSliderId, 2);
    Click(Screen().effectButtons[3]);
    Click(Screen().resetButton);
    EffectInfo expected;
    expected.effectId = 3;
    expected.colors[0] = w.EditedRecord()->colors[0]; // the editor stores the shown colour of slot 0 again
    EXPECT_EQ(*w.EditedRecord(), expected);
    EXPECT_EQ(w.EditedRecord()->colors[0], 0x0000FFu);
    EXPECT_EQ(Screen().speedSlider.GetPos(), 0);
}

TEST_F(MainWindowTest, ProfileSwitchRevertsEverythingUnsaved)
{
    CConfigDlg &w = Open(1);
    Click(Screen().ledOffButton);
    EXPECT_EQ(w.Settings().led_sw, 0);
    Click(Screen().profileButtons[2]);
    EXPECT_TRUE(boxes.isEmpty()) << "the LED switch takes no part in the unsaved-change test";
    EXPECT_EQ(w.Settings().led_sw, 1);
    EXPECT_EQ(w.Settings().CurrentProfile, 2);
    EXPECT_TRUE(Screen().profileButtons[2].GetChecked());
    EXPECT_FALSE(Screen().profileButtons[0].GetChecked());
    EXPECT_TRUE(Screen().ledOnButton.GetChecked());
}

TEST_F(MainWindowTest, UnsavedRecordChangeAsksAndSavesOnOk)
{
    CConfigDlg &w = Open(1);
    MoveSlider(kRedSliderId, 10);
    boxAnswer = IDCANCEL;
    Click(Screen().profileButtons[1]);
    ASSERT_EQ(boxes, QStringList {"Profile: Save Profile?"});
    EXPECT_EQ(FileSettings().Profile(0).Category(1).records[1].colors[0], 0x0000FFu) << "cancel saves nothing";

    MoveSlider(kRedSliderId, 10);
    boxAnswer = IDOK;
    Click(Screen().profileButtons[0]);
    EXPECT_EQ(boxes.size(), 2);
    EXPECT_EQ(FileSettings().Profile(1).Category(1).records[1].colors[0] & 0xFF, 10u);
    EXPECT_EQ(w.Settings().CurrentProfile, 0);
}

// A file where the settings folder should be makes every save fail; taking
// it away again lets the next save succeed.
void BlockSettingsFolder(const TempUserFolders &folders, bool blocked)
{
    const QString folder = folders.ConfigHome() + "/Zarvik/Zarvik RGB Software";
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile::remove(folder);
    if (!blocked) {
        ASSERT_TRUE(QDir().mkpath(folder));
        return;
    }
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
}

TEST_F(MainWindowTest, FailedSaveKeepsWindowProfileAndEditsUntilASaveSucceeds)
{
    CConfigDlg &w = Open(1);
    const LightingSettings before = w.SavedSettings();
    BlockSettingsFolder(folders, true);
    const auto failureShown = [this, &w](int at) {
        return boxes.size() > at && boxes[at].startsWith("Zarvik RGB Software: The settings could not be saved to ")
            && boxes[at].contains(w.SettingsFilePath()) && boxKinds[at] == MessageBoxKind::OkError;
    };

    // Apply.
    Click(Screen().effectButtons[4]);
    Click(Screen().applyButton);
    EXPECT_EQ(w.SavedSettings(), before);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_TRUE(failureShown(0)) << boxes[0].toStdString();
    EXPECT_EQ(w.EditedRecord()->effectId, 4);

    // Two profile switches confirmed with OK: neither happens.
    boxAnswer = IDOK;
    for (int attempt = 0; attempt < 2; ++attempt) {
        Click(Screen().profileButtons[2]);
        ASSERT_EQ(boxes.size(), 3 + 2 * attempt);
        EXPECT_EQ(boxes[1 + 2 * attempt], "Profile: Save Profile?");
        EXPECT_TRUE(failureShown(2 + 2 * attempt));
        EXPECT_EQ(w.Settings().CurrentProfile, 0);
        EXPECT_TRUE(Screen().profileButtons[0].GetChecked());
        EXPECT_FALSE(Screen().profileButtons[2].GetChecked());
        EXPECT_EQ(w.EditedRecord()->effectId, 4) << "the confirmed edits are kept";
    }

    // The window manager's close is refused.
    w.close();
    EXPECT_TRUE(failureShown(5));
    EXPECT_FALSE(w.IsEnding());
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.EditedRecord()->effectId, 4);

    QFile log(DiagnosticLogPath());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(log.readAll().contains("SaveSettings failed - "));

    // The cause is gone: the switch saves and happens, and a close ends.
    BlockSettingsFolder(folders, false);
    Click(Screen().profileButtons[2]);
    EXPECT_EQ(boxes.size(), 7);
    EXPECT_EQ(w.Settings().CurrentProfile, 2);
    EXPECT_TRUE(Screen().profileButtons[2].GetChecked());
    EXPECT_EQ(FileSettings().Profile(0).Category(1).records[1].effectId, 4);
    w.close();
    EXPECT_TRUE(w.IsEnding());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(boxes.size(), 7);
}

TEST_F(MainWindowTest, CloseButtonEndsWithoutSavingAfterARefusedClose)
{
    CConfigDlg &w = Open(1);
    BlockSettingsFolder(folders, true);
    Click(Screen().ledOffButton);
    w.close();
    ASSERT_FALSE(w.IsEnding());
    Click(Screen().closeButton);
    EXPECT_TRUE(w.IsEnding());
    EXPECT_EQ(w.result(), QDialog::Rejected);
    EXPECT_EQ(boxes.size(), 1) << "no second save was tried";
}

TEST_F(MainWindowTest, UserIsToldOnceWhereTheUnreadableSettingsFileWasKept)
{
    QFile file(SettingsPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a settings file");
    file.close();
    CConfigDlg &w = Open(1);
    Click(Screen().applyButton);
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes[0],
              "Zarvik RGB Software: The settings file " + SettingsPath() + " could not be read; it was kept as "
                  + SettingsPath() + ".unreadable.");
    EXPECT_EQ(boxKinds[0], MessageBoxKind::OkInformation);
    Click(Screen().applyButton);
    w.close();
    EXPECT_TRUE(w.IsEnding());
    EXPECT_EQ(boxes.size(), 1);
}

TEST_F(MainWindowTest, WindowManagerCloseSavesThenEnds)
{
    CConfigDlg &w = Open(1);
    Click(Screen().effectButtons[2]);
    Click(Screen().applyButton);
    Click(Screen().ledOffButton);
    w.close();
    EXPECT_TRUE(w.IsEnding());
    EXPECT_EQ(w.result(), QDialog::Accepted);
    EXPECT_EQ(FileSettings().led_sw, 0);
}

TEST_F(MainWindowTest, CommandWithAllBitsSetCancels)
{
    CConfigDlg &w = Open(1);
    SendMessage(&w, WM_COMMAND, 0xFFFF, HandleOf(&Screen().applyButton));
    EXPECT_TRUE(w.IsEnding());
}

TEST_F(MainWindowTest, EnterAndEscapeNeverCloseTheWindow)
{
    CConfigDlg &w = Open(1);
    w.show();
    QTest::keyClick(&w, Qt::Key_Escape);
    QTest::keyClick(&w, Qt::Key_Return);
    Click(Screen().hexBox);
    QTest::keyClick(&Screen().hexBox, Qt::Key_Enter);
    Click(Screen().numberBoxes[0]);
    QTest::keyClick(&Screen().numberBoxes[0], Qt::Key_Escape);
    QTest::keyClick(&Screen().effectButtons[2], Qt::Key_Return);
    EXPECT_FALSE(w.IsEnding());
    EXPECT_TRUE(w.isVisible());
}

TEST_F(MainWindowTest, OutOfRangeFileValuesNeverIndexOutside)
{
    WriteSettings([](LightingSettings &s) { s.CurrentProfile = 3; });
    RegisterDevices(2);
    {
        // Values beyond every range, written behind the settings code's back.
        IniFile ini(SettingsPath());
        ini.WriteInt("Setting", "CurrentProfile", 77);
        ini.WriteInt("Profile3Setting", "DevNum_SSD", 99);
        ASSERT_TRUE(ini.Flush());
    }
    window = std::make_unique<CConfigDlg>();
    ASSERT_TRUE(window->Create());
    EXPECT_EQ(window->Settings().CurrentProfile, 3);
    EXPECT_EQ(window->Settings().Profile(3).Category(1).devNum, 2) << "the discovered count replaces the file's";
}

} // namespace
