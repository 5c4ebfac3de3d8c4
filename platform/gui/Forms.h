// Forms, the screen and the application: top-level windows with their focus bookkeeping,
// default and cancel buttons, key preview and modal showing; the screen's size, cursor, fonts
// and forms; the application's message loop, exception handler and help.
#pragma once

#include "platform/gui/Controls.h"

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class TMainMenu;
class TScrollingWinControl;

enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
enum TBorderIcon { biSystemMenu, biMinimize, biMaximize, biHelp };
using TBorderIcons = TSet<TBorderIcon, 4>;
enum TPosition {
    poDesigned,
    poDefault,
    poDefaultPosOnly,
    poDefaultSizeOnly,
    poScreenCenter,
    poDesktopCenter,
    poMainFormCenter,
    poOwnerFormCenter
};
enum TWindowState { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction { caNone, caHide, caFree, caMinimize };

using TModalResult = int;
constexpr TModalResult mrNone = 0;
constexpr TModalResult mrOk = 1;
constexpr TModalResult mrCancel = 2;
constexpr TModalResult mrAbort = 3;
constexpr TModalResult mrRetry = 4;
constexpr TModalResult mrIgnore = 5;
constexpr TModalResult mrYes = 6;
constexpr TModalResult mrNo = 7;
constexpr TModalResult mrAll = 8;

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
using TShortCutEvent = std::function<void(TWMKey& Msg, bool& Handled)>;
using TExceptionEvent = std::function<void(TObject* Sender, const std::exception& E)>;
using TIdleEvent = std::function<void(TObject* Sender, bool& Done)>;

constexpr UINT SC_CLOSE = 0xF060;
// Frees a form that asked for it with Release.
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT SC_KEYMENU = 0xF100;

class TCustomForm : public TWinControl {
    VANTREL_CLASS(TCustomForm, TWinControl)

    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    // The control that has (or gets, when the form is activated) the focus.
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* Control);
    // Gives Control the focus when the form is active, else makes it the active control.
    void FocusControl(TWinControl* Control);
    // Moves the form's focus bookkeeping to Control: CM_EXIT up from the old control, CM_ENTER
    // down to the new one, stopping when a handler moved the focus elsewhere.
    bool SetFocusedControl(TWinControl* Control);
    // Takes the focus away from Control (when Removing, the control is going away).
    void DefocusControl(TWinControl* Control, bool Removing);
    bool Active() const { return active_; }

    bool KeyPreview() const { return keyPreview_; }
    void SetKeyPreview(bool Value) { keyPreview_ = Value; }
    TFormBorderStyle FormBorderStyle() const { return formBorderStyle_; }
    void SetFormBorderStyle(TFormBorderStyle Value);
    TBorderIcons BorderIcons() const { return borderIcons_; }
    void SetBorderIcons(TBorderIcons Value);
    TPosition Position() const { return position_; }
    void SetPosition(TPosition Value) { position_ = Value; }
    TFormStyle FormStyle() const { return formStyle_; }
    void SetFormStyle(TFormStyle Value);
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState Value);
    TMainMenu* Menu() const { return menu_; }
    void SetMenu(TMainMenu* Value);

    // Shows and activates the form.
    void Show();
    // Shows the form and runs a message loop until ModalResult is set (or the form closes);
    // returns ModalResult. The modal hook (SetModalHook) runs when the loop starts. Where
    // nobody can answer (a hook, a screen without input) the loop never waits: it runs what is
    // posted and ends, as cancelled when nothing set ModalResult.
    virtual TModalResult ShowModal();
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult Value) { modalResult_ = Value; }
    bool Modal() const { return modal_; }
    // Asks OnCloseQuery, then OnClose decides: hide (the default), free later, minimise or
    // nothing. A modal form closes with mrCancel when no result was set.
    void Close();
    virtual bool CloseQuery();
    // Frees the form once the messages now waiting have been handled.
    void Release();
    // A key that one of the form's menus (or OnShortCut) takes; true when taken.
    virtual bool IsShortCut(TWMKey& Message);
    void Activate();
    void Deactivate();
    // Centres the form over another one (over the screen when Form is nullptr).
    void CentreOver(const TCustomForm* Form);
    // Called once after construction (by TApplication::CreateForm or the first Show).
    void DoCreate();

    TCanvas* Canvas();
    TRect ClientRect() const override;
    TPoint ClientOrigin() const override;
    // Internal to the layer: the menu bar above the client area has this height now.
    void MenuBarChanged(int Height);

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnResize;
    TNotifyEvent OnPaint;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    TShortCutEvent OnShortCut;

protected:
    void CreateWnd() override;
    void Resize() override;
    virtual void Paint();
    void VisibleChanging() override;
    void DoClose(TCloseAction& Action);
    void CMTextChanged(TMessage& Message) override;
    void WMPaint(TWMPaint& Message) override;
    void CMDialogKey(TCMDialogKey& Message) override;
    void CMVisibleChanged(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;

private:
    // Places the form when it is first shown, as its Position asks, inside the work area.
    void PlaceOnShow();
    // The window system's default place: the next free step of a cascade below the main
    // window's bars.
    void Cascade();
    void KeepInWorkArea();
    // The form a dialog opens over (nullptr: none is shown).
    TCustomForm* DialogOwner() const;
    // Ends a modal loop whose result is set: asks CloseQuery and OnClose; false (and the result
    // cleared) when the form stays.
    bool CloseModal();
    void EndModal();
    void ApplyWindowFlags();
    // A fixed frame holds the window at the form's size; a sizeable one lets it be sized.
    void ApplySizeLimits();
    int FrameSize() const;
    int CaptionHeight() const;
    void SetWindowFocus();
    // The button that takes Enter: a focused push button, else the Default one.
    bool ClickDialogButton(Word Key);

    TWinControl* activeControl_ = nullptr;
    TWinControl* focusedControl_ = nullptr;
    bool active_ = false;
    bool keyPreview_ = false;
    bool created_ = false;
    bool modal_ = false;
    // Released while its modal loop ran: freed once the loop has ended.
    bool releasePending_ = false;
    bool placed_ = false;
    // The step of the default places' cascade the form holds (-1: none).
    int cascadeSlot_ = -1;
    int focusCount_ = 0;
    TFormBorderStyle formBorderStyle_ = bsSizeable;
    TBorderIcons borderIcons_{biSystemMenu, biMinimize, biMaximize};
    TPosition position_ = poDesigned;
    TFormStyle formStyle_ = fsNormal;
    TWindowState windowState_ = wsNormal;
    TModalResult modalResult_ = mrNone;
    TMainMenu* menu_ = nullptr;
};

class TForm : public TCustomForm {
    VANTREL_CLASS(TForm, TCustomForm)
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
};

enum TScrollBarKind { sbHorizontal, sbVertical };

// One scroll bar of a scrolling control: the extent of its content (Range) and how far it is
// scrolled (Position, kept between 0 and Range less the client size).
class TControlScrollBar {
public:
    TControlScrollBar(TScrollingWinControl* Control, TScrollBarKind Kind)
        : control_(Control), kind_(Kind) {}
    TScrollBarKind Kind() const { return kind_; }
    int Range() const { return range_; }
    void SetRange(int Value);
    int Position() const { return position_; }
    void SetPosition(int Value);
    // The step of the arrows (pixels).
    int Increment() const { return increment_; }
    void SetIncrement(int Value) { increment_ = std::max(Value, 1); }
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    // Visible and the content larger than the client area.
    bool IsScrollBarVisible() const;

private:
    friend class TScrollingWinControl;
    int ClientExtent() const;
    void Scroll(Word Code, int Pos);
    TScrollingWinControl* control_;
    TScrollBarKind kind_;
    int range_ = 0;
    int position_ = 0;
    int increment_ = 8;
    bool visible_ = true;
};

// A windowed control whose children may extend beyond it and are scrolled into view.
class TScrollingWinControl : public TWinControl {
    VANTREL_CLASS(TScrollingWinControl, TWinControl)

    explicit TScrollingWinControl(TComponent* AOwner);
    TControlScrollBar* HorzScrollBar() { return &horz_; }
    TControlScrollBar* VertScrollBar() { return &vert_; }
    // The ranges follow the children's extent.
    bool AutoScroll() const { return autoScroll_; }
    void SetAutoScroll(bool Value);
    // Scrolls so that the control is fully visible.
    void ScrollInView(TControl* AControl);
    // Internal: sets the window's scroll bars from the two TControlScrollBars.
    void UpdateScrollBars();

protected:
    void CreateWnd() override;
    void Resize() override;
    void WMHScroll(TWMScroll& Message) override;
    void WMVScroll(TWMScroll& Message) override;
    void ChildBoundsChanged(TControl* AControl) override;

private:
    friend class TControlScrollBar;
    void CalcAutoRange();
    void ScrollChildren(int dx, int dy);
    TControlScrollBar horz_{this, sbHorizontal};
    TControlScrollBar vert_{this, sbVertical};
    bool autoScroll_ = true;
    bool scrolling_ = false;
};

class TScrollBox : public TScrollingWinControl {
    VANTREL_CLASS(TScrollBox, TScrollingWinControl)
    explicit TScrollBox(TComponent* AOwner);
};

// A hook that runs when a modal loop starts (a form's ShowModal, a message box, a dialog, a
// popup menu). Tests use it to act on the modal window; when a hook is installed and the loop
// has not been ended by it, the loop ends at once with mrCancel, so nothing waits for a user.
using TModalHook = std::function<void(TCustomForm* Form)>;
TModalHook SetModalHook(TModalHook Hook);
bool ModalHookInstalled();

// Runs the message loop for a form shown without blocking until Done() is true, the form is no
// longer visible or the application terminates; it sleeps between events. Where nobody can
// answer (a modal hook, a screen without input) it runs the hook on the form and what is
// posted, then returns, as ShowModal does.
void WaitForForm(TCustomForm* Form, const std::function<bool()>& Done);

class TScreen : public TComponent {
    VANTREL_CLASS(TScreen, TComponent)

    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    int Width() const;
    int Height() const;
    // The part of the screen windows may take (the screen less panels and docks), in screen
    // coordinates.
    TRect WorkAreaRect() const;
    int PixelsPerInch() const { return 96; }
    // The cursor shown over every window of the program; crDefault lets each control's show.
    TCursor Cursor() const { return cursor_; }
    void SetCursor(TCursor Value);
    // The cursor list: a number (a standard TCursor or the program's own, such as 2020) shows
    // the cursor registered for it; 0 removes the entry.
    HCURSOR Cursors(int Index) const;
    void SetCursors(int Index, HCURSOR Cursor);
    // The font families installed (sorted).
    TStrings* Fonts();
    TCustomForm* ActiveForm() const { return activeForm_; }
    TWinControl* ActiveControl() const { return activeControl_; }
    // Forms in z-order: the most recently active first.
    int FormCount() const { return static_cast<int>(forms_.size()); }
    TCustomForm* Forms(int Index) const;

    // Internal to the layer.
    void AddForm(TCustomForm* Form);
    void RemoveForm(TCustomForm* Form);
    void BringForward(TCustomForm* Form);
    void SetActive(TCustomForm* Form, TWinControl* Control);

    TNotifyEvent OnActiveFormChange;
    TNotifyEvent OnActiveControlChange;

private:
    TCursor cursor_ = crDefault;
    std::map<int, HCURSOR> cursors_;
    std::unique_ptr<TStringList> fonts_;
    std::vector<TCustomForm*> forms_;
    TCustomForm* activeForm_ = nullptr;
    TWinControl* activeControl_ = nullptr;
};

// Puts the hour-glass (or another) cursor up for the life of the object.
class TWaitCursor {
public:
    explicit TWaitCursor(TCursor Cursor = crHourGlass);
    ~TWaitCursor();
    TWaitCursor(const TWaitCursor&) = delete;
    TWaitCursor& operator=(const TWaitCursor&) = delete;

private:
    TCursor previous_;
};

constexpr int HELP_CONTEXT = 0x0001;
constexpr int HELP_QUIT = 0x0002;
constexpr int HELP_CONTENTS = 0x0003;
constexpr int HELP_INDEX = 0x0003;
constexpr int HELP_HELPONHELP = 0x0004;
constexpr int HELP_PARTIALKEY = 0x0105;

class TApplication : public TComponent {
    VANTREL_CLASS(TApplication, TComponent)

    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& Value) { title_ = Value; }
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& Value) { helpFile_ = Value; }
    // The program's icon (empty until the program loads one).
    TIcon* Icon() const { return icon_.get(); }
    TCustomForm* MainForm() const { return mainForm_; }
    // Runs the message loop until Terminate or until the main form closes.
    void Run();
    void Terminate();
    bool Terminated() const { return terminated_; }
    // Handles every waiting event and posted message, fires due timers, then returns.
    void ProcessMessages();
    // Waits for one event (or a timer), handles it, then runs OnIdle when nothing is waiting.
    void HandleMessage();
    // Shows the exception in flight (call inside a catch) in a message box; EAbort silently.
    void HandleException(TObject* Sender);
    void ShowException(const std::exception& E);
    // Creates a form owned by the application; the first one becomes the main form.
    template <typename T>
    void CreateForm(T*& Reference) {
        Reference = new T(this);
        FormCreated(Reference);
    }
    // The message box of the message-box service with Title as the default caption.
    int MessageBox(const std::string& Text, const std::string& Caption, UINT Flags);
    // Help from the help file: HELP_CONTEXT with a topic number, HELP_CONTENTS, HELP_QUIT...
    bool HelpContext(int Context);
    bool HelpCommand(int Command, long Data);
    bool HelpJump(const std::string& Topic);

    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool Value) { showHint_ = Value; }
    TColor HintColor() const { return hintColor_; }
    void SetHintColor(TColor Value) { hintColor_ = Value; }
    int HintPause() const { return hintPause_; }
    void SetHintPause(int Value) { hintPause_ = Value; }
    int HintHidePause() const { return hintHidePause_; }
    void SetHintHidePause(int Value) { hintHidePause_ = Value; }
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& Value);

    TIdleEvent OnIdle;
    TExceptionEvent OnException;
    TNotifyEvent OnHint;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;

    // Internal to the layer.
    void FormCreated(TCustomForm* Form);
    void FormDestroying(TCustomForm* Form);

private:
    void Idle();
    std::string title_ = "Vantrel Plus";
    std::string helpFile_;
    std::unique_ptr<TIcon> icon_ = std::make_unique<TIcon>();
    std::string hint_;
    TCustomForm* mainForm_ = nullptr;
    bool terminated_ = false;
    bool showHint_ = true;
    TColor hintColor_ = clInfoBk;
    int hintPause_ = 500;
    int hintHidePause_ = 2500;
};

// The application and screen objects (made on first use; the application owns the forms made by
// CreateForm).
extern TApplication* Application;
extern TScreen* Screen;
// Makes Application and Screen when they do not exist yet (also done by the first form).
void InitApplication();
