#include "GuiTestSupport.h"

#include "platform/gui/Clipbrd.h"
#include "platform/gui/QtApp.h"

#include <QClipboard>
#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

TEST(ClipboardTest, TextRoundTripsThroughTheSystemClipboard) {
    InitApplication();
    const std::string text = "Caf\xE9 \xA3 12\r\nsecond line";
    Clipboard()->SetAsText(text);
    EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Café £ 12\nsecond line"));
    EXPECT_EQ(Clipboard()->AsText(), text);
    // Text put there by another program, with bare line feeds and a character outside the code
    // page.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("a\nb\u20ACc\u0416"));
    EXPECT_EQ(Clipboard()->AsText(), "a\r\nb\x80"
                                     "c?");
    Clipboard()->Clear();
    EXPECT_EQ(Clipboard()->AsText(), "");
}

TEST(ClipboardTest, EditsCutCopyAndPasteThroughTheClipboard) {
    TMemoryClipboardStore store;
    TTestForm form(nullptr);
    form.Show();
    form.Edit1->SetText("\xE9t\xE9 \xA3");
    form.Edit1->SelectAll();
    form.Edit1->Perform(WM_COPY, 0, 0);
    EXPECT_EQ(store.Text(), "été £");
    form.Edit2->Perform(WM_PASTE, 0, 0);
    EXPECT_EQ(form.Edit2->Text(), "\xE9t\xE9 \xA3");
    // Ctrl+X and Ctrl+V typed in an edit.
    form.Edit2->SetFocus();
    form.Edit2->SelectAll();
    Type(form.Edit2, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(form.Edit2->Text(), "");
    Type(form.Edit2, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form.Edit2->Text(), "\xE9t\xE9 \xA3");
    // A single-line edit takes the first line of pasted text.
    Clipboard()->SetAsText("first\r\nsecond");
    form.Edit1->Clear();
    form.Edit1->PasteFromClipboard();
    EXPECT_EQ(form.Edit1->Text(), "first");
    // A password is never copied.
    form.Edit1->SetPasswordChar('*');
    form.Edit1->SelectAll();
    const int writes = store.Writes;
    form.Edit1->CopyToClipboard();
    EXPECT_EQ(store.Writes, writes);
}

} // namespace

namespace {

TEST(ClipboardTest, CharactersOutsideTheCodePageAndItsGaps) {
    InitApplication();
    // Another program's text: a character beyond the basic plane (one '?', not two), a
    // combining accent, and a NUL that must not cut the rest off.
    QGuiApplication::clipboard()->setText(QString::fromUtf8("1\U0001F600 e\u0301 \u00E9") +
                                          QChar(0) + QString("x"));
    EXPECT_EQ(Clipboard()->AsText(), std::string("1? e? \xE9\0x", 9));
    // The code page's unassigned bytes leave and come back unchanged.
    const std::string gaps = "\x81\x8D\x8F\x90\x9D";
    Clipboard()->SetAsText(gaps);
    EXPECT_EQ(Clipboard()->AsText(), gaps);
}

} // namespace
