// The text-heavy report the printing benchmarks share, as users print it: pages of 60 ledger
// rows in six tab columns — right-justified numbers and amounts, left-justified dates and
// descriptions of several words — in five faces and styles (Arial, Arial bold, Arial italic,
// Times New Roman italic, Courier New), the face changing from cell to cell.
#pragma once

#include "report/RptBase.h"

#include <array>
#include <cstdio>
#include <string>

constexpr int LedgerLinesPerPage = 60;
constexpr double LedgerMargin = 0.5;   // inches: the left and top margins
constexpr double LedgerPoints = 8.0;   // every face's size
constexpr double LedgerCellMargin = 4; // hundredths of an inch inside each column's edges

struct TLedgerColumn {
    double Left;  // inches from the sheet's left edge
    double Width; // inches
    Byte Justify; // pjLeft or pjRight
    const char* Face;
    bool Bold;
    bool Italic;
};

inline constexpr std::array<TLedgerColumn, 6> LedgerColumns = {{
    {0.5, 0.5, pjRight, "Arial", false, false},
    {1.0, 1.0, pjLeft, "Times New Roman", false, true},
    {2.0, 2.6, pjLeft, "Arial", false, false},
    {4.6, 1.0, pjRight, "Arial", true, false},
    {5.6, 1.1, pjRight, "Courier New", false, false},
    {6.7, 1.3, pjRight, "Arial", false, true},
}};

// The six cells of row Row (from 0).
inline std::array<std::string, 6> LedgerCells(int Row) {
    static const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    static const char* const Payees[] = {"First Federal Savings", "City Water and Power",
                                         "Lakeside Home Insurance", "County Property Tax"};
    char date[32], description[64], payment[32], interest[32], balance[32];
    std::snprintf(date, sizeof date, "%s %d, %d", Months[Row % 12], Row % 28 + 1, 2027 + Row / 12);
    std::snprintf(description, sizeof description, "Payment %d of 360 to %s", Row % 360 + 1,
                  Payees[Row % 4]);
    std::snprintf(payment, sizeof payment, "%d,%03d.%02d", 1 + Row % 9, Row % 1000, Row % 100);
    std::snprintf(interest, sizeof interest, "%d.%02d", 100 + Row % 900, (Row * 7) % 100);
    std::snprintf(balance, sizeof balance, "%d,%03d.%02d", 245 - Row % 200, (Row * 13) % 1000,
                  (Row * 3) % 100);
    return {std::to_string(Row + 1), date, description, payment, interest, balance};
}

// Prints Rows rows through the report, LedgerLinesPerPage a page.
inline void PrintLedger(TBaseReport& Report, int Rows) {
    Report.ClearTabs();
    for (const TLedgerColumn& column : LedgerColumns)
        Report.SetTab(column.Left, column.Justify, column.Width, LedgerCellMargin, BOXLINENONE, 0);
    for (int row = 0; row < Rows; ++row) {
        if (row > 0 && row % LedgerLinesPerPage == 0) Report.NewPage();
        const std::array<std::string, 6> cells = LedgerCells(row);
        for (std::size_t c = 0; c < cells.size(); ++c) {
            const TLedgerColumn& column = LedgerColumns[c];
            Report.SetFont(column.Face, LedgerPoints);
            if (column.Bold) Report.SetBold(true);
            if (column.Italic) Report.SetItalic(true);
            Report.Print("\t" + cells[c]);
        }
        Report.NewLine();
    }
}

// Sets the report up as the benchmarks print it.
inline void SetUpLedger(TBaseReport& Report, const std::string& Output) {
    Report.SetTitle("Ledger");
    Report.SetOutputFileName(Output);
    Report.SetMarginTop(LedgerMargin);
    Report.SetMarginLeft(LedgerMargin);
}
