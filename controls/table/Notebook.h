// The tabbed notebook: a container that shows one of its pages at a time under one or more rows
// of tabs along its top edge, or down its right edge, in a newer or an older look. A click on a
// tab, a caption's accelerator or a movement key switches pages. Rows of tabs farther from the
// page are drawn as cards stacked behind it, each one tab height farther out and TabIndent
// farther along; the active tab's row always lies next to the page.
//
// Promises: no layout divides by zero (a notebook without pages, or too small for its tabs,
// keeps TabWidth at least 1); a click selects only a tab drawn by the last paint; selecting a
// page that is not there, hidden or disabled raises EInvalidPageIndex "Invalid page index value"
// and changes nothing; tabs down the right edge need TrueType fonts (EInvalidTabFont).
#pragma once

#include "controls/entry/EntryController.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

enum TTabOrientation { toTop, toRight };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };

class TVcNotebook;

using TDrawTabEvent = std::function<void(TObject* Sender, int Index, const std::string& Title,
                                         const TRect& R, bool Enabled, bool Active, bool& Drawn)>;
using TTabIndexEvent = std::function<void(TObject* Sender, int Index)>;
using TPageChangeEvent = std::function<void(TObject* Sender, int Index, bool& AllowChange)>;

class TVcNotebookPage : public TCustomControl {
    VANTREL_CLASS(TVcNotebookPage, TCustomControl)

    explicit TVcNotebookPage(TVcNotebook* Notebook);

    bool PageEnabled() const { return pageEnabled_; }
    void SetPageEnabled(bool Value);
    TColor TabTextColor() const { return tabTextColor_; }
    void SetTabTextColor(TColor Value);
    bool TabVisible() const { return tabVisible_; }
    void SetTabVisible(bool Value);
    int Row() const { return row_; }
    // The rectangle of the page's tab as last painted (empty when it was not drawn).
    const TRect& TabRect() const { return tabRect_; }
    // Gives up the window handle (the page makes one again when it is shown).
    void ReleaseHandle() { DestroyWnd(); }

private:
    friend class TVcNotebook;
    TVcNotebook* notebook_;
    bool pageEnabled_ = true;
    TColor tabTextColor_ = clBtnText;
    bool tabVisible_ = true;
    int row_ = 0;
    TRect tabRect_{};
};

// The string list behind Pages: the strings are the captions, the objects the pages.
class TPageAccess : public TStrings {
    VANTREL_CLASS(TPageAccess, TStrings)

    explicit TPageAccess(TVcNotebook* Notebook) : notebook_(Notebook) {}

    void Insert(int Index, const std::string& S) override;
    void Delete(int Index) override;
    void Clear() override;
    void Exchange(int Index1, int Index2) override;

protected:
    std::string Get(int Index) const override;
    int GetCount() const override;
    TObject* GetObject(int Index) const override;
    void Put(int Index, const std::string& S) override;

private:
    TVcNotebook* notebook_;
};

class TVcNotebook : public TVcBase {
    VANTREL_CLASS(TVcNotebook, TVcBase)

    explicit TVcNotebook(TComponent* AOwner);
    ~TVcNotebook() override;

    // ----- Pages
    TStrings* Pages() const { return access_.get(); }
    // Keeps the pages whose captions are listed (ignoring case), makes the missing ones and
    // puts them in the list's order.
    void SetPages(TStrings* Value);
    int PageCount() const { return static_cast<int>(pages_.size()); }
    TVcNotebookPage* Page(int Index) const;
    int PageIndex() const { return pageIndex_; }
    void SetPageIndex(int Value);
    TVcNotebookPage* ActivePage() const { return Page(pageIndex_); }
    int DefaultPageIndex() const { return defaultPageIndex_; }
    void SetDefaultPageIndex(int Value) { defaultPageIndex_ = Value; }
    std::string ActivePageName() const;
    void SetActivePageName(const std::string& Value);
    bool PageEnabled() const;
    void SetPageEnabled(bool Value);
    int PageHelpContext() const;
    void SetPageHelpContext(int Value);
    std::string PageHint() const;
    void SetPageHint(const std::string& Value);
    std::string PageName() const { return ActivePageName(); }
    void SetPageName(const std::string& Value);
    TColor TabTextColor() const;
    void SetTabTextColor(TColor Value);

    // ----- Looks
    TFont* ActiveTabFont() const { return activeTabFont_.get(); }
    void SetActiveTabFont(TFont* Value) { activeTabFont_->Assign(Value); }
    bool ConserveResources() const { return conserveResources_; }
    void SetConserveResources(bool Value) { conserveResources_ = Value; }
    bool EchoPageHelp() const { return echoPageHelp_; }
    void SetEchoPageHelp(bool Value) { echoPageHelp_ = Value; }
    bool EchoPageHint() const { return echoPageHint_; }
    void SetEchoPageHint(bool Value) { echoPageHint_ = Value; }
    TColor HighlightColor() const { return highlightColor_; }
    void SetHighlightColor(TColor Value);
    TColor ShadowColor() const { return shadowColor_; }
    void SetShadowColor(TColor Value);
    bool ShadowedText() const { return shadowedText_; }
    void SetShadowedText(bool Value);
    TColor TextShadowColor() const { return textShadowColor_; }
    void SetTextShadowColor(TColor Value);
    TButtonStyle Style() const { return style_; }
    void SetStyle(TButtonStyle Value);
    bool TabAutoHeight() const { return tabAutoHeight_; }
    void SetTabAutoHeight(bool Value);
    int TabHeight() const { return tabHeight_; }
    void SetTabHeight(int Value);
    int TabIndent() const { return tabIndent_; }
    void SetTabIndent(int Value);
    TTabOrientation TabOrientation() const { return orientation_; }
    void SetTabOrientation(TTabOrientation Value);
    int TabRowCount() const { return tabRowCount_; }
    void SetTabRowCount(int Value);
    int TabWidth() const { return tabWidth_; }
    void SetTabWidth(int Value);

    // ----- Layout (as last computed)
    int Rows() const { return rows_; }
    int TabsPerRow() const { return perRow_; }
    int ActiveRow() const { return activeRow_; }
    void ComputeLayout();
    // The tab rows, captions and page frame, on any canvas of the notebook's size.
    void PaintTabs(TCanvas* Canvas);
    // The look the style gives: the newer one unless the older is asked for.
    bool NewLook() const { return style_ != bsWin31; }

    // ----- Design-time tab measures dragged with the mouse
    void DragWidthTo(int Position);
    void DragIndentTo(int Position);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Loaded() override;

    TDrawTabEvent OnDrawTab;
    TTabIndexEvent OnMouseOverTab;
    TPageChangeEvent OnPageChange;
    TTabIndexEvent OnPageChanged;
    TTabIndexEvent OnTabClick;
    std::function<void(TObject* Sender, Word Command)> OnUserCommand;

protected:
    virtual bool DoDrawTab(int Index, const std::string& Title, const TRect& R, bool Enabled,
                           bool Active);
    virtual void DoMouseOverTab(int Index);
    virtual bool DoPageChange(int Index);
    virtual void DoPageChanged(int Index);
    virtual void DoTabClick(int Index);
    virtual void DoUserCommand(Word Command);

    void Paint() override;
    void CreateWnd() override;
    void WMKeyDown(TWMKey& Message) override;
    void WMGetDlgCode(TWMGetDlgCode& Message) override;
    void WMSetFocus(TWMSetFocus& Message) override;
    void WMKillFocus(TWMKillFocus& Message) override;
    void WMLButtonDown(TWMMouse& Message) override;
    void WMLButtonUp(TWMMouse& Message) override;
    void WMMouseMove(TWMMouse& Message) override;
    void WMEraseBkgnd(TWMEraseBkgnd& Message) override;
    void CMDialogChar(TCMDialogChar& Message) override;
    void CMFontChanged(TMessage& Message) override;

private:
    friend class TPageAccess;
    friend class TVcNotebookPage;
    struct TTabPlace;
    bool Designing() const { return ComponentState().Contains(csDesigning); }
    bool Loading() const { return ComponentState().Contains(csLoading); }
    bool ValidPage(int Index) const;
    int NextValidPage(int From, int Step) const;
    void PlacePages();
    void Relayout();
    void RepaintTab(int Index);
    void FocusPage(int Index);
    void CheckTabFonts(bool Raise);
    void FontsChanged();

    // ----- Drawing
    void DrawRows(TCanvas* Canvas, bool Right);
    void DrawTab(TCanvas* Canvas, const TTabPlace& Tab, bool Right);
    void DrawCaption(TCanvas* Canvas, const TTabPlace& Tab, bool Right);
    void DrawCaptionTop(TCanvas* Canvas, const TTabPlace& Tab, const std::string& Caption);
    void DrawCaptionRight(TCanvas* Canvas, const TTabPlace& Tab, const std::string& Caption);
    void DrawCorners(TCanvas* Canvas, const TTabPlace& Tab, bool Right);
    void DrawRowEnd(TCanvas* Canvas, int N, int Edge, int RowTop, bool Right);
    void DrawBackground(TCanvas* Canvas, int N, bool Right);
    void LookTopNew(TCanvas* Canvas, const TRect& C, bool Active);
    void LookTopOld(TCanvas* Canvas, const TRect& C, bool Active);
    void LookRightNew(TCanvas* Canvas, const TRect& C, bool Active);
    void LookRightOld(TCanvas* Canvas, const TRect& C, bool Active);
    void UseFont(TCanvas* Canvas, TFont* Font, bool Right);
    void Shape(TCanvas* Canvas, TColor Color);
    void Line(TCanvas* Canvas, TColor Color, std::vector<TPoint> Points);
    void Box(TCanvas* Canvas, TColor Color, int Left, int Top, int Right, int Bottom);
    TRect FocusRect() const;

    std::vector<TVcNotebookPage*> pages_;
    std::unique_ptr<TPageAccess> access_;
    std::unique_ptr<TFont> activeTabFont_;
    bool conserveResources_ = false;
    int defaultPageIndex_ = 0;
    bool echoPageHelp_ = false;
    bool echoPageHint_ = false;
    TColor highlightColor_ = clBtnHighlight;
    int pageIndex_ = -1;
    TColor shadowColor_ = clBtnShadow;
    bool shadowedText_ = false;
    TButtonStyle style_ = bsAutoDetect;
    bool tabAutoHeight_ = true;
    int tabHeight_ = 20;
    int tabIndent_ = 8;
    TTabOrientation orientation_ = toTop;
    int tabRowCount_ = 0;
    int tabWidth_ = 65;
    TColor textShadowColor_ = clBtnShadow;

    int rows_ = 1;
    int perRow_ = 0;
    int activeRow_ = 0;
    bool focused_ = false;
    // Drawing state
    TColor parentColor_ = clBtnFace;
    int textOffset_ = 0;
    bool rowHasTab_ = false;
    int rowDrawn_ = 0;
    // Design-time dragging
    bool onWidthEdge_ = false;
    bool onIndentEdge_ = false;
    bool dragging_ = false;
};
