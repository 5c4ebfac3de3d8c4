#include "GuiTestSupport.h"

#include "platform/gui/Dialogs.h"

#include <gtest/gtest.h>

namespace {

TEST(MessageRecordsTest, CrackedFormsReadAndWriteTheGenericRecord) {
    TMessage m{WM_KEYDOWN, VK_RETURN, 0x001C0001, 0};
    TWMKey key = TWMKey::From(m);
    EXPECT_EQ(key.CharCode, VK_RETURN);
    EXPECT_EQ(key.KeyData, 0x001C0001);
    key.CharCode = 0;
    key.Result = 5;
    key.To(m);
    EXPECT_EQ(m.WParam, 0u);
    EXPECT_EQ(m.Result, 5);

    TMessage mouse{WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MakeLParam(-3, 40), 0};
    const TWMMouse cracked = TWMMouse::From(mouse);
    EXPECT_EQ(cracked.XPos, -3);
    EXPECT_EQ(cracked.YPos, 40);
    EXPECT_EQ(cracked.Pos(), Point(-3, 40));
    const TShiftState shift = KeysToShiftState(static_cast<WPARAM>(cracked.Keys));
    EXPECT_TRUE(shift.Contains(ssLeft) && shift.Contains(ssShift) && !shift.Contains(ssCtrl));

    TMessage scroll{WM_VSCROLL, static_cast<WPARAM>(MakeLParam(SB_THUMBTRACK, 300)), 0, 0};
    const TWMScroll s = TWMScroll::From(scroll);
    EXPECT_EQ(s.ScrollCode, SB_THUMBTRACK);
    EXPECT_EQ(s.Pos, 300);

    TMessage command{WM_COMMAND, static_cast<WPARAM>(MakeLParam(12, 1)), 77, 0};
    const TWMCommand c = TWMCommand::From(command);
    EXPECT_EQ(c.ItemID, 12);
    EXPECT_EQ(c.NotifyCode, 1);
    EXPECT_EQ(c.Ctl, 77u);

    TMessage size{WM_SIZE, SIZE_RESTORED, MakeLParam(640, 480), 0};
    const TWMSize sz = TWMSize::From(size);
    EXPECT_EQ(sz.Width, 640);
    EXPECT_EQ(sz.Height, 480);
    EXPECT_EQ(LoWord(MakeLParam(0xFFFF, 1)), 0xFFFF);
    EXPECT_EQ(HiWord(MakeLParam(0, -1)), 0xFFFF);
}

TEST(MessageRecordsTest, ShiftStateFromKeyData) {
    ResetKeyState();
    SetKeyDown(VK_CONTROL, true);
    TShiftState s = KeyDataToShiftState(KF_ALTDOWN << 16);
    EXPECT_TRUE(s.Contains(ssCtrl) && s.Contains(ssAlt) && !s.Contains(ssShift));
    SetKeyToggled(VK_CAPITAL, true);
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 1);
    EXPECT_LT(GetKeyState(VK_CONTROL), 0);
    EXPECT_EQ(GetKeyState(300), 0);
    SetKeyDown(-1, true);
    ResetKeyState();
    EXPECT_EQ(GetKeyState(VK_CONTROL), 0);
    EXPECT_EQ(GetKeyState(VK_CAPITAL), 0);
}

TEST(MessageRecordsTest, PostedMessagesFromAHandlerRunInTheSameDrain) {
    InitApplication();
    TForm form(nullptr);
    auto* a = new TRecorder(&form);
    a->SetParent(&form);
    int depth = 0;
    a->WindowProc = [&, previous = a->WindowProc](TMessage& m) {
        if (m.Msg == 0x7F10 && ++depth < 50) PostMessage(a->Handle(), 0x7F10, 0, 0);
        previous(m);
    };
    PostMessage(a->Handle(), 0x7F10, 0, 0);
    EXPECT_EQ(DispatchPostedMessages(), 50);
    EXPECT_EQ(PostedMessageCount(), 0);
}

TEST(MessageRecordsTest, ExceptionInAPostedMessageIsShownAndTheQueueGoesOn) {
    InitApplication();
    TRecordedServices services;
    TForm form(nullptr);
    auto* a = new TRecorder(&form);
    a->SetParent(&form);
    int after = 0;
    a->WindowProc = [&, previous = a->WindowProc](TMessage& m) {
        if (m.Msg == 0x7F11) throw EConvertError("Bad value");
        if (m.Msg == 0x7F12) ++after;
        previous(m);
    };
    PostMessage(a->Handle(), 0x7F11, 0, 0);
    PostMessage(a->Handle(), 0x7F12, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(after, 1);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Bad value.");
}

} // namespace
