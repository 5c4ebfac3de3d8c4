// The table control showing an amortization schedule: 1,561 rows of 6 columns (a locked heading
// row, the payment number, two money columns through numeric cells, a date column through a
// picture cell and a text column). Measured: painting a full page, scrolling one row and one
// page at a time (each reports the cells painted per step), and, as the peer in the same run,
// the layer's own string grid repainting a page of the same size; "table_over_grid" is the
// ratio of the two page times. Run with QT_QPA_PLATFORM=offscreen.
#include "controls/entry/DayNumberDates.h"
#include "controls/entry/EntryController.h"
#include "controls/table/HeadingCell.h"
#include "controls/table/NumericCell.h"
#include "controls/table/PictureCell.h"
#include "controls/table/Table.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Grids.h"
#include "platform/gui/WinUser.h"

#include <benchmark/benchmark.h>

#include <array>
#include <chrono>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr LongInt kRows = 1561;
constexpr LongInt kCols = 6;
constexpr int kRowHeight = 20;
constexpr int kVisibleRows = 24; // the client area holds exactly this many rows

std::string Label(LongInt r, LongInt c) {
    return "R" + std::to_string(r) + "C" + std::to_string(c);
}

// A shown form with the schedule table; the cell data is kept per row.
class TSchedule {
public:
    TSchedule() : form(std::make_unique<TForm>(nullptr)) {
        form->SetName("ScheduleForm");
        form->SetBounds(0, 0, 600, 600);
        new TVcController(form.get());
        table = new TVcTable(form.get());
        table->SetParent(form.get());
        table->SetBorderStyle(bsNone);
        heading = new TVcTCColHead(form.get());
        text = new TVcTCString(form.get());
        money = new TVcTCNumericField(form.get());
        money->SetDataType(nftDouble);
        money->SetPictureMask("###,###,###.##");
        date = new TVcTCPictureField(form.get());
        date->SetDataType(pftDate);
        date->SetPictureMask("mm/dd/YY");
        table->SetColCount(kCols);
        table->SetRowLimit(kRows);
        table->SetLockedCols(0);
        table->Rows()->SetDefaultHeight(kRowHeight);
        table->SetLockedRowsCell(heading);
        for (LongInt c = 0; c < kCols; ++c) {
            table->Columns()->Items(c)->SetWidth(90);
            TVcBaseTableCell* cell = c == 2 || c == 3 ? static_cast<TVcBaseTableCell*>(money)
                                     : c == 1         ? static_cast<TVcBaseTableCell*>(date)
                                                      : text;
            table->Columns()->Items(c)->SetDefaultCell(cell);
        }
        strings.resize(static_cast<std::size_t>(kRows * kCols));
        amounts.resize(static_cast<std::size_t>(kRows * kCols));
        dates.resize(static_cast<std::size_t>(kRows));
        for (LongInt r = 0; r < kRows; ++r) {
            dates[static_cast<std::size_t>(r)] = DMYToDate(
                1, static_cast<int>(r % 12 + 1), 1990 + static_cast<int>(r / 12) % 60, 1950);
            for (LongInt c = 0; c < kCols; ++c) {
                const std::string s = Label(r, c);
                auto& slot = strings[static_cast<std::size_t>(r * kCols + c)];
                slot[0] = static_cast<char>(s.size());
                std::memcpy(&slot[1], s.data(), s.size());
                amounts[static_cast<std::size_t>(r * kCols + c)] = 1000.0 + r * 3.25;
            }
        }
        table->OnGetCellData = [this](TObject*, LongInt r, LongInt c, void*& data,
                                      TVcCellDataPurpose) {
            if (r == 0) return;
            const auto i = static_cast<std::size_t>(r * kCols + c);
            data = c == 1             ? static_cast<void*>(&dates[static_cast<std::size_t>(r)])
                   : c == 2 || c == 3 ? static_cast<void*>(&amounts[i])
                                      : static_cast<void*>(strings[i].data());
        };
        table->SetBounds(0, 0, static_cast<int>(kCols * 90), kVisibleRows * kRowHeight);
        form->Show();
        Application->ProcessMessages();
        // No scroll bar takes room from the page: the bars are left out.
        table->SetScrollBars(ssNone);
        Application->ProcessMessages();
        DispatchPostedMessages();
    }

    std::unique_ptr<TForm> form;
    TVcTable* table = nullptr;
    TVcTCColHead* heading = nullptr;
    TVcTCString* text = nullptr;
    TVcTCNumericField* money = nullptr;
    TVcTCPictureField* date = nullptr;
    std::vector<std::array<char, 32>> strings;
    std::vector<double> amounts;
    std::vector<TDayNumber> dates;
};

void BM_TablePaintPage(benchmark::State& state) {
    TSchedule s;
    s.table->ResetCellsPainted();
    for (auto _ : state)
        s.table->InvalidateTable(); // paints every visible cell at once
    const double perPage =
        static_cast<double>(s.table->CellsPainted()) / static_cast<double>(state.iterations());
    state.counters["cells_per_page"] = perPage;
}
BENCHMARK(BM_TablePaintPage)->Unit(benchmark::kMillisecond);

void BM_TableScrollOneRow(benchmark::State& state) {
    TSchedule s;
    s.table->ResetCellsPainted();
    LongInt steps = 0;
    for (auto _ : state) {
        const LongInt next = s.table->TopRow() + 1;
        s.table->SetTopRow(next > s.table->LastTopRow() ? 1 : next);
        ++steps;
    }
    state.counters["cells_per_step"] =
        static_cast<double>(s.table->CellsPainted()) / static_cast<double>(steps);
}
BENCHMARK(BM_TableScrollOneRow)->Unit(benchmark::kMicrosecond);

void BM_TableScrollOnePage(benchmark::State& state) {
    TSchedule s;
    s.table->ResetCellsPainted();
    LongInt steps = 0;
    for (auto _ : state) {
        if (s.table->TopRow() >= s.table->LastTopRow())
            s.table->SetTopRow(1);
        else
            s.table->ScrollBy(ccNextPage);
        ++steps;
    }
    state.counters["cells_per_step"] =
        static_cast<double>(s.table->CellsPainted()) / static_cast<double>(steps);
}
BENCHMARK(BM_TableScrollOnePage)->Unit(benchmark::kMillisecond);

// The layer's string grid showing the same page of text.
class TGridPage {
public:
    TGridPage() : form(std::make_unique<TForm>(nullptr)) {
        form->SetBounds(0, 0, 600, 600);
        grid = new TStringGrid(form.get());
        grid->SetParent(form.get());
        grid->SetColCount(kCols);
        grid->SetRowCount(kRows);
        grid->SetDefaultColWidth(90);
        grid->SetDefaultRowHeight(kRowHeight);
        for (int r = 0; r < kVisibleRows + 1; ++r)
            for (int c = 0; c < kCols; ++c)
                grid->SetCells(c, r, Label(r, c));
        grid->SetBounds(0, 0, static_cast<int>(kCols * 90), kVisibleRows * kRowHeight);
        form->Show();
        Application->ProcessMessages();
    }
    std::unique_ptr<TForm> form;
    TStringGrid* grid = nullptr;
};

// The peer in the same run: each iteration repaints the table's window and the grid's window
// (a full paint each); the counters give both page times and their ratio.
void BM_PageAgainstGrid(benchmark::State& state) {
    TSchedule s;
    TGridPage g;
    using Clock = std::chrono::steady_clock;
    Clock::duration tableTime{};
    Clock::duration gridTime{};
    for (auto _ : state) {
        const auto t0 = Clock::now();
        s.table->Repaint();
        const auto t1 = Clock::now();
        g.grid->Repaint();
        const auto t2 = Clock::now();
        tableTime += t1 - t0;
        gridTime += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double tableMs = std::chrono::duration<double, std::milli>(tableTime).count() / n;
    const double gridMs = std::chrono::duration<double, std::milli>(gridTime).count() / n;
    state.counters["table_ms"] = tableMs;
    state.counters["grid_ms"] = gridMs;
    state.counters["table_over_grid"] = gridMs > 0 ? tableMs / gridMs : 0;
}
BENCHMARK(BM_PageAgainstGrid)->Unit(benchmark::kMillisecond);

} // namespace
