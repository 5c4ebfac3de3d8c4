// A grid of 10 x 10 cells of 50 x 20 pixels on a shown form, borderless and without scroll bars,
// with the focus in the grid, for the grid tests; an editing grid has editing on as well.
#pragma once

#include "GuiTestSupport.h"

#include "platform/gui/Grids.h"

template <typename Grid>
Grid* MakeGrid(TForm*& form, bool editing = false) {
    ResetKeyState();
    form = new TForm(nullptr);
    form->SetBounds(0, 0, 500, 400);
    auto* grid = PlaceControl<Grid>(form, form, 0, 0, 300, 130);
    grid->SetBorderStyle(bsNone);
    grid->SetScrollBars(ssNone);
    grid->SetDefaultColWidth(50);
    grid->SetDefaultRowHeight(20);
    grid->SetColCount(10);
    grid->SetRowCount(10);
    if (editing) grid->SetOptions(grid->Options() + TGridOptions{goEditing});
    form->Show();
    grid->SetFocus();
    return grid;
}

template <typename Grid>
Grid* MakeEditingGrid(TForm*& form) {
    return MakeGrid<Grid>(form, true);
}
