#include "GuiTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

constexpr UINT kFirst = 0x7F00;
constexpr UINT kSecond = 0x7F01;
constexpr UINT kReport = 0x4950;

// A control with handlers of private messages, as the components declare them.
class TPrivate : public TCustomControl {
public:
    explicit TPrivate(TComponent* owner, std::vector<std::string>* log)
        : TCustomControl(owner), log_(log) {}
    std::function<void()> OnFirst;

protected:
    void Dispatch(TMessage& m) override {
        switch (m.Msg) {
        case kFirst:
            log_->push_back(Name() + " first " + std::to_string(m.WParam));
            if (OnFirst) OnFirst();
            return;
        case kSecond: log_->push_back(Name() + " second " + std::to_string(m.WParam)); return;
        case kReport: m.Result = static_cast<LRESULT>(m.WParam * 2 + m.LParam); return;
        default: TCustomControl::Dispatch(m);
        }
    }

private:
    std::vector<std::string>* log_;
};

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(nullptr);
        a = Make("A");
        b = Make("B");
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    TPrivate* Make(const std::string& name) {
        auto* c = new TPrivate(form, &log);
        c->SetName(name);
        c->SetParent(form);
        return c;
    }

    std::vector<std::string> log;
    TForm* form = nullptr;
    TPrivate* a = nullptr;
    TPrivate* b = nullptr;
};

TEST_F(MessagesTest, PerformAndSendMessageAreSynchronousWithAResult) {
    EXPECT_EQ(a->Perform(kReport, 20, 2), 42);
    EXPECT_EQ(SendMessage(a->Handle(), kReport, 5, 1), 11);
    // Unknown numbers reach the default handling and answer 0.
    EXPECT_EQ(a->Perform(0x7F55, 1, 1), 0);
    EXPECT_EQ(SendMessage(0x7FFFFFFF, kReport, 1, 1), 0);
}

TEST_F(MessagesTest, PostedMessagesRunFirstInFirstOut) {
    a->OnFirst = [&] { PostMessage(b->Handle(), kSecond, 9, 0); };
    PostMessage(a->Handle(), kFirst, 1, 0);
    PostMessage(b->Handle(), kSecond, 2, 0);
    PostMessage(a->Handle(), kSecond, 3, 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(PostedMessageCount(), 3);
    Application->ProcessMessages();
    EXPECT_EQ(log,
              (std::vector<std::string>{"A first 1", "B second 2", "A second 3", "B second 9"}));
}

TEST_F(MessagesTest, MessagePostedToADestroyedControlIsDropped) {
    const HWND gone = b->Handle();
    PostMessage(gone, kSecond, 1, 0);
    PostMessage(a->Handle(), kSecond, 2, 0);
    delete b;
    Application->ProcessMessages();
    EXPECT_EQ(log, (std::vector<std::string>{"A second 2"}));
    EXPECT_FALSE(PostMessage(gone, kSecond, 3, 0));
    EXPECT_FALSE(IsWindow(gone));
}

TEST_F(MessagesTest, HandlesAreMadeOnDemandAndNeverReused) {
    auto* late = new TPrivate(form, &log);
    EXPECT_FALSE(late->HandleAllocated());
    late->SetParent(form);
    EXPECT_TRUE(late->HandleAllocated());
    const HWND first = late->Handle();
    late->RecreateWnd();
    EXPECT_NE(late->Handle(), first);
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(FindControl(late->Handle()), late);
}

TEST_F(MessagesTest, ReplacedWindowProcedureSeesMessagesFirst) {
    std::vector<UINT> seen;
    TWndMethod previous = a->WindowProc;
    const std::vector<UINT> watched{0x7F04, kReport, WM_MOVE, WM_SIZE, WM_DESTROY, WM_CREATE};
    a->WindowProc = [&](TMessage& m) {
        if (std::find(watched.begin(), watched.end(), m.Msg) != watched.end())
            seen.push_back(m.Msg);
        if (m.Msg == 0x7F04) {
            m.Result = 77;
            return;
        }
        previous(m);
    };
    EXPECT_EQ(a->Perform(0x7F04), 77);
    EXPECT_EQ(SendMessage(a->Handle(), kReport, 1, 1), 3);
    a->SetBounds(5, 6, 50, 40);
    a->SetBounds(7, 6, 50, 40);
    a->RecreateWnd();
    EXPECT_EQ(seen, (std::vector<UINT>{0x7F04, kReport, WM_MOVE, WM_SIZE, WM_MOVE, WM_DESTROY,
                                       WM_CREATE}));
    a->WindowProc = previous;
}

// A control that scrolls vertically only.
class TVertical : public TCustomControl {
public:
    explicit TVertical(TComponent* owner) : TCustomControl(owner) {}
    int Vertical = 0;

protected:
    void WMVScroll(TWMScroll&) override { ++Vertical; }
};

TEST_F(MessagesTest, HorizontalScrollDoesNotReachTheVerticalHandler) {
    auto* c = new TVertical(form);
    c->SetParent(form);
    c->Perform(WM_HSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(c->Vertical, 0);
    c->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(c->Vertical, 1);
}

TEST_F(MessagesTest, AlignmentPlacesTopBottomLeftRightThenClient) {
    form->SetClientWidth(300);
    form->SetClientHeight(200);
    auto place = [&](const char* name, TAlign align, int w, int h) {
        TPrivate* c = Make(name);
        c->SetBounds(0, 0, w, h);
        c->SetAlign(align);
        return c;
    };
    TPrivate* client = place("Client", alClient, 10, 10);
    TPrivate* left = place("Left", alLeft, 40, 10);
    TPrivate* top = place("Top", alTop, 10, 30);
    TPrivate* bottom = place("Bottom", alBottom, 10, 20);
    TPrivate* right = place("Right", alRight, 50, 10);
    EXPECT_EQ(top->BoundsRect(), Rect(0, 0, 300, 30));
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 180, 300, 200));
    EXPECT_EQ(left->BoundsRect(), Rect(0, 30, 40, 180));
    EXPECT_EQ(right->BoundsRect(), Rect(250, 30, 300, 180));
    EXPECT_EQ(client->BoundsRect(), Rect(40, 30, 250, 180));
    // A second top control goes below the first; hiding one closes the gap.
    TPrivate* top2 = place("Top2", alTop, 10, 15);
    top2->SetTop(100);
    EXPECT_EQ(top2->BoundsRect(), Rect(0, 30, 300, 45));
    top->Hide();
    EXPECT_EQ(top2->BoundsRect(), Rect(0, 0, 300, 15));
    form->SetClientHeight(300);
    EXPECT_EQ(bottom->BoundsRect(), Rect(0, 280, 300, 300));
}

TEST_F(MessagesTest, ParentsChildrenAndVisibility) {
    EXPECT_EQ(form->ControlCount(), 2);
    EXPECT_TRUE(form->ContainsControl(a));
    b->SetParent(a);
    EXPECT_EQ(form->ControlCount(), 1);
    EXPECT_EQ(b->Parent(), a);
    EXPECT_TRUE(form->ContainsControl(b));
    EXPECT_TRUE(b->Showing());
    a->Hide();
    EXPECT_FALSE(b->Showing());
    EXPECT_FALSE(WidgetOf(b)->isVisibleTo(WidgetOf(form)));
    EXPECT_THROW(a->SetParent(a), EInvalidOperation);
}

} // namespace
