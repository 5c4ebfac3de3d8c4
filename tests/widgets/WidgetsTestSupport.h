// Shared pieces of the toolbar and dialog tests: real Qt mouse input sent to a control's window
// at client or screen positions, pixels of a window, the settings a test's toolbar saves
// cleaned, and a dialog run with the test acting on its shown form.
#pragma once

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Registry.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <QWindow>
#include <gtest/gtest.h>

#include <functional>
#include <string>

inline QWidget* WidgetOf(TWinControl* control) {
    return control->Impl()->Widget.data();
}

// Sends a mouse event to the control's window at a screen position.
inline void SendMouse(TWinControl* control, QEvent::Type type, const TPoint& screen,
                      Qt::MouseButton button, Qt::MouseButtons buttons) {
    QWidget* w = WidgetOf(control);
    ASSERT_NE(w, nullptr);
    const QPointF global(screen.X, screen.Y);
    const QPointF local = w->mapFromGlobal(global);
    QMouseEvent event(type, local, global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline TPoint ScreenOf(TControl* control, int x, int y) {
    return control->ClientToScreen({x, y});
}

inline void PressAt(TWinControl* c, const TPoint& screen) {
    SendMouse(c, QEvent::MouseButtonPress, screen, Qt::LeftButton, Qt::LeftButton);
}
inline void MoveTo(TWinControl* c, const TPoint& screen, bool pressed = true) {
    SendMouse(c, QEvent::MouseMove, screen, Qt::NoButton,
              pressed ? Qt::MouseButtons(Qt::LeftButton) : Qt::MouseButtons());
}
inline void ReleaseAt(TWinControl* c, const TPoint& screen) {
    SendMouse(c, QEvent::MouseButtonRelease, screen, Qt::LeftButton, Qt::NoButton);
}

// The window's client area as drawn now.
inline QImage PictureOf(TWinControl* control) {
    Application->ProcessMessages();
    return WidgetOf(control)->grab().toImage();
}

inline void ForgetSavedBars(const std::string& saveFile) {
    TRegistry registry;
    registry.DeleteKey("\\" + saveFile);
}

// Runs Dialog (its Execute given Args) with Act called on the shown form of type F.
template <typename F, typename D, typename... Args>
void WithForm(D& Dialog, const std::function<void(F*)>& Act, Args... ExecuteArgs) {
    bool seen = false;
    const TModalHook old = SetModalHook([&](TCustomForm* form) {
        auto* f = dynamic_cast<F*>(form);
        ASSERT_NE(f, nullptr);
        seen = true;
        Act(f);
    });
    Dialog.Execute(ExecuteArgs...);
    SetModalHook(old);
    EXPECT_TRUE(seen);
}
