// Shared pieces of the windowing tests: a custom control that records the messages it gets, a
// small form with the usual controls, and helpers that send real Qt input to a control's widget.
#pragma once

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/WinUser.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <string>
#include <vector>

inline QWidget* WidgetOf(TWinControl* control) {
    return control->Impl()->Widget.data();
}

inline std::string NameOfWindow(HWND handle) {
    TWinControl* c = FindControl(handle);
    return c ? c->Name() : "none";
}

// A custom control that logs key, focus, mouse and timer messages as short texts.
class TRecorder : public TCustomControl {
public:
    explicit TRecorder(TComponent* owner) : TCustomControl(owner) {
        SetTabStop(true);
        SetBounds(0, 0, 100, 40);
    }

    std::vector<std::string> Log;
    LRESULT DlgCode = 0;

    void Clear() { Log.clear(); }

protected:
    void WndProc(TMessage& m) override {
        const std::string text = Describe(m);
        if (!text.empty()) Log.push_back(text);
        TCustomControl::WndProc(m);
    }
    void WMGetDlgCode(TWMGetDlgCode& m) override { m.Result = DlgCode; }
    void WMLButtonDown(TWMMouse& m) override {
        if (!Focused() && CanFocus()) SetFocus();
        TCustomControl::WMLButtonDown(m);
    }

private:
    static std::string Hex(WPARAM v) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(v));
        return buf;
    }
    static std::string Describe(const TMessage& m) {
        switch (m.Msg) {
        case WM_KEYDOWN: return "KEYDOWN " + Hex(m.WParam);
        case WM_KEYUP: return "KEYUP " + Hex(m.WParam);
        case WM_CHAR: return "CHAR " + Hex(m.WParam);
        case WM_SYSKEYDOWN: return "SYSKEYDOWN " + Hex(m.WParam);
        case WM_SYSKEYUP: return "SYSKEYUP " + Hex(m.WParam);
        case WM_SYSCHAR: return "SYSCHAR " + Hex(m.WParam);
        case WM_SETFOCUS: return "SETFOCUS from " + NameOfWindow(m.WParam);
        case WM_KILLFOCUS: return "KILLFOCUS to " + NameOfWindow(m.WParam);
        case WM_LBUTTONDOWN:
            return "LBUTTONDOWN " + std::to_string(LoWord(m.LParam)) + "," +
                   std::to_string(HiWord(m.LParam)) + " keys " + Hex(m.WParam);
        case WM_LBUTTONUP:
            return "LBUTTONUP " + std::to_string(LoWord(m.LParam)) + "," +
                   std::to_string(HiWord(m.LParam)) + " keys " + Hex(m.WParam);
        case WM_LBUTTONDBLCLK: return "LBUTTONDBLCLK";
        case WM_RBUTTONDOWN: return "RBUTTONDOWN";
        case WM_RBUTTONUP: return "RBUTTONUP";
        case WM_TIMER: return "TIMER " + std::to_string(m.WParam);
        case CM_ENTER: return "ENTER";
        case CM_EXIT: return "EXIT";
        default: return {};
        }
    }
};

// A form with two edits, a recording custom control, a combo box, a labelled edit and OK and
// Cancel buttons, shown on the (offscreen) screen.
class TTestForm : public TForm {
public:
    explicit TTestForm(TComponent* owner) : TForm(owner) {
        SetName("TestForm");
        SetCaption("Test form");
        SetBounds(10, 10, 400, 300);
        Edit1 = Make<TEdit>("Edit1", 10, 10);
        Custom = Make<TRecorder>("Custom", 10, 40);
        Edit2 = Make<TEdit>("Edit2", 10, 90);
        Combo = Make<TComboBox>("Combo", 10, 120);
        Ok = Make<TButton>("Ok", 200, 240);
        Ok->SetCaption("&OK");
        Ok->SetDefault(true);
        Ok->SetModalResult(mrOk);
        Cancel = Make<TButton>("Cancel", 290, 240);
        Cancel->SetCaption("Cancel");
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        Label = new TLabel(this);
        Label->SetName("Label");
        Label->SetParent(this);
        Label->SetCaption("&Name:");
        Label->SetBounds(200, 90, 60, 16);
        Label->SetFocusControl(Edit2);
        Combo->Items()->Add("Monthly");
        Combo->Items()->Add("Quarterly");
        Combo->Items()->Add("Yearly");
    }

    template <typename T>
    T* Make(const std::string& name, int x, int y) {
        T* c = new T(this);
        c->SetName(name);
        c->SetParent(this);
        c->SetLeft(x);
        c->SetTop(y);
        return c;
    }

    TEdit* Edit1;
    TRecorder* Custom;
    TEdit* Edit2;
    TComboBox* Combo;
    TButton* Ok;
    TButton* Cancel;
    TLabel* Label;
};

// A new control owned by Owner, placed on Parent at (x, y) with the size w x h.
template <typename T>
T* PlaceControl(TComponent* owner, TWinControl* parent, int x, int y, int w, int h) {
    T* c = new T(owner);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
}

inline void Click(TWinControl* control, QPoint pos = QPoint(5, 5)) {
    QTest::mouseClick(WidgetOf(control), Qt::LeftButton, Qt::NoModifier, pos);
}

inline void Type(TWinControl* control, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(WidgetOf(control), key, mods);
}

// A key as the window system reports a character it types: press and release with the text
// (accented letters come as their Latin-1 key or as Qt::Key_unknown).
inline void TypeCharacter(TWinControl* control, int key, const QString& text) {
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease}) {
        QKeyEvent e(type, key, Qt::NoModifier, text);
        QApplication::sendEvent(WidgetOf(control), &e);
    }
}

// A fixture with an empty form of 420 x 320 on the screen and recorded services; Make places a
// new control on it (or on another parent).
class TBlankFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetKeyState();
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 420, 320);
        form->Show();
    }
    void TearDown() override { delete form; }
    template <typename T>
    T* Make(int x, int y, int w, int h, TWinControl* parent = nullptr) {
        return PlaceControl<T>(form, parent ? parent : form, x, y, w, h);
    }
    QImage Picture() { return WidgetOf(form)->grab().toImage(); }
    TRecordedServices services;
    TForm* form = nullptr;
};

// A fixture with the test form on the screen and recorded services.
class TTestFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetKeyState();
        form = new TTestForm(nullptr);
        form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override { delete form; }
    TRecordedServices services;
    TTestForm* form = nullptr;
};
