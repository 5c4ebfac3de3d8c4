#include "controls/table/Notebook.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/MessageTables.h"
#include "platform/gui/Forms.h"
#include "platform/gui/Menus.h"
#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"

#include <algorithm>

namespace {
constexpr int MsgSampleText = 34282;
constexpr int MinTabWidth = 20;
constexpr int EdgeGrab = 6;

// The classic bitmap faces; every other face resolves to a scalable font.
bool IsTrueTypeFont(const TFont& Font) {
    static const char* const raster[] = {"MS Sans Serif", "MS Serif", "System",  "Courier",
                                         "Small Fonts",   "Terminal", "Fixedsys"};
    return std::none_of(std::begin(raster), std::end(raster),
                        [&](const char* face) { return SameText(Font.Name(), face); });
}

int CeilDiv(int A, int B) {
    return B <= 0 ? 0 : (A + B - 1) / B;
}
} // namespace

// One place in a row of tabs as it is drawn.
struct TVcNotebook::TTabPlace {
    int Index = -1;
    std::string Caption = " ";
    TRect Cell{};
    bool Enabled = false;
    bool Active = false;
    int N = 0;            // the row's place in the drawing order
    int Place = 0;        // the tab's place in its row
    int Edge = 0;         // toRight: the row's outer edge
    bool Leading = false; // no visible tab of the row drawn before it
};

// =============================================================================================
// TVcNotebookPage

TVcNotebookPage::TVcNotebookPage(TVcNotebook* Notebook)
    : TCustomControl(Notebook), notebook_(Notebook) {
    SetVisible(false);
    SetCtl3D(Notebook->Ctl3D());
    SetShowHint(Notebook->ShowHint());
    SetParentShowHint(Notebook->ParentShowHint());
    SetColor(Notebook->Color());
    SetParent(Notebook);
}

void TVcNotebookPage::SetPageEnabled(bool Value) {
    if (pageEnabled_ == Value) return;
    pageEnabled_ = Value;
    notebook_->Invalidate();
}

void TVcNotebookPage::SetTabTextColor(TColor Value) {
    if (tabTextColor_ == Value) return;
    tabTextColor_ = Value;
    notebook_->Invalidate();
}

void TVcNotebookPage::SetTabVisible(bool Value) {
    if (tabVisible_ == Value) return;
    tabVisible_ = Value;
    tabRect_ = {};
    notebook_->Relayout();
}

// =============================================================================================
// TPageAccess

std::string TPageAccess::Get(int Index) const {
    const TVcNotebookPage* page = notebook_->Page(Index);
    if (!page) throw EStringListError("List index out of bounds (%d)", {Index});
    return page->Caption();
}

int TPageAccess::GetCount() const {
    return notebook_->PageCount();
}

TObject* TPageAccess::GetObject(int Index) const {
    return notebook_->Page(Index);
}

void TPageAccess::Put(int Index, const std::string& S) {
    TVcNotebookPage* page = notebook_->Page(Index);
    if (!page) throw EStringListError("List index out of bounds (%d)", {Index});
    page->SetCaption(S);
    notebook_->RepaintTab(Index);
}

void TPageAccess::Insert(int Index, const std::string& S) {
    if (Index < 0 || Index > GetCount())
        throw EStringListError("List index out of bounds (%d)", {Index});
    auto* page = new TVcNotebookPage(notebook_);
    page->SetCaption(S);
    notebook_->pages_.insert(notebook_->pages_.begin() + Index, page);
    if (notebook_->pageIndex_ >= Index && notebook_->pageIndex_ >= 0) ++notebook_->pageIndex_;
    notebook_->Relayout();
}

void TPageAccess::Delete(int Index) {
    TVcNotebookPage* page = notebook_->Page(Index);
    if (!page) throw EStringListError("List index out of bounds (%d)", {Index});
    notebook_->pages_.erase(notebook_->pages_.begin() + Index);
    delete page;
    int& current = notebook_->pageIndex_;
    if (current == Index) {
        current = -1;
        const int next = notebook_->NextValidPage(Index - 1, 1);
        if (next >= 0) notebook_->SetPageIndex(next);
    } else if (current > Index) {
        --current;
    }
    notebook_->Relayout();
}

void TPageAccess::Clear() {
    while (GetCount() > 0)
        Delete(GetCount() - 1);
}

void TPageAccess::Exchange(int Index1, int Index2) {
    if (!notebook_->Page(Index1) || !notebook_->Page(Index2))
        throw EStringListError("List index out of bounds (%d)",
                               {notebook_->Page(Index1) ? Index2 : Index1});
    std::swap(notebook_->pages_[static_cast<std::size_t>(Index1)],
              notebook_->pages_[static_cast<std::size_t>(Index2)]);
    int& current = notebook_->pageIndex_;
    if (current == Index1)
        current = Index2;
    else if (current == Index2)
        current = Index1;
    notebook_->Relayout();
}

// =============================================================================================
// TVcNotebook: pages

TVcNotebook::TVcNotebook(TComponent* AOwner)
    : TVcBase(AOwner), access_(std::make_unique<TPageAccess>(this)),
      activeTabFont_(std::make_unique<TFont>()) {
    SetBounds(Left(), Top(), 220, 185);
    SetColor(clBtnFace);
    SetCtl3D(false);
    SetTabStop(true);
    activeTabFont_->SetName("Courier New");
    activeTabFont_->SetStyle(TFontStyles{fsBold});
    activeTabFont_->OnChange = [this](TObject*) { FontsChanged(); };
    for (const char* caption : {"&First", "&Second", "&Third"})
        access_->Add(caption);
    SetPageIndex(0);
}

TVcNotebook::~TVcNotebook() {
    activeTabFont_->OnChange = nullptr;
    pages_.clear(); // the pages go with the notebook's components
}

TVcNotebookPage* TVcNotebook::Page(int Index) const {
    if (Index < 0 || Index >= PageCount()) return nullptr;
    return pages_[static_cast<std::size_t>(Index)];
}

bool TVcNotebook::ValidPage(int Index) const {
    const TVcNotebookPage* page = Page(Index);
    return page && page->TabVisible() && (page->PageEnabled() || Designing());
}

int TVcNotebook::NextValidPage(int From, int Step) const {
    const int count = PageCount();
    for (int i = 1; i <= count; ++i) {
        const int index = ((From + Step * i) % count + count) % count;
        if (ValidPage(index)) return index;
    }
    return -1;
}

void TVcNotebook::SetPages(TStrings* Value) {
    const auto listed = [Value](const std::string& caption) {
        for (int i = 0; i < Value->Count(); ++i)
            if (SameText(Value->Strings(i), caption)) return true;
        return false;
    };
    for (int i = PageCount() - 1; i >= 0; --i)
        if (!listed(Page(i)->Caption())) access_->Delete(i);
    std::vector<TVcNotebookPage*> ordered;
    for (int i = 0; i < Value->Count(); ++i) {
        const std::string caption = Value->Strings(i);
        auto it = std::find_if(pages_.begin(), pages_.end(), [&](TVcNotebookPage* page) {
            return SameText(page->Caption(), caption) &&
                   std::find(ordered.begin(), ordered.end(), page) == ordered.end();
        });
        TVcNotebookPage* page = it != pages_.end() ? *it : nullptr;
        if (!page) {
            page = new TVcNotebookPage(this);
            page->SetCaption(caption);
        }
        ordered.push_back(page);
    }
    pages_ = ordered;
    pageIndex_ = -1;
    const int first = NextValidPage(-1, 1);
    if (first >= 0) SetPageIndex(first);
    Relayout();
}

void TVcNotebook::SetPageIndex(int Value) {
    if (Loading()) {
        defaultPageIndex_ = Value;
        pageIndex_ = Value;
        return;
    }
    if (Value == pageIndex_) return;
    if (!ValidPage(Value)) throw EInvalidPageIndex();
    if (!Designing() && !DoPageChange(Value)) return;
    const bool hadFocus = Focused();
    TVcNotebookPage* old = Page(pageIndex_);
    const int oldIndex = pageIndex_;
    if (old) {
        TWinControl* focus = FindControl(GetFocus());
        if (focus && old->ContainsControl(focus) && CanFocus()) SetFocus();
        old->SetVisible(false);
    }
    TVcNotebookPage* page = Page(Value);
    page->SetVisible(true);
    page->BringToFront();
    if (old && conserveResources_ && !Designing() && old->HandleAllocated()) old->ReleaseHandle();
    pageIndex_ = Value;
    activeRow_ = page->row_;
    if (echoPageHelp_) SetHelpContext(page->HelpContext());
    if (echoPageHint_) SetHint(page->Hint());
    if (hadFocus && !Focused() && CanFocus()) SetFocus();
    if (old && old->row_ == page->row_) {
        RepaintTab(oldIndex);
        RepaintTab(Value);
        Update();
    } else {
        Relayout();
    }
    if (!Designing()) DoPageChanged(Value);
}

std::string TVcNotebook::ActivePageName() const {
    const TVcNotebookPage* page = ActivePage();
    return page ? page->Caption() : std::string();
}

void TVcNotebook::SetActivePageName(const std::string& Value) {
    for (int i = 0; i < PageCount(); ++i)
        if (Page(i)->Caption() == Value) {
            SetPageIndex(i);
            return;
        }
}

bool TVcNotebook::PageEnabled() const {
    const TVcNotebookPage* page = ActivePage();
    return page && page->PageEnabled();
}

void TVcNotebook::SetPageEnabled(bool Value) {
    if (TVcNotebookPage* page = ActivePage()) page->SetPageEnabled(Value);
}

int TVcNotebook::PageHelpContext() const {
    const TVcNotebookPage* page = ActivePage();
    return page ? page->HelpContext() : 0;
}

void TVcNotebook::SetPageHelpContext(int Value) {
    if (TVcNotebookPage* page = ActivePage()) page->SetHelpContext(Value);
}

std::string TVcNotebook::PageHint() const {
    const TVcNotebookPage* page = ActivePage();
    return page ? page->Hint() : std::string();
}

void TVcNotebook::SetPageHint(const std::string& Value) {
    if (TVcNotebookPage* page = ActivePage()) page->SetHint(Value);
}

void TVcNotebook::SetPageName(const std::string& Value) {
    if (TVcNotebookPage* page = ActivePage()) {
        page->SetCaption(Value);
        RepaintTab(pageIndex_);
    }
}

TColor TVcNotebook::TabTextColor() const {
    const TVcNotebookPage* page = ActivePage();
    return page ? page->TabTextColor() : Font()->Color();
}

void TVcNotebook::SetTabTextColor(TColor Value) {
    if (TVcNotebookPage* page = ActivePage()) page->SetTabTextColor(Value);
}

// =============================================================================================
// Looks

void TVcNotebook::SetHighlightColor(TColor Value) {
    if (highlightColor_ == Value) return;
    highlightColor_ = Value;
    Invalidate();
}

void TVcNotebook::SetShadowColor(TColor Value) {
    if (shadowColor_ == Value) return;
    shadowColor_ = Value;
    Invalidate();
}

void TVcNotebook::SetShadowedText(bool Value) {
    if (shadowedText_ == Value) return;
    shadowedText_ = Value;
    Invalidate();
}

void TVcNotebook::SetTextShadowColor(TColor Value) {
    if (textShadowColor_ == Value) return;
    textShadowColor_ = Value;
    Invalidate();
}

void TVcNotebook::SetStyle(TButtonStyle Value) {
    if (style_ == Value) return;
    style_ = Value;
    Invalidate();
}

void TVcNotebook::SetTabAutoHeight(bool Value) {
    tabAutoHeight_ = Value;
    if (Value) Relayout();
}

void TVcNotebook::SetTabHeight(int Value) {
    tabHeight_ = std::max(1, Value);
    if (!Loading()) tabAutoHeight_ = false;
    Relayout();
}

void TVcNotebook::SetTabIndent(int Value) {
    if (Value < 0 || Value > tabWidth_ - tabWidth_ / 2) return;
    tabIndent_ = Value;
    Relayout();
}

void TVcNotebook::SetTabWidth(int Value) {
    tabWidth_ = std::max(1, Value);
    Relayout();
}

void TVcNotebook::SetTabRowCount(int Value) {
    tabRowCount_ = std::max(0, Value);
    Relayout();
}

void TVcNotebook::SetTabOrientation(TTabOrientation Value) {
    if (orientation_ == Value) return;
    if (Value == toRight) {
        const TTabOrientation old = orientation_;
        orientation_ = Value;
        try {
            CheckTabFonts(!Designing());
        } catch (...) {
            orientation_ = old;
            throw;
        }
    }
    orientation_ = Value;
    Relayout();
}

void TVcNotebook::CheckTabFonts(bool Raise) {
    for (TFont* font : {Font(), activeTabFont_.get()})
        if (!IsTrueTypeFont(*font)) {
            if (Raise) throw EInvalidTabFont();
            font->SetName("Courier New");
        }
}

void TVcNotebook::FontsChanged() {
    if (orientation_ == toRight) {
        bool bad = false;
        for (TFont* font : {Font(), activeTabFont_.get()})
            if (!IsTrueTypeFont(*font)) {
                font->SetName("Courier New");
                bad = true;
            }
        if (bad) throw EInvalidTabFont();
    }
    Relayout();
}

void TVcNotebook::CMFontChanged(TMessage& Message) {
    TVcBase::CMFontChanged(Message);
    FontsChanged();
}

// =============================================================================================
// Layout

void TVcNotebook::ComputeLayout() {
    const int count = PageCount();
    if (tabAutoHeight_ && Designing()) {
        const std::string sample = GetVcString(MsgSampleText);
        TCanvas* canvas = Canvas();
        canvas->Font()->Assign(Font());
        int height = canvas->TextHeight(sample);
        canvas->Font()->Assign(activeTabFont_.get());
        height = std::max(height, canvas->TextHeight(sample));
        tabHeight_ = height + 4;
    }
    const int length = (orientation_ == toTop ? Width() : Height()) - 1;
    if (tabRowCount_ == 0) {
        rows_ = 1;
        perRow_ = count;
        while (length < (rows_ - 1) * tabIndent_ + perRow_ * tabWidth_ && rows_ < count) {
            ++rows_;
            perRow_ = CeilDiv(count, rows_);
        }
    } else {
        rows_ = tabRowCount_;
        perRow_ = CeilDiv(count, rows_);
        if (length <= (rows_ - 1) * tabIndent_) tabIndent_ = 0;
        while (tabWidth_ > 1 && length < (rows_ - 1) * tabIndent_ + perRow_ * tabWidth_)
            --tabWidth_;
    }
    while (perRow_ * rows_ < count)
        ++perRow_;
    for (int i = 0; i < count; ++i)
        pages_[static_cast<std::size_t>(i)]->row_ = perRow_ > 0 ? i / perRow_ : 0;
    if (const TVcNotebookPage* page = ActivePage()) activeRow_ = page->row_;
}

void TVcNotebook::PlacePages() {
    for (TVcNotebookPage* page : pages_) {
        TRect r;
        if (orientation_ == toTop) {
            const int top = rows_ * tabHeight_ + 3;
            r = {3, top, 3 + perRow_ * tabWidth_ - 5, Height() - 2};
        } else {
            r = {3, 3, 3 + Width() - rows_ * tabHeight_ - 3 - 2, 3 + perRow_ * tabWidth_ - 5};
        }
        const int w = std::max(0, r.Width());
        const int h = std::max(0, r.Height());
        if (page->Left() != r.Left || page->Top() != r.Top || page->Width() != w ||
            page->Height() != h)
            page->SetBounds(r.Left, r.Top, w, h);
    }
}

void TVcNotebook::Relayout() {
    if (Loading()) return;
    ComputeLayout();
    PlacePages();
    Invalidate();
}

void TVcNotebook::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (Align() != alNone && perRow_ > 0) {
        const bool top = orientation_ == toTop;
        const int least = (rows_ - 1) * tabIndent_ + perRow_ * MinTabWidth;
        int& along = top ? AWidth : AHeight;
        along = std::max(along, least);
        tabWidth_ = std::max(1, (along - 1 - (rows_ - 1) * tabIndent_) / perRow_);
    }
    int& along = orientation_ == toTop ? AWidth : AHeight;
    along = std::max(along, (rows_ - 1) * tabIndent_ + tabWidth_);
    TVcBase::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (!pages_.empty()) Relayout();
}

void TVcNotebook::Loaded() {
    TVcBase::Loaded();
    if (!ValidPage(pageIndex_)) pageIndex_ = NextValidPage(pageIndex_, 1);
    for (int i = 0; i < PageCount(); ++i) {
        TVcNotebookPage* page = Page(i);
        page->SetVisible(i == pageIndex_);
        if (i != pageIndex_ && conserveResources_ && !Designing() && page->HandleAllocated())
            page->ReleaseHandle();
    }
    if (TVcNotebookPage* page = ActivePage()) {
        page->BringToFront();
        if (echoPageHelp_) SetHelpContext(page->HelpContext());
        if (echoPageHint_) SetHint(page->Hint());
    }
    Relayout();
}

void TVcNotebook::CreateWnd() {
    TVcBase::CreateWnd();
    ComputeLayout();
    PlacePages();
}

void TVcNotebook::RepaintTab(int Index) {
    const TVcNotebookPage* page = Page(Index);
    if (!page || !HandleAllocated()) return;
    TRect r = page->TabRect();
    if (orientation_ == toTop)
        r.Bottom += 5;
    else
        r.Left -= 5;
    InvalidateRect(Handle(), &r, false);
}

// =============================================================================================
// Input

void TVcNotebook::DragWidthTo(int Position) {
    if (perRow_ <= 0) return;
    const int least = perRow_ * MinTabWidth + (rows_ - 1) * tabIndent_;
    const int most = (orientation_ == toTop ? Width() : Height()) - 1;
    const int p = std::min(std::max(Position, least), most);
    const int width = std::max(1, (p - (rows_ - 1) * tabIndent_) / perRow_);
    if (width == tabWidth_) return;
    tabWidth_ = width;
    Relayout();
}

void TVcNotebook::DragIndentTo(int Position) {
    const int indent = std::max(0, std::min(Position, tabWidth_ - tabWidth_ / 3));
    if (indent == tabIndent_) return;
    tabIndent_ = indent;
    Relayout();
}

void TVcNotebook::WMGetDlgCode(TWMGetDlgCode& Message) {
    Message.Result = DLGC_WANTARROWS;
}

void TVcNotebook::WMKeyDown(TWMKey& Message) {
    const Word command = NeedController().EntryCommands()->Translate(Message);
    focused_ = true;
    int target = -1;
    const bool top = orientation_ == toTop;
    const Word previous = top ? ccLeft : ccUp;
    const Word next = top ? ccRight : ccDown;
    const Word rowBack = top ? ccUp : ccRight;
    if (command == previous) {
        target = NextValidPage(pageIndex_, -1);
    } else if (command == next) {
        target = NextValidPage(pageIndex_, 1);
    } else if (command == ccHome) {
        target = NextValidPage(-1, 1);
    } else if (command == ccEnd) {
        target = NextValidPage(PageCount(), -1);
    } else if (command == rowBack && rows_ > 1) {
        if (ValidPage(pageIndex_ - perRow_))
            target = pageIndex_ - perRow_;
        else if (ValidPage((rows_ - 1) * perRow_ + pageIndex_))
            target = (rows_ - 1) * perRow_ + pageIndex_;
    } else if (command >= ccUserFirst) {
        DoUserCommand(command);
    }
    if (target >= 0 && ValidPage(target)) SetPageIndex(target);
    TVcBase::WMKeyDown(Message);
}

void TVcNotebook::FocusPage(int Index) {
    TVcNotebookPage* page = Page(Index);
    std::vector<TWinControl*> order;
    page->GetTabOrderList(order);
    for (TWinControl* control : order)
        if (control->CanFocus()) {
            control->SetFocus();
            return;
        }
    if (CanFocus()) SetFocus();
}

void TVcNotebook::CMDialogChar(TCMDialogChar& Message) {
    const int count = PageCount();
    for (int i = 1; i <= count; ++i) {
        const int index = (pageIndex_ + i) % count;
        if (!IsAccel(Message.CharCode, Page(index)->Caption())) continue;
        if (!ValidPage(index) || !CanFocus()) break;
        if (index != pageIndex_) {
            SetPageIndex(index);
            FocusPage(index);
            if (pageIndex_ == index) DoTabClick(index);
        } else {
            SetFocus();
        }
        Message.Result = 1;
        return;
    }
    TVcBase::CMDialogChar(Message);
}

void TVcNotebook::WMSetFocus(TWMSetFocus& Message) {
    TVcBase::WMSetFocus(Message);
    focused_ = true;
    RepaintTab(pageIndex_);
}

void TVcNotebook::WMKillFocus(TWMKillFocus& Message) {
    TVcBase::WMKillFocus(Message);
    focused_ = false;
    if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
    }
    RepaintTab(pageIndex_);
}

void TVcNotebook::WMLButtonDown(TWMMouse& Message) {
    const TPoint p{Message.XPos, Message.YPos};
    if (Designing() && (onWidthEdge_ || onIndentEdge_)) {
        dragging_ = true;
        SetCapture(Handle());
        return;
    }
    for (int i = 0; i < PageCount(); ++i) {
        const TRect& r = Page(i)->TabRect();
        if (!Page(i)->TabVisible() || !PtInRect(r, p)) continue;
        if (i == pageIndex_) {
            if (CanFocus()) SetFocus();
            DoTabClick(i);
        } else if (Page(i)->PageEnabled() || Designing()) {
            SetPageIndex(i);
            if (pageIndex_ == i) FocusPage(i);
            DoTabClick(i);
        } else {
            DoTabClick(i);
        }
        break;
    }
    TVcBase::WMLButtonDown(Message);
}

void TVcNotebook::WMLButtonUp(TWMMouse& Message) {
    if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
        if (Align() != alNone) Relayout();
    }
    TVcBase::WMLButtonUp(Message);
}

void TVcNotebook::WMMouseMove(TWMMouse& Message) {
    const int x = Message.XPos;
    const int y = Message.YPos;
    const TPoint p{x, y};
    if (dragging_) {
        const int along = orientation_ == toTop ? x : y;
        if (onWidthEdge_) DragWidthTo(along);
        if (onIndentEdge_) DragIndentTo(along);
    } else if (Designing()) {
        const int f = perRow_ * tabWidth_ + (rows_ - 1) * tabIndent_;
        if (orientation_ == toTop) {
            onWidthEdge_ = std::abs(f - x) < EdgeGrab && y < Height() - (rows_ - 1) * tabHeight_;
            onIndentEdge_ = std::abs(tabIndent_ - x) < EdgeGrab && (rows_ - 2) * tabHeight_ < y &&
                            y < (rows_ - 1) * tabHeight_;
        } else {
            const int e = Width() - (rows_ - 2) * tabHeight_;
            onWidthEdge_ = std::abs(f - y) < EdgeGrab && x > (rows_ - 1) * tabHeight_;
            onIndentEdge_ =
                e <= Width() && std::abs(tabIndent_ - y) < EdgeGrab && e - tabHeight_ < x && x < e;
        }
        const TCursor split = orientation_ == toTop ? crHSplit : crVSplit;
        SetCursor(onWidthEdge_ || onIndentEdge_ ? split : crDefault);
    }
    for (int i = 0; i < PageCount(); ++i)
        if (Page(i)->TabVisible() && PtInRect(Page(i)->TabRect(), p)) {
            DoMouseOverTab(i);
            break;
        }
    TVcBase::WMMouseMove(Message);
}

void TVcNotebook::WMEraseBkgnd(TWMEraseBkgnd& Message) {
    if (dragging_) {
        Message.Result = 1;
        return;
    }
    TVcBase::WMEraseBkgnd(Message);
}

// =============================================================================================
// Dispatchers

bool TVcNotebook::DoDrawTab(int Index, const std::string& Title, const TRect& R, bool Enabled,
                            bool Active) {
    bool drawn = false;
    CallEvent(OnDrawTab, this, Index, Title, R, Enabled, Active, drawn);
    return drawn;
}

void TVcNotebook::DoMouseOverTab(int Index) {
    CallEvent(OnMouseOverTab, this, Index);
}

bool TVcNotebook::DoPageChange(int Index) {
    bool allow = true;
    CallEvent(OnPageChange, this, Index, allow);
    return allow;
}

void TVcNotebook::DoPageChanged(int Index) {
    CallEvent(OnPageChanged, this, Index);
}

void TVcNotebook::DoTabClick(int Index) {
    CallEvent(OnTabClick, this, Index);
}

void TVcNotebook::DoUserCommand(Word Command) {
    CallEvent(OnUserCommand, this, Command);
}

// =============================================================================================
// Drawing

void TVcNotebook::Paint() {
    PaintTabs(Canvas());
}

void TVcNotebook::PaintTabs(TCanvas* Canvas) {
    if (pages_.empty()) {
        Canvas->Brush()->SetStyle(bsSolid);
        Canvas->Brush()->SetColor(Color());
        Canvas->FillRect(ClientRect());
        return;
    }
    ComputeLayout();
    PlacePages();
    DrawRows(Canvas, orientation_ == toRight);
}

void TVcNotebook::Shape(TCanvas* Canvas, TColor Color) {
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(Color);
    Canvas->Pen()->SetColor(Color);
    Canvas->Pen()->SetStyle(psSolid);
    Canvas->Pen()->SetMode(pmCopy);
    Canvas->Pen()->SetWidth(1);
}

void TVcNotebook::Line(TCanvas* Canvas, TColor Color, std::vector<TPoint> Points) {
    Canvas->Pen()->SetColor(Color);
    Canvas->Polyline(Points);
}

void TVcNotebook::Box(TCanvas* Canvas, TColor Color, int Left, int Top, int Right, int Bottom) {
    Shape(Canvas, Color);
    Canvas->Rectangle(Left, Top, Right, Bottom);
}

void TVcNotebook::UseFont(TCanvas* Canvas, TFont* Font, bool Right) {
    Canvas->Font()->Assign(Font);
    if (Right) Canvas->Font()->SetHandle(CreateRotatedFont(*Font, 270));
    const int sample = Canvas->TextHeight(GetVcString(MsgSampleText));
    textOffset_ = (tabHeight_ - sample + (Right ? 1 : 2)) / 2;
}

TRect TVcNotebook::FocusRect() const {
    const TVcNotebookPage* page = ActivePage();
    if (!page) return {};
    TRect r = page->TabRect();
    if (orientation_ == toTop) return {r.Left + 3, r.Top + 4, r.Right - 3, r.Bottom - 4};
    return {r.Left + 4, r.Top + 3, r.Right - 4, r.Bottom - 3};
}

void TVcNotebook::DrawRows(TCanvas* Canvas, bool Right) {
    const int width = Width();
    const int height = Height();
    parentColor_ = Parent() ? Parent()->Color() : Color();
    TFont* current = Font();
    UseFont(Canvas, current, Right);
    const int lastRow = rows_ - 1;
    for (TVcNotebookPage* page : pages_)
        page->tabRect_ = {};
    for (int n = 0; n < rows_; ++n) {
        const int row = (activeRow_ + 1 + n) % rows_;
        const int indent = tabIndent_ * (lastRow - n);
        const int edge = width - 1 - n * tabHeight_;
        rowHasTab_ = false;
        rowDrawn_ = n;
        int along = indent;
        int place = 0;
        const auto drawPlace = [&](int index) {
            TTabPlace tab;
            tab.Index = index;
            tab.N = n;
            tab.Place = place;
            tab.Edge = edge;
            tab.Leading = !rowHasTab_;
            if (TVcNotebookPage* page = Page(index)) {
                tab.Caption = page->Caption();
                tab.Enabled = page->PageEnabled();
                tab.Active = index == pageIndex_;
            }
            if (Right) {
                tab.Cell = {edge - tabHeight_, along, edge, along + tabWidth_};
                if (tab.Cell.Bottom >= height) tab.Cell.Bottom = height - 1;
            } else {
                tab.Cell = {along, n * tabHeight_, along + tabWidth_, (n + 1) * tabHeight_};
                if (tab.Cell.Right >= width) tab.Cell.Right = width - 1;
            }
            if (TVcNotebookPage* page = Page(index)) page->tabRect_ = tab.Cell;
            TFont* wanted = tab.Active ? activeTabFont_.get() : Font();
            if (wanted != current) {
                current = wanted;
                UseFont(Canvas, current, Right);
            }
            DrawTab(Canvas, tab, Right);
            DrawCaption(Canvas, tab, Right);
            DrawCorners(Canvas, tab, Right);
            if (index >= 0) rowHasTab_ = true;
            along += tabWidth_;
            ++place;
        };
        for (int i = 0; i < PageCount(); ++i)
            if (Page(i)->row_ == row && Page(i)->TabVisible()) drawPlace(i);
        while (place < perRow_)
            drawPlace(-1);
        const int rowTop = Right ? 0 : n * tabHeight_;
        if (row != activeRow_) DrawRowEnd(Canvas, n, edge, rowTop, Right);
        DrawBackground(Canvas, n, Right);
    }
    Canvas->Font()->Assign(Font());
    Shape(Canvas, Color());
    if (focused_ || Focused()) Canvas->DrawFocusRect(FocusRect());
}

void TVcNotebook::DrawTab(TCanvas* Canvas, const TTabPlace& Tab, bool Right) {
    Shape(Canvas, Color());
    if (Right)
        NewLook() ? LookRightNew(Canvas, Tab.Cell, Tab.Active)
                  : LookRightOld(Canvas, Tab.Cell, Tab.Active);
    else
        NewLook() ? LookTopNew(Canvas, Tab.Cell, Tab.Active)
                  : LookTopOld(Canvas, Tab.Cell, Tab.Active);
}

void TVcNotebook::LookTopNew(TCanvas* Canvas, const TRect& C, bool Active) {
    const int l = C.Left, t = C.Top, r = C.Right, b = C.Bottom;
    const int f = perRow_ * tabWidth_;
    const int h = Height();
    Canvas->Polygon(
        {{l, b - 1}, {l, t + 2}, {l + 2, t}, {r - 4, t}, {r - 2, t + 2}, {r - 2, b - 1}});
    Line(Canvas, highlightColor_, {{l, b - 1}, {l, t + 2}, {l + 2, t}, {r - 2, t}});
    Line(Canvas, clBlack, {{r - 2, t + 1}, {r - 1, t + 2}, {r - 1, b}});
    Line(Canvas, shadowColor_, {{r - 2, t + 2}, {r - 2, b}});
    if (!Active) return;
    Box(Canvas, Color(), l, b, r, b + 1);
    Line(Canvas, highlightColor_, {{l, b}, {0, b}, {0, h - 1}});
    Line(Canvas, highlightColor_, {{r - 1, b}, {f - 2, b}});
    Line(Canvas, clBlack, {{0, h - 1}, {f - 1, h - 1}, {f - 1, b - 1}});
    Line(Canvas, shadowColor_, {{1, h - 2}, {f - 2, h - 2}, {f - 2, b - 1}});
}

void TVcNotebook::LookTopOld(TCanvas* Canvas, const TRect& C, bool Active) {
    const int l = C.Left, t = C.Top, r = C.Right, b = C.Bottom;
    const int f = perRow_ * tabWidth_;
    const int h = Height();
    Canvas->Polygon(
        {{l, b - 1}, {l, t + 4}, {l + 4, t}, {r - 4, t}, {r - 1, t + 4}, {r - 1, b - 1}});
    Line(Canvas, clBlack, {{l, b - 1}, {l, t + 4}, {l + 4, t}, {r - 4, t}, {r, t + 4}, {r, b}});
    Line(Canvas, highlightColor_, {{l + 1, b - 1}, {l + 1, t + 4}, {l + 4, t + 1}, {r - 3, t + 1}});
    if (Active)
        Line(Canvas, highlightColor_,
             {{l + 2, b - 1}, {l + 2, t + 4}, {l + 4, t + 2}, {r - 4, t + 2}});
    Line(Canvas, shadowColor_, {{r - 4, t + 1}, {r - 1, t + 4}, {r - 1, b}});
    if (!Active) return;
    Line(Canvas, shadowColor_, {{r - 4, t + 2}, {r - 2, t + 4}, {r - 2, b}});
    for (int d = 0; d <= 2; ++d)
        Line(Canvas, Color(), {{l, b + d}, {r, b + d}});
    Line(Canvas, highlightColor_, {{l + 1, b}, {l + 1, b + 1}, {1, b + 1}, {1, h - 1}});
    Line(Canvas, highlightColor_, {{l + 2, b}, {l + 2, b + 2}, {2, b + 2}, {2, h - 2}});
    Line(Canvas, highlightColor_, {{r, b + 1}, {f, b + 1}});
    Line(Canvas, highlightColor_, {{r - 1, b + 2}, {f - 1, b + 2}});
    Line(Canvas, shadowColor_, {{2, h - 2}, {f - 1, h - 2}, {f - 1, b + 1}});
    Line(Canvas, shadowColor_, {{r - 1, b + 1}, {r - 1, b - 1}});
    Line(Canvas, shadowColor_, {{3, h - 3}, {f - 2, h - 3}, {f - 2, b + 2}});
    Line(Canvas, shadowColor_, {{r - 2, b + 2}, {r - 2, b - 1}});
    Line(Canvas, clBlack, {{l, b}, {0, b}, {0, h - 1}, {f, h - 1}, {f, b}, {r - 1, b}});
}

void TVcNotebook::LookRightNew(TCanvas* Canvas, const TRect& C, bool Active) {
    const int l = C.Left, t = C.Top, r = C.Right, b = C.Bottom;
    const int f = perRow_ * tabWidth_;
    Canvas->Polygon(
        {{l + 1, t}, {r - 2, t}, {r - 1, t + 2}, {r - 1, b - 3}, {r - 2, b - 1}, {l + 1, b - 1}});
    Line(Canvas, highlightColor_, {{l + 1, t}, {r - 2, t}, {r, t + 2}});
    Line(Canvas, clBlack, {{r, t + 2}, {r, b - 2}, {r - 1, b - 2}, {r - 2, b - 1}, {l, b - 1}});
    Line(Canvas, shadowColor_, {{r - 1, t + 2}, {r - 1, b - 3}, {r - 2, b - 2}, {l, b - 2}});
    if (!Active) return;
    Box(Canvas, Color(), l - 1, t, l + 1, b);
    Canvas->SetPixels(l, t, Color());
    Line(Canvas, clBlack, {{l, 0}, {l, t}});
    Line(Canvas, clBlack, {{l, b - 1}, {l, f}});
    Line(Canvas, clBlack, {{0, f - 1}, {l, f - 1}});
    Canvas->SetPixels(l, t, Color());
    Line(Canvas, highlightColor_, {{0, f - 1}, {0, 0}, {l + 1, 0}});
    Line(Canvas, shadowColor_, {{l - 1, 0}, {l - 1, t - 1}});
    Line(Canvas, shadowColor_, {{l - 1, b}, {l - 1, f - 1}});
    Line(Canvas, shadowColor_, {{1, f - 2}, {l + 1, f - 2}});
    Canvas->SetPixels(l - 1, 0, highlightColor_);
}

void TVcNotebook::LookRightOld(TCanvas* Canvas, const TRect& C, bool Active) {
    const int l = C.Left, t = C.Top, r = C.Right, b = C.Bottom;
    const int f = perRow_ * tabWidth_;
    Canvas->Polygon({{l + 1, t + 1},
                     {r - 4, t + 1},
                     {r - 1, t + 4},
                     {r - 1, b - 4},
                     {r - 4, b - 1},
                     {l + 1, b - 1}});
    Line(Canvas, clBlack, {{l, t}, {r - 4, t}, {r, t + 4}, {r, b - 4}, {r - 4, b}, {l - 1, b}});
    Line(Canvas, highlightColor_, {{l + 1, t + 1}, {r - 3, t + 1}});
    if (Active) Line(Canvas, highlightColor_, {{l - 1, t + 2}, {r - 3, t + 2}});
    Line(Canvas, shadowColor_,
         {{r - 5, t + 1},
          {r - 4, t + 1},
          {r - 1, t + 4},
          {r - 1, b - 4},
          {r - 4, b - 1},
          {l, b - 1}});
    if (!Active) return;
    Line(Canvas, shadowColor_,
         {{r - 4, t + 2}, {r - 2, t + 4}, {r - 2, b - 4}, {r - 4, b - 2}, {l, b - 2}});
    Box(Canvas, Color(), l - 2, t + 3, l + 1, b - 2);
    Line(Canvas, clBlack, {{l, t}, {l, 0}, {0, 0}, {0, f}, {l, f}, {l, b}});
    Line(Canvas, shadowColor_, {{l - 1, t + 1}, {l - 1, 1}});
    Line(Canvas, shadowColor_, {{l - 2, t + 2}, {l - 2, 2}});
    Line(Canvas, shadowColor_, {{2, f - 1}, {l - 1, f - 1}, {l - 1, b - 3}});
    Line(Canvas, shadowColor_, {{3, f - 2}, {l - 2, f - 2}, {l - 2, b - 2}});
    Canvas->SetPixels(l - 2, b - 2, shadowColor_);
    Line(Canvas, shadowColor_, {{l, b - 1}, {l, b - 3}});
    Line(Canvas, highlightColor_, {{l - 1, 1}, {1, 1}, {1, f}});
    Line(Canvas, highlightColor_, {{l - 2, 2}, {2, 2}, {2, f - 1}});
    Canvas->SetPixels(l, t + 1, highlightColor_);
}

void TVcNotebook::DrawCaption(TCanvas* Canvas, const TTabPlace& Tab, bool Right) {
    if (DoDrawTab(Tab.Index, Tab.Caption, Tab.Cell, Tab.Enabled, Tab.Active)) return;
    const TColor saved = Canvas->Font()->Color();
    if (!Tab.Active) {
        const TVcNotebookPage* page = Page(Tab.Index);
        Canvas->Font()->SetColor(page ? page->TabTextColor() : Font()->Color());
    }
    if (Right)
        DrawCaptionRight(Canvas, Tab, Tab.Caption);
    else
        DrawCaptionTop(Canvas, Tab, Tab.Caption);
    Canvas->Font()->SetColor(saved);
    Canvas->Brush()->SetStyle(bsSolid);
}

void TVcNotebook::DrawCaptionTop(TCanvas* Canvas, const TTabPlace& Tab,
                                 const std::string& Caption) {
    TRect box{Tab.Cell.Left + 4, Tab.Cell.Top + textOffset_, Tab.Cell.Right - 4, Tab.Cell.Bottom};
    if (box.Right > Width()) box.Right = Width() - 8;
    const UINT format = DT_SINGLELINE | DT_CENTER;
    const TColor own = Canvas->Font()->Color();
    const auto write = [&](TColor color, bool opaque, int dx, int dy) {
        Canvas->Font()->SetColor(color);
        Canvas->Brush()->SetColor(Color());
        Canvas->Brush()->SetStyle(opaque ? bsSolid : bsClear);
        TRect r{box.Left + dx, box.Top + dy, box.Right + dx, box.Bottom + dy};
        DrawText(Canvas->Handle(), Caption, &r, format);
    };
    if (!Tab.Enabled) {
        write(highlightColor_, true, 0, 0);
        write(shadowColor_, false, -2, -1);
    } else if (shadowedText_) {
        write(textShadowColor_, true, 0, 0);
        write(own, false, -2, -1);
    } else {
        write(own, true, 0, 0);
    }
}

void TVcNotebook::DrawCaptionRight(TCanvas* Canvas, const TTabPlace& Tab,
                                   const std::string& Caption) {
    const int x = Tab.Edge;
    const int y = Tab.Cell.Top;
    int boxHeight = tabWidth_ - 8;
    if (y + 4 + boxHeight >= Height()) boxHeight = Height() - 4 - (y + 4);
    // The first "&" marks the accelerator; "&&" writes one "&" and marks nothing.
    std::string text = Caption;
    int accel = -1;
    if (const std::size_t amp = text.find('&'); amp != std::string::npos) {
        text.erase(amp, 1);
        if (amp < text.size() && text[amp] != '&') accel = static_cast<int>(amp);
    }
    if (text.empty()) text = " ";
    const int p =
        accel > 0 ? Canvas->TextWidth(text.substr(0, static_cast<std::size_t>(accel))) : 0;
    const int captionWidth = Canvas->TextWidth(text);
    const int c = captionWidth < boxHeight ? (boxHeight - captionWidth) / 2 : 0;
    const int x0 = x - textOffset_;
    const int y0 = y + 4 + c;
    const int h = Canvas->TextHeight(text);
    const int a =
        accel >= 0 ? Canvas->TextWidth(text.substr(static_cast<std::size_t>(accel), 1)) : 0;
    const TColor own = Canvas->Font()->Color();
    const auto write = [&](TColor color, bool opaque, int px, int py) {
        Canvas->Font()->SetColor(color);
        Canvas->Brush()->SetColor(Color());
        Canvas->Brush()->SetStyle(opaque ? bsSolid : bsClear);
        Canvas->TextOut(px, py, text);
    };
    const auto underline = [&](TColor color, int ux, int shift) {
        if (accel < 0) return;
        Line(Canvas, color, {{ux, y0 + p + shift}, {ux, y0 + p + a + shift}});
    };
    if (Tab.Enabled && !shadowedText_) {
        write(own, true, x0, y0);
        underline(own, x0 - h + 1, 0);
    } else if (Tab.Enabled) {
        write(textShadowColor_, true, x0, y0);
        write(own, false, x0 - 1, y0 - 2);
        underline(own, x0 - h, -1);
    } else {
        write(highlightColor_, true, x0 + 1, y0);
        write(shadowColor_, false, x0, y0 - 2);
        underline(shadowColor_, x0 - h, -1);
        Canvas->Font()->SetColor(own);
    }
}

void TVcNotebook::DrawCorners(TCanvas* Canvas, const TTabPlace& Tab, bool Right) {
    const bool newer = NewLook();
    const bool first = Tab.N == 0;
    const bool lastPlace = Tab.Place == perRow_ - 1;
    const TColor leading = first || Tab.Leading ? parentColor_ : Color();
    const TColor trailing = first || (tabIndent_ == 0 && lastPlace) ? parentColor_ : Color();
    if (Right) {
        const int x = Tab.Edge;
        const int y = Tab.Cell.Top;
        const int y2 = y + tabWidth_;
        Shape(Canvas, leading);
        Canvas->Polygon(newer ? std::vector<TPoint>{{x, y}, {x - 1, y}, {x, y + 1}}
                              : std::vector<TPoint>{{x, y}, {x - 3, y}, {x, y + 3}});
        Shape(Canvas, trailing);
        Canvas->Polygon(newer ? std::vector<TPoint>{{x, y2}, {x, y2 - 2}, {x - 2, y2}}
                              : std::vector<TPoint>{{x, y2}, {x, y2 - 3}, {x - 3, y2}});
        return;
    }
    const int x = Tab.Cell.Left;
    const int y = Tab.Cell.Top;
    const int x2 = x + tabWidth_;
    Shape(Canvas, leading);
    Canvas->Polygon(newer ? std::vector<TPoint>{{x, y}, {x + 1, y}, {x, y + 1}}
                          : std::vector<TPoint>{{x, y}, {x + 3, y}, {x, y + 3}});
    Shape(Canvas, trailing);
    Canvas->Polygon(newer ? std::vector<TPoint>{{x2, y}, {x2 - 2, y}, {x2, y + 2}}
                          : std::vector<TPoint>{{x2, y}, {x2 - 3, y}, {x2, y + 3}});
}

void TVcNotebook::DrawRowEnd(TCanvas* Canvas, int N, int Edge, int RowTop, bool Right) {
    const bool newer = NewLook();
    const int lastRow = rows_ - 1;
    const int f = perRow_ * tabWidth_;
    const int ti = tabIndent_;
    if (!Right) {
        const int x = ti * (lastRow - N) + f;
        const int y = RowTop + tabHeight_;
        const int z = Height() - (lastRow - N) * tabHeight_;
        if (newer) {
            Box(Canvas, Color(), x - ti, y, x - 2, z - 1);
            Line(Canvas, shadowColor_, {{x - 2, y}, {x - 2, z - 1}, {x - ti - 1, z - 1}});
            Line(Canvas, clBlack, {{x - 1, y}, {x - 1, z}, {x - ti - 1, z}});
        } else {
            Box(Canvas, Color(), x - ti + 1, y, x - 1, z - 1);
            Line(Canvas, shadowColor_, {{x - 1, y}, {x - 1, z - 1}, {x - ti, z - 1}});
            Line(Canvas, clBlack, {{x, y}, {x, z}, {x - ti, z}});
        }
        Box(Canvas, parentColor_, 0, RowTop, (lastRow - N) * ti, RowTop + tabHeight_);
        return;
    }
    const int x = Edge - tabHeight_ + 1;
    const int y = ti * (lastRow - N) + f;
    const int z = (lastRow - N) * tabHeight_;
    if (newer) {
        Box(Canvas, Color(), z + 2, y - ti, x, y - 2);
        Line(Canvas, clBlack, {{x - 1, y - 1}, {z, y - 1}, {z, y - ti - 1}});
        Line(Canvas, shadowColor_, {{x - 1, y - 2}, {z + 1, y - 2}});
        Line(Canvas, highlightColor_, {{z + 1, y - 2}, {z + 1, y - ti - 1}});
    } else {
        Box(Canvas, Color(), z + 2, y - ti + 1, x, y - 1);
        Line(Canvas, clBlack, {{x - 1, y}, {z, y}, {z, y - ti}});
        Line(Canvas, shadowColor_, {{x - 1, y - 1}, {z + 1, y - 1}});
        Line(Canvas, highlightColor_, {{z + 1, y - 1}, {z + 1, y - ti}});
    }
    Box(Canvas, parentColor_, x, 0, Edge + 1, (lastRow - N) * ti);
}

void TVcNotebook::DrawBackground(TCanvas* Canvas, int N, bool Right) {
    const bool newer = NewLook();
    const int lastRow = rows_ - 1;
    const int f = perRow_ * tabWidth_;
    const int w = Width();
    const int h = Height();
    const int ti = tabIndent_;
    if (!Right) {
        const int x = ti * (lastRow - N) + f;
        if (N == 0) {
            newer ? Box(Canvas, parentColor_, x, 0, w + 1, h + 1)
                  : Box(Canvas, parentColor_, x + 1, 0, w, h);
        } else {
            const int top = h - (lastRow - N + 1) * tabHeight_ + 1;
            newer ? Box(Canvas, parentColor_, x, top, x + ti + 2, h)
                  : Box(Canvas, parentColor_, x + 1, top, x + ti + 1, h);
        }
        return;
    }
    const int y = ti * (lastRow - N) + f;
    if (N == 0) {
        newer ? Box(Canvas, parentColor_, 0, y, w, h) : Box(Canvas, parentColor_, 0, y + 1, w, h);
    } else {
        const int right = (lastRow - N + 1) * tabHeight_;
        newer ? Box(Canvas, parentColor_, 0, y, right, y + ti + 1)
              : Box(Canvas, parentColor_, 0, y + 1, right, y + ti + 1);
    }
}
