// Drag and drop between controls, driven by real Qt mouse and key input through the form's
// window: automatic and manual starts, the threshold, accepting and refusing targets, the drag
// cursor, Escape, a capture taken away, and handlers that free the controls.
#include "GuiTestSupport.h"
#include "WindowInput.h"

#include "platform/gui/DragDrop.h"
#include "platform/gui/ExtCtrls.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>

namespace {

class DragDropTest : public TBlankFormTest {
protected:
    void SetUp() override {
        TBlankFormTest::SetUp();
        host = Make<TPanel>(10, 10, 150, 120);
        source = Make<TShape>(20, 20, 40, 30, host);
        target = Make<TPanel>(200, 10, 180, 200);
        inner = Make<TShape>(20, 120, 60, 40, target);
        edit = Make<TEdit>(200, 240, 120, 24);
        Application->ProcessMessages();
        source->OnStartDrag = [this](TObject* s, TDragObject*&) {
            Log.push_back(Name(s) + " start");
        };
        source->OnEndDrag = [this](TObject* s, TObject* t, int x, int y) {
            Log.push_back(Name(s) + " end " + Name(t) + " " + std::to_string(x) + "," +
                          std::to_string(y));
        };
        target->OnDragOver = [this](TObject* s, TObject* src, int x, int y, TDragOverState st,
                                    bool& accept) {
            Log.push_back(Name(s) + " over " + Name(src) + " " + StateName(st) + " " +
                          std::to_string(x) + "," + std::to_string(y));
            accept = y < 100; // the lower half of the panel refuses
        };
        target->OnDragDrop = [this](TObject* s, TObject* src, int x, int y) {
            Log.push_back(Name(s) + " drop " + Name(src) + " " + std::to_string(x) + "," +
                          std::to_string(y));
        };
        source->SetName("Source");
        target->SetName("Target");
        inner->SetName("Inner");
        host->SetName("Host");
        edit->SetName("Edit");
    }
    void TearDown() override {
        ReleaseAll();
        TBlankFormTest::TearDown();
    }

    static std::string Name(TObject* o) {
        auto* c = dynamic_cast<TComponent*>(o);
        return c ? c->Name() : (o ? "object" : "none");
    }
    static std::string StateName(TDragOverState s) {
        return s == dsDragEnter ? "enter" : s == dsDragLeave ? "leave" : "move";
    }
    void Press(TControl* c, int x, int y) { PressOn(form, c, x, y); }
    void Move(TControl* c, int x, int y) { MoveOver(form, c, x, y); }
    void Release(TControl* c, int x, int y) { ReleaseOn(form, c, x, y); }
    // Lets go of a button a failed test left held, so the next test starts clean.
    void ReleaseAll() {
        if (QGuiApplication::mouseButtons() != Qt::NoButton) Release(form, 1, 1);
    }
    static Qt::CursorShape Shown() {
        const QCursor* c = QGuiApplication::overrideCursor();
        return c ? c->shape() : Qt::ArrowCursor;
    }

    TPanel* host = nullptr;
    TShape* source = nullptr;
    TPanel* target = nullptr;
    TShape* inner = nullptr;
    TEdit* edit = nullptr;
    std::vector<std::string> Log;
};

using Lines = std::vector<std::string>;

TEST_F(DragDropTest, TheControlUnderAPointIsTheInnermostEnabledOne) {
    EXPECT_EQ(FindDragTarget(target->ClientToScreen({5, 5})), target);
    EXPECT_EQ(FindDragTarget(inner->ClientToScreen({5, 5})), inner);
    EXPECT_EQ(FindDragTarget(source->ClientToScreen({5, 5})), source);
    EXPECT_EQ(FindDragTarget(edit->ClientToScreen({5, 5})), edit);
    EXPECT_EQ(FindDragTarget(form->ClientToScreen({100, 250})), form);
    inner->SetEnabled(false);
    EXPECT_EQ(FindDragTarget(inner->ClientToScreen({5, 5})), target);
    EXPECT_EQ(FindDragTarget({2000, 2000}), nullptr);
}

TEST_F(DragDropTest, AnAutomaticDragDropsOnAControlThatTakesIt) {
    source->SetDragMode(dmAutomatic);
    bool clicked = false;
    source->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { clicked = true; };
    Press(source, 10, 10);
    EXPECT_TRUE(source->Dragging());
    EXPECT_EQ(Log, Lines{"Source start"});
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "no drag cursor before the drag moves";
    Move(target, 30, 40);
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    Move(target, 31, 42);
    Release(target, 31, 42);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(clicked) << "a press that starts an automatic drag is no click";
    // The target's border (none on a panel) is not counted: positions are client positions.
    EXPECT_EQ(Log, (Lines{"Source start", "Target over Source enter 30,40",
                          "Target over Source move 31,42", "Target drop Source 31,42",
                          "Source end Target 31,42"}));
}

TEST_F(DragDropTest, ARefusedDropEndsWithoutATarget) {
    source->SetDragMode(dmAutomatic);
    Press(source, 10, 10);
    Move(target, 100, 150);
    EXPECT_EQ(Shown(), Qt::ForbiddenCursor);
    Move(inner, 5, 5); // a control without OnDragOver refuses
    EXPECT_EQ(Shown(), Qt::ForbiddenCursor);
    Move(target, 30, 50);
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    Move(target, 100, 160);
    EXPECT_EQ(Shown(), Qt::ForbiddenCursor);
    Release(target, 100, 160);
    // The end position is the source's own: the panel at (200, 10) and the shape at (20, 20)
    // inside the panel at (10, 10) put (100, 160) on the target at (270, 140) on the shape.
    EXPECT_EQ(Log, (Lines{"Source start", "Target over Source enter 100,150",
                          "Target over Source leave 25,125", "Target over Source enter 30,50",
                          "Target over Source move 100,160", "Target over Source leave 100,160",
                          "Source end none 270,140"}));
}

TEST_F(DragDropTest, APressAndReleaseWithinTheThresholdIsNoDrag) {
    source->SetDragMode(dmAutomatic);
    Press(source, 10, 10);
    Move(source, 14, 6); // 4 pixels each way: still waiting
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Release(source, 14, 6);
    EXPECT_EQ(Log, (Lines{"Source start", "Source end none 14,6"}));
    Log.clear();
    Press(source, 10, 10);
    Move(source, 15, 10); // 5 pixels: the drag starts over the source, which takes nothing
    EXPECT_EQ(Shown(), Qt::ForbiddenCursor);
    Release(source, 15, 10);
    EXPECT_EQ(Log, (Lines{"Source start", "Source end none 15,10"}));
}

TEST_F(DragDropTest, EscapeEndsTheDragAndReachesNoControl) {
    source->SetDragMode(dmAutomatic);
    bool escaped = false;
    form->SetKeyPreview(true);
    form->OnKeyDown = [&](TObject*, Word& key, TShiftState) { escaped = key == VK_ESCAPE; };
    Press(source, 10, 10);
    Move(target, 30, 40);
    Type(form, Qt::Key_Escape);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    Release(target, 30, 40);
    EXPECT_FALSE(escaped);
    EXPECT_EQ(Log, (Lines{"Source start", "Target over Source enter 30,40",
                          "Target over Source leave 30,40", "Source end none 200,20"}));
    // Afterwards keys and clicks go where they always do.
    Type(form, Qt::Key_Escape);
    EXPECT_TRUE(escaped);
}

TEST_F(DragDropTest, AManualDragStartsWhereTheProgramSays) {
    source->SetDragMode(dmManual);
    Press(source, 10, 10);
    Release(source, 10, 10);
    EXPECT_TRUE(Log.empty()) << "a manual control does not drag by itself";
    source->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int, int) {
        source->BeginDrag(true);
    };
    target->SetDragCursor(crHandPoint); // the source's cursor counts, not the target's
    source->SetDragCursor(crMultiDrag);
    Press(source, 10, 10);
    EXPECT_TRUE(source->Dragging());
    EXPECT_EQ(Shown(), Qt::ForbiddenCursor) << "an immediate drag shows its cursor at once";
    Move(target, 20, 20);
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    source->EndDrag(true);
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(Log, (Lines{"Source start", "Target over Source enter 20,20",
                          "Target drop Source 20,20", "Source end Target 20,20"}));
    Log.clear();
    Release(target, 20, 20);
    EXPECT_TRUE(Log.empty()) << "the release after the drag ended belongs to no drag";
}

TEST_F(DragDropTest, ADragObjectFromOnStartDragIsTheSourceTheTargetsSee) {
    class TOwnDrag : public TDragObject {
    public:
        TCursor GetDragCursor(bool Accepted, int, int) override {
            return Accepted ? crHandPoint : crNo;
        }
    };
    TOwnDrag own;
    source->SetDragMode(dmAutomatic);
    source->OnStartDrag = [&](TObject*, TDragObject*& object) { object = &own; };
    TObject* seen = nullptr;
    target->OnDragDrop = [&](TObject*, TObject* src, int, int) { seen = src; };
    Press(source, 10, 10);
    Move(target, 20, 20);
    EXPECT_EQ(Shown(), Qt::PointingHandCursor);
    Release(target, 20, 20);
    EXPECT_EQ(seen, &own);
}

TEST_F(DragDropTest, AnotherWindowTakingTheCaptureEndsTheDrag) {
    source->SetDragMode(dmAutomatic);
    Press(source, 10, 10);
    Move(target, 30, 40);
    SetCapture(edit->Handle());
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    ReleaseCapture();
    Release(target, 30, 40);
    EXPECT_EQ(Log.back(), "Source end none 200,20");
}

TEST_F(DragDropTest, HandlersMayFreeTheTargetOrTheSource) {
    source->SetDragMode(dmAutomatic);
    target->OnDragDrop = [this](TObject*, TObject*, int, int) {
        delete target;
        target = nullptr;
    };
    Press(source, 10, 10);
    Move(target, 30, 40);
    Release(form, 230, 50);
    EXPECT_EQ(Log.back(), "Source end none 200,20") << "a target freed by its drop took nothing";

    Log.clear();
    TShape* shape = Make<TShape>(200, 10, 100, 100);
    shape->OnDragOver = [this](TObject*, TObject*, int, int, TDragOverState, bool& accept) {
        accept = true;
        delete source;
        source = nullptr;
    };
    Press(source, 10, 10);
    Move(shape, 10, 10);
    EXPECT_EQ(source, nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "the drag went with its source";
    Release(shape, 10, 10);
    EXPECT_EQ(Log, Lines{"Source start"});
}

TEST_F(DragDropTest, ANativeControlIsATargetAndTheKeysWaitForTheDrag) {
    source->SetDragMode(dmAutomatic);
    edit->SetFocus();
    std::string over;
    edit->OnDragOver = [&](TObject*, TObject* src, int x, int y, TDragOverState, bool& accept) {
        over = Name(src) + " " + std::to_string(x) + "," + std::to_string(y);
        accept = true;
    };
    Press(source, 10, 10);
    Move(edit, 7, 8);
    EXPECT_EQ(over, "Source 7,8");
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    Type(edit, Qt::Key_A);
    EXPECT_EQ(edit->Text(), "") << "typing during a drag types nothing";
    Release(edit, 7, 8);
    EXPECT_EQ(Log.back(), "Source end Edit 7,8");
    Type(edit, Qt::Key_A);
    EXPECT_EQ(edit->Text(), "a");
}

} // namespace
