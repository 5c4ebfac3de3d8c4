// Test support for the entry fields: a shown form with a controller, known regional settings,
// recorded message boxes and beeps, and real Qt key and mouse input sent to a control's widget.
#pragma once

#include "controls/entry/EntryController.h"
#include "controls/entry/EntryField.h"
#include "controls/entry/RegionalConventions.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/WinUser.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

class EntryFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = intl;
        intl.DecimalSeparator = '.';
        intl.ThousandSeparator = ',';
        intl.CurrencyPrefix = "$";
        intl.CurrencySuffix = "";
        intl.DateSeparator = '/';
        intl.TimeSeparator = ':';
        intl.AmText = "AM";
        intl.PmText = "PM";
        ResetKeyState();
        form = std::make_unique<TForm>(nullptr);
        form->SetName("EntryForm");
        form->SetBounds(10, 10, 500, 400);
        controller = new TVcController(form.get());
        controller->SetName("DefaultController");
        controller->SetEpoch(1950);
        other = Make<TEdit>("Other", 10, 300);
    }
    void TearDown() override {
        form.reset();
        DispatchPostedMessages();
        intl = saved;
    }

    template <typename T>
    T* Make(const std::string& name, int x, int y) {
        T* c = new T(form.get());
        c->SetName(name);
        c->SetParent(form.get());
        c->SetLeft(x);
        c->SetTop(y);
        return c;
    }

    void ShowForm() {
        form->Show();
        Application->ProcessMessages();
    }

    static QWidget* WidgetOf(TWinControl* control) { return control->Impl()->Widget.data(); }

    // Focuses the control and types the text character by character.
    void TypeText(TWinControl* control, const std::string& text) {
        if (!control->Focused()) control->SetFocus();
        QTest::keyClicks(WidgetOf(control), QString::fromLatin1(text.c_str()));
        Application->ProcessMessages();
    }
    void Key(TWinControl* control, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        if (!control->Focused()) control->SetFocus();
        QTest::keyClick(WidgetOf(control), key, mods);
        Application->ProcessMessages();
    }
    // The beeps typing the text into the control makes.
    std::size_t BeepsTyping(TWinControl* control, const std::string& text) {
        services.Beeps.clear();
        TypeText(control, text);
        return services.Beeps.size();
    }
    // Pastes the text into the field as the clipboard command does.
    static void Paste(TVcBaseEntryField* field, std::string text) {
        TMessage paste{WM_PASTE, 0, reinterpret_cast<LPARAM>(&text), 0};
        field->DoCommand(paste, ccPaste);
    }
    // Where the caret stands after each word move: Count moves that way, then Count back.
    std::vector<int> WordStops(TVcBaseEntryField* field, Qt::Key way, Qt::Key back, int count) {
        std::vector<int> stops;
        for (Qt::Key key : {way, back})
            for (int i = 0; i < count; ++i) {
                Key(field, key, Qt::ControlModifier);
                stops.push_back(field->CaretPosition());
            }
        return stops;
    }
    // A press of the left mouse button at x in the field, with the keys held down.
    static void MouseDownAt(TVcBaseEntryField* field, int x, WPARAM keys = 0) {
        TMessage m{WM_LBUTTONDOWN, keys, MakeLParam(x, 5), 0};
        field->DoCommand(m, ccMouseDown);
    }
    // Gives the control the focus and lets the messages that brings run.
    void Focus(TWinControl* control) {
        control->SetFocus();
        Application->ProcessMessages();
    }
    // Moves the focus away with Tab (validation on exit runs) and lets posted messages run.
    void Leave() { Focus(other); }

    TVcIntlSup& intl = VcIntlSup();
    TVcIntlSup saved;
    TRecordedServices services;
    std::unique_ptr<TForm> form;
    TVcController* controller = nullptr;
    TEdit* other = nullptr;
};
