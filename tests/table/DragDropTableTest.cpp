// Drag and drop onto and out of the table and the notebook, with real Qt mouse and key input:
// a picture on a notebook page dragged onto a table cell, a drop the table refuses, a drag ended
// with Escape, the cell events an editor takes over, and the two controls as drag sources.
#include "../gui/WindowInput.h"
#include "TableSupport.h"

#include "controls/table/Notebook.h"
#include "platform/gui/DragDrop.h"
#include "widgets/Image.h"

#include <QCursor>
#include <QGuiApplication>

#include <memory>

namespace {

class TableDragTest : public TableFormTest {
protected:
    void SetUp() override {
        TableFormTest::SetUp();
        book = Make<TVcNotebook>("Book", 10, 10);
        book->SetBounds(10, 10, 150, 150);
        Configure(20, 4);
        table->SetBounds(170, 10, 320, 200);
        image = new TEPImage(form.get());
        image->SetName("Picture");
        image->SetParent(book->Page(0));
        image->SetBounds(10, 10, 40, 40);
        image->SetDragMode(dmAutomatic);
        image->OnEndDrag = [this](TObject*, TObject* target, int x, int y) {
            ended.push_back((target ? dynamic_cast<TComponent*>(target)->Name() : "none") + " " +
                            std::to_string(x) + "," + std::to_string(y));
        };
        // The table takes a picture on its unlocked cells only.
        table->OnDragOver = [this](TObject*, TObject* source, int x, int y, TDragOverState,
                                   bool& accept) {
            LongInt r = 0;
            LongInt c = 0;
            accept = dynamic_cast<TEPImage*>(source) && table->CellAt(x, y, r, c) &&
                     r >= table->LockedRows();
        };
        table->OnDragDrop = [this](TObject*, TObject* source, int x, int y) {
            LongInt r = 0;
            LongInt c = 0;
            table->CellAt(x, y, r, c);
            dropped.push_back(dynamic_cast<TComponent*>(source)->Name() + " on " +
                              std::to_string(r) + "," + std::to_string(c));
        };
        Show();
    }
    void TearDown() override {
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            ReleaseOn(form.get(), form.get(), 1, 1);
        TableFormTest::TearDown();
    }

    // The middle of a cell in the table's client coordinates.
    TPoint CellMiddle(LongInt r, LongInt c) const {
        const TRect rect = table->CellRect(r, c);
        return {(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2};
    }
    void PressImage() { PressOn(form.get(), image, 20, 20); }
    void MoveToCell(LongInt r, LongInt c) {
        const TPoint p = CellMiddle(r, c);
        MoveOver(form.get(), table, p.X, p.Y);
    }
    void ReleaseOnCell(LongInt r, LongInt c) {
        const TPoint p = CellMiddle(r, c);
        ReleaseOn(form.get(), table, p.X, p.Y);
        Settle();
    }
    static Qt::CursorShape Shown() {
        const QCursor* c = QGuiApplication::overrideCursor();
        return c ? c->shape() : Qt::ArrowCursor;
    }

    TVcNotebook* book = nullptr;
    TEPImage* image = nullptr;
    std::vector<std::string> dropped;
    std::vector<std::string> ended;
};

using Lines = std::vector<std::string>;

TEST_F(TableDragTest, APagesPictureDraggedOntoACellLandsThere) {
    PressImage();
    ASSERT_TRUE(image->Dragging());
    MoveToCell(3, 2);
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    MoveToCell(0, 2); // the heading row refuses
    EXPECT_EQ(Shown(), Qt::ForbiddenCursor);
    MoveToCell(3, 2);
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    ReleaseOnCell(3, 2);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(dropped, Lines{"Picture on 3,2"});
    // Column 0 is 40 wide and columns 1 and 2 are 80; the heading and two rows of 20 lie above
    // row 3: the middle of cell (3, 2) is (160, 70) in the table.
    EXPECT_EQ(ended, Lines{"Table 160,70"});
    EXPECT_EQ(table->ActiveRow(), 1) << "a drop moves no active cell";
}

TEST_F(TableDragTest, ADropTheTableRefusesEndsWithoutATarget) {
    PressImage();
    MoveToCell(0, 1);
    ReleaseOnCell(0, 1);
    EXPECT_TRUE(dropped.empty());
    // Without a target the end position is the picture's own.
    const TPoint p = image->ScreenToClient(table->ClientToScreen(CellMiddle(0, 1)));
    EXPECT_EQ(ended[0], "none " + std::to_string(p.X) + "," + std::to_string(p.Y));
    EXPECT_EQ(table->ActiveRow(), 1);
}

TEST_F(TableDragTest, EscapeEndsThePicturesDragAndTheTableWorksOnAfterwards) {
    PressImage();
    MoveToCell(4, 1);
    Press(Qt::Key_Escape);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(image->Dragging());
    ReleaseOnCell(4, 1);
    EXPECT_TRUE(dropped.empty());
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(ended[0].substr(0, 5), "none ");
    Click(5, 2);
    EXPECT_EQ(table->ActiveRow(), 5);
    EXPECT_EQ(table->ActiveCol(), 2);
}

TEST_F(TableDragTest, AnEditedCellsDragEventsReachItsEditor) {
    std::vector<std::string> seen;
    text->OnDragOver = [&](TObject* sender, TObject*, int, int, TDragOverState state,
                           bool& accept) {
        seen.push_back(std::string(sender == text->Editor() ? "editor" : "other") +
                       (state == dsDragEnter  ? " enter"
                        : state == dsDragMove ? " move"
                                              : " leave"));
        accept = true;
    };
    text->OnDragDrop = [&](TObject* sender, TObject* source, int, int) {
        seen.push_back(std::string(sender == text->Editor() ? "editor" : "other") + " drop " +
                       dynamic_cast<TComponent*>(source)->Name());
    };
    Press(Qt::Key_F2);
    ASSERT_TRUE(table->IsEditing());
    TWinControl* editor = text->Editor();
    ASSERT_NE(editor, nullptr);
    PressImage();
    MoveOver(form.get(), editor, 5, 5);
    EXPECT_EQ(Shown(), Qt::DragCopyCursor);
    MoveOver(form.get(), editor, 6, 5);
    ReleaseOn(form.get(), editor, 6, 5);
    Settle();
    EXPECT_EQ(seen, (Lines{"editor enter", "editor move", "editor drop Picture"}));
    EXPECT_EQ(ended, Lines{editor->Name() + " 6,5"});
    EXPECT_TRUE(dropped.empty()) << "the editor, not the table, took the drop";
}

TEST_F(TableDragTest, TheNotebookAndTheTableDragThemselvesInAutomaticMode) {
    book->SetDragMode(dmAutomatic);
    int starts = 0;
    book->OnStartDrag = [&](TObject*, TDragObject*&) { ++starts; };
    TObject* source = nullptr;
    table->OnDragOver = [&](TObject*, TObject* s, int, int, TDragOverState, bool& accept) {
        source = s;
        accept = true;
    };
    // A press on the second tab starts a drag instead of turning the page.
    const TRect tab = book->Page(1)->TabRect();
    PressOn(form.get(), book, tab.Left + 5, tab.Top + 5);
    EXPECT_EQ(starts, 1);
    MoveToCell(2, 1);
    ReleaseOnCell(2, 1);
    EXPECT_EQ(source, book);
    EXPECT_EQ(book->PageIndex(), 0);

    table->SetDragMode(dmAutomatic);
    table->OnEndDrag = [&](TObject*, TObject* target, int, int) { source = target; };
    source = nullptr;
    PressOn(form.get(), table, CellMiddle(5, 2).X, CellMiddle(5, 2).Y);
    MoveToCell(6, 2);
    ReleaseOnCell(6, 2);
    EXPECT_EQ(source, table) << "the table took its own drop";
    EXPECT_EQ(table->ActiveRow(), 1) << "the press started a drag, not a move";
}

} // namespace
