// The user-interface services: message boxes, open/save and font dialogs, the print-setup
// dialog with its placement hook, help at a context number and the beep. Each goes through the
// installed TUiServices: the Qt one by default, or a TRecordedServices a test installs, which
// records what the program showed and answers as planned without waiting for anybody. The Qt
// help viewer is a window of its own that the user can read, scroll and close with Escape also
// while another window is modal.
#pragma once

#include "platform/gui/Controls.h"

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn, 16>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbYesNo{mbYes, mbNo};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// A message box as the program asks for it. Answers are the modal results (mrOk = IDOK 1,
// mrCancel 2, mrAbort 3, mrRetry 4, mrIgnore 5, mrYes 6, mrNo 7, mrAll 8).
struct TMessageBoxRequest {
    std::string Text;
    std::string Caption;
    TMsgDlgType Type = mtCustom;
    TMsgDlgButtons Buttons{mbOK};
    // The button that Enter presses (the first of the set when not given).
    std::optional<TMsgDlgBtn> DefaultButton;
    int HelpContext = 0;
};

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofShowHelp,
    ofNoValidate,
    ofAllowMultiSelect,
    ofExtensionDifferent,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofShareAware,
    ofNoReadOnlyReturn,
    ofNoTestFileCreate
};
using TOpenOptions = TSet<TOpenOption, 16>;

// Paths (FileName, InitialDir and the files chosen) are the file system's own bytes, ready for
// the calls that open files; the other texts are Windows-1252.
struct TFileDialogRequest {
    bool Save = false;
    std::string Title;
    std::string FileName;
    std::string InitialDir;
    // "Description|*.ext;*.ex2|Other|*.*"
    std::string Filter;
    int FilterIndex = 1;
    std::string DefaultExt;
    TOpenOptions Options;
};

struct TFileDialogResult {
    std::vector<std::string> Files; // one unless multi-select
    int FilterIndex = 1;
};

// The printer settings the print-setup dialog shows and changes.
struct TPrintSetupRequest {
    std::string PrinterName;
    bool Landscape = false;
    int Copies = 1;
    std::vector<std::string> Printers; // the choice offered
    // Runs when the dialog is about to appear with its size and the screen's; it may move it.
    std::function<void(int& X, int& Y, int DialogWidth, int DialogHeight, int ScreenWidth,
                       int ScreenHeight)>
        OnInitDialog;
};

struct THelpRequest {
    std::string HelpFile;
    int Command = 0;
    long Data = 0;
    std::string Key;
};

class TUiServices {
public:
    virtual ~TUiServices() = default;
    virtual int MessageBox(const TMessageBoxRequest& Request) = 0;
    // False when the user cancelled.
    virtual bool FileDialog(const TFileDialogRequest& Request, TFileDialogResult& Result) = 0;
    virtual bool FontDialog(TFont& Font) = 0;
    virtual bool PrintSetup(TPrintSetupRequest& Request) = 0;
    // True when the help was shown.
    virtual bool Help(const THelpRequest& Request) = 0;
    virtual void Beep(UINT Kind) = 0;
};

// The services in use (the Qt ones unless a replacement is installed).
TUiServices& UiServices();
// Installs a replacement (nullptr returns to the Qt services); returns the previous one
// (nullptr for the Qt services). The caller keeps ownership.
TUiServices* SetUiServices(TUiServices* Services);

// The test replacement: installed for its lifetime; records every request; answers from the
// planned queues, or when a queue is empty: message boxes with their default button, dialogs as
// cancelled, help as shown.
class TRecordedServices : public TUiServices {
public:
    TRecordedServices();
    ~TRecordedServices() override;
    TRecordedServices(const TRecordedServices&) = delete;
    TRecordedServices& operator=(const TRecordedServices&) = delete;

    int MessageBox(const TMessageBoxRequest& Request) override;
    bool FileDialog(const TFileDialogRequest& Request, TFileDialogResult& Result) override;
    bool FontDialog(TFont& Font) override;
    bool PrintSetup(TPrintSetupRequest& Request) override;
    bool Help(const THelpRequest& Request) override;
    void Beep(UINT Kind) override;

    std::vector<TMessageBoxRequest> MessageBoxes;
    std::deque<int> MessageBoxAnswers;
    std::vector<TFileDialogRequest> FileDialogs;
    std::deque<std::optional<TFileDialogResult>> FileDialogAnswers;
    int FontDialogs = 0;
    std::deque<std::function<bool(TFont&)>> FontDialogAnswers;
    std::vector<TPrintSetupRequest> PrintSetups;
    std::deque<std::function<bool(TPrintSetupRequest&)>> PrintSetupAnswers;
    std::vector<THelpRequest> Helps;
    bool HelpAnswer = true;
    std::vector<UINT> Beeps;

private:
    TUiServices* previous_;
};

// Message boxes. MessageDlg's caption is the kind's name ("Warning", "Error", "Information",
// "Confirm"; the application title for mtCustom).
int MessageDlg(const std::string& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// An information-less box with an OK button, captioned with the application title.
void ShowMessage(const std::string& Msg);
// The Win32 form: MB_ button set and icon flags in, IDOK..IDNO out.
int ShowMessageBox(const std::string& Text, const std::string& Caption, UINT Flags);

// The help file format read by the Qt help service (Windows-1252 text):
//   a line "@@ <context number> <title>" starts a topic; the lines up to the next "@@" line are
//   its text; lines starting with "#" before the first topic are comments. HELP_CONTENTS shows
//   the first topic. A missing file, or a number no topic has, reports failure.
// Finds the topic of a context number in a help file's text; false when there is none.
bool FindHelpTopic(const std::string& FileText, int Context, std::string& Title, std::string& Text);

// One paragraph of a help topic as the viewer shows it.
struct THelpParagraph {
    std::string Text;
    // Rows of a list or table: shown row by row, the texts between runs of two or more blanks
    // as its columns.
    bool Verbatim = false;
};
// The paragraphs of a topic's text. Lines up to a blank line are one paragraph, joined with
// single blanks so that the viewer wraps the paragraph to its window; lines that start with a
// blank (the rows of a list or table) make a verbatim paragraph of their own, line by line.
std::vector<THelpParagraph> HelpParagraphs(const std::string& Text);

class TOpenDialog : public TComponent {
    VANTREL_CLASS(TOpenDialog, TComponent)

    explicit TOpenDialog(TComponent* AOwner);
    ~TOpenDialog() override;

    // Shows the dialog; true with FileName (and Files) set when the user chose.
    virtual bool Execute();
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& Value) { fileName_ = Value; }
    TStrings* Files() const { return files_.get(); }
    const std::string& Filter() const { return filter_; }
    void SetFilter(const std::string& Value) { filter_ = Value; }
    int FilterIndex() const { return filterIndex_; }
    void SetFilterIndex(int Value) { filterIndex_ = Value; }
    const std::string& InitialDir() const { return initialDir_; }
    void SetInitialDir(const std::string& Value) { initialDir_ = Value; }
    const std::string& DefaultExt() const { return defaultExt_; }
    void SetDefaultExt(const std::string& Value) { defaultExt_ = Value; }
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value; }
    TOpenOptions Options() const { return options_; }
    void SetOptions(TOpenOptions Value) { options_ = Value; }

protected:
    bool DoExecute(bool Save);

private:
    std::string fileName_;
    std::unique_ptr<TStringList> files_;
    std::string filter_;
    int filterIndex_ = 1;
    std::string initialDir_;
    std::string defaultExt_;
    std::string title_;
    TOpenOptions options_;
};

class TSaveDialog : public TOpenDialog {
    VANTREL_CLASS(TSaveDialog, TOpenDialog)
    explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
    bool Execute() override;
};

class TFontDialog : public TComponent {
    VANTREL_CLASS(TFontDialog, TComponent)

    explicit TFontDialog(TComponent* AOwner);
    ~TFontDialog() override;
    TFont* Font() const { return font_.get(); }
    void SetFont(const TFont& Value) { font_->Assign(const_cast<TFont*>(&Value)); }
    // Shows the dialog with Font; true with Font changed when the user chose.
    bool Execute();

private:
    std::unique_ptr<TFont> font_;
};
