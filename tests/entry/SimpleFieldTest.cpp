#include "controls/entry/SimpleField.h"

#include "EntryFormSupport.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryWindowMessages.h"
#include "platform/gui/Clipbrd.h"
#include "platform/gui/Menus.h"
#include "platform/gui/RecordingCanvas.h"
#include "platform/rtl/Clock.h"

namespace {

class VcSimpleFieldTest : public EntryFormTest {
protected:
    TVcSimpleField* Field(const std::string& name, TSimpleDataType type = sftString, int y = 10) {
        auto* f = Make<TVcSimpleField>(name, 10, y);
        f->SetDataType(type);
        return f;
    }
    TMemoryClipboardStore clipboard;
};

TEST_F(VcSimpleFieldTest, TypingInInsertAndOverwriteModeWithSelection) {
    TVcSimpleField* f = Field("Name");
    ShowForm();
    TypeText(f, "loan");
    EXPECT_EQ(f->EditString(), "loan");
    EXPECT_EQ(f->CaretPosition(), 4);
    EXPECT_TRUE(f->Modified());
    Key(f, Qt::Key_Home);
    TypeText(f, "A ");
    EXPECT_EQ(f->EditString(), "A loan");
    Key(f, Qt::Key_Insert);
    EXPECT_FALSE(f->InsertMode());
    TypeText(f, "B");
    EXPECT_EQ(f->EditString(), "A Boan");
    Key(f, Qt::Key_Backspace);
    Key(f, Qt::Key_Delete);
    EXPECT_EQ(f->EditString(), "A an");
    Key(f, Qt::Key_End);
    Key(f, Qt::Key_Left, Qt::ShiftModifier);
    Key(f, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(f->SelStart(), 2);
    EXPECT_EQ(f->SelEnd(), 4);
    TypeText(f, "x");
    EXPECT_EQ(f->EditString(), "A x");
    // The insert mode is the form's: a field entered later starts in the controller's mode.
    Leave();
    EXPECT_FALSE(controller->InsertMode());
}

TEST_F(VcSimpleFieldTest, ClipboardCommandsAndUndoOfTheField) {
    TVcSimpleField* f = Field("Memo");
    f->SetMaxLength(12);
    f->SetText("first");
    ShowForm();
    Focus(f);
    EXPECT_EQ(f->SelectionLength(), 5); // AutoSelect on entry
    Key(f, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), "first");
    EXPECT_EQ(f->EditString(), "first");
    Key(f, Qt::Key_End);
    Key(f, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), "firstfirst");
    Key(f, Qt::Key_Left, Qt::ShiftModifier);
    Key(f, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), "firstfirs");
    EXPECT_EQ(Clipboard()->AsText(), "t");
    // Pasting stops at MaxLength; line ends are not pasted.
    Clipboard()->SetAsText("ab\r\ncd");
    Key(f, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), "firstfirsabc");
    // Ctrl+Z brings back the text of the moment of entry, selected.
    Key(f, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), "first");
    EXPECT_EQ(f->SelectionLength(), 5);
    EXPECT_FALSE(f->Modified());
    // Ctrl+C is no character: nothing was typed by the copy above.
    EXPECT_TRUE(services.Beeps.empty());
}

TEST_F(VcSimpleFieldTest, ContextMenuRestoresAndSelectsAll) {
    TVcSimpleField* f = Field("Memo");
    f->SetText("saved");
    ShowForm();
    TypeText(f, "new");
    EXPECT_EQ(f->EditString(), "new");
    std::vector<std::string> captions;
    std::vector<bool> enabled;
    std::string choose = "&Restore";
    TPopupHook previous = SetPopupHook([&](TMenuItem* items, int, int) -> TMenuItem* {
        captions.clear();
        enabled.clear();
        TMenuItem* chosen = nullptr;
        for (int i = 0; i < items->Count(); ++i) {
            captions.push_back(items->Items(i)->Caption());
            enabled.push_back(items->Items(i)->Enabled());
            if (items->Items(i)->Caption() == choose) chosen = items->Items(i);
        }
        return chosen;
    });
    QTest::mouseClick(WidgetOf(f), Qt::RightButton, Qt::NoModifier, QPoint(20, 8));
    Application->ProcessMessages();
    EXPECT_EQ(captions, (std::vector<std::string>{"&Restore", "-", "Cu&t", "&Copy", "&Paste",
                                                  "&Delete", "-", "Select &All"}));
    EXPECT_EQ(enabled, (std::vector<bool>{true, true, false, false, false, false, true, true}));
    EXPECT_EQ(f->EditString(), "saved");
    EXPECT_EQ(f->SelectionLength(), 5);
    choose = "&Delete";
    QTest::mouseClick(WidgetOf(f), Qt::RightButton, Qt::NoModifier, QPoint(20, 8));
    Application->ProcessMessages();
    EXPECT_EQ(f->EditString(), "");
    SetPopupHook(previous);
}

TEST_F(VcSimpleFieldTest, IntegerFieldFiltersAndOverflows) {
    TVcSimpleField* f = Field("Count", sftLongInt);
    EXPECT_EQ(f->MaxLength(), 8);
    EXPECT_EQ(f->PictureMask(), 'i');
    ShowForm();
    TypeText(f, "12a3");
    EXPECT_EQ(f->EditString(), "123");
    EXPECT_EQ(services.Beeps.size(), 1u);
    EXPECT_EQ(f->AsInteger(), 123);
    // A value too long for the field shows as overflow and is not read back as a number.
    f->SetAsInteger(-2147483647 - 1);
    EXPECT_EQ(f->EditString(), "********");
    EXPECT_EQ(f->AsInteger(), 0);
    EXPECT_EQ(f->LastError(), epInvalid);
    f->SetMaxLength(11);
    f->SetAsInteger(-2147483647 - 1);
    EXPECT_EQ(f->AsInteger(), -2147483647 - 1);
    EXPECT_THROW(f->AsDayNumber(), EInvalidDataType);

    TVcSimpleField* small = Field("Small", sftInteger, 40);
    EXPECT_THROW(small->SetAsString("40000"), EEntryFieldError);
    small->SetRangeLo("1");
    small->SetRangeHi("10");
    small->SetAsInteger(11);
    EXPECT_EQ(small->AsInteger(), 0);
    EXPECT_EQ(small->LastError(), epRange);
    EXPECT_THROW(small->SetRangeHi("abc"), EInvalidRangeValue);
    TVcSimpleField* hex = Field("Hex", sftWord, 70);
    hex->SetPictureMask('K');
    hex->SetAsInteger(255);
    EXPECT_EQ(hex->EditString(), "00FF");
    EXPECT_THROW(hex->SetPictureMask('d'), EInvalidPictureMask);
}

TEST_F(VcSimpleFieldTest, RealsShowFixedOrScientific) {
    TVcSimpleField* f = Field("Amount", sftExtended);
    f->SetDecimalPlaces(2);
    ShowForm();
    f->SetAsFloat(1234.5);
    EXPECT_EQ(f->EditString(), "1234.5");
    EXPECT_DOUBLE_EQ(f->AsFloat(), 1234.5);
    f->SetPictureMask('E');
    f->SetAsFloat(1234.5);
    EXPECT_EQ(f->EditString(), "1.23E+3");
    f->SetDecimalPlaces(0);
    f->SetAsFloat(1234.5);
    EXPECT_EQ(f->EditString(), "1.2345E+3");
    EXPECT_DOUBLE_EQ(f->AsFloat(), 1234.5);
    f->SetPictureMask('#');
    f->SetAsFloat(1.5e20);
    EXPECT_EQ(f->EditString(), "1.5E+20");
    // Nine places leave one digit for the mantissa.
    f->SetMaxLength(9);
    f->SetAsFloat(1.5e30);
    EXPECT_EQ(f->EditString(), "2E+30");
    f->SetMaxLength(20);
    TVcSimpleField* single = Field("Single", sftSingle, 40);
    single->SetPictureMask('E');
    single->SetText("5E39");
    EXPECT_EQ(single->AsFloat(), 0.0);
    EXPECT_EQ(single->LastError(), epInvalid);
    // Arrows step the value when asked to.
    single->SetPictureMask('#');
    single->SetArrowIncDec(true);
    single->SetDecimalPlaces(1);
    single->SetAsFloat(2.5);
    Key(single, Qt::Key_Up);
    EXPECT_EQ(single->EditString(), "3.5");
}

TEST_F(VcSimpleFieldTest, OneCharacterKinds) {
    TVcSimpleField* yes = Field("Yes", sftYesNo);
    TVcSimpleField* letter = Field("Letter", sftChar, 40);
    letter->SetPictureMask('A');
    ShowForm();
    TypeText(yes, "x");
    EXPECT_EQ(yes->EditString(), "");
    TypeText(yes, "y");
    EXPECT_EQ(yes->EditString(), "Y");
    EXPECT_TRUE(yes->AsBoolean());
    Key(yes, Qt::Key_Plus);
    EXPECT_EQ(yes->EditString(), "Y"); // "+" is no command of the tables: it is typed and refused
    yes->DecreaseValue(true, 1.0);
    EXPECT_EQ(yes->EditString(), "N");
    EXPECT_FALSE(yes->AsBoolean());
    TypeText(letter, "q");
    EXPECT_EQ(letter->EditString(), "Q");
    const Byte code = 'M';
    letter->SetValue(&code);
    EXPECT_EQ(letter->EditString(), "M");
    Byte back = 0;
    EXPECT_EQ(letter->GetValue(&back), 0);
    EXPECT_EQ(back, 'M');
    const Byte q = 'Q';
    letter->SetValue(&q);
    letter->IncreaseValue(true, 1.0);
    EXPECT_EQ(letter->EditString(), "R");
    EXPECT_THROW(letter->AsBoolean(), EInvalidDataType);
    // Stepping keeps to the range: it wraps when asked, else stops at the end.
    letter->SetRangeLo("P");
    letter->SetRangeHi("S");
    letter->IncreaseValue(false, 1.0);
    letter->IncreaseValue(false, 1.0);
    EXPECT_EQ(letter->EditString(), "S");
    letter->IncreaseValue(true, 1.0);
    EXPECT_EQ(letter->EditString(), "P");
    letter->DecreaseValue(true, 1.0);
    EXPECT_EQ(letter->EditString(), "S");
    // A range holding no character the picture takes leaves the value alone.
    letter->SetRangeLo("0");
    letter->SetRangeHi("9");
    letter->IncreaseValue(true, 1.0);
    EXPECT_EQ(letter->EditString(), "S");
    // A blank Boolean steps to the true letter.
    TVcSimpleField* flag = Field("Flag", sftBoolean, 70);
    flag->IncreaseValue(true, 1.0);
    EXPECT_EQ(flag->EditString(), "T");
    flag->IncreaseValue(true, 1.0);
    EXPECT_EQ(flag->EditString(), "F");
}

TEST_F(VcSimpleFieldTest, LiteralCharacterAfterCtrlP) {
    TVcSimpleField* f = Field("Code");
    controller->EntryCommands()->FindTable("WordStar")->SetIsActive(true);
    ShowForm();
    TypeText(f, "a");
    Key(f, Qt::Key_P, Qt::ControlModifier);
    Key(f, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), std::string("a\x13"));
    EXPECT_EQ(f->DisplayString(), "aS");
    // Ctrl+Q then S is the WordStar line start; neither key is typed.
    Key(f, Qt::Key_Q, Qt::ControlModifier);
    Key(f, Qt::Key_S);
    EXPECT_EQ(f->CaretPosition(), 0);
    EXPECT_EQ(f->EditString(), std::string("a\x13"));
}

TEST_F(VcSimpleFieldTest, ReadOnlyBeepsOnEditsButMovesAndCopies) {
    TVcSimpleField* f = Field("Fixed");
    f->SetText("fixed");
    f->SetReadOnly(true);
    Clipboard()->SetAsText("paste");
    ShowForm();
    Focus(f);
    TypeText(f, "x");
    Key(f, Qt::Key_Backspace);
    Key(f, Qt::Key_Delete);
    Key(f, Qt::Key_V, Qt::ControlModifier);
    Key(f, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(services.Beeps.size(), 5u);
    EXPECT_EQ(f->EditString(), "fixed");
    Key(f, Qt::Key_Home);
    EXPECT_EQ(f->CaretPosition(), 0);
    Key(f, Qt::Key_End, Qt::ShiftModifier);
    Key(f, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(Clipboard()->AsText(), "fixed");
}

TEST_F(VcSimpleFieldTest, SelectionMessages) {
    TVcSimpleField* f = Field("Sel");
    f->SetText("abc");
    ShowForm();
    f->Perform(EM_SETSEL, 0, 0xFFFF);
    DWORD start = 9;
    DWORD end = 9;
    const LRESULT packed =
        f->Perform(EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u); // the text there is, not 255
    EXPECT_EQ(packed, MakeLParam(0, 3));
    f->Perform(EM_SETSEL, 2, 1);
    EXPECT_EQ(f->SelectionLength(), 3);
    f->Perform(EM_SETSEL, 1, 2);
    EXPECT_EQ(f->SelectionLength(), 1);
    f->Perform(EM_SETSEL, 0xFFFF, 0);
    EXPECT_EQ(f->SelectionLength(), 0);
    f->Perform(EM_SETMODIFY, 1);
    EXPECT_EQ(f->Perform(EM_GETMODIFY), 1);
    EXPECT_EQ(f->Perform(VCM_GETDATASIZE), 16);
}

TEST_F(VcSimpleFieldTest, RequiredFieldReportsOnceAndTakesTheFocusBack) {
    TVcSimpleField* first = Field("First");
    first->SetInputRequired(true);
    TVcSimpleField* second = Field("Second", sftInteger, 40);
    second->SetText("x1");
    auto* cancel = Make<TButton>("Cancel", 200, 300);
    controller->SetBtnCancel(cancel);
    ShowForm();
    Focus(first);
    // The Cancel button may take the focus without a report.
    Focus(cancel);
    EXPECT_TRUE(services.MessageBoxes.empty());
    Focus(first);
    Leave();
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "A value is required in this field");
    EXPECT_TRUE(first->Focused());
    EXPECT_EQ(controller->ErrorText(), "A value is required in this field");
    // Typing fixes it; the next invalid field reports in its turn.
    TypeText(first, "ok");
    Focus(second);
    EXPECT_EQ(services.MessageBoxes.size(), 1u);
    Leave();
    ASSERT_EQ(services.MessageBoxes.size(), 2u);
    EXPECT_EQ(services.MessageBoxes[1].Text, "Value is not valid for this field type");
    EXPECT_TRUE(second->Focused());
}

TEST_F(VcSimpleFieldTest, TwoInvalidFieldsGiveOneReport) {
    TVcSimpleField* first = Field("First", sftByte);
    first->SetText("999");
    TVcSimpleField* second = Field("Second", sftByte, 40);
    second->SetText("888");
    ShowForm();
    Focus(first);
    Focus(second);
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "Value is not within required range\n\n0 to 255");
    EXPECT_TRUE(first->Focused());
    EXPECT_FALSE(controller->ErrorPending());
    EXPECT_EQ(second->EditString(), "888");
}

TEST_F(VcSimpleFieldTest, ErrorEventAndSoftValidation) {
    TVcSimpleField* f = Field("Soft", sftByte);
    std::vector<Word> codes;
    f->OnError = [&](TObject*, Word code, const std::string&) { codes.push_back(code); };
    f->SetText("300");
    ShowForm();
    Focus(f);
    Leave();
    EXPECT_EQ(codes, (std::vector<Word>{epRange}));
    EXPECT_TRUE(f->Focused());
    EXPECT_TRUE(services.MessageBoxes.empty());
    f->SetSoftValidation(true);
    Leave();
    EXPECT_TRUE(other->Focused());
    EXPECT_TRUE(f->ErrorShown());
    EXPECT_EQ(f->EditString(), "300");
    EXPECT_FALSE(f->IsValid());
    f->SetAsInteger(200);
    EXPECT_TRUE(f->IsValid());
    EXPECT_FALSE(f->ErrorShown());
}

TEST_F(VcSimpleFieldTest, ProgramValidationUserCommandsAndErrorTexts) {
    TVcSimpleField* f = Field("Rate", sftInteger);
    f->SetText("-5");
    f->OnUserValidation = [&](TObject*, Word& code) {
        if (f->EditString().find('-') == std::string::npos) return;
        controller->SetErrorText("The rate cannot be negative");
        code = epUserFirst + 1;
    };
    std::vector<Word> commands;
    f->OnUserCommand = [&](TObject*, Word command) { commands.push_back(command); };
    controller->EntryCommands()->AddCommandRec("Default", {VK_F9, 0, 0, 0, ccUserFirst + 2});
    std::vector<std::pair<Word, std::string>> errors;
    controller->OnError = [&](TObject*, Word code, const std::string& text) {
        errors.emplace_back(code, text);
    };
    ShowForm();
    // A command of the program's own reaches its handler and edits nothing.
    Focus(f);
    Key(f, Qt::Key_F9);
    EXPECT_EQ(commands, (std::vector<Word>{ccUserFirst + 2}));
    EXPECT_EQ(f->EditString(), "-5");
    // The program's own code reports its text through the controller's handler.
    Leave();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0],
              std::make_pair(Word(epUserFirst + 1), std::string("The rate cannot be negative")));
    EXPECT_TRUE(f->Focused());
    EXPECT_TRUE(services.MessageBoxes.empty());
    // Codes the field does not know have the general text.
    f->Perform(VCM_REPORTERROR, 300);
    EXPECT_EQ(errors.back().second, "Entry Error");
    EXPECT_EQ(controller->ErrorText(), "Entry Error");
    f->Perform(VCM_REPORTERROR, 0);
    EXPECT_EQ(errors.size(), 2u);
    // Hidden or disabled fields pass whatever they hold.
    f->SetEnabled(false);
    EXPECT_TRUE(f->IsValid());
    f->SetEnabled(true);
    EXPECT_FALSE(f->IsValid());
    f->SetVisible(false);
    EXPECT_TRUE(f->IsValid());
}

TEST_F(VcSimpleFieldTest, ZeroDisplayEpochAndLengthLimits) {
    TVcSimpleField* f = Field("Zero", sftLongInt);
    f->SetZeroDisplay(zdHide);
    ShowForm();
    f->SetAsInteger(0);
    EXPECT_EQ(f->DisplayString(), " ");
    Focus(f);
    EXPECT_EQ(f->DisplayString(), "0");
    f->SetEpoch(1500);
    EXPECT_EQ(f->Epoch(), 0);
    EXPECT_EQ(f->EffectiveEpoch(), 1950);
    f->SetEpoch(2000);
    EXPECT_EQ(f->EffectiveEpoch(), 2000);
    controller->SetEpoch(1599);
    controller->SetEpoch(4000);
    EXPECT_EQ(controller->Epoch(), 1950);
    f->SetMaxLength(0);
    f->SetMaxLength(256);
    EXPECT_EQ(f->MaxLength(), 8);
}

TEST_F(VcSimpleFieldTest, AButtonsAltKeyStillWorksFromAField) {
    TVcSimpleField* f = Field("Amount");
    auto* go = Make<TButton>("Go", 200, 300);
    go->SetCaption("&Go");
    int clicks = 0;
    go->OnClick = [&](TObject*) { ++clicks; };
    ShowForm();
    Focus(f);
    Key(f, Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
}

TEST_F(VcSimpleFieldTest, AltBackspaceRestoresAndGoneFieldsAreSkipped) {
    TVcSimpleField* f = Field("Memo");
    f->SetText("kept");
    ShowForm();
    TypeText(f, "changed");
    Key(f, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(f->EditString(), "kept");
    // Notifications posted for a field that is freed before they come up are dropped.
    int edits = 0;
    controller->OnPostEdit = [&](TObject*, TWinControl*) { ++edits; };
    controller->PostEditNotify(f, other->Handle());
    controller->RefocusField(f);
    controller->DelayNotify(f, 7);
    delete f;
    DispatchPostedMessages();
    EXPECT_EQ(edits, 0);
}

TEST_F(VcSimpleFieldTest, PaintingRunsAndScrolling) {
    TVcSimpleField* f = Field("Paint");
    f->SetMaxLength(40);
    ShowForm();
    Focus(f);
    TypeText(f, "ab");
    Key(f, Qt::Key_P, Qt::ControlModifier); // no command of the default table: not typed
    controller->EntryCommands()->FindTable("WordStar")->SetIsActive(true);
    Key(f, Qt::Key_P, Qt::ControlModifier);
    Key(f, Qt::Key_A, Qt::ControlModifier);
    TypeText(f, "cd");
    EXPECT_EQ(f->EditString(), std::string("ab\x01"
                                           "cd"));
    Key(f, Qt::Key_Left, Qt::ShiftModifier);
    TRecordingCanvas canvas(f->ClientWidth(), f->ClientHeight());
    f->PaintTo(&canvas);
    std::vector<std::string> runs;
    std::vector<TColor> colours;
    for (const auto& call : canvas.Calls()) {
        if (call.Name != "TextOut") continue;
        runs.push_back(call.Text);
        colours.push_back(call.FontColor);
    }
    EXPECT_EQ(runs, (std::vector<std::string>{"ab", "A", "c", "d"}));
    EXPECT_EQ(colours, (std::vector<TColor>{clWindowText, clRed, clWindowText, clHighlightText}));
    f->SetControlCharColor(clBlue);
    canvas.ClearCalls();
    f->PaintTo(&canvas);
    colours.clear();
    for (const auto& call : canvas.Calls())
        if (call.Name == "TextOut") colours.push_back(call.FontColor);
    EXPECT_EQ(colours, (std::vector<TColor>{clWindowText, clBlue, clWindowText, clHighlightText}));
    // A long text scrolls so that the caret stays in view, and comes back on Home.
    TypeText(f, std::string(35, 'W'));
    EXPECT_GT(f->FirstVisible(), 0);
    Key(f, Qt::Key_Home);
    EXPECT_EQ(f->FirstVisible(), 0);
    // The insert caret stands one pixel left of the first character.
    const TCaretState caret = CaretState();
    EXPECT_EQ(caret.Owner, f->Handle());
    EXPECT_TRUE(caret.Visible());
    EXPECT_EQ(caret.Pos.X, f->TextMargin() - 2);
    EXPECT_EQ(caret.Width, 2);
}

TEST_F(VcSimpleFieldTest, EnterAndExitNotifications) {
    TVcSimpleField* f = Field("Watched");
    std::vector<std::string> log;
    f->AfterEnter = [&](TObject*) { log.push_back("after enter"); };
    f->AfterExit = [&](TObject*) { log.push_back("after exit"); };
    controller->OnPreEdit = [&](TObject* field, TWinControl* from) {
        log.push_back("pre " + static_cast<TComponent*>(field)->Name() + " from " +
                      (from ? from->Name() : "none"));
    };
    controller->OnPostEdit = [&](TObject* field, TWinControl* to) {
        log.push_back("post " + static_cast<TComponent*>(field)->Name() + " to " +
                      (to ? to->Name() : "none"));
    };
    ShowForm();
    Focus(other);
    Focus(f);
    Leave();
    EXPECT_EQ(log, (std::vector<std::string>{"pre Watched from Other", "after enter", "after exit",
                                             "post Watched to Other"}));
}

TEST(VcControllerEpoch, DefaultCoversToday) {
    TManualClock clock({2026, 12, 7, 9, 0, 0, 0});
    TClockOverride use(clock);
    TVcController controller(nullptr);
    EXPECT_EQ(controller.Epoch(), 1976);
    // Only years of the calendar the fields handle are taken.
    controller.SetEpoch(1599);
    controller.SetEpoch(4000);
    EXPECT_EQ(controller.Epoch(), 1976);
    controller.SetEpoch(1600);
    EXPECT_EQ(controller.Epoch(), 1600);
    controller.SetEpoch(3999);
    EXPECT_EQ(controller.Epoch(), 3999);
}

TEST_F(VcSimpleFieldTest, TextsAreBoundedByTheField) {
    TVcSimpleField* f = Field("Note");
    f->SetMaxLength(10);
    const std::string huge(1000, 'q');
    f->SetText(huge); // before the window exists
    EXPECT_EQ(f->EditString(), std::string(10, 'q'));
    ShowForm();
    f->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("short"));
    EXPECT_EQ(f->EditString(), "short");
    f->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(huge.c_str()));
    EXPECT_EQ(f->EditString(), std::string(10, 'q'));
    // A selection past the text ends at the text.
    f->Perform(EM_SETSEL, 3, 500);
    EXPECT_EQ(f->SelStart(), 3);
    EXPECT_EQ(f->SelEnd(), 10);
    // A full field refuses more typing (with a beep) and keeps what it holds.
    Focus(f);
    Key(f, Qt::Key_End);
    TypeText(f, "zz");
    EXPECT_EQ(f->EditString(), std::string(10, 'q'));
    EXPECT_FALSE(services.Beeps.empty());
    // Pasting into a selection replaces it and stops at MaxLength.
    Clipboard()->SetAsText(huge);
    f->Perform(EM_SETSEL, 2, 4);
    Key(f, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), std::string(10, 'q'));
    // A full field pushes its last characters out while InsertPushes is set, else it drops
    // the rest of the pasted text.
    Clipboard()->SetAsText("XYZXYZXYZ");
    f->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abcdef"));
    f->Perform(EM_SETSEL, 1, 3);
    Key(f, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), "aXYZXYZXYZ");
    f->SetInsertPushes(false);
    f->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abcdef"));
    f->Perform(EM_SETSEL, 1, 3);
    Key(f, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(f->EditString(), "aXYZXYZdef");
}

TEST_F(VcSimpleFieldTest, StepsStopAtTheRangeEnds) {
    TVcSimpleField* small = Field("Small", sftInteger);
    small->SetRangeLo("1");
    small->SetRangeHi("5");
    TVcSimpleField* byte = Field("Byte", sftByte, 40);
    TVcSimpleField* amount = Field("Amount", sftDouble, 70);
    amount->SetRangeHi("10");
    TVcSimpleField* fresh = Field("Fresh", sftInteger, 100);
    ShowForm();
    small->SetAsInteger(4);
    small->IncreaseValue(true, 3);
    EXPECT_EQ(small->EditString(), "5");
    EXPECT_EQ(small->AsInteger(), 5);
    small->SetAsInteger(2);
    small->DecreaseValue(true, 3);
    EXPECT_EQ(small->AsInteger(), 1);
    byte->SetAsInteger(250);
    byte->IncreaseValue(true, 10);
    EXPECT_EQ(byte->AsInteger(), 255);
    // The arrow key steps a real by one and stops at the range end.
    amount->SetArrowIncDec(true);
    amount->SetAsFloat(9.5);
    Key(amount, Qt::Key_Up);
    EXPECT_EQ(amount->EditString(), "10");
    EXPECT_EQ(amount->AsFloat(), 10.0);
    // An integer field steps by the nearest whole number of a fractional step.
    small->SetAsInteger(1);
    small->IncreaseValue(false, 2.6);
    EXPECT_EQ(small->AsInteger(), 4);
    small->DecreaseValue(false, 1.5);
    EXPECT_EQ(small->AsInteger(), 2);
    // An integer field that never held a value holds 0 and steps from there.
    EXPECT_EQ(fresh->AsInteger(), 0);
    EXPECT_EQ(fresh->LastError(), 0);
    fresh->IncreaseValue(true, 1);
    EXPECT_EQ(fresh->AsInteger(), 1);
}

TEST_F(VcSimpleFieldTest, CaretFollowsTheTextTheMouseAndItsShape) {
    TVcSimpleField* f = Field("Caret");
    TVcSimpleField* over = Field("Over", sftString, 40);
    over->SetForceOvertype(true);
    ShowForm();
    f->SetAsString("WWWWWW");
    Focus(f);
    Key(f, Qt::Key_End);
    EXPECT_EQ(f->CaretPosition(), 6);
    // A shorter text brings the caret back to its end.
    f->SetAsString("WW");
    EXPECT_EQ(f->CaretPosition(), 2);

    // A click left of a character's middle puts the caret before it, from the middle on after it.
    f->SetAsString("WWWWWW");
    Key(f, Qt::Key_Home);
    const int left = CaretState().Pos.X + 1; // the insert caret stands a pixel left
    Key(f, Qt::Key_Right);
    const int w = CaretState().Pos.X + 1 - left;
    ASSERT_GE(w, 6);
    const auto click = [&](int x) {
        MouseDownAt(f, x);
        return f->CaretPosition();
    };
    EXPECT_EQ(click(left + w + w / 2 - 1), 1);
    EXPECT_EQ(click(left + w + w / 2), 2);
    EXPECT_EQ(click(left + 5 * w + w / 2), 6);

    // A drawn caret wider than 4 pixels stands one pixel further right and lower.
    auto custom = std::make_shared<TVcCaret>();
    custom->SetShape(csCustom);
    custom->SetCaretWidth(4);
    f->SetCaretIns(custom);
    Key(f, Qt::Key_Home);
    const TPoint narrow = CaretState().Pos;
    EXPECT_EQ(narrow.X, left - 1);
    custom->SetCaretWidth(5);
    Key(f, Qt::Key_End);
    Key(f, Qt::Key_Home);
    EXPECT_EQ(CaretState().Pos.X, narrow.X + 1);
    EXPECT_EQ(CaretState().Pos.Y, narrow.Y + 1);

    // Forced overwriting starts each visit in overwrite mode.
    over->SetAsString("abc");
    Focus(over);
    EXPECT_FALSE(over->InsertMode());
    Key(over, Qt::Key_Home);
    TypeText(over, "x");
    EXPECT_EQ(over->EditString(), "xbc");
}

TEST_F(VcSimpleFieldTest, ValueSettersCheckTheKindAndRoundWholeNumbers) {
    TVcSimpleField* flag = Field("Flag", sftBoolean);
    TVcSimpleField* whole = Field("Whole", sftLongInt, 40);
    TVcSimpleField* text = Field("Text", sftString, 70);
    ShowForm();
    flag->SetAsBoolean(true);
    EXPECT_EQ(flag->EditString(), "T");
    flag->SetAsBoolean(false);
    EXPECT_EQ(flag->EditString(), "F");
    TVcSimpleField* answer = Field("Answer", sftYesNo, 100);
    answer->SetAsBoolean(true);
    EXPECT_EQ(answer->EditString(), "Y");
    answer->SetAsBoolean(false);
    EXPECT_EQ(answer->EditString(), "N");
    EXPECT_THROW(text->SetAsBoolean(true), EInvalidDataType);
    EXPECT_THROW(whole->SetAsBoolean(true), EInvalidDataType);
    whole->SetAsFloat(2.6);
    EXPECT_EQ(whole->AsInteger(), 3);
    whole->SetAsFloat(-2.6);
    EXPECT_EQ(whole->AsInteger(), -3);
    whole->SetAsFloat(2.4);
    EXPECT_EQ(whole->EditString(), "2");
}

TEST_F(VcSimpleFieldTest, AssignCopiesTheTrailingOptionsAndArrowsMoveByOne) {
    TVcSimpleField* model = Field("Model");
    model->SetReadOnly(true);
    model->SetSoftValidation(true);
    model->SetTextMargin(6);
    model->SetZeroDisplay(zdHide);
    TVcSimpleField* copy = Field("Copy", sftString, 40);
    copy->Assign(model);
    EXPECT_TRUE(copy->ReadOnly());
    EXPECT_TRUE(copy->SoftValidation());
    EXPECT_EQ(copy->TextMargin(), 6);
    EXPECT_EQ(copy->ZeroDisplay(), zdHide);
    // A text field has no range to copy, and takes none.
    EXPECT_EQ(copy->RangeHi(), "");
    EXPECT_THROW(copy->SetRangeHi("z"), EInvalidRangeValue);
    TVcSimpleField* flag = Field("Flag", sftBoolean, 100);
    flag->Assign(Field("FlagModel", sftBoolean, 130));
    EXPECT_EQ(flag->DataType(), sftBoolean);

    // Without stepping, Up and Down move the caret a character left and right.
    TVcSimpleField* f = Field("Arrows", sftString, 70);
    ShowForm();
    f->SetAsString("abcdef");
    Focus(f);
    Key(f, Qt::Key_End);
    Key(f, Qt::Key_Up);
    EXPECT_EQ(f->CaretPosition(), 5);
    Key(f, Qt::Key_Up);
    EXPECT_EQ(f->CaretPosition(), 4);
    Key(f, Qt::Key_Down);
    EXPECT_EQ(f->CaretPosition(), 5);
}

TEST_F(VcSimpleFieldTest, HeightFollowsTheFontAndATightFieldDrawsAtItsTop) {
    TVcSimpleField* sized = Field("Sized");
    TVcSimpleField* tight = Field("Tight", sftString, 60);
    tight->SetAutoSize(false);
    tight->SetBorderStyle(bsNone);
    tight->SetHeight(6);
    ShowForm();
    sized->SetAutoSize(true);
    TBitmap measure;
    measure.SetSize(10, 10);
    measure.Canvas()->Font()->Assign(sized->Font());
    const int expected = measure.Canvas()->TextHeight("Wy") +
                         GetSystemMetrics(SM_CYBORDER) * (sized->Ctl3D() ? 8 : 6);
    EXPECT_EQ(sized->Height(), expected);
    sized->SetHeight(expected + 7);
    sized->Font()->SetSize(sized->Font()->Size() + 1);
    sized->SetAutoSize(false);
    sized->SetAutoSize(true);
    EXPECT_NE(sized->Height(), expected + 7);

    // Text too tall for the field starts at its top rather than above it.
    tight->SetAsString("Wy");
    TRecordingCanvas canvas(tight->ClientWidth(), tight->ClientHeight());
    tight->PaintTo(&canvas);
    bool drawn = false;
    for (const auto& call : canvas.Calls())
        if (call.Name == "TextOut") {
            EXPECT_EQ(call.Args[1], 0);
            drawn = true;
        }
    EXPECT_TRUE(drawn);
}

TEST_F(VcSimpleFieldTest, OneCharacterFieldTakesASpaceAndWrapsOverItsCodes) {
    TVcSimpleField* letter = Field("Letter", sftChar);
    ShowForm();
    TypeText(letter, "q");
    TypeText(letter, " ");
    EXPECT_EQ(letter->EditString(), " ");
    // Without a range the codes run from 1 to 255.
    letter->SetFocus();
    const Byte top = 255;
    letter->SetValue(&top);
    letter->IncreaseValue(true, 1.0);
    EXPECT_EQ(letter->EditString(), std::string(1, '\x01'));
    letter->IncreaseValue(true, -1.0);
    EXPECT_EQ(letter->EditString(), std::string(1, '\xFF'));
    // A step gives one character also where more would fit.
    letter->SetMaxLength(3);
    letter->IncreaseValue(true, -1.0);
    EXPECT_EQ(letter->EditString(), std::string(1, '\xFE'));

    // Deleting the line takes the whole text, wherever the caret is.
    TVcSimpleField* text = Field("Text", sftString, 40);
    text->SetAsString("abcdef");
    Focus(text);
    Key(text, Qt::Key_End);
    text->DoCommand(ccDelLine);
    EXPECT_EQ(text->EditString(), "");
}

TEST_F(VcSimpleFieldTest, AFieldIsNamedByItsLabelWithoutMarks) {
    TVcSimpleField* f = Field("Amount");
    auto* label = Make<TLabel>("AmountLabel", 10, 200);
    label->SetCaption("&Loan\r\namount?:");
    label->SetFocusControl(f);
    EXPECT_EQ(FieldCaption(f), "Loanamount");
    EXPECT_EQ(FieldCaption(other), "");
}

TEST_F(VcSimpleFieldTest, ControllerForgetsButtonsThatAreFreed) {
    auto* cancel = Make<TButton>("Cancel", 200, 300);
    auto* help = Make<TButton>("Help", 280, 300);
    auto* restore = Make<TButton>("Restore", 360, 300);
    controller->SetBtnCancel(cancel);
    controller->SetBtnHelp(help);
    controller->SetBtnRestore(restore);
    delete help;
    EXPECT_EQ(controller->BtnCancel(), cancel);
    EXPECT_EQ(controller->BtnHelp(), nullptr);
    EXPECT_EQ(controller->BtnRestore(), restore);
    delete cancel;
    EXPECT_EQ(controller->BtnCancel(), nullptr);
    EXPECT_EQ(controller->BtnRestore(), restore);
    delete restore;
    EXPECT_EQ(controller->BtnRestore(), nullptr);
}

TEST_F(VcSimpleFieldTest, WordMovesAndTheOneCharacterEditor) {
    TVcSimpleField* f = Field("Words");
    TVcSimpleField* flag = Field("Flag", sftBoolean, 40);
    ShowForm();
    f->SetAsString("one two  three");
    f->SetFocus();
    Key(f, Qt::Key_End);
    EXPECT_EQ(WordStops(f, Qt::Key_Left, Qt::Key_Right, 3), (std::vector<int>{9, 4, 0, 4, 9, 14}));

    // The one character: deleted to a blank, pasted from the first character it takes.
    TypeText(flag, "t");
    EXPECT_EQ(flag->EditString(), "T");
    Key(flag, Qt::Key_Backspace);
    EXPECT_EQ(flag->EditString(), " ");
    Paste(flag, "xf");
    EXPECT_EQ(flag->EditString(), "F");
}

} // namespace
