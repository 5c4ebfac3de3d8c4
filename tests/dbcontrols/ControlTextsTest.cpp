#include "dbcontrols/ControlTexts.h"

#include "platform/gui/Buttons.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/TypInfo.h"

#include <gtest/gtest.h>

TEST(DwIntl, DefaultsAndPropertiesByName) {
    TdwIntl intl(nullptr);
    EXPECT_EQ(intl.UserMessages()->PictureValidateError, "Invalid characters. Field : ");
    EXPECT_EQ(intl.LocateDialog()->MatchAnyLabel, "Partial Match &Anywhere");
    EXPECT_EQ(intl.FilterDialog()->MatchAnyLabel, "Partial Match Any&where");
    EXPECT_EQ(intl.RichEdit()->MenuLabels()->SelectallCaption, "Select A&ll");
    EXPECT_EQ(intl.RichEdit()->TabDialog()->ClearAllButtonHint, "Clear all the tabs");
    EXPECT_EQ(intl.BtnOKCaption, "&OK");
    EXPECT_TRUE(intl.OKCancelBitmapped);
    EXPECT_FALSE(intl.Connected());

    TObject* messages = GetObjectProp(&intl, "UserMessages");
    ASSERT_NE(messages, nullptr);
    EXPECT_EQ(GetStrProp(messages, "MemoChangesWarning"),
              "Changes have been made!  Are you sure you wish to cancel?");
    SetStrProp(messages, "LocateNoMatches", "Nichts gefunden");
    EXPECT_EQ(intl.UserMessages()->LocateNoMatches, "Nichts gefunden");
    TObject* popup = GetObjectProp(GetObjectProp(&intl, "RichEdit"), "PopupMenuLabels");
    EXPECT_EQ(GetStrProp(popup, "ParagraphCaption"), "P&aragraph");
    EXPECT_EQ(GetOrdProp(&intl, "CheckBoxInGridStyle"), cbStyleAuto);
}

TEST(DwIntl, VersionInfoIgnoresNewValues) {
    TdwIntl intl(nullptr);
    SetStrProp(&intl, "VersionInfo", "9.9");
    EXPECT_EQ(intl.VersionInfo(), "3.0");
}

TEST(DwIntl, ConnectedCopiesEverythingIntoTheGlobalTable) {
    TdwIntl& global = DwIntl();
    ASSERT_EQ(DwIntlGlobal(), &global);
    const TdwIntl before(nullptr);
    {
        TdwIntl form(nullptr);
        form.UserMessages()->PictureValidateError = "Ungueltige Zeichen. Feld : ";
        form.RichEdit()->ParagraphDialog()->AlignLeft = "Links";
        form.BtnCancelCaption = "Abbrechen";
        form.OKCancelBitmapped = false;
        form.SetCheckBoxInGridStyle(cbStyleXmark);
        EXPECT_EQ(global.CheckBoxInGridStyle(), cbStyleAuto); // not connected yet
        EXPECT_EQ(global.UserMessages()->PictureValidateError,
                  before.UserMessages()->PictureValidateError);
        form.SetConnected(true);
        EXPECT_EQ(global.UserMessages()->PictureValidateError, "Ungueltige Zeichen. Feld : ");
        EXPECT_EQ(global.RichEdit()->ParagraphDialog()->AlignLeft, "Links");
        EXPECT_EQ(global.BtnCancelCaption, "Abbrechen");
        EXPECT_FALSE(global.OKCancelBitmapped);
        EXPECT_EQ(global.CheckBoxInGridStyle(), cbStyleXmark);
        form.SetCheckBoxInGridStyle(cbStyleCheckmark); // passed on while connected
        EXPECT_EQ(global.CheckBoxInGridStyle(), cbStyleCheckmark);
        // The copies are independent: the form's table goes, the global texts stay.
    }
    EXPECT_EQ(global.BtnCancelCaption, "Abbrechen");
    TdwIntl restore(nullptr);
    restore.SetConnected(true);
    EXPECT_EQ(global.UserMessages()->PictureValidateError, "Invalid characters. Field : ");
    EXPECT_TRUE(global.OKCancelBitmapped);
}

TEST(DwIntl, LoadedConnectedComponentCopiesItsTexts) {
    class TLoadedIntl : public TdwIntl {
    public:
        using TdwIntl::TdwIntl;
        void Finish() { Loaded(); }
    };
    TLoadedIntl form(nullptr);
    form.SetConnected(true);
    form.LocateDialog()->BtnNext = "&Weiter";
    form.BeginLoading();
    form.Finish();
    EXPECT_EQ(DwIntl().LocateDialog()->BtnNext, "&Weiter");
    EXPECT_FALSE(form.ComponentState().Contains(csLoading)) << "loading has ended";
    TdwIntl restore(nullptr);
    restore.SetConnected(true);
}

TEST(DwIntl, DialogButtons) {
    InitApplication();
    TForm form(nullptr);
    TButton* ok = dwCreateDialogButton(&form, dwBtnOK);
    EXPECT_TRUE(ok->Is<TBitBtn>());
    EXPECT_EQ(ok->Caption(), "&OK");
    EXPECT_EQ(ok->ModalResult(), mrOk);
    EXPECT_EQ(ok->Width(), 77);
    EXPECT_EQ(ok->Height(), 27);
    EXPECT_EQ(ok->Left(), 0);
    EXPECT_EQ(ok->Top(), 0);
    // The picture sits 2 pixels from the left edge with the caption centred in the room left.
    auto* glyph = static_cast<TBitBtn*>(ok);
    EXPECT_EQ(glyph->Kind(), bkOK);
    EXPECT_EQ(glyph->Layout(), blGlyphLeft);
    EXPECT_EQ(glyph->Margin(), 2);
    EXPECT_EQ(glyph->Spacing(), -1);
    EXPECT_EQ(glyph->NumGlyphs(), 2);
    EXPECT_EQ(glyph->Font()->Height(), -11);
    EXPECT_FALSE(ok->Visible());
    EXPECT_EQ(ok->Owner(), &form);
    EXPECT_EQ(ok->Parent(), &form);
    DwIntl().OKCancelBitmapped = false;
    TButton* cancel = dwCreateDialogButton(&form, dwBtnCancel);
    DwIntl().OKCancelBitmapped = true;
    EXPECT_FALSE(cancel->Is<TBitBtn>());
    EXPECT_EQ(cancel->Caption(), "Cancel");
    EXPECT_EQ(cancel->ModalResult(), mrCancel);
    EXPECT_TRUE(cancel->Cancel());
    EXPECT_EQ(cancel->Height(), 24);
    EXPECT_EQ(cancel->Left(), 0);
    EXPECT_EQ(cancel->Top(), 0);
    EXPECT_EQ(cancel->Width(), 77);
    EXPECT_EQ(dwCreateDialogButton(&form, dwBtnHelp)->Caption(), "Help");
}

TEST(DwIntlDeathTest, FreedGlobalTableLeavesTheDefaultsToReaders) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            DwIntl().UserMessages()->LocateNoMatches = "changed";
            delete DwIntlGlobal();
            const bool gone = DwIntlGlobal() == nullptr;
            const bool defaults = DwIntl().UserMessages()->LocateNoMatches == "No matches found";
            std::exit(gone && defaults ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}
