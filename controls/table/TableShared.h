// What the table control's sources share: the redraw lock (held for a scope, the last one out
// paints what changed) and drawing on the window outside a paint.
#pragma once

#include "controls/table/Table.h"
#include "platform/gui/Graphics.h"
#include "platform/gui/WinUser.h"

#include <exception>

// Holds a redraw lock for a scope; the last one out paints what changed.
class TVcCustomTable::TRedrawLock {
public:
    explicit TRedrawLock(TVcCustomTable& Table)
        : table_(Table), exceptions_(std::uncaught_exceptions()) {
        table_.SetRedrawAllowed(false);
    }
    ~TRedrawLock() noexcept(false) {
        if (std::uncaught_exceptions() == exceptions_) {
            table_.SetRedrawAllowed(true);
            return;
        }
        try {
            table_.SetRedrawAllowed(true);
        } catch (...) { // the first failure is the one that travels on
        }
    }
    TRedrawLock(const TRedrawLock&) = delete;
    TRedrawLock& operator=(const TRedrawLock&) = delete;

private:
    TVcCustomTable& table_;
    int exceptions_;
};

template <typename F>
void TVcCustomTable::DrawOnWindow(F&& Draw) {
    const HWND window = Handle();
    HDC dc = GetDC(window);
    TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.Font()->Assign(Font());
    try {
        Draw(&canvas);
    } catch (...) {
        canvas.SetHandle(nullptr);
        ReleaseDC(window, dc);
        throw;
    }
    canvas.SetHandle(nullptr);
    ReleaseDC(window, dc);
}
