#include "dbcontrols/ControlTexts.h"

#include "platform/gui/Buttons.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/TypInfo.h"

#include <vector>

namespace {

// One text of a group: its published name, where it is kept and its default.
template <typename G>
struct TIntlText {
    const char* Name;
    std::string G::*Member;
    const char* Default;
};

const std::vector<TIntlText<TdwRichEditMenuLabels>>& TextsOf(TdwRichEditMenuLabels*) {
    using G = TdwRichEditMenuLabels;
    static const std::vector<TIntlText<G>> texts = {
        {"FileCaption", &G::FileCaption, "&File"},
        {"LoadCaption", &G::LoadCaption, "&Load"},
        {"SaveAsCaption", &G::SaveAsCaption, "Save &As"},
        {"SaveExitCaption", &G::SaveExitCaption, "&Save and Exit"},
        {"PrintCaption", &G::PrintCaption, "&Print"},
        {"PageSetupCaption", &G::PageSetupCaption, "Page Set&up"},
        {"ExitCaption", &G::ExitCaption, "E&xit"},
        {"EditCaption", &G::EditCaption, "&Edit"},
        {"UndoCaption", &G::UndoCaption, "&Undo"},
        {"CutCaption", &G::CutCaption, "Cu&t"},
        {"CopyCaption", &G::CopyCaption, "&Copy"},
        {"PasteCaption", &G::PasteCaption, "&Paste"},
        {"ClearCaption", &G::ClearCaption, "Cle&ar"},
        {"SelectallCaption", &G::SelectallCaption, "Select A&ll"},
        {"FindCaption", &G::FindCaption, "&Find"},
        {"FindNextCaption", &G::FindNextCaption, "Find &Next"},
        {"ReplaceCaption", &G::ReplaceCaption, "R&eplace"},
        {"ViewCaption", &G::ViewCaption, "&View"},
        {"ToolbarCaption", &G::ToolbarCaption, "&Toolbar"},
        {"FormatBarCaption", &G::FormatBarCaption, "&Format Bar"},
        {"ViewStatusBarCaption", &G::ViewStatusBarCaption, "&Status Bar"},
        {"OptionsCaption", &G::OptionsCaption, "&Options"},
        {"FormatCaption", &G::FormatCaption, "F&ormat"},
        {"FontCaption", &G::FontCaption, "&Font"},
        {"BulletStyleCaption", &G::BulletStyleCaption, "&Bullet Style"},
        {"ParagraphCaption", &G::ParagraphCaption, "&Paragraph"},
        {"TabsCaption", &G::TabsCaption, "&Tabs"},
        {"HelpCaption", &G::HelpCaption, "Help"},
    };
    return texts;
}

const std::vector<TIntlText<TdwRichEditPopupMenuLabels>>& TextsOf(TdwRichEditPopupMenuLabels*) {
    using G = TdwRichEditPopupMenuLabels;
    static const std::vector<TIntlText<G>> texts = {
        {"EditCaption", &G::EditCaption, "&Edit"},
        {"CutCaption", &G::CutCaption, "Cu&t"},
        {"CopyCaption", &G::CopyCaption, "&Copy"},
        {"PasteCaption", &G::PasteCaption, "&Paste"},
        {"FontCaption", &G::FontCaption, "&Font"},
        {"BulletStyleCaption", &G::BulletStyleCaption, "&Bullet Style"},
        {"BoldCaption", &G::BoldCaption, "B&old"},
        {"ItalicCaption", &G::ItalicCaption, "&Italic"},
        {"UnderlineCaption", &G::UnderlineCaption, "&Underline"},
        {"ParagraphCaption", &G::ParagraphCaption, "P&aragraph"},
        {"TabsCaption", &G::TabsCaption, "&Tabs"},
        {"FindCaption", &G::FindCaption, "Fin&d"},
        {"ReplaceCaption", &G::ReplaceCaption, "&Replace"},
    };
    return texts;
}

const std::vector<TIntlText<TdwRichEditParagraphDlg>>& TextsOf(TdwRichEditParagraphDlg*) {
    using G = TdwRichEditParagraphDlg;
    static const std::vector<TIntlText<G>> texts = {
        {"ParagraphDlgCaption", &G::ParagraphDlgCaption, "Paragraph"},
        {"IndentationGroupBoxCaption", &G::IndentationGroupBoxCaption, "Indentation"},
        {"LeftEditHint", &G::LeftEditHint, "Left Indentation"},
        {"RightEditHint", &G::RightEditHint, "Right Indentation"},
        {"FirstLineEditHint", &G::FirstLineEditHint, "First Line of Paragraph Indentation"},
        {"AlignmentHint", &G::AlignmentHint, "Changes Alignment of Paragraph"},
        {"LeftEditCaption", &G::LeftEditCaption, "Left:"},
        {"RightEditCaption", &G::RightEditCaption, "Right:"},
        {"FirstLineEditCaption", &G::FirstLineEditCaption, "First line:"},
        {"AlignmentCaption", &G::AlignmentCaption, "Alignment"},
        {"AlignLeft", &G::AlignLeft, "Left"},
        {"AlignRight", &G::AlignRight, "Right"},
        {"AlignCenter", &G::AlignCenter, "Center"},
    };
    return texts;
}

const std::vector<TIntlText<TdwRichEditTabDlg>>& TextsOf(TdwRichEditTabDlg*) {
    using G = TdwRichEditTabDlg;
    static const std::vector<TIntlText<G>> texts = {
        {"TabDlgCaption", &G::TabDlgCaption, "Tab"},
        {"TabGroupBoxCaption", &G::TabGroupBoxCaption, "&Tab Stop Position"},
        {"SetTabButtonCaption", &G::SetTabButtonCaption, "Set"},
        {"ClearTabButtonCaption", &G::ClearTabButtonCaption, "Clear"},
        {"ClearAllButtonCaption", &G::ClearAllButtonCaption, "Clear All"},
        {"TabPositionEditHint", &G::TabPositionEditHint, "Tab Position Edit Box"},
        {"ListBoxHint", &G::ListBoxHint, "List of tabs and their positions"},
        {"SetButtonHint", &G::SetButtonHint, "Set a new tab position"},
        {"ClearButtonHint", &G::ClearButtonHint, "Clear the selected tab position"},
        {"ClearAllButtonHint", &G::ClearAllButtonHint, "Clear all the tabs"},
    };
    return texts;
}

const std::vector<TIntlText<TdwUserMessagesIntl>>& TextsOf(TdwUserMessagesIntl*) {
    using G = TdwUserMessagesIntl;
    static const std::vector<TIntlText<G>> texts = {
        {"dwDBGridDiscardChanges", &G::dwDBGridDiscardChanges, "Discard changes to this record?"},
        {"PictureValidateError", &G::PictureValidateError, "Invalid characters. Field : "},
        {"LocateNoMatches", &G::LocateNoMatches, "No matches found"},
        {"LocateNoMoreMatches", &G::LocateNoMoreMatches, "No more matches found"},
        {"MemoChangesWarning", &G::MemoChangesWarning,
         "Changes have been made!  Are you sure you wish to cancel?"},
        {"RichEditExitWarning", &G::RichEditExitWarning,
         "Changes have been made!  Do you wish to save your changes?"},
        {"RichEditClearWarning", &G::RichEditClearWarning, "Clear entire text?"},
        {"FilterDlgNoCriteria", &G::FilterDlgNoCriteria,
         "You have not selected any search criteria"},
        {"RecordViewExitWarning", &G::RecordViewExitWarning,
         "Changes have been made!  Do you wish to save your changes?"},
    };
    return texts;
}

const std::vector<TIntlText<TdwSearchDialogIntl>>& TextsOf(TdwSearchDialogIntl*) {
    using G = TdwSearchDialogIntl;
    static const std::vector<TIntlText<G>> texts = {
        {"SearchCharLabel", &G::SearchCharLabel, "&Search Characters"},
        {"SearchCharShortLabel", &G::SearchCharShortLabel, "&Search Char"},
        {"SearchByLabel", &G::SearchByLabel, "Search &By"},
        {"StatusRecLabel", &G::StatusRecLabel, "Rec #"},
        {"StatusOfLabel", &G::StatusOfLabel, "of"},
        {"SearchCharHint", &G::SearchCharHint, "Enter characters for incremental search"},
        {"SearchByHint", &G::SearchByHint, "Incremental searching and sorting order"},
    };
    return texts;
}

const std::vector<TIntlText<TdwLocateDialogIntl>>& TextsOf(TdwLocateDialogIntl*) {
    using G = TdwLocateDialogIntl;
    static const std::vector<TIntlText<G>> texts = {
        {"FieldValueLabel", &G::FieldValueLabel, "Field &Value"},
        {"SearchTypeLabel", &G::SearchTypeLabel, "&Search Type"},
        {"CaseSensitiveLabel", &G::CaseSensitiveLabel, "&Case-sensitive"},
        {"MatchExactLabel", &G::MatchExactLabel, "&Exact Match"},
        {"MatchStartLabel", &G::MatchStartLabel, "&Partial Match at Beginning"},
        {"MatchAnyLabel", &G::MatchAnyLabel, "Partial Match &Anywhere"},
        {"FieldsLabel", &G::FieldsLabel, "&Fields"},
        {"BtnFirst", &G::BtnFirst, "Fi&rst"},
        {"BtnNext", &G::BtnNext, "&Next"},
        {"BtnCancel", &G::BtnCancel, "Cancel"},
        {"FieldValueHint", &G::FieldValueHint, "Enter field's search value"},
        {"CaseSensitiveHint", &G::CaseSensitiveHint, "Searching is case-sensitive"},
        {"MatchExactHint", &G::MatchExactHint, "Match occurs only if there is an exact match"},
        {"MatchStartHint", &G::MatchStartHint,
         "Match occurs if the start of the field's value matches"},
        {"MatchAnyHint", &G::MatchAnyHint, "Match occurs if any part of the field matches"},
        {"BtnFirstHint", &G::BtnFirstHint, "Find first match"},
        {"BtnNextHint", &G::BtnNextHint, "Find next match from current record"},
        {"FieldNameHint", &G::FieldNameHint, "Select the field to search on"},
    };
    return texts;
}

const std::vector<TIntlText<TdwFilterDialogIntl>>& TextsOf(TdwFilterDialogIntl*) {
    using G = TdwFilterDialogIntl;
    static const std::vector<TIntlText<G>> texts = {
        {"BtnViewSummary", &G::BtnViewSummary, "View Su&mmary"},
        {"BtnViewSummaryHint", &G::BtnViewSummaryHint, "View summary of current search criteria"},
        {"BtnNewSearch", &G::BtnNewSearch, "&New Search"},
        {"BtnNewSearchHint", &G::BtnNewSearchHint, "Start a new search"},
        {"FieldOrderLabel", &G::FieldOrderLabel, "Field Order"},
        {"FieldOrderHint", &G::FieldOrderHint,
         "Sort field list alphabetically or in their natural logical order"},
        {"AlphabeticLabel", &G::AlphabeticLabel, "Alpha&betic"},
        {"LogicalLabel", &G::LogicalLabel, "&Logical"},
        {"AllFieldsLabel", &G::AllFieldsLabel, "&All"},
        {"SearchedFieldsLabel", &G::SearchedFieldsLabel, "&Searched"},
        {"StartingRangeLabel", &G::StartingRangeLabel, "&Starting Range"},
        {"EndingRangeLabel", &G::EndingRangeLabel, "En&ding Range"},
        {"StartingRangeHint", &G::StartingRangeHint, "Enter starting range for field"},
        {"EndingRangeHint", &G::EndingRangeHint, "Enter ending range for field"},
        {"BtnClearMin", &G::BtnClearMin, "&Clear"},
        {"BtnClearMax", &G::BtnClearMax, "Cl&ear"},
        {"BtnClearFilterValue", &G::BtnClearFilterValue, "&Clear"},
        {"BtnClearMinHint", &G::BtnClearMinHint, "Clear starting range for field"},
        {"BtnClearMaxHint", &G::BtnClearMaxHint, "Clear ending range for field"},
        {"BtnClearFilterValueHint", &G::BtnClearFilterValueHint,
         "Clear the current field's search value"},
        {"ByValueLabel", &G::ByValueLabel, "By &Value"},
        {"ByRangeLabel", &G::ByRangeLabel, "By &Range"},
        {"FieldValueLabel", &G::FieldValueLabel, "Field &Value"},
        {"FieldValueHint", &G::FieldValueHint, "Enter field's search value"},
        {"SearchTypeLabel", &G::SearchTypeLabel, "Search Type"},
        {"SearchTypeHint", &G::SearchTypeHint, "Specify how the Field Value should be compared"},
        {"MatchExactLabel", &G::MatchExactLabel, "&Exact Match"},
        {"MatchStartLabel", &G::MatchStartLabel, "&Partial Match at Beginning"},
        {"MatchAnyLabel", &G::MatchAnyLabel, "Partial Match Any&where"},
        {"CaseSensitiveLabel", &G::CaseSensitiveLabel, "Case Sensi&tive"},
        {"CaseSensitiveHint", &G::CaseSensitiveHint, "Searching is case-sensitive"},
        {"NonMatchingLabel", &G::NonMatchingLabel, "N&on-matching records"},
        {"NonMatchingHint", &G::NonMatchingHint,
         "Show records that do not match the field value criteria"},
        {"SummaryFieldLabel", &G::SummaryFieldLabel, "Field"},
        {"SummarySearchLabel", &G::SummarySearchLabel, "Search Type"},
        {"SummaryValueLabel", &G::SummaryValueLabel, "Value"},
        {"FieldsLabel", &G::FieldsLabel, "&Fields"},
        {"ValueRangeTabHint", &G::ValueRangeTabHint, "Search fields by value or by range"},
        {"AllSearchedTabHint", &G::AllSearchedTabHint,
         "Show all fields or only currently searched fields"},
        {"ViewSummaryNotText", &G::ViewSummaryNotText, "NOT"},
    };
    return texts;
}

const std::vector<TIntlText<TdwDBRichEditIntl>>& TextsOf(TdwDBRichEditIntl*) {
    using G = TdwDBRichEditIntl;
    static const std::vector<TIntlText<G>> texts = {
        {"FontNameComboHint", &G::FontNameComboHint, "Font | Changes the font of the selection"},
        {"FontSizeComboHint", &G::FontSizeComboHint,
         "Font Size | Changes the font size of the selection"},
        {"NewButtonHint", &G::NewButtonHint, "New | Creates a new document"},
        {"LoadButtonHint", &G::LoadButtonHint, "Load | Load from file"},
        {"SaveAsButtonHint", &G::SaveAsButtonHint, "Save As | Save to file"},
        {"PrintButtonHint", &G::PrintButtonHint, "Print | Prints the active document"},
        {"FindButtonHint", &G::FindButtonHint, "Find | Finds the specified text"},
        {"CutButtonHint", &G::CutButtonHint,
         "Cut | Cuts the selection and puts it on the Clipboard"},
        {"CopyButtonHint", &G::CopyButtonHint,
         "Copy | Copies the selection and puts it on the Clipboard"},
        {"UndoButtonHint", &G::UndoButtonHint, "Undo | Reverses the last action"},
        {"PasteButtonHint", &G::PasteButtonHint, "Paste | Inserts Clipboard contents"},
        {"BoldButtonHint", &G::BoldButtonHint, "Bold | Makes the selection bold (toggle)"},
        {"UnderlineButtonHint", &G::UnderlineButtonHint,
         "Underline | Formats the selection with a continuous underline (toggle)"},
        {"ItalicButtonHint", &G::ItalicButtonHint, "Italic | Makes the selection italic (toggle)"},
        {"LeftButtonHint", &G::LeftButtonHint, "Align Left | Left-justifies paragraph (toggle)"},
        {"CenterButtonHint", &G::CenterButtonHint, "Center | Center-justifies paragraph (toggle)"},
        {"RightButtonHint", &G::RightButtonHint,
         "Align Right | Right-justifies paragraph (toggle)"},
        {"BulletButtonHint", &G::BulletButtonHint,
         "Bullets | Inserts a bullet on this line (toggle)"},
        {"SaveExitHint", &G::SaveExitHint, "Save And Exit | Saves changes and exits editor"},
        {"PageSetupHint", &G::PageSetupHint, "Page Setup | Changes page layout settings"},
        {"ExitHint", &G::ExitHint, "Exit"},
        {"ClearHint", &G::ClearHint, "Erases the Selection"},
        {"SelectAllHint", &G::SelectAllHint, "Selects all of the text"},
        {"FindNextHint", &G::FindNextHint, "Repeats the last find"},
        {"ReplaceHint", &G::ReplaceHint, "Replaces specific text with different text"},
        {"ToolbarHint", &G::ToolbarHint, "Shows or hides the toolbar"},
        {"FormatBarHint", &G::FormatBarHint, "Shows or hides the format bar"},
        {"ViewStatusBarHint", &G::ViewStatusBarHint, "Shows or hides the status bar"},
        {"OptionsHint", &G::OptionsHint, "Sets options"},
        {"FontHint", &G::FontHint, "Selects font for current selection"},
        {"ParagraphHint", &G::ParagraphHint, "Formats current or selected paragraph(s)"},
        {"TabsHint", &G::TabsHint, "Sets tabs"},
        {"CAPLockCaption", &G::CAPLockCaption, "CAP"},
        {"NUMLockCaption", &G::NUMLockCaption, "NUM"},
    };
    return texts;
}

// Sets the defaults of a new group and, once per class, publishes its texts.
template <typename G>
void InitGroup(G* group) {
    static const bool published = [] {
        for (const TIntlText<G>& t : TextsOf(static_cast<G*>(nullptr))) {
            std::string G::*member = t.Member;
            RegisterProperty<G>(
                t.Name, [member](G& g) { return g.*member; },
                [member](G& g, const std::string& v) { g.*member = v; });
        }
        return true;
    }();
    (void)published;
    for (const TIntlText<G>& t : TextsOf(group))
        group->*t.Member = t.Default;
}

// Copies the texts of Source into group when Source is a group of the same class.
template <typename G>
bool CopyGroup(G* group, TPersistent* Source) {
    const auto* source = dynamic_cast<const G*>(Source);
    if (source == nullptr) return false;
    for (const TIntlText<G>& t : TextsOf(group))
        group->*t.Member = source->*t.Member;
    return true;
}

template <typename C, typename G>
void PublishGroup(const char* name, G* (C::*get)() const, void (C::*set)(G*)) {
    RegisterProperty<C>(name, get, set);
}

void PublishIntl() {
    static const bool published = [] {
        using I = TdwIntl;
        PublishGroup<I>("SearchDialog", &I::SearchDialog, &I::SetSearchDialog);
        PublishGroup<I>("LocateDialog", &I::LocateDialog, &I::SetLocateDialog);
        PublishGroup<I>("FilterDialog", &I::FilterDialog, &I::SetFilterDialog);
        PublishGroup<I>("RichEdit", &I::RichEdit, &I::SetRichEdit);
        PublishGroup<I>("UserMessages", &I::UserMessages, &I::SetUserMessages);
        RegisterProperty<I>(
            "OKCancelBitmapped", [](I& i) { return i.OKCancelBitmapped; },
            [](I& i, bool v) { i.OKCancelBitmapped = v; });
        RegisterProperty<I>("Connected", &I::Connected, &I::SetConnected);
        RegisterProperty<I>(
            "BtnOKCaption", [](I& i) { return i.BtnOKCaption; },
            [](I& i, const std::string& v) { i.BtnOKCaption = v; });
        RegisterProperty<I>(
            "BtnCancelCaption", [](I& i) { return i.BtnCancelCaption; },
            [](I& i, const std::string& v) { i.BtnCancelCaption = v; });
        RegisterProperty<I>("CheckBoxInGridStyle", &I::CheckBoxInGridStyle,
                            &I::SetCheckBoxInGridStyle);
        RegisterProperty<I>("VersionInfo", &I::VersionInfo, &I::SetVersionInfo);
        RegisterProperty<I>(
            "DialogFontStyle", [](I& i) { return i.DialogFontStyle; },
            [](I& i, TFontStyles v) { i.DialogFontStyle = v; });
        using R = TdwDBRichEditIntl;
        PublishGroup<R>("MenuLabels", &R::MenuLabels, &R::SetMenuLabels);
        PublishGroup<R>("PopupMenuLabels", &R::PopupMenuLabels, &R::SetPopupMenuLabels);
        PublishGroup<R>("ParagraphDialog", &R::ParagraphDialog, &R::SetParagraphDialog);
        PublishGroup<R>("TabDialog", &R::TabDialog, &R::SetTabDialog);
        return true;
    }();
    (void)published;
}

TdwIntl* globalIntl = nullptr;
bool globalMade = false;

// The global instance, made on first use; nullptr once it has been freed.
TdwIntl* MakeGlobal() {
    if (!globalIntl && !globalMade) {
        globalMade = true;
        InitApplication();
        globalIntl = new TdwIntl(Application);
    }
    return globalIntl;
}

} // namespace

#define DW_INTL_GROUP(G)                                                                           \
    G::G() {                                                                                       \
        InitGroup(this);                                                                           \
    }                                                                                              \
    void G::Assign(TPersistent* Source) {                                                          \
        if (!CopyGroup(this, Source)) TdwIntlGroup::Assign(Source);                                \
    }

DW_INTL_GROUP(TdwRichEditMenuLabels)
DW_INTL_GROUP(TdwRichEditPopupMenuLabels)
DW_INTL_GROUP(TdwRichEditParagraphDlg)
DW_INTL_GROUP(TdwRichEditTabDlg)
DW_INTL_GROUP(TdwUserMessagesIntl)
DW_INTL_GROUP(TdwSearchDialogIntl)
DW_INTL_GROUP(TdwLocateDialogIntl)
DW_INTL_GROUP(TdwFilterDialogIntl)

TdwDBRichEditIntl::TdwDBRichEditIntl()
    : menuLabels_(std::make_unique<TdwRichEditMenuLabels>()),
      popupMenuLabels_(std::make_unique<TdwRichEditPopupMenuLabels>()),
      paragraphDialog_(std::make_unique<TdwRichEditParagraphDlg>()),
      tabDialog_(std::make_unique<TdwRichEditTabDlg>()) {
    InitGroup(this);
}

TdwDBRichEditIntl::~TdwDBRichEditIntl() = default;

void TdwDBRichEditIntl::Assign(TPersistent* Source) {
    if (!CopyGroup(this, Source)) return TdwIntlGroup::Assign(Source);
    auto* source = static_cast<TdwDBRichEditIntl*>(Source);
    menuLabels_->Assign(source->MenuLabels());
    popupMenuLabels_->Assign(source->PopupMenuLabels());
    paragraphDialog_->Assign(source->ParagraphDialog());
    tabDialog_->Assign(source->TabDialog());
}

TdwIntl::TdwIntl(TComponent* AOwner)
    : TComponent(AOwner), searchDialog_(std::make_unique<TdwSearchDialogIntl>()),
      locateDialog_(std::make_unique<TdwLocateDialogIntl>()),
      filterDialog_(std::make_unique<TdwFilterDialogIntl>()),
      richEdit_(std::make_unique<TdwDBRichEditIntl>()),
      userMessages_(std::make_unique<TdwUserMessagesIntl>()) {
    PublishIntl();
}

TdwIntl::~TdwIntl() {
    if (globalIntl == this) globalIntl = nullptr;
}

void TdwIntl::SetConnected(bool Value) {
    connected_ = Value;
    if (Value) CopyToGlobal();
}

void TdwIntl::SetCheckBoxInGridStyle(TdwCheckBoxInGridStyle Value) {
    checkBoxInGridStyle_ = Value;
    if (connected_ && globalIntl && globalIntl != this) globalIntl->SetCheckBoxInGridStyle(Value);
}

void TdwIntl::CopyToGlobal() {
    TdwIntl* target = MakeGlobal();
    if (target == nullptr || target == this) return;
    TdwIntl& global = *target;
    global.SetSearchDialog(SearchDialog());
    global.SetLocateDialog(LocateDialog());
    global.SetFilterDialog(FilterDialog());
    global.SetRichEdit(RichEdit());
    global.SetUserMessages(UserMessages());
    global.OKCancelBitmapped = OKCancelBitmapped;
    global.BtnOKCaption = BtnOKCaption;
    global.BtnCancelCaption = BtnCancelCaption;
    global.SetCheckBoxInGridStyle(checkBoxInGridStyle_);
    global.DialogFontStyle = DialogFontStyle;
    global.ReopenOnRangeReset = ReopenOnRangeReset;
}

void TdwIntl::Loaded() {
    TComponent::Loaded();
    if (connected_) CopyToGlobal();
}

TdwIntl& DwIntl() {
    if (TdwIntl* global = MakeGlobal()) return *global;
    static TdwIntl defaults(nullptr);
    return defaults;
}

TdwIntl* DwIntlGlobal() {
    return globalIntl;
}

TButton* dwCreateDialogButton(TForm* Form, int Kind) {
    const TdwIntl& intl = DwIntl();
    const int ppi = Screen ? Screen->PixelsPerInch() : 96;
    auto scaled = [ppi](int size) { return size * ppi / 96; };
    TButton* button = nullptr;
    if (intl.OKCancelBitmapped) {
        auto* glyph = new TBitBtn(Form);
        glyph->SetMargin(2);
        glyph->SetKind(Kind == dwBtnOK ? bkOK : Kind == dwBtnCancel ? bkCancel : bkHelp);
        glyph->SetLayout(blGlyphLeft);
        glyph->SetNumGlyphs(2);
        glyph->SetSpacing(-1);
        glyph->SetBounds(0, 0, scaled(77), scaled(27));
        glyph->Font()->SetName("MS Sans Serif");
        glyph->Font()->SetHeight(-11);
        glyph->Font()->SetColor(clWindowText);
        glyph->Font()->SetStyle(intl.DialogFontStyle);
        button = glyph;
    } else {
        button = new TButton(Form);
        button->SetBounds(0, 0, scaled(77), scaled(24));
    }
    button->SetVisible(false);
    button->SetParent(Form);
    switch (Kind) {
    case dwBtnOK:
        button->SetCaption(intl.BtnOKCaption);
        button->SetModalResult(mrOk);
        break;
    case dwBtnCancel:
        button->SetCaption(intl.BtnCancelCaption);
        button->SetModalResult(mrCancel);
        button->SetCancel(true);
        break;
    default: button->SetCaption("Help"); break;
    }
    return button;
}
