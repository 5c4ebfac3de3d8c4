// Mouse input at screen positions through the window a control stands in, as the window system
// delivers it: the window, not a widget, gets each event, and Qt hands it to the widget under
// the mouse or to the one holding the button down.
#pragma once

#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"

#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

inline void WindowMouse(TWinControl* control, QEvent::Type type, const TPoint& screen) {
    QWindow* window = control->Impl()->Widget->window()->windowHandle();
    ASSERT_NE(window, nullptr);
    const QPoint local = window->mapFromGlobal(QPoint(screen.X, screen.Y));
    switch (type) {
    case QEvent::MouseButtonPress: QTest::mousePress(window, Qt::LeftButton, {}, local); break;
    case QEvent::MouseMove: QTest::mouseMove(window, local); break;
    default: QTest::mouseRelease(window, Qt::LeftButton, {}, local); break;
    }
}

// The left button at a client point of a control in the window: down, moved there, up.
inline void PressOn(TWinControl* window, const TControl* c, int x, int y) {
    WindowMouse(window, QEvent::MouseButtonPress, c->ClientToScreen({x, y}));
}
inline void MoveOver(TWinControl* window, const TControl* c, int x, int y) {
    WindowMouse(window, QEvent::MouseMove, c->ClientToScreen({x, y}));
}
inline void ReleaseOn(TWinControl* window, const TControl* c, int x, int y) {
    WindowMouse(window, QEvent::MouseButtonRelease, c->ClientToScreen({x, y}));
}
