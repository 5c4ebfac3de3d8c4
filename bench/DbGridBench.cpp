// The data-aware grid over a table of 2,000 loans showing 30 rows: stepping down one record at
// the bottom row (the dataset scrolls by one, the grid moves the rows' pixels and draws the one
// row that came into view) against, as the peer in the same run, the same grid repainting its
// whole page. "step_over_page" is the ratio of the two times; "rows_per_step" counts the rows
// the grid drew per step. Run with QT_QPA_PLATFORM=offscreen.
#include "bench/BenchFolder.h"
#include "db/DBTables.h"
#include "dbcontrols/DataSetParts.h"
#include "dbcontrols/GridCore.h"
#include "platform/gui/Forms.h"
#include "xbase/Xbase.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kRecords = 2000;
constexpr int kVisibleRows = 30;

// Counts the rows it draws (one count per row, from its first column).
class TCountingGrid : public TdwCustomDBGrid {
public:
    using TdwCustomDBGrid::TdwCustomDBGrid;
    long Rows = 0;

protected:
    void DrawCell(int ACol, int ARow, const TRect& ARect, TGridDrawState AState) override {
        if (ACol == 0) ++Rows;
        TdwCustomDBGrid::DrawCell(ACol, ARow, ARect, AState);
    }
};

// A temporary folder with LOANS.DBF, a shown form and the grid on the table.
class TLoansGrid {
public:
    TLoansGrid() {
        MakeTable();
        InitApplication();
        table_ = std::make_unique<TdwTable>(nullptr);
        table_->SetDatabaseName(folder_.Dir() + "/");
        table_->SetTableName("LOANS.DBF");
        table_->Open();
        source_.SetDataSet(table_.get());
        form_ = std::make_unique<TForm>(nullptr);
        form_->SetBounds(0, 0, 700, 700);
        Grid = new TCountingGrid(form_.get());
        Grid->SetParent(form_.get());
        Grid->SetBorderStyle(bsNone);
        Grid->SetBounds(0, 0, 600, 100);
        Grid->SetDataSource(&source_);
        // The client area holds the title and exactly kVisibleRows rows.
        const int pitch = Grid->DefaultRowHeight() + Grid->GridLineWidth();
        Grid->SetBounds(0, 0, 600,
                        Grid->RowHeights(0) + Grid->GridLineWidth() + kVisibleRows * pitch +
                            (Grid->Height() - Grid->ClientHeight()));
        form_->Show();
        Application->ProcessMessages();
    }
    ~TLoansGrid() {
        form_.reset();
        table_.reset();
        DoneDBTables();
    }

    // One record down; from the last record back to the first row's record.
    void Step() {
        if (table_->Eof() || table_->RecNo() >= kRecords) {
            table_->First();
            table_->MoveBy(Grid->VisibleRowCount() - 1);
        } else {
            table_->Next();
        }
    }
    void StandAtTheBottomRow() {
        table_->First();
        table_->MoveBy(Grid->VisibleRowCount() - 1);
        Application->ProcessMessages();
    }

    TCountingGrid* Grid = nullptr;

private:
    void MakeTable() {
        const std::string path = folder_.Path("LOANS.DBF");
        xb_Create(path,
                  {{"NAME", 'C', 20, 0, 0}, {"AMOUNT", 'N', 12, 2, 0}, {"WHEN", 'D', 8, 0, 0}},
                  xbCDX);
        xb_Use(path, "MAKE", xbModeExclusive, xbCDX);
        for (int i = 0; i < kRecords; ++i) {
            xb_AppendEx();
            xb_Replace(1, xbReplaceText, "LOAN " + std::to_string(i + 1));
            xb_Replace(2, xbReplaceDouble, 1000.0 + i);
            xb_Commit();
        }
        xb_Close();
    }

    TBenchFolder folder_{"gridbench"};
    std::unique_ptr<TdwTable> table_;
    TDataSource source_{nullptr};
    std::unique_ptr<TForm> form_;
};

// Each iteration steps one record down at the bottom row and, as the peer, repaints the whole
// page; the counters give both times and their ratio.
void BM_StepAgainstPage(benchmark::State& state) {
    TLoansGrid g;
    g.StandAtTheBottomRow();
    using Clock = std::chrono::steady_clock;
    Clock::duration stepTime{};
    Clock::duration pageTime{};
    long stepRows = 0;
    for (auto _ : state) {
        const long before = g.Grid->Rows;
        const auto t0 = Clock::now();
        g.Step();
        const auto t1 = Clock::now();
        stepRows += g.Grid->Rows - before;
        g.Grid->Repaint();
        const auto t2 = Clock::now();
        stepTime += t1 - t0;
        pageTime += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double stepMs = std::chrono::duration<double, std::milli>(stepTime).count() / n;
    const double pageMs = std::chrono::duration<double, std::milli>(pageTime).count() / n;
    state.counters["step_ms"] = stepMs;
    state.counters["page_ms"] = pageMs;
    state.counters["step_over_page"] = pageMs > 0 ? stepMs / pageMs : 0;
    state.counters["rows_per_step"] = static_cast<double>(stepRows) / n;
}
BENCHMARK(BM_StepAgainstPage)->Unit(benchmark::kMillisecond);

} // namespace
