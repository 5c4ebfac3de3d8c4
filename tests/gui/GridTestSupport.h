// A grid of 10 x 10 cells of 50 x 20 pixels on a shown form, borderless and without scroll bars,
// with editing on and the focus in the grid, for the grid tests.
#pragma once

#include "GuiTestSupport.h"

#include "platform/gui/Grids.h"

template <typename Grid>
Grid* MakeEditingGrid(TForm*& form) {
    ResetKeyState();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 500, 400);
    auto* grid = new Grid(form);
    grid->SetParent(form);
    grid->SetBorderStyle(bsNone);
    grid->SetScrollBars(ssNone);
    grid->SetBounds(0, 0, 300, 130);
    grid->SetDefaultColWidth(50);
    grid->SetDefaultRowHeight(20);
    grid->SetColCount(10);
    grid->SetRowCount(10);
    grid->SetOptions(grid->Options() + TGridOptions{goEditing});
    form->Show();
    grid->SetFocus();
    return grid;
}
