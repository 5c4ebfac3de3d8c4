// The lease-versus-buy cash-flow table: the engine's yearly results laid out as 61 labelled rows
// of text cells (cell 0 the origination, cell y year y of the analysis), as the advisor's last
// page shows them. Every amount is whole currency units in the regional money format, outflows
// negative. The table is process-wide, like the results it is built from, and is rebuilt by
// every successful run of the engine; cells no rule writes are empty.
#pragma once

#include "advisors/LeaseBuyEngine.h"

#include <array>
#include <string>
#include <vector>

constexpr int CashFlowRowCount = 61;
constexpr int CashFlowCellCount = LeaseBuyYearColumns;
constexpr std::size_t CashFlowLabelSize = 37; // characters at most
constexpr std::size_t CashFlowCellSize = 20;

struct TCashFlowRow {
    std::string Label;
    std::array<std::string, CashFlowCellCount> Cells;
};

extern std::array<TCashFlowRow, CashFlowRowCount> CashFlowReport;

// Empties the table and fills it from data and LeaseBuyResults.
void BuildCashFlowReport(const TLeaseBuyData& data);
// The column headings of the table after a run: " " above the labels, "Origination", "1st Yr.",
// "2" .. Y, then Y + 1 (the column of a final partial year).
std::vector<std::string> CashFlowHeadings(const TLeaseBuyResults& results);
