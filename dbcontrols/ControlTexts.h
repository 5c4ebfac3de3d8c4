// The table of user-visible texts of the data-aware controls: every message, dialog caption,
// label, hint and menu caption they show, as published string properties of one component,
// TdwIntl, in nine groups. One global instance is the table every control reads (DwIntl); a
// TdwIntl that a form holds with Connected set copies its texts and options into the global
// instance, so a form can replace the texts of the whole family without code.
//
// Readers never see a missing table: DwIntl makes the global instance on first use (owned by
// the application) and, once it has been freed, answers with a table of the default texts.
// The unit also makes the OK, Cancel and Help buttons of the family's dialogs.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/rtl/Classes.h"

#include <memory>
#include <string>

class TButton;
class TForm;

// A group of texts; each text is a published string property whose default the group's
// constructor sets.
class TdwIntlGroup : public TPersistent {
    VANTREL_CLASS(TdwIntlGroup, TPersistent)
};

// Main menu captions of the rich-text editor.
class TdwRichEditMenuLabels : public TdwIntlGroup {
    VANTREL_CLASS(TdwRichEditMenuLabels, TdwIntlGroup)

    TdwRichEditMenuLabels();
    void Assign(TPersistent* Source) override;

    std::string FileCaption;
    std::string LoadCaption;
    std::string SaveAsCaption;
    std::string SaveExitCaption;
    std::string PrintCaption;
    std::string PageSetupCaption;
    std::string ExitCaption;
    std::string EditCaption;
    std::string UndoCaption;
    std::string CutCaption;
    std::string CopyCaption;
    std::string PasteCaption;
    std::string ClearCaption;
    std::string SelectallCaption;
    std::string FindCaption;
    std::string FindNextCaption;
    std::string ReplaceCaption;
    std::string ViewCaption;
    std::string ToolbarCaption;
    std::string FormatBarCaption;
    std::string ViewStatusBarCaption;
    std::string OptionsCaption;
    std::string FormatCaption;
    std::string FontCaption;
    std::string BulletStyleCaption;
    std::string ParagraphCaption;
    std::string TabsCaption;
    std::string HelpCaption;
};

// Pop-up menu captions of the rich-text editor.
class TdwRichEditPopupMenuLabels : public TdwIntlGroup {
    VANTREL_CLASS(TdwRichEditPopupMenuLabels, TdwIntlGroup)

    TdwRichEditPopupMenuLabels();
    void Assign(TPersistent* Source) override;

    std::string EditCaption;
    std::string CutCaption;
    std::string CopyCaption;
    std::string PasteCaption;
    std::string FontCaption;
    std::string BulletStyleCaption;
    std::string BoldCaption;
    std::string ItalicCaption;
    std::string UnderlineCaption;
    std::string ParagraphCaption;
    std::string TabsCaption;
    std::string FindCaption;
    std::string ReplaceCaption;
};

// Texts of the rich-text editor's paragraph dialog.
class TdwRichEditParagraphDlg : public TdwIntlGroup {
    VANTREL_CLASS(TdwRichEditParagraphDlg, TdwIntlGroup)

    TdwRichEditParagraphDlg();
    void Assign(TPersistent* Source) override;

    std::string ParagraphDlgCaption;
    std::string IndentationGroupBoxCaption;
    std::string LeftEditHint;
    std::string RightEditHint;
    std::string FirstLineEditHint;
    std::string AlignmentHint;
    std::string LeftEditCaption;
    std::string RightEditCaption;
    std::string FirstLineEditCaption;
    std::string AlignmentCaption;
    std::string AlignLeft;
    std::string AlignRight;
    std::string AlignCenter;
};

// Texts of the rich-text editor's tab dialog.
class TdwRichEditTabDlg : public TdwIntlGroup {
    VANTREL_CLASS(TdwRichEditTabDlg, TdwIntlGroup)

    TdwRichEditTabDlg();
    void Assign(TPersistent* Source) override;

    std::string TabDlgCaption;
    std::string TabGroupBoxCaption;
    std::string SetTabButtonCaption;
    std::string ClearTabButtonCaption;
    std::string ClearAllButtonCaption;
    std::string TabPositionEditHint;
    std::string ListBoxHint;
    std::string SetButtonHint;
    std::string ClearButtonHint;
    std::string ClearAllButtonHint;
};

// Messages the controls show.
class TdwUserMessagesIntl : public TdwIntlGroup {
    VANTREL_CLASS(TdwUserMessagesIntl, TdwIntlGroup)

    TdwUserMessagesIntl();
    void Assign(TPersistent* Source) override;

    std::string dwDBGridDiscardChanges;
    std::string PictureValidateError;
    std::string LocateNoMatches;
    std::string LocateNoMoreMatches;
    std::string MemoChangesWarning;
    std::string RichEditExitWarning;
    std::string RichEditClearWarning;
    std::string FilterDlgNoCriteria;
    std::string RecordViewExitWarning;
};

// Texts of the incremental-search dialog.
class TdwSearchDialogIntl : public TdwIntlGroup {
    VANTREL_CLASS(TdwSearchDialogIntl, TdwIntlGroup)

    TdwSearchDialogIntl();
    void Assign(TPersistent* Source) override;

    std::string SearchCharLabel;
    std::string SearchCharShortLabel;
    std::string SearchByLabel;
    std::string StatusRecLabel;
    std::string StatusOfLabel;
    std::string SearchCharHint;
    std::string SearchByHint;
};

// Texts of the locate dialog.
class TdwLocateDialogIntl : public TdwIntlGroup {
    VANTREL_CLASS(TdwLocateDialogIntl, TdwIntlGroup)

    TdwLocateDialogIntl();
    void Assign(TPersistent* Source) override;

    std::string FieldValueLabel;
    std::string SearchTypeLabel;
    std::string CaseSensitiveLabel;
    std::string MatchExactLabel;
    std::string MatchStartLabel;
    std::string MatchAnyLabel;
    std::string FieldsLabel;
    std::string BtnFirst;
    std::string BtnNext;
    std::string BtnCancel;
    std::string FieldValueHint;
    std::string CaseSensitiveHint;
    std::string MatchExactHint;
    std::string MatchStartHint;
    std::string MatchAnyHint;
    std::string BtnFirstHint;
    std::string BtnNextHint;
    std::string FieldNameHint;
};

// Texts of the filter dialog.
class TdwFilterDialogIntl : public TdwIntlGroup {
    VANTREL_CLASS(TdwFilterDialogIntl, TdwIntlGroup)

    TdwFilterDialogIntl();
    void Assign(TPersistent* Source) override;

    std::string BtnViewSummary;
    std::string BtnViewSummaryHint;
    std::string BtnNewSearch;
    std::string BtnNewSearchHint;
    std::string FieldOrderLabel;
    std::string FieldOrderHint;
    std::string AlphabeticLabel;
    std::string LogicalLabel;
    std::string AllFieldsLabel;
    std::string SearchedFieldsLabel;
    std::string StartingRangeLabel;
    std::string EndingRangeLabel;
    std::string StartingRangeHint;
    std::string EndingRangeHint;
    std::string BtnClearMin;
    std::string BtnClearMax;
    std::string BtnClearFilterValue;
    std::string BtnClearMinHint;
    std::string BtnClearMaxHint;
    std::string BtnClearFilterValueHint;
    std::string ByValueLabel;
    std::string ByRangeLabel;
    std::string FieldValueLabel;
    std::string FieldValueHint;
    std::string SearchTypeLabel;
    std::string SearchTypeHint;
    std::string MatchExactLabel;
    std::string MatchStartLabel;
    std::string MatchAnyLabel;
    std::string CaseSensitiveLabel;
    std::string CaseSensitiveHint;
    std::string NonMatchingLabel;
    std::string NonMatchingHint;
    std::string SummaryFieldLabel;
    std::string SummarySearchLabel;
    std::string SummaryValueLabel;
    std::string FieldsLabel;
    std::string ValueRangeTabHint;
    std::string AllSearchedTabHint;
    std::string ViewSummaryNotText;
};

// Hints and captions of the rich-text editor, with its four sub-groups.
class TdwDBRichEditIntl : public TdwIntlGroup {
    VANTREL_CLASS(TdwDBRichEditIntl, TdwIntlGroup)

    TdwDBRichEditIntl();
    ~TdwDBRichEditIntl() override;
    void Assign(TPersistent* Source) override;

    TdwRichEditMenuLabels* MenuLabels() const { return menuLabels_.get(); }
    void SetMenuLabels(TdwRichEditMenuLabels* Value) { menuLabels_->Assign(Value); }
    TdwRichEditPopupMenuLabels* PopupMenuLabels() const { return popupMenuLabels_.get(); }
    void SetPopupMenuLabels(TdwRichEditPopupMenuLabels* Value) { popupMenuLabels_->Assign(Value); }
    TdwRichEditParagraphDlg* ParagraphDialog() const { return paragraphDialog_.get(); }
    void SetParagraphDialog(TdwRichEditParagraphDlg* Value) { paragraphDialog_->Assign(Value); }
    TdwRichEditTabDlg* TabDialog() const { return tabDialog_.get(); }
    void SetTabDialog(TdwRichEditTabDlg* Value) { tabDialog_->Assign(Value); }

    std::string FontNameComboHint;
    std::string FontSizeComboHint;
    std::string NewButtonHint;
    std::string LoadButtonHint;
    std::string SaveAsButtonHint;
    std::string PrintButtonHint;
    std::string FindButtonHint;
    std::string CutButtonHint;
    std::string CopyButtonHint;
    std::string UndoButtonHint;
    std::string PasteButtonHint;
    std::string BoldButtonHint;
    std::string UnderlineButtonHint;
    std::string ItalicButtonHint;
    std::string LeftButtonHint;
    std::string CenterButtonHint;
    std::string RightButtonHint;
    std::string BulletButtonHint;
    std::string SaveExitHint;
    std::string PageSetupHint;
    std::string ExitHint;
    std::string ClearHint;
    std::string SelectAllHint;
    std::string FindNextHint;
    std::string ReplaceHint;
    std::string ToolbarHint;
    std::string FormatBarHint;
    std::string ViewStatusBarHint;
    std::string OptionsHint;
    std::string FontHint;
    std::string ParagraphHint;
    std::string TabsHint;
    std::string CAPLockCaption;
    std::string NUMLockCaption;

private:
    std::unique_ptr<TdwRichEditMenuLabels> menuLabels_;
    std::unique_ptr<TdwRichEditPopupMenuLabels> popupMenuLabels_;
    std::unique_ptr<TdwRichEditParagraphDlg> paragraphDialog_;
    std::unique_ptr<TdwRichEditTabDlg> tabDialog_;
};
enum TdwCheckBoxInGridStyle { cbStyleAuto, cbStyleCheckmark, cbStyleXmark };

class TdwIntl : public TComponent {
    VANTREL_CLASS(TdwIntl, TComponent)

    explicit TdwIntl(TComponent* AOwner);
    ~TdwIntl() override;

    // The groups are owned; their setters copy the given group's texts.
    TdwSearchDialogIntl* SearchDialog() const { return searchDialog_.get(); }
    void SetSearchDialog(TdwSearchDialogIntl* Value) { searchDialog_->Assign(Value); }
    TdwLocateDialogIntl* LocateDialog() const { return locateDialog_.get(); }
    void SetLocateDialog(TdwLocateDialogIntl* Value) { locateDialog_->Assign(Value); }
    TdwFilterDialogIntl* FilterDialog() const { return filterDialog_.get(); }
    void SetFilterDialog(TdwFilterDialogIntl* Value) { filterDialog_->Assign(Value); }
    TdwDBRichEditIntl* RichEdit() const { return richEdit_.get(); }
    void SetRichEdit(TdwDBRichEditIntl* Value) { richEdit_->Assign(Value); }
    TdwUserMessagesIntl* UserMessages() const { return userMessages_.get(); }
    void SetUserMessages(TdwUserMessagesIntl* Value) { userMessages_->Assign(Value); }

    // Dialog OK and Cancel buttons are glyph buttons (default) instead of plain buttons.
    bool OKCancelBitmapped = true;
    // Setting True copies this component's texts and options into the global instance.
    bool Connected() const { return connected_; }
    void SetConnected(bool Value);
    std::string BtnOKCaption = "&OK";
    std::string BtnCancelCaption = "Cancel";
    // A connected component other than the global instance passes a new style on to it.
    TdwCheckBoxInGridStyle CheckBoxInGridStyle() const { return checkBoxInGridStyle_; }
    void SetCheckBoxInGridStyle(TdwCheckBoxInGridStyle Value);
    // Always "3.0"; setting it changes nothing.
    std::string VersionInfo() const { return "3.0"; }
    void SetVersionInfo(const std::string&) {}
    TFontStyles DialogFontStyle;
    // Not published: the incremental search's range reset reopens tables of SQL databases.
    bool ReopenOnRangeReset = true;

    // Copies the texts and options into the global instance (nothing when this is it).
    void CopyToGlobal();

protected:
    // After loading from a form, a connected component copies its texts.
    void Loaded() override;

private:
    std::unique_ptr<TdwSearchDialogIntl> searchDialog_;
    std::unique_ptr<TdwLocateDialogIntl> locateDialog_;
    std::unique_ptr<TdwFilterDialogIntl> filterDialog_;
    std::unique_ptr<TdwDBRichEditIntl> richEdit_;
    std::unique_ptr<TdwUserMessagesIntl> userMessages_;
    bool connected_ = false;
    TdwCheckBoxInGridStyle checkBoxInGridStyle_ = cbStyleAuto;
};

// The table every control reads: the global instance, made on first use with the application
// as owner; after the global instance has been freed, a table of the default texts.
TdwIntl& DwIntl();
// The global instance itself, or nullptr when it does not exist (not made here).
TdwIntl* DwIntlGlobal();

// Kinds of the dialog button factory.
constexpr int dwBtnOK = 1;
constexpr int dwBtnCancel = 2;
constexpr int dwBtnHelp = 3;

// A new hidden dialog button owned and parented by Form: a glyph button when OKCancelBitmapped
// is set, else a plain one, sized for the screen's resolution; OK and Cancel carry their
// captions and modal results, and Cancel is the form's cancel button.
TButton* dwCreateDialogButton(TForm* Form, int Kind);
