// The colour swatch (tinting, drawing, group selection) and the colour box
// (character filter and its notifications).
#include "ControlTestSupport.h"

#include "controls/CClrEdit.h"
#include "controls/CColorBtn2.h"
#include "framework/MessageRecorder.h"
#include "framework/TickCount.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QMimeData>

#include <gtest/gtest.h>

using namespace testev;

namespace {

struct ColorBtnTest : ::testing::Test
{
    RecordingWindow parent;
    CColorBtn2 swatch;
    const Bitmap greyNormal = ctl::Solid(20, 10, 0xFF808080); // grey 128
    const Bitmap greyDown = ctl::Solid(20, 10, 0xFFFFFFFF); // white
    const Bitmap background = ctl::Solid(100, 100, 0xFF000040);

    void SetUp() override
    {
        parent.resize(200, 200);
        swatch.Create(QString(), &parent, QRect(30, 40, 20, 10), 0);
        swatch.LoadBitmaps(&greyNormal, &greyNormal, &greyDown, &greyNormal, 0, 0, 20, 10);
        swatch.SetTintSource(&greyNormal, &greyNormal, 30, 40, 50, 50);
        swatch.SetBackground(background, 30, 40, 50, 50);
    }
};

TEST_F(ColorBtnTest, TintOfGrey128WithRedGivesHalfTransparentRed)
{
    swatch.SetColor(255, 0, 0);
    const QImage &tinted = swatch.GetTintedNormal().Image();
    EXPECT_EQ(ctl::Raw(tinted, 0, 0), 0x80800000u); // alpha 128, red 128, green 0, blue 0
    EXPECT_EQ(ctl::Raw(swatch.GetTintedDown().Image(), 19, 9), 0xFFFF0000u);
}

TEST_F(ColorBtnTest, TintTruncatesEachComponent)
{
    swatch.SetColor(100, 200, 7); // grey 128: 100/255*128 = 50.19, 200/255*128 = 100.39, 7/255*128 = 3.51
    EXPECT_EQ(ctl::Raw(swatch.GetTintedNormal().Image(), 3, 3), 0x80326403u);
}

TEST_F(ColorBtnTest, GetColorPacksRedGreenBlue)
{
    swatch.SetColor(1, 2, 3);
    EXPECT_EQ(swatch.GetColor(), 197121u);
}

TEST_F(ColorBtnTest, TintSourceShowsUntilTheFirstColour)
{
    // The screen build crops at the button's place in the window, usually
    // outside the template: transparent until the first colour.
    EXPECT_EQ(ctl::Raw(swatch.GetTintedNormal().Image(), 0, 0), 0u);
    swatch.SetTintSource(&greyNormal, &greyDown, 0, 0, 20, 10);
    EXPECT_EQ(ctl::Raw(swatch.GetTintedNormal().Image(), 0, 0), 0xFF808080u);
    EXPECT_EQ(ctl::Raw(swatch.GetTintedDown().Image(), 0, 0), 0xFFFFFFFFu);
    CColorBtn2 withoutSource;
    withoutSource.SetTintSource(nullptr, &greyNormal, 0, 0, 20, 10);
    EXPECT_TRUE(withoutSource.GetTintedNormal().IsEmpty());
    withoutSource.SetColor(9, 9, 9); // nothing to tint, nothing breaks
    EXPECT_EQ(withoutSource.GetColor(), RGB(9, 9, 9));
}

TEST_F(ColorBtnTest, PaintBlendsTheTintedPictureOverTheBackground)
{
    swatch.SetColor(255, 0, 0);
    QImage face = swatch.RenderBuffer();
    ASSERT_EQ(face.size(), QSize(20, 10));
    // (128, 0, 0, 128) over (0, 0, 64, 255): red 128, blue 64 * 127 / 255.
    EXPECT_TRUE(ctl::Near(ctl::Raw(face, 5, 5), 0xFF800020u)) << std::hex << ctl::Raw(face, 5, 5);

    swatch.SetChecked(true); // the tinted down picture (white: full red)
    face = swatch.RenderBuffer();
    EXPECT_EQ(ctl::Raw(face, 5, 5), 0xFFFF0000u);

    // Hover and press do not change the picture.
    swatch.SetChecked(false);
    Move(&swatch, {2, 2});
    Press(&swatch, {2, 2});
    EXPECT_TRUE(ctl::Near(ctl::Raw(swatch.RenderBuffer(), 5, 5), 0xFF800020u));
}

TEST_F(ColorBtnTest, DoubleClickSendsCodeFive)
{
    FakeTickCount tick(50000);
    Press(&swatch);
    Release(&swatch);
    tick.Advance(10);
    Mouse(&swatch, QEvent::MouseButtonDblClick, {1, 1}, Qt::LeftButton, Qt::LeftButton);
    const auto commands = parent.Received(WM_COMMAND);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(HIWORD(commands[1].wParam), 5);
    EXPECT_EQ(commands[1].lParam, swatch.Handle());
}

TEST(ColorBtnGroup, SelectionByHandleChecksOneOrChangesNothing)
{
    RecordingWindow parent;
    CColorBtn2 swatches[8];
    for (int i = 0; i < 8; ++i)
        swatches[i].Create(QString(), &parent, QRect(i * 20, 0, 20, 20), 0);
    swatches[6].SetChecked(true);

    int index = -7;
    EXPECT_EQ(SelectButtonByHandle(swatches, 8, HandleOf(&parent), &index), -1);
    EXPECT_EQ(index, -7);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(swatches[i].GetChecked(), i == 6);

    EXPECT_EQ(SelectButtonByHandle(swatches, 8, swatches[2].Handle(), &index), 2);
    EXPECT_EQ(index, 2);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(swatches[i].GetChecked(), i == 2);

    CColorBtn2 *pointers[2] = {&swatches[0], &swatches[1]};
    EXPECT_EQ(SelectButtonByHandle(pointers, 2, swatches[1].Handle()), 1);
    EXPECT_EQ(SelectButtonByHandle(static_cast<CColorBtn2 *>(nullptr), 3, swatches[1].Handle()), -1);
}

struct ClrEditTest : ::testing::Test
{
    RecordingWindow parent;
    CClrEdit edit;
    MessageRecorder recorder;

    void SetUp() override
    {
        parent.resize(200, 100);
        edit.Create(&parent, QRect(10, 10, 60, 20), 34, false);
        edit.LimitText(6);
    }
};

TEST_F(ClrEditTest, HexModeLetsHexDigitsThroughAndDropsTheRestButReportsEveryCharacter)
{
    edit.SetHexMode();
    Key(&edit, Qt::Key_G, "g");
    EXPECT_EQ(edit.text(), "");
    Key(&edit, Qt::Key_A, "a");
    Key(&edit, Qt::Key_F, "F");
    Key(&edit, Qt::Key_0, "0");
    Key(&edit, Qt::Key_Space, " ");
    EXPECT_EQ(edit.text(), "aF0");
    Key(&edit, Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit.text(), "aF");

    const auto chars = recorder.Messages(UM_EDIT_CHAR);
    ASSERT_EQ(chars.size(), 6u);
    for (const RecordedMessage &m : chars) {
        EXPECT_EQ(m.kind, RecordedMessage::Posted);
        EXPECT_EQ(m.receiver, &parent);
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_EQ(m.lParam, 34);
    }
    ctl::Drain();
    EXPECT_EQ(parent.Received(UM_EDIT_CHAR).size(), 6u);
}

TEST_F(ClrEditTest, HexModeLetsCopyPasteAndCutThrough)
{
    edit.SetHexMode();
    EXPECT_TRUE(edit.AcceptsCharacter(3));
    EXPECT_TRUE(edit.AcceptsCharacter(22));
    EXPECT_TRUE(edit.AcceptsCharacter(24));
    EXPECT_FALSE(edit.AcceptsCharacter(1)); // Ctrl+A
    EXPECT_FALSE(edit.AcceptsCharacter(13)); // Enter

    QGuiApplication::clipboard()->setText("00ff80");
    Key(&edit, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "00ff80");
    EXPECT_EQ(recorder.Count(UM_EDIT_CHAR), 1);
}

TEST_F(ClrEditTest, DigitsOnlyBoxRejectsOtherPrintableCharacters)
{
    CClrEdit red;
    red.Create(&parent, QRect(10, 40, 40, 20), 31, true);
    red.LimitText(3);
    Key(&red, Qt::Key_X, "x");
    Key(&red, Qt::Key_3, "3");
    Key(&red, Qt::Key_0, "0");
    Key(&red, Qt::Key_0, "0");
    Key(&red, Qt::Key_1, "1"); // beyond the limit
    EXPECT_EQ(red.text(), "300");
    EXPECT_EQ(recorder.Count(UM_EDIT_CHAR), 5);
    EXPECT_EQ(recorder.Messages(UM_EDIT_CHAR)[0].lParam, 31);
}

TEST_F(ClrEditTest, TheLimitHoldsForTypingAndPastingButNotForTextTheProgramSets)
{
    edit.setText("a long caption");
    EXPECT_EQ(edit.text(), "a long caption");

    edit.clear();
    QGuiApplication::clipboard()->setText("1234567890");
    Key(&edit, Qt::Key_1, "1");
    Key(&edit, Qt::Key_V, QString(QChar(22)), Qt::ControlModifier);
    EXPECT_EQ(edit.text(), "112345");
    Key(&edit, Qt::Key_9, "9");
    EXPECT_EQ(edit.text(), "112345");
}

// Paste from the context menu and drops never pass a key handler: they keep
// the accepted characters up to the limit, each one reported as if typed.
TEST_F(ClrEditTest, PasteFromTheMenuAndDropsGoThroughTheFilterAndTheLimit)
{
    enum Path { MenuPaste, Drop };
    struct Case
    {
        Path path;
        bool hex;
        QString before;
        QString inserted;
        QString expected;
    };
    const Case cases[] = {
        {MenuPaste, true, "", "1234567890abc", "123456"},
        {MenuPaste, true, "", "#ff 80 0g", "ff800"},
        {Drop, true, "", "1234567890abc", "123456"},
        {Drop, false, "12", "x3\t4", "1234"},
        {MenuPaste, false, "12", "٣ 3", "3"}, // only ASCII digits count
        {Drop, true, "abcdef", "12", "abcdef"}, // full: nothing lands
        {MenuPaste, true, "abcdef", "ff00ff00", "ff00ff"}, // replaces the whole selected text
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.inserted.toStdString());
        CClrEdit box;
        box.Create(&parent, QRect(10, 40, 60, 20), 36, !c.hex);
        if (c.hex)
            box.SetHexMode();
        box.LimitText(6);
        box.setText(c.before);
        const int before = recorder.Count(UM_EDIT_CHAR);
        if (c.path == MenuPaste) {
            QGuiApplication::clipboard()->setText(c.inserted);
            box.selectAll();
            box.paste();
        } else {
            QMimeData data;
            data.setText(c.inserted);
            QDragEnterEvent enter(QPoint(59, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&box, &enter);
            QDropEvent drop(QPointF(59, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(&box, &drop);
        }
        EXPECT_EQ(box.text(), c.expected);
        const qsizetype landed = c.expected.size() - (c.path == MenuPaste ? 0 : c.before.size());
        EXPECT_EQ(recorder.Count(UM_EDIT_CHAR) - before, landed);
    }
}

TEST_F(ClrEditTest, InputMethodTextGoesThroughTheSameFilter)
{
    struct Case
    {
        bool hex;
        QString commit;
        QString expected;
    };
    const Case cases[] = {
        {true, QStringLiteral("zz发a1"), "a1"},
        {false, QStringLiteral("１2x3"), "23"},
        {true, QStringLiteral("abcdef012"), "abcdef"},
    };
    for (const Case &c : cases) {
        CClrEdit box;
        box.Create(&parent, QRect(10, 40, 40, 20), 35, !c.hex);
        if (c.hex)
            box.SetHexMode();
        box.LimitText(6);
        const int before = recorder.Count(UM_EDIT_CHAR);
        QInputMethodEvent composing(QStringLiteral("zhong"), {});
        QApplication::sendEvent(&box, &composing);
        QInputMethodEvent commit;
        commit.setCommitString(c.commit);
        QApplication::sendEvent(&box, &commit);
        EXPECT_EQ(box.text(), c.expected) << c.commit.toStdString();
        EXPECT_EQ(recorder.Count(UM_EDIT_CHAR) - before, c.commit.size()) << "one report per committed character";
    }
}

TEST_F(ClrEditTest, KeysThatTypeNothingAreNotReported)
{
    Key(&edit, Qt::Key_Left, QString());
    Key(&edit, Qt::Key_Delete, QString(QChar(0x7F)));
    Key(&edit, Qt::Key_F5, QString());
    EXPECT_EQ(recorder.Count(UM_EDIT_CHAR), 0);
    QKeyEvent ctrlV(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier, QString());
    EXPECT_EQ(CClrEdit::TypedCharacter(ctrlV), 22);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    EXPECT_EQ(CClrEdit::TypedCharacter(enter), 13);
}

TEST_F(ClrEditTest, LeftPressSendsACommandWithTheEditHandle)
{
    int textWhenSent = -1;
    parent.SetHandler([&](const RecordingWindow::Delivered &) {
        textWhenSent = static_cast<int>(edit.text().size());
        return LRESULT(0);
    });
    Press(&edit, {5, 5});
    const auto commands = parent.Received(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, 0u);
    EXPECT_EQ(commands[0].lParam, edit.Handle());
    EXPECT_FALSE(commands[0].posted);
    EXPECT_EQ(textWhenSent, 0);
    Mouse(&edit, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton, Qt::RightButton);
    EXPECT_EQ(parent.Received(WM_COMMAND).size(), 1u);
}

TEST_F(ClrEditTest, BackgroundIsTheFirstStateImageAndTextIsWhite)
{
    const Bitmap picture = ctl::Solid(200, 100, 0xFF203040);
    edit.LoadBitmaps(&picture, nullptr, nullptr, nullptr, 0, 0, 60, 20);
    EXPECT_EQ(edit.GetBackgroundImage().Size(), QSize(60, 20));
    EXPECT_EQ(edit.GetTextColor(), RGB(255, 255, 255));
    const QImage shot = edit.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(ctl::Raw(shot, 1, 1), 0xFF203040u);
}

} // namespace
