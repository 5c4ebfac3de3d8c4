// Multi-line edits with real keys: an edit made with the multi-line style wraps or scrolls as
// its style says and keeps to its length limit when typed into and pasted into; the formatting
// rectangle keeps the text off the edges at any size and outlives the window.
#include "tests/gui/GuiTestSupport.h"

#include "platform/gui/Clipbrd.h"

#include <QPlainTextEdit>

namespace {

// An edit of several lines, wrapping at its width unless it scrolls horizontally.
class TLinesEdit : public TEdit {
public:
    explicit TLinesEdit(TComponent* owner, bool scrolls = false)
        : TEdit(owner), scrolls_(scrolls) {}

protected:
    void CreateParams(TCreateParams& Params) override {
        TEdit::CreateParams(Params);
        Params.Style |= ES_MULTILINE;
        if (!scrolls_) Params.Style &= ~ES_AUTOHSCROLL;
    }

private:
    bool scrolls_;
};

class MultiLineEditTest : public TBlankFormTest {
protected:
    void TypeText(TWinControl* target, const std::string& text) {
        for (char c : text)
            TypeCharacter(target, c >= 'a' && c <= 'z' ? Qt::Key_A + (c - 'a') : c, QString(c));
    }
};

TEST_F(MultiLineEditTest, TheStyleChoosesWrappingOrScrolling) {
    auto* wrapping = Make<TLinesEdit>(10, 10, 120, 40);
    auto* scrolling = new TLinesEdit(form, true);
    scrolling->SetParent(form);
    auto* single = Make<TEdit>(10, 100, 120, 24);
    const auto* w = qobject_cast<QPlainTextEdit*>(WidgetOf(wrapping));
    const auto* s = qobject_cast<QPlainTextEdit*>(WidgetOf(scrolling));
    ASSERT_NE(w, nullptr);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(w->lineWrapMode(), QPlainTextEdit::WidgetWidth);
    EXPECT_EQ(s->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(qobject_cast<QPlainTextEdit*>(WidgetOf(single)), nullptr);
}

TEST_F(MultiLineEditTest, TypingAndPastingKeepToTheLengthLimit) {
    auto* edit = Make<TLinesEdit>(10, 10, 120, 40);
    edit->SetMaxLength(4);
    edit->SetFocus();
    TypeText(edit, "abcde");
    EXPECT_EQ(edit->Text(), "abcd");
    EXPECT_EQ(services.Beeps.size(), 1u);
    edit->SetSelStart(1);
    edit->SetSelLength(2);
    Clipboard()->SetAsText("xyz");
    Type(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit->Text(), "axyd");
}

TEST_F(MultiLineEditTest, TheFormattingRectangleFollowsTheSize) {
    for (TEdit* edit :
         {static_cast<TEdit*>(Make<TLinesEdit>(10, 10, 120, 40)), Make<TEdit>(10, 100, 120, 24)}) {
        TRect rect{3, 2, edit->ClientWidth() - 4, edit->ClientHeight() - 1};
        edit->Perform(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&rect));
        edit->SetWidth(200);
        TRect now;
        edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&now));
        EXPECT_EQ(now.Left, 3);
        EXPECT_EQ(now.Top, 2);
        EXPECT_EQ(now.Right, edit->ClientWidth() - 4);
        EXPECT_EQ(now.Bottom, edit->ClientHeight() - 1);
        edit->SetCtl3D(!edit->Ctl3D());
        edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&now));
        EXPECT_EQ(now.Left, 3);
    }
}

} // namespace
