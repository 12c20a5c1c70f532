// The message layer: sends run at once and answer, posts run later and in
// order, messages to a window that is gone are dropped, and the recorder
// sees all of it.
#include "framework/MessageBox.h"
#include "framework/MessageRecorder.h"
#include "framework/TickCount.h"
#include "framework/WindowMessage.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

void Drain()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
}

TEST(WindowMessage, NumbersAndPackingAreTheAgreedOnes)
{
    EXPECT_EQ(WM_COMMAND, 0x0111u);
    EXPECT_EQ(WM_VSCROLL, 0x0115u);
    EXPECT_EQ(UM_SLIDER_POS, 1094u);
    EXPECT_EQ(UM_EDIT_CHAR, 1096u);
    EXPECT_EQ(UM_BUTTON_HOVER, 1153u);
    EXPECT_EQ(UM_MENU_ITEM, 1281u);
    EXPECT_EQ(MAKEWPARAM(7, BN_DOUBLECLICKED), WPARAM(0x00050007));
    EXPECT_EQ(HIWORD(MAKEWPARAM(0xFFFF, 2)), 2);
    EXPECT_EQ(LOWORD(MAKEWPARAM(0xFFFF, 2)), 0xFFFF);
    EXPECT_EQ(MAKELPARAM(0, 0xABCD), LPARAM(0xABCD0000));
    EXPECT_EQ(RGB(1, 2, 3), 197121u);
    EXPECT_EQ(GetBValue(RGB(1, 2, 3)), 3);
}

TEST(WindowMessage, SendRunsAtOnceAndAnswersTheReceiversResult)
{
    RecordingWindow receiver;
    receiver.SetHandler([](const RecordingWindow::Delivered &d) { return LRESULT(d.wParam * 2); });
    EXPECT_EQ(SendMessage(&receiver, WM_COMMAND, 21, 5), 42);
    ASSERT_EQ(receiver.Received().size(), 1u);
    EXPECT_FALSE(receiver.Received()[0].posted);
    EXPECT_EQ(receiver.Received()[0].lParam, 5);
}

TEST(WindowMessage, SendToNoWindowOrToAPlainObjectAnswersZero)
{
    EXPECT_EQ(SendMessage(nullptr, WM_COMMAND, 1, 2), 0);
    QObject plain;
    EXPECT_EQ(SendMessage(&plain, WM_COMMAND, 1, 2), 0);
    EXPECT_FALSE(PostMessage(nullptr, UM_SLIDER_POS, 1, 2));
}

TEST(WindowMessage, PostsArriveAfterTheSenderReturnsAndInOrder)
{
    RecordingWindow receiver;
    for (WPARAM v = 0; v < 5; ++v)
        ASSERT_TRUE(PostMessage(&receiver, UM_SLIDER_POS, v, 10002));
    SendMessage(&receiver, WM_COMMAND, 99, 0);
    // Only the send has run so far.
    ASSERT_EQ(receiver.Received().size(), 1u);
    Drain();
    ASSERT_EQ(receiver.Received().size(), 6u);
    for (WPARAM v = 0; v < 5; ++v) {
        EXPECT_EQ(receiver.Received()[v + 1].wParam, v);
        EXPECT_TRUE(receiver.Received()[v + 1].posted);
    }
}

TEST(WindowMessage, PostsToAWindowDestroyedBeforeDeliveryAreDropped)
{
    auto receiver = std::make_unique<RecordingWindow>();
    PostMessage(receiver.get(), UM_MENU_ITEM, 1, 2);
    receiver.reset();
    Drain(); // nothing to deliver to, nothing crashes
    SUCCEED();
}

TEST(MessageRecorder, SeesSendsAndPostsInCallOrderWhileItLives)
{
    RecordingWindow receiver;
    MessageRecorder outer;
    {
        MessageRecorder inner;
        PostMessage(&receiver, UM_EDIT_CHAR, 0, 31);
        SendMessage(&receiver, WM_COMMAND, 0, 77);
        ASSERT_EQ(inner.Messages().size(), 2u);
        EXPECT_EQ(inner.Messages()[0].kind, RecordedMessage::Posted);
        EXPECT_EQ(inner.Messages()[0].lParam, 31);
        EXPECT_EQ(inner.Messages()[1].kind, RecordedMessage::Sent);
        EXPECT_EQ(inner.Messages()[1].receiver, &receiver);
        EXPECT_EQ(inner.Count(WM_COMMAND), 1);
        EXPECT_EQ(inner.Messages(UM_EDIT_CHAR).size(), 1u);
    }
    SendMessage(nullptr, WM_COMMAND, 0, 0); // recorded even without a receiver
    EXPECT_EQ(outer.Messages().size(), 3u);
    EXPECT_EQ(outer.Messages()[2].receiverAddress, nullptr);
    outer.Clear();
    EXPECT_TRUE(outer.Messages().empty());
}

TEST(TickCount, FakeClockStandsStillAdvancesAndWraps)
{
    {
        FakeTickCount tick(0xFFFFFF00u);
        EXPECT_EQ(GetTickCount(), 0xFFFFFF00u);
        tick.Advance(0x200);
        EXPECT_EQ(GetTickCount(), 0x100u);
        tick.Set(5);
        EXPECT_EQ(GetTickCount(), 5u);
    }
    // The real clock is back and does not run backwards.
    const DWORD a = GetTickCount();
    const DWORD b = GetTickCount();
    EXPECT_LE(static_cast<DWORD>(b - a), 1000u);
}

TEST(MessageBoxHook, TestsAnswerTheBox)
{
    QString seenText;
    SetMessageBoxHandler([&](const QString &text, const QString &, MessageBoxKind kind) {
        seenText = text;
        return kind == MessageBoxKind::OkCancelExclamation ? IDCANCEL : IDOK;
    });
    EXPECT_EQ(ShowMessageBox(nullptr, "Save Profile?", "Profile", MessageBoxKind::OkCancelExclamation), IDCANCEL);
    EXPECT_EQ(seenText, "Save Profile?");
    SetMessageBoxHandler({});
}

} // namespace
