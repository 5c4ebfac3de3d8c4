// Test support for the table: a shown form with a controller holding a table of string, numeric
// and picture columns whose data lives in the fixture, and real Qt key and mouse input.
#pragma once

#include "../entry/EntryFormSupport.h"
#include "controls/table/HeadingCell.h"
#include "controls/table/NumericCell.h"
#include "controls/table/PictureCell.h"
#include "controls/table/Table.h"
#include "platform/gui/RecordingCanvas.h"

#include <QTest>

#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

class TableFormTest : public EntryFormTest {
protected:
    void SetUp() override {
        EntryFormTest::SetUp();
        table = Make<TVcTable>("Table", 10, 10);
        table->SetBounds(10, 10, 400, 200);
        heading = new TVcTCColHead(form.get());
        heading->SetName("Heading");
        text = new TVcTCString(form.get());
        text->SetName("Text");
        number = new TVcTCNumericField(form.get());
        number->SetName("Number");
        number->SetDataType(nftDouble);
        number->SetPictureMask("###,###.##");
        date = new TVcTCPictureField(form.get());
        date->SetName("Date");
        table->OnGetCellData = [this](TObject*, LongInt r, LongInt c, void*& data,
                                      TVcCellDataPurpose purpose) {
            purposes.push_back(purpose);
            data = DataOf(r, c);
        };
    }
    void TearDown() override {
        table = nullptr;
        EntryFormTest::TearDown();
    }

    // Column 1 text, 2 numbers, 3 dates; the rest text too. Rows of 20 pixels.
    void Configure(LongInt rows = 50, LongInt cols = 6) {
        table->SetColCount(cols);
        table->SetRowLimit(rows);
        table->Rows()->SetDefaultHeight(20);
        for (LongInt c = 0; c < cols; ++c)
            table->Columns()->Items(c)->SetWidth(c == 0 ? 40 : 80);
        table->SetLockedRowsCell(heading);
        for (LongInt c = 1; c < cols; ++c)
            table->Columns()->Items(c)->SetDefaultCell(
                c == 2   ? static_cast<TVcBaseTableCell*>(number)
                : c == 3 ? static_cast<TVcBaseTableCell*>(date)
                         : text);
    }

    void* DataOf(LongInt r, LongInt c) {
        if (r < table->LockedRows()) return nullptr;
        if (c == 2) return &numbers[{r, c}];
        if (c == 3) return &dates[{r, c}];
        auto& s = strings[{r, c}];
        if (s[0] == 0 && !filled[{r, c}]) {
            filled[{r, c}] = true;
            const std::string t = "R" + std::to_string(r) + "C" + std::to_string(c);
            s[0] = static_cast<char>(t.size());
            std::memcpy(&s[1], t.data(), t.size());
        }
        return s.data();
    }
    TVcTableColors& colors() { return *table->Colors(); }
    // The calls of the heading cell of column Col painted into Cell with its resolved attributes
    // (placed by Adjust when given).
    std::vector<TRecordingCanvas::TCall> PaintHeading(LongInt Col, TRect Cell = {0, 0, 60, 30},
                                                      TVcTblAdjust Adjust = otaDefault) {
        TRecordingCanvas canvas(100, 80);
        TVcCellAttributes attr;
        TFont font;
        attr.Font = &font;
        heading->ResolveAttributes(0, Col, attr);
        if (Adjust != otaDefault) attr.Adjust = Adjust;
        heading->Paint(&canvas, Cell, 0, Col, attr, nullptr);
        return canvas.Calls();
    }
    double& NumberAt(LongInt r, LongInt c) { return numbers[{r, c}]; }
    LongInt& DateAt(LongInt r, LongInt c) { return dates[{r, c}]; }
    std::string StringAt(LongInt r, LongInt c) {
        const auto& s = strings[{r, c}];
        return std::string(&s[1], static_cast<unsigned char>(s[0]));
    }

    void Show() {
        ShowForm();
        table->SetFocus();
        Application->ProcessMessages();
        DispatchPostedMessages();
        Application->ProcessMessages();
    }
    void Press(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target =
            QApplication::focusWidget() ? QApplication::focusWidget() : WidgetOf(table);
        QTest::keyClick(target, key, mods);
        Settle();
    }
    void Type(const std::string& chars) {
        for (char ch : chars) {
            QWidget* target =
                QApplication::focusWidget() ? QApplication::focusWidget() : WidgetOf(table);
            QTest::keyClicks(target, QString(QChar(ch)));
            Settle();
        }
    }
    void Settle() {
        for (int i = 0; i < 4; ++i) {
            Application->ProcessMessages();
            DispatchPostedMessages();
        }
    }
    QPoint PointOf(LongInt r, LongInt c) {
        const TRect rect = table->CellRect(r, c);
        const int frame = table->Impl()->FrameWidth();
        return QPoint(rect.Left + 5 + frame, rect.Top + 5 + frame);
    }
    void Click(LongInt r, LongInt c, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::mouseClick(WidgetOf(table), Qt::LeftButton, mods, PointOf(r, c));
        Settle();
    }
    // The left button pressed, the mouse moved and the button let go at points of the table.
    void MouseDown(QPoint at) {
        QTest::mousePress(WidgetOf(table), Qt::LeftButton, Qt::NoModifier, at);
        Settle();
    }
    void MouseMove(QPoint to) {
        QTest::mouseMove(WidgetOf(table), to);
        Settle();
    }
    void MouseUp(QPoint at) {
        QTest::mouseRelease(WidgetOf(table), Qt::LeftButton, Qt::NoModifier, at);
        Settle();
    }
    void Drag(QPoint from, QPoint to) {
        MouseDown(from);
        MouseMove(to);
        MouseUp(to);
    }
    // How many cells the table shows (locked ones included).
    long VisibleCells() {
        return static_cast<long>(table->VisibleRows().size() * table->VisibleCols().size());
    }
    // The state of one of the table's scroll bars (SB_HORZ or SB_VERT).
    SCROLLINFO ScrollInfo(int bar) {
        SCROLLINFO info;
        info.fMask = SIF_ALL;
        GetScrollInfo(table->Handle(), bar, info);
        return info;
    }

    TVcTable* table = nullptr;
    TVcTCColHead* heading = nullptr;
    TVcTCString* text = nullptr;
    TVcTCNumericField* number = nullptr;
    TVcTCPictureField* date = nullptr;
    std::map<std::pair<LongInt, LongInt>, std::array<char, 256>> strings;
    std::map<std::pair<LongInt, LongInt>, bool> filled;
    std::map<std::pair<LongInt, LongInt>, double> numbers;
    std::map<std::pair<LongInt, LongInt>, LongInt> dates;
    std::vector<TVcCellDataPurpose> purposes;
};
