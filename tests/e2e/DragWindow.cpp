// A window of its own for the end-to-end drag-and-drop scenario (the program has no place where
// a user drags): a notebook whose first page holds a picture, and a table beside it. The picture
// drags in automatic mode; the table takes it on its unlocked cells, where the cell then reads
// "Picture". At start the window writes where the scenario should point, in its own client
// coordinates ("point <name> <x> <y>"), and then one line for each drop ("drop on row <r>
// column <c>") and each end of a drag ("end: <target> at <x>,<y>" or "end: no target"), all on
// standard error.
#include "controls/entry/EntryController.h"
#include "controls/table/Notebook.h"
#include "controls/table/StringCells.h"
#include "controls/table/Table.h"
#include "platform/gui/DragDrop.h"
#include "platform/gui/Forms.h"
#include "widgets/Image.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <utility>

namespace {

void Say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}

class TDragWindow : public TForm {
public:
    explicit TDragWindow(TComponent* AOwner) : TForm(AOwner) {
        SetName("DragWindow");
        SetCaption("Drag and drop");
        SetBounds(40, 40, 520, 240);
        auto* controller = new TVcController(this);
        controller->SetName("DefaultController");
        book_ = MakeChild<TVcNotebook>(this, "Book", this, 10, 10, 150, 150);
        MakePicture();
        MakeTable();
    }

    // Where the scenario points: the picture and the middle of three cells.
    void SayPoints() {
        SayPoint("picture", picture_, {20, 20});
        SayCell("cell", 3, 2);
        SayCell("heading", 0, 1);
        SayCell("other", 4, 1);
    }

private:
    using TCellText = std::array<char, 256>;

    void MakePicture() {
        picture_ = new TEPImage(this);
        picture_->SetName("Picture");
        picture_->SetParent(book_->Page(0));
        picture_->SetBounds(10, 10, 40, 40);
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(32, 32);
        bitmap->Canvas()->Brush()->SetColor(clRed);
        bitmap->Canvas()->FillRect(Rect(0, 0, 32, 32));
        picture_->Picture()->SetGraphic(bitmap.get());
        picture_->SetDragMode(dmAutomatic);
        picture_->OnEndDrag = [](TObject*, TObject* target, int x, int y) {
            auto* taken = dynamic_cast<TComponent*>(target);
            Say(taken
                    ? "end: " + taken->Name() + " at " + std::to_string(x) + "," + std::to_string(y)
                    : std::string("end: no target"));
        };
    }

    void MakeTable() {
        table_ = MakeChild<TVcTable>(this, "Table", this, 170, 10, 330, 200);
        text_ = new TVcTCString(this);
        text_->SetName("Text");
        table_->SetColCount(4);
        table_->SetRowLimit(10);
        table_->Rows()->SetDefaultHeight(20);
        for (LongInt c = 0; c < 4; ++c) {
            table_->Columns()->Items(c)->SetWidth(c == 0 ? 40 : 80);
            table_->Columns()->Items(c)->SetDefaultCell(text_);
        }
        table_->SetLockedRowsCell(text_);
        table_->OnGetCellData = [this](TObject*, LongInt r, LongInt c, void*& data,
                                       TVcCellDataPurpose) { data = CellText(r, c).data(); };
        table_->OnDragOver = [this](TObject*, TObject* source, int x, int y, TDragOverState,
                                    bool& accept) {
            LongInt r = 0;
            LongInt c = 0;
            accept = dynamic_cast<TEPImage*>(source) && table_->CellAt(x, y, r, c) &&
                     r >= table_->LockedRows();
        };
        table_->OnDragDrop = [this](TObject*, TObject*, int x, int y) {
            LongInt r = 0;
            LongInt c = 0;
            if (!table_->CellAt(x, y, r, c)) return;
            SetText(CellText(r, c), "Picture");
            table_->InvalidateCell(r, c);
            Say("drop on row " + std::to_string(r) + " column " + std::to_string(c));
        };
    }

    // A cell's length-prefixed text: "Column <c>" in the heading row, empty below it.
    TCellText& CellText(LongInt r, LongInt c) {
        auto [it, made] = texts_.try_emplace({r, c});
        if (made) SetText(it->second, r == 0 ? "Column " + std::to_string(c) : std::string());
        return it->second;
    }
    static void SetText(TCellText& cell, const std::string& text) {
        cell[0] = static_cast<char>(text.size());
        std::memcpy(&cell[1], text.data(), text.size());
    }

    void SayPoint(const std::string& name, TControl* control, const TPoint& at) {
        const TPoint p = ScreenToClient(control->ClientToScreen(at));
        Say("point " + name + " " + std::to_string(p.X) + " " + std::to_string(p.Y));
    }
    void SayCell(const std::string& name, LongInt r, LongInt c) {
        const TRect rect = table_->CellRect(r, c);
        SayPoint(name, table_, {(rect.Left + rect.Right) / 2, (rect.Top + rect.Bottom) / 2});
    }

    TVcNotebook* book_ = nullptr;
    TEPImage* picture_ = nullptr;
    TVcTable* table_ = nullptr;
    TVcTCString* text_ = nullptr;
    std::map<std::pair<LongInt, LongInt>, TCellText> texts_;
};

} // namespace

int main() {
    try {
        InitApplication();
        TDragWindow* window = nullptr;
        Application->CreateForm(window);
        window->Show();
        Application->ProcessMessages();
        window->SayPoints();
        Application->Run();
        delete Application;
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "drag window: %s\n", e.what());
        return 1;
    }
}
