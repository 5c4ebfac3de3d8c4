// Edits by their window style with real keys: Enter in a multi-line edit, a read-only one that
// still moves its caret, a single-line edit made multi-line by its style, cut and paste that
// reach a descendant's handlers, and an edit that paints itself for a while.
#include "tests/gui/GuiTestSupport.h"

#include "platform/gui/Clipbrd.h"

#include <gtest/gtest.h>

namespace {

// An edit whose window is multi-line, which sees cut and paste and can paint itself black.
class TStyledEdit : public TEdit {
public:
    explicit TStyledEdit(TComponent* AOwner) : TEdit(AOwner) {}
    bool MultiLineWindow = false;
    bool Dark = false;
    std::vector<UINT> Clipboard;
    bool PaintsItself() const override { return Dark; }
    void PaintEdit(TCanvas* Canvas, const TRect& Client) override {
        Canvas->Brush()->SetColor(clBlack);
        Canvas->FillRect(Client);
    }

protected:
    void CreateParams(TCreateParams& Params) override {
        TEdit::CreateParams(Params);
        if (MultiLineWindow) Params.Style = (Params.Style & ~ES_AUTOHSCROLL) | ES_MULTILINE;
    }
    void WMCut(TMessage& Message) override {
        Clipboard.push_back(WM_CUT);
        TEdit::WMCut(Message);
    }
    void WMPaste(TMessage& Message) override {
        Clipboard.push_back(WM_PASTE);
        TEdit::WMPaste(Message);
    }
};

using EditStylesTest = TBlankFormTest;

TEST_F(EditStylesTest, EnterTypesOneLineEndInAMemo) {
    auto* memo = Make<TMemo>(10, 10, 200, 80);
    memo->SetFocus();
    TypeCharacter(memo, Qt::Key_A, "a");
    Type(memo, Qt::Key_Return);
    TypeCharacter(memo, Qt::Key_B, "b");
    EXPECT_EQ(memo->Text(), "a\r\nb");
    EXPECT_EQ(memo->SelStart(), 4);
    // Read-only, the caret still goes where the keys send it.
    memo->SetReadOnly(true);
    Type(memo, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(memo->SelStart(), 0);
    Type(memo, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(memo->SelStart(), 4);
}

TEST_F(EditStylesTest, AMultiLineStyleKeepsTheLinesOfTheText) {
    auto* edit = new TStyledEdit(form);
    edit->MultiLineWindow = true;
    edit->SetParent(form);
    edit->SetBounds(10, 10, 200, 60);
    edit->SetText("first\r\nsecond");
    edit->SetFocus();
    EXPECT_EQ(edit->Text(), "first\r\nsecond");
    edit->SetSelStart(7);
    TypeCharacter(edit, Qt::Key_X, "x");
    EXPECT_EQ(edit->Text(), "first\r\nxsecond");
    EXPECT_EQ(edit->SelStart(), 8);
}

TEST_F(EditStylesTest, CutAndPasteReachTheHandlersOfADescendant) {
    auto* edit = new TStyledEdit(form);
    edit->SetParent(form);
    edit->SetText("abc");
    edit->SetFocus();
    edit->SelectAll();
    Type(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "");
    EXPECT_EQ(Clipboard()->AsText(), "abc");
    Type(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "abc");
    EXPECT_EQ(edit->Clipboard, (std::vector<UINT>{WM_CUT, WM_PASTE}));
}

TEST_F(EditStylesTest, AnEditPaintsItselfWhileItAsks) {
    auto* edit = new TStyledEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 120, 24);
    edit->SetText("text");
    const auto centre = [&] {
        const QImage image = WidgetOf(edit)->grab().toImage();
        return qGray(image.pixel(image.width() / 2, image.height() / 2));
    };
    EXPECT_GT(centre(), 200);
    edit->Dark = true;
    edit->Invalidate();
    EXPECT_LT(centre(), 50);
}

} // namespace
