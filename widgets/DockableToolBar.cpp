#include "widgets/DockableToolBar.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Registry.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace {

int FrameWidth() {
    return GetSystemMetrics(SM_CXFRAME);
}

// What a drag of a bar (or of a floating bar's edge) has found so far; one for the program.
struct TDragState {
    bool Dragging = false;
    bool Moved = false;
    bool Shown = false;
    bool OutlineFloating = false;
    bool Chosen = false; // a target was chosen since the press
    TPoint Press;
    TPoint Grab[3]; // horizontal, vertical, floating shape
    TSize Size[3];
    TRect Zones[4]; // by side: dsTop, dsLeft, dsBottom, dsRight
    TRect Outline;
    TDockStatus Target = dsTop;
    int ResizeIndex = -1;
};

TDragState& Drag() {
    static TDragState state;
    return state;
}

// The replaced window procedure of the form whose bar hooked it.
struct THookState {
    bool Hooked = false;
    TDToolBar* Bar = nullptr;
    TCustomForm* Form = nullptr;
    TWndMethod Old;
};

THookState& Hook() {
    static THookState state;
    return state;
}

std::vector<TDToolBar*> BarsOf(TWinControl* Form) {
    std::vector<TDToolBar*> bars;
    if (!Form) return bars;
    for (int i = 0; i < Form->ControlCount(); ++i) {
        TControl* c = Form->Controls(i);
        if (auto* bar = dynamic_cast<TDToolBar*>(c)) bars.push_back(bar);
        if (auto* area = dynamic_cast<TMDocklist*>(c))
            for (int k = 0; k < area->ControlCount(); ++k)
                if (auto* docked = dynamic_cast<TDToolBar*>(area->Controls(k)))
                    bars.push_back(docked);
    }
    return bars;
}

int Scaled(int Value, int To, int From) {
    if (From <= 0) return Value;
    return static_cast<int>(std::lround(static_cast<double>(Value) * To / From));
}

TAlign AlignOf(TDockStatus Side) {
    switch (Side) {
    case dsTop: return alTop;
    case dsLeft: return alLeft;
    case dsBottom: return alBottom;
    default: return alRight;
    }
}

// The executable's file name without its folder.
std::string ProgramFileName() {
    std::error_code ec;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : path.filename().string();
}

// The rows a layout list wraps into: each control's row, each row's width, and which rows
// continue a joined group (they add no top/bottom space).
struct TRowPlan {
    std::vector<int> RowOf;
    std::vector<int> Widths;
    std::vector<bool> Continued;
};

using TBreakRule = std::function<bool(int Count, int WidthWith, bool Continued, bool Joined)>;

TRowPlan WrapRows(const std::vector<TDToolBar::TLayoutEntry>& List, int LRSpace, int Placement,
                  const TBreakRule& NeedsBreak) {
    TRowPlan plan;
    plan.Widths.push_back(0);
    plan.Continued.push_back(false);
    auto contribution = [&](std::size_t i) {
        const bool joined = i > 0 && List[i].JoinedPrev;
        return List[i].Width + Placement + (joined ? 0 : LRSpace);
    };
    int row = 0;
    int count = 0;
    int width = 0;
    bool continued = false;
    std::size_t groupStart = 0;
    std::size_t rowStart = 0;
    for (std::size_t i = 0; i < List.size(); ++i) {
        const bool joined = i > 0 && List[i].JoinedPrev;
        if (!joined) groupStart = i;
        const int add = contribution(i);
        if (i > 0 && NeedsBreak(count, width + add, continued, joined)) {
            ++row;
            plan.Widths.push_back(0);
            plan.Continued.push_back(joined);
            if (joined && groupStart > rowStart) {
                // The group's earlier members go to the new row with it.
                int moved = 0;
                for (std::size_t k = groupStart; k < i; ++k) {
                    moved += contribution(k);
                    plan.RowOf[k] = row;
                }
                plan.Widths[static_cast<std::size_t>(row - 1)] -= moved;
                width = moved;
                count = static_cast<int>(i - groupStart);
                rowStart = groupStart;
            } else {
                width = 0;
                count = 0;
                rowStart = i;
            }
            continued = joined;
        }
        plan.RowOf.push_back(row);
        width += add;
        ++count;
        plan.Widths[static_cast<std::size_t>(row)] = width;
    }
    return plan;
}

} // namespace

std::string SaveNameFromProgram(const std::string& ProgramFile) {
    const std::size_t at = ProgramFile.find("EXE");
    return (at == std::string::npos ? std::string() : ProgramFile.substr(0, at)) + "INI";
}

// ============================================================================================
// Options

TFloatOptions::TFloatOptions(TDToolBar* Bar) : bar_(Bar), font_(std::make_unique<TFont>()) {
    font_->SetName("Arial");
    font_->SetSize(std::min(GetSystemMetrics(SM_CYCAPTION) / 2, 8));
    font_->SetStyle({fsBold});
    font_->OnChange = [this](TObject*) { bar_->FloatOptionsChanged(false); };
}

TFloatOptions::~TFloatOptions() {
    font_->OnChange = nullptr;
}

void TFloatOptions::SetCaption(const std::string& Value) {
    if (caption_ == Value) return;
    caption_ = Value;
    bar_->FloatOptionsChanged(false);
}

void TFloatOptions::SetCloseBox(bool Value) {
    if (closeBox_ == Value) return;
    closeBox_ = Value;
    bar_->FloatOptionsChanged(false);
}

void TFloatOptions::SetParentFont(bool Value) {
    if (parentFont_ == Value) return;
    parentFont_ = Value;
    if (!Value) return;
    if (captionType_ == ctDefault) captionType_ = ctSmall;
    font_->Assign(bar_->Font());
    bar_->FloatOptionsChanged(true);
}

void TFloatOptions::SetCaptionType(TCaptionType Value) {
    if (captionType_ == Value) return;
    captionType_ = Value;
    bar_->FloatOptionsChanged(true);
}

TOptions::TOptions(TDToolBar* Bar)
    : bar_(Bar), floatOptions_(std::make_unique<TFloatOptions>(Bar)) {}

TOptions::~TOptions() = default;

void TOptions::SetSaveFile(const std::string& Value) {
    if (saveFile_ == Value) return;
    saveFile_ = Value;
    bar_->CopySaveFile(Value);
}

// ============================================================================================
// Dock areas

TMDocklist::TMDocklist(TComponent* AOwner) : TPanel(AOwner) {
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetBevelWidth(1);
    SetBorderWidth(0);
    SetCaption("");
}

TMDocklist::~TMDocklist() {
    arranging_ = true;
    entries_.clear();
    // No bar of the form may reach this area once it is gone (its docked bars go with it).
    TWinControl* form = Parent();
    for (TDToolBar* bar : BarsOf(form))
        bar->ForgetArea(this);
    for (int i = 0; i < ControlCount(); ++i)
        if (auto* bar = dynamic_cast<TDToolBar*>(Controls(i))) bar->ForgetArea(this);
}

int TMDocklist::AcrossOf(const TDToolBar* Bar) const {
    return Horizontal() ? Bar->Top() : Bar->Left();
}

int TMDocklist::AlongOf(const TDToolBar* Bar) const {
    return Horizontal() ? Bar->Left() : Bar->Top();
}

int TMDocklist::AlongExtent(const TDToolBar* Bar) const {
    return Horizontal() ? Bar->Width() : Bar->Height();
}

int TMDocklist::AcrossExtent(const TDToolBar* Bar) const {
    return Horizontal() ? Bar->Height() : Bar->Width();
}

bool TMDocklist::Contains(const TDToolBar* Bar) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [&](const TEntry& e) { return e.Bar == Bar; });
}

std::vector<int> TMDocklist::RowStarts() const {
    std::vector<int> rows;
    for (const TEntry& e : entries_) {
        const int across = AcrossOf(e.Bar);
        if (rows.empty() || rows.back() != across) rows.push_back(across);
    }
    return rows;
}

TDToolBar* TMDocklist::FirstBar() const {
    return entries_.empty() ? nullptr : entries_.front().Bar;
}

void TMDocklist::Insert(TDToolBar* Bar, bool MoveOthers) {
    if (Contains(Bar)) return;
    TEntry entry{Bar, 1, 1, AlongOf(Bar), AlongOf(Bar) + AlongExtent(Bar)};
    const int across = AcrossOf(Bar);
    std::size_t at = entries_.size();
    bool sameRow = false;
    bool placed = false;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        TEntry& other = entries_[i];
        const int otherAcross = AcrossOf(other.Bar);
        if (otherAcross == across) {
            sameRow = true;
            entry.Row = other.Row;
            if (entry.Start > other.Start) {
                entry.Order = other.Order + 1;
                if (!placed) at = i + 1;
            } else {
                if (!placed) at = i;
                placed = true;
                ++other.Order;
            }
        } else if (otherAcross > across) {
            if (!sameRow) {
                // A new row opens here; the rows from here on move one further.
                at = i;
                entry.Row = other.Row;
                for (std::size_t k = i; k < entries_.size(); ++k) {
                    TEntry& moved = entries_[k];
                    ++moved.Row;
                    if (!MoveOthers) continue;
                    TDToolBar* b = moved.Bar;
                    const int step = b->ControlHeight() + 2 * b->TBSpace() - b->BorderAdjust();
                    if (Horizontal())
                        b->SetTop(b->Top() + step);
                    else
                        b->SetLeft(b->Left() + step);
                }
            }
            break;
        } else {
            entry.Row = other.Row + 1;
            at = i + 1;
        }
    }
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), entry);
}

void TMDocklist::Remove(TDToolBar* Bar) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const TEntry& e) { return e.Bar == Bar; });
    if (it == entries_.end()) return;
    const int row = it->Row;
    it = entries_.erase(it);
    for (; it != entries_.end() && it->Row == row; ++it)
        --it->Order;
}

void TMDocklist::PlaceBar(TEntry& E, int Along, int Across) {
    if (Horizontal())
        E.Bar->SetBounds(Along, Across, E.Bar->Width(), E.Bar->Height());
    else
        E.Bar->SetBounds(Across, Along, E.Bar->Width(), E.Bar->Height());
    E.Start = Along;
    E.End = Along + AlongExtent(E.Bar);
    E.Bar->RememberDockPoint();
}

void TMDocklist::PushBack(std::size_t Index, int Lower) {
    for (std::size_t k = Index; k > 0; --k) {
        TEntry& before = entries_[k - 1];
        const TEntry& next = entries_[k];
        if (before.Row != next.Row) return;
        const int adjust = before.Bar->BorderAdjust();
        const int end = next.Start + adjust;
        if (before.End <= end) return;
        const int start = std::max(end - AlongExtent(before.Bar), Lower);
        PlaceBar(before, start, AcrossOf(before.Bar));
    }
}

void TMDocklist::Arrange() {
    int across = 0;
    int rowDepth = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        TEntry& e = entries_[i];
        TDToolBar* bar = e.Bar;
        const int adjust = bar->BorderAdjust();
        const bool newRow = i == 0 || entries_[i - 1].Row != e.Row;
        if (newRow) {
            // Rows follow each other without gaps, whatever their numbers.
            across += rowDepth;
            rowDepth = bar->ControlHeight() + 2 * bar->TBSpace() - adjust;
        }
        const int lower = bar->NewLook() ? 0 : -adjust;
        int start = std::max(AlongOf(bar), lower);
        if (!newRow) start = std::max(start, entries_[i - 1].End - adjust);
        const int limit = Horizontal() ? Width() : Height() - adjust;
        const int extent = AlongExtent(bar);
        const bool pastEnd = start + extent > limit;
        if (pastEnd) start = std::max(limit - extent, lower);
        PlaceBar(e, start, across);
        if (pastEnd) PushBack(i, lower);
    }
}

void TMDocklist::ResizeArea() {
    int depth = 0;
    for (const TEntry& e : entries_)
        depth = std::max(depth, AcrossOf(e.Bar) + AcrossExtent(e.Bar));
    if (TDToolBar* first = FirstBar()) {
        const int adjust = first->BorderAdjust();
        if (!first->NewLook()) {
            depth += adjust + 2 * (first->Win31Look() ? 1 : 0);
        } else if ((Align() == alTop && !first->Ctl3DLines()) || Align() == alRight ||
                   (!Horizontal() && !first->Ctl3DLines())) {
            depth -= adjust;
        }
    }
    depth = std::max(depth, 0);
    if (Horizontal()) {
        if (Height() != depth) SetHeight(depth);
    } else if (Width() != depth) {
        SetWidth(depth);
    }
    Invalidate();
}

void TMDocklist::AlignControls(TControl*, TRect&) {
    if (arranging_ || ComponentState().Contains(csDestroying)) return;
    arranging_ = true;
    try {
        if (!entries_.empty()) Arrange();
        ResizeArea();
    } catch (...) {
        arranging_ = false;
        throw;
    }
    arranging_ = false;
}

void TMDocklist::PaintLines(TCanvas* C, TDToolBar* Look) {
    const bool lines = Look && Look->Ctl3DLines();
    const int w = Width();
    const int h = Height();
    auto horizontalPair = [&](int y) {
        C->Pen()->SetColor(clBtnShadow);
        C->MoveTo(0, y);
        C->LineTo(w, y);
        C->Pen()->SetColor(clBtnHighlight);
        C->MoveTo(0, y + 1);
        C->LineTo(w, y + 1);
    };
    auto verticalPair = [&](int x) {
        C->Pen()->SetColor(clBtnShadow);
        C->MoveTo(x, 0);
        C->LineTo(x, h);
        C->Pen()->SetColor(clBtnHighlight);
        C->MoveTo(x + 1, 0);
        C->LineTo(x + 1, h);
    };
    TDToolBar* owner = Look;
    auto areaEmpty = [&](TDockStatus side) {
        TMDocklist* area = owner ? owner->DockAreaOf(side) : nullptr;
        return !area || area->EntryCount() == 0;
    };
    switch (Align()) {
    case alTop:
        horizontalPair(0);
        if (lines) horizontalPair(h - 2);
        break;
    case alBottom:
        if (lines) horizontalPair(0);
        horizontalPair(h - 2);
        break;
    default:
        if (!Look) break;
        if (areaEmpty(dsTop) || !lines) horizontalPair(0);
        if (areaEmpty(dsBottom) || !lines) horizontalPair(h - 2);
        if (lines) verticalPair(Align() == alLeft ? w - 2 : 0);
        break;
    }
}

void TMDocklist::Paint() {
    TDToolBar* look = FirstBar();
    if (!look) {
        for (int i = 0; i < ControlCount() && !look; ++i)
            look = dynamic_cast<TDToolBar*>(Controls(i));
    }
    if (!look || !look->NewLook()) {
        TPanel::Paint();
        return;
    }
    TCanvas* c = Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
    c->FillRect(ClientRect());
    PaintLines(c, FirstBar());
}

// ============================================================================================
// The toolbar: creation, look and layout

TDToolBar::TDToolBar(TComponent* AOwner)
    : TPanel(AOwner), options_(std::make_unique<TOptions>(this)) {
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    style.Exclude(csOpaque);
    SetControlStyle(style);
    SetCtl3D(false);
    SetCaption("");
    SetBounds(Left(), Top(), 0, 2 * tbSpace_ + controlHeight_);
}

TDToolBar::~TDToolBar() {
    if (Drag().Dragging && mode_ != TMode::None) HideOutline();
    if (mode_ != TMode::None) Drag() = TDragState{};
    if (loaded_) {
        SavePlacement();
        LeaveArea();
        if (Hook().Hooked && Hook().Bar == this) RemoveFormHook();
    }
}

bool TDToolBar::NewLook() const {
    return newLook_;
}

bool TDToolBar::Win31Look() const {
    return win31Look_;
}

int TDToolBar::BorderAdjust() const {
    if (newLook_) return 2;
    return (win31Look_ || (style_ == tsCustom && BorderStyle() == bsSingle)) ? 1 : 0;
}

void TDToolBar::ComputeLook() {
    // Every desktop here has the newer shell.
    constexpr bool newShell = true;
    newLook_ = (style_ == tsAutoDetect && newShell) || style_ == tsNew;
    win31Look_ = (style_ == tsAutoDetect && !newShell) || style_ == tsWin31;
}

void TDToolBar::ComputeCaptionHeight() {
    const int caption = GetSystemMetrics(SM_CYCAPTION);
    switch (options_->FloatOptions()->CaptionType()) {
    case ctNone: captionHeight_ = 0; break;
    case ctDefault:
    case ctSmall: captionHeight_ = caption / 2 + 2; break;
    case ctFont: captionHeight_ = options_->FloatOptions()->Font()->Size() + 4; break;
    case ctStandard: captionHeight_ = caption - GetSystemMetrics(SM_CYBORDER) - 1; break;
    }
}

void TDToolBar::CollectLayout() {
    std::vector<TControl*> kids;
    for (int i = 0; i < ControlCount(); ++i)
        if (Controls(i)->Visible()) kids.push_back(Controls(i));
    std::stable_sort(kids.begin(), kids.end(),
                     [](TControl* a, TControl* b) { return a->Left() < b->Left(); });
    layout_.clear();
    for (TControl* c : kids) {
        TLayoutEntry entry{c->Height(), c->Width(), false, false, c};
        if (!layout_.empty()) {
            TLayoutEntry& prev = layout_.back();
            TControl* p = prev.Control;
            const bool touches = c->Left() <= p->Left() + p->Width() + controlPlaceMent_;
            const bool overlaps =
                c->Top() < p->Top() + p->Height() && p->Top() < c->Top() + c->Height();
            entry.JoinedPrev = touches && overlaps;
            prev.JoinedNext = entry.JoinedPrev;
        }
        layout_.push_back(entry);
    }
}

TDToolBar::TShape TDToolBar::ShapeForRowLength(int L) const {
    int widest = 0;
    for (const TLayoutEntry& e : layout_)
        widest = std::max(widest, e.Width);
    const TRowPlan plan = WrapRows(
        layout_, lrSpace_, controlPlaceMent_, [&](int count, int with, bool cont, bool joined) {
            return (count >= L || (cont && !joined)) && with > widest + controlPlaceMent_;
        });
    TShape shape;
    for (std::size_t r = 0; r < plan.Widths.size(); ++r) {
        shape.Height += (plan.Continued[r] ? 0 : tbSpace_) + controlHeight_ + controlPlaceMent_;
        shape.Width = std::max(shape.Width, plan.Widths[r]);
    }
    shape.Height += tbSpace_;
    shape.Width += lrSpace_ + 1;
    return shape;
}

void TDToolBar::ComputeShapes() {
    shapes_.clear();
    if (layout_.empty()) {
        shapes_.push_back({controlHeight_, controlHeight_});
        return;
    }
    for (int L = static_cast<int>(layout_.size()); L >= 1; --L) {
        const TShape shape = ShapeForRowLength(L);
        if (shapes_.empty() || !(shapes_.back() == shape)) shapes_.push_back(shape);
    }
}

void TDToolBar::PlaceControls() {
    if (!loaded_ || layout_.empty()) return;
    const bool floating = dockStatus_ == dsFloat;
    const int frame = floating ? FrameWidth() : 0;
    const int limit = ClientWidth() - 2 * frame;
    const TRowPlan plan =
        WrapRows(layout_, lrSpace_, controlPlaceMent_, [&](int, int with, bool cont, bool joined) {
            return with + lrSpace_ + 1 > limit || (cont && !joined);
        });
    int row = -1;
    int x = 0;
    int y = 0;
    for (std::size_t i = 0; i < layout_.size(); ++i) {
        const TLayoutEntry& e = layout_[i];
        const int r = plan.RowOf[i];
        if (r != row) {
            y = row < 0 ? tbSpace_ + (floating ? captionHeight_ + frame + 2 : 0)
                        : y + (plan.Continued[static_cast<std::size_t>(r)] ? 0 : tbSpace_) +
                              controlHeight_ + controlPlaceMent_;
            row = r;
            x = frame + lrSpace_;
        } else if (!e.JoinedPrev) {
            x += lrSpace_;
        }
        const int top = e.Height < controlHeight_ ? y + (controlHeight_ - e.Height) / 2 : y;
        e.Control->SetBounds(x, top, e.Width, e.Height);
        x += e.Width + controlPlaceMent_;
    }
}

TSize TDToolBar::DockedSize(bool Horizontal) const {
    int w = 0;
    int h = 0;
    if (Horizontal) {
        w = lrSpace_ + 1;
        for (const TLayoutEntry& e : layout_)
            w += e.Width + controlPlaceMent_ + (e.JoinedPrev ? 0 : lrSpace_);
        if (layout_.empty()) w += controlHeight_;
        h = controlHeight_ + 2 * tbSpace_;
    } else if (!useControlWidth_) {
        h = tbSpace_ + 1;
        for (const TLayoutEntry& e : layout_)
            h += controlHeight_ + controlPlaceMent_ + (e.JoinedPrev ? 0 : tbSpace_);
        if (layout_.empty()) h += controlHeight_;
        w = controlHeight_ + 2 * lrSpace_;
    } else if (shapes_.empty()) {
        h = controlHeight_ + lrSpace_ + 1;
        w = controlHeight_ + 2 * tbSpace_;
    } else {
        h = shapes_.back().Height;
        w = shapes_.back().Width;
    }
    const int grow = (win31Look_ || (style_ == tsCustom && BorderStyle() == bsSingle)) ? 2 : 0;
    return {w + grow, h + grow};
}

TSize TDToolBar::ShapeSize(int Index) const {
    if (shapes_.empty()) return {Width(), Height()};
    if (Index < 0 || Index >= static_cast<int>(shapes_.size()))
        Index = static_cast<int>(shapes_.size()) - 1;
    const TShape& shape = shapes_[static_cast<std::size_t>(Index)];
    const int frame = FrameWidth();
    return {shape.Width + 2 * frame, shape.Height + 2 * frame + captionHeight_ + 1};
}

TSize TDToolBar::FloatSize() {
    if (!shapes_.empty() && (floatIndex_ < 0 || floatIndex_ >= static_cast<int>(shapes_.size())))
        floatIndex_ = static_cast<int>(shapes_.size()) - 1;
    return ShapeSize(floatIndex_);
}

void TDToolBar::SizeForStatus() {
    if (dockStatus_ == dsFloat) {
        const bool centre = floatIndex_ == -1;
        const TSize size = FloatSize();
        InitApplication();
        if (centre) {
            floatRect_.Left = (Screen->Width() - size.cx) / 2;
            floatRect_.Top = (Screen->Height() - size.cy) / 2;
            userFloatPlace_ = false;
        }
        floatRect_ = InWorkArea(Bounds(floatRect_.Left, floatRect_.Top, size.cx, size.cy));
        if (!userFloatPlace_) floatRect_ = ClearOfFormBars(floatRect_);
        SetBoundsRect(floatRect_);
    } else {
        const bool horizontal = IsHorizontalStatus(dockStatus_);
        const TSize size = DockedSize(horizontal);
        const TPoint p = horizontal ? horzDockPoint_ : vertDockPoint_;
        SetBounds(p.X, p.Y, size.cx, size.cy);
    }
    PlaceControls();
}

TRect TDToolBar::InWorkArea(const TRect& R) {
    InitApplication();
    const TRect work = Screen->WorkAreaRect();
    const int left = std::max(std::min(R.Left, work.Right - R.Width()), work.Left);
    const int top = std::max(std::min(R.Top, work.Bottom - R.Height()), work.Top);
    return Bounds(left, top, R.Width(), R.Height());
}

TRect TDToolBar::ClearOfFormBars(const TRect& R) const {
    if (!form_) return R;
    const TRect bars = Bounds(form_->Left(), form_->Top(), form_->Width(), form_->ClientOrigin().Y);
    TRect overlap;
    if (!IntersectRect(overlap, R, bars)) return R;
    // Below the bars, above them, left or right of the form: the nearest place that is clear.
    const TPoint places[] = {{R.Left, bars.Bottom},
                             {R.Left, bars.Top - R.Height()},
                             {bars.Left - R.Width(), R.Top},
                             {bars.Right, R.Top}};
    TRect best = R;
    int nearest = -1;
    for (const TPoint& p : places) {
        const TRect moved = InWorkArea(Bounds(p.X, p.Y, R.Width(), R.Height()));
        if (IntersectRect(overlap, moved, bars)) continue;
        const int distance = std::abs(moved.Left - R.Left) + std::abs(moved.Top - R.Top);
        if (nearest < 0 || distance < nearest) {
            nearest = distance;
            best = moved;
        }
    }
    return best;
}

void TDToolBar::RememberDockPoint() {
    if (dockStatus_ == dsFloat) return;
    (IsHorizontalStatus(dockStatus_) ? horzDockPoint_ : vertDockPoint_) = {Left(), Top()};
}

TMDocklist* TDToolBar::DockAreaOf(TDockStatus Side) const {
    if (Side == dsFloat) return nullptr;
    return areas_[static_cast<int>(Side)];
}

TMDocklist* TDToolBar::MakeDockArea(TAlign Side) {
    auto* area = new TMDocklist(Owner());
    area->SetVisible(false);
    area->SetBorderStyle(newLook_ ? bsNone : bsSingle);
    area->SetCtl3D(Ctl3D());
    area->SetColor(colorDockArea_);
    area->SetAlign(Side);
    switch (Side) {
    case alTop: area->SetBounds(0, 0, form_->ClientWidth(), 0); break;
    case alBottom: area->SetBounds(0, form_->ClientHeight(), form_->ClientWidth(), 0); break;
    case alLeft: area->SetBounds(0, 0, 0, form_->ClientHeight()); break;
    default: area->SetBounds(form_->ClientWidth(), 0, 0, form_->ClientHeight()); break;
    }
    area->SetParent(form_);
    return area;
}

void TDToolBar::FindOrMakeDockAreas() {
    for (TDockStatus side : {dsTop, dsLeft, dsBottom, dsRight}) {
        TMDocklist*& area = areas_[static_cast<int>(side)];
        area = nullptr;
        for (int i = 0; i < form_->ControlCount() && !area; ++i) {
            auto* found = dynamic_cast<TMDocklist*>(form_->Controls(i));
            if (found && found->Align() == AlignOf(side)) area = found;
        }
        if (!area) area = MakeDockArea(AlignOf(side));
    }
}

void TDToolBar::ForgetArea(TMDocklist* Area) {
    for (TMDocklist*& area : areas_)
        if (area == Area) area = nullptr;
    if (dockArea_ == Area) dockArea_ = nullptr;
}

// ============================================================================================
// Loading, saving and the status

void TDToolBar::Loaded() {
    TPanel::Loaded();
    if (ComponentState().Contains(csDesigning)) {
        SetAlign(AlignOf(dockStatus_ == dsFloat ? dsTop : dockStatus_));
        previousStatus_ = dockStatus_;
        return;
    }
    if (loaded_) return;
    ComputeLook();
    SetAlign(alNone);
    formActive_ = true;
    form_ = GetParentForm(this);
    if (!form_) form_ = dynamic_cast<TCustomForm*>(Owner());
    if (!form_) throw EInvalidOperation("A toolbar needs a form");
    sectionPrefix_ = form_->ClassName();
    ComputeCaptionHeight();
    CollectLayout();
    savedCursor_ = Cursor();
    ComputeShapes();
    LoadPlacement();
    FindOrMakeDockAreas();
    loaded_ = true;
    dockArea_ = DockAreaOf(dockStatus_);
    if (dockStatus_ != dsFloat) lastDockStatus_ = dockStatus_;
    SetParent(dockArea_ ? static_cast<TWinControl*>(dockArea_) : form_);
    SizeForStatus();
    if (dockStatus_ != dsFloat && Visible()) EnterArea();
    previousStatus_ = dockStatus_;
    InstallFormHook();
}

std::string TDToolBar::SaveName() const {
    if (!options_->SaveFile().empty()) return options_->SaveFile();
    return SaveNameFromProgram(ProgramFileName());
}

std::string TDToolBar::SectionName() const {
    return sectionPrefix_ + "." + Name();
}

TBarPlacement TDToolBar::Placement() const {
    TBarPlacement p;
    p.FloatIndex = floatIndex_;
    const TRect floating = dockStatus_ == dsFloat && loaded_ ? BoundsRect() : floatRect_;
    p.FloatLeft = floating.Left;
    p.FloatTop = floating.Top;
    p.LastDockStatus = lastDockStatus_;
    p.Status = dockStatus_;
    const TPoint dock = IsVerticalStatus(lastDockStatus_) ? vertDockPoint_ : horzDockPoint_;
    p.DockLeft = dock.X;
    p.DockTop = dock.Y;
    return p;
}

void TDToolBar::ApplyPlacement(const TBarPlacement& P) {
    // A shape the bar no longer has, or a floating last side, names no place the bar can take.
    const bool validIndex = P.FloatIndex >= 0 && P.FloatIndex < static_cast<int>(shapes_.size());
    floatIndex_ = validIndex ? P.FloatIndex : -1;
    if (floatIndex_ == -1) return;
    floatRect_ = Bounds(P.FloatLeft, P.FloatTop, floatRect_.Width(), floatRect_.Height());
    // Where the bar was left last time is where the user last saw it: it is kept.
    userFloatPlace_ = true;
    if (P.LastDockStatus >= dsTop && P.LastDockStatus <= dsRight)
        lastDockStatus_ = P.LastDockStatus;
    if (P.Status >= dsTop && P.Status <= dsFloat) dockStatus_ = P.Status;
    const TPoint dock{P.DockLeft, P.DockTop};
    (IsVerticalStatus(lastDockStatus_) ? vertDockPoint_ : horzDockPoint_) = dock;
}

void TDToolBar::LoadPlacement() {
    TBarPlacement p = Placement();
    p.FloatIndex = -1;
    if (options_->SavePos()) {
        try {
            const TRegIniFile store(SaveName());
            const std::string section = SectionName();
            p.FloatIndex = store.ReadInteger(section, "FloatIndex", -1);
            if (p.FloatIndex != -1) {
                p.FloatLeft = store.ReadInteger(section, "FloatLeft", 0);
                p.FloatTop = store.ReadInteger(section, "FloatTop", 0);
                const int last = store.ReadInteger(section, "LastDockedStatus", 0);
                if (last >= dsTop && last <= dsRight)
                    p.LastDockStatus = static_cast<TDockStatus>(last);
                const int status = store.ReadInteger(section, "Status", dockStatus_);
                if (status >= dsTop && status <= dsFloat)
                    p.Status = static_cast<TDockStatus>(status);
                p.DockLeft = store.ReadInteger(section, "DockLeft", 0);
                p.DockTop = store.ReadInteger(section, "DockTop", 0);
            }
        } catch (const Exception&) {
            // No store to read: the bar starts where its form puts it.
            p.FloatIndex = -1;
        }
    }
    if (OnInitBar)
        CallEvent(OnInitBar, this, p.FloatIndex, p.FloatLeft, p.FloatTop, p.LastDockStatus,
                  p.Status, p.DockLeft, p.DockTop);
    ApplyPlacement(p);
}

void TDToolBar::SavePlacement() {
    if (!options_->SavePos()) return;
    const TBarPlacement p = Placement();
    try {
        CallEvent(OnSaveBar, this, p.FloatIndex, p.FloatLeft, p.FloatTop, p.LastDockStatus,
                  p.Status, p.DockLeft, p.DockTop);
        TRegIniFile store(SaveName());
        const std::string section = SectionName();
        store.WriteInteger(section, "FloatIndex", p.FloatIndex);
        store.WriteInteger(section, "FloatLeft", p.FloatLeft);
        store.WriteInteger(section, "FloatTop", p.FloatTop);
        store.WriteInteger(section, "LastDockedStatus", p.LastDockStatus);
        store.WriteInteger(section, "Status", p.Status);
        store.WriteInteger(section, "DockLeft", p.DockLeft);
        store.WriteInteger(section, "DockTop", p.DockTop);
    } catch (const std::exception&) {
        // The bar goes with its form; a place that cannot be written is not worth a message.
    }
}

void TDToolBar::LeaveArea() {
    if (!dockArea_) return;
    TMDocklist* area = dockArea_;
    if (!area->Contains(this)) return;
    area->Remove(this);
    if (!area->ComponentState().Contains(csDestroying) && form_ &&
        !form_->ComponentState().Contains(csDestroying))
        area->Realign();
}

void TDToolBar::EnterArea() {
    if (!dockArea_ || dockArea_->Contains(this)) return;
    dockArea_->Show();
    dockArea_->Insert(this, false);
    dockArea_->Realign();
}

void TDToolBar::ChangedStatus(TDockStatus Previous) {
    if (Previous == dockStatus_) return;
    previousStatus_ = dockStatus_;
    CallEvent(OnChangeStatus, this, Previous);
}

void TDToolBar::MoveTo(TDockStatus Status, const TRect* Outline) {
    const TDockStatus previous = dockStatus_;
    LeaveArea();
    dockStatus_ = Status;
    if (Status == dsFloat) {
        dockArea_ = nullptr;
        if (Outline) {
            // The outline had the chosen shape, or the last one when none was chosen yet; the
            // bar lands where the whole of it can be reached.
            FloatSize();
            floatRect_ = InWorkArea(*Outline);
            userFloatPlace_ = true;
        }
        if (Parent() != form_) SetParent(form_);
        if (Outline && Parent() == form_) {
            SetBoundsRect(floatRect_);
            PlaceControls();
        } else {
            SizeForStatus();
        }
    } else {
        lastDockStatus_ = Status;
        dockArea_ = DockAreaOf(Status);
        if (Parent() != dockArea_) SetParent(dockArea_);
        SizeForStatus();
        if (Outline) PlaceAtDropPoint(dockArea_, *Outline);
        RememberDockPoint();
    }
    Show();
    if (Status != dsFloat) EnterArea();
    Invalidate();
    ChangedStatus(previous);
}

void TDToolBar::PlaceAtDropPoint(TMDocklist* Area, const TRect& Outline) {
    const TPoint o = Area->ScreenToClient({Outline.Left, Outline.Top});
    const bool horizontal = Area->Horizontal();
    const int across = horizontal ? o.Y : o.X;
    const int along = horizontal ? o.X : o.Y;
    const double h = controlHeight_;
    const std::vector<int> rows = Area->RowStarts();
    int target = rows.empty() ? 0 : rows.back() + 1;
    for (int row : rows) {
        const double d = across - row;
        if (d < -0.4 * h) {
            target = row - 1; // a new row before this one
            break;
        }
        if (std::abs(d) < 0.15 * h) {
            target = row; // joins the row
            break;
        }
        if (d < 0.4 * h) {
            target = row + 1; // a new row right after this one
            break;
        }
    }
    if (horizontal)
        SetBounds(along, target, Width(), Height());
    else
        SetBounds(target, along, Width(), Height());
    dockArea_->Show();
    dockArea_->Insert(this, true);
    dockArea_->Realign();
}

void TDToolBar::SetDockStatus(TDockStatus Value) {
    if (ComponentState().Contains(csDesigning)) {
        if (Value == dsFloat) {
            ShowMessageBox("A toolbar floats only while the program runs.", "TDToolbar",
                           MB_OK | MB_ICONWARNING);
            switch (Align()) {
            case alBottom: Value = dsBottom; break;
            case alLeft: Value = dsLeft; break;
            case alRight: Value = dsRight; break;
            default: Value = dsTop; break;
            }
        }
        dockStatus_ = Value;
        lastDockStatus_ = Value;
        SetAlign(AlignOf(Value));
        return;
    }
    if (!loaded_) {
        dockStatus_ = Value;
        if (Value != dsFloat) lastDockStatus_ = Value;
        return;
    }
    if (Value == dockStatus_) return;
    MoveTo(Value, nullptr);
}

void TDToolBar::CMVisibleChanged(TMessage& Message) {
    TPanel::CMVisibleChanged(Message);
    if (!loaded_) return;
    if (!Visible())
        LeaveArea();
    else if (dockStatus_ != dsFloat)
        EnterArea();
}

void TDToolBar::Resize() {
    TPanel::Resize();
    PlaceControls();
}

void TDToolBar::CreateParams(TCreateParams& Params) {
    TPanel::CreateParams(Params);
    if (loaded_ && dockStatus_ == dsFloat) {
        Params.Style &= ~(WS_CHILD | WS_BORDER | WS_CLIPSIBLINGS);
        Params.ExStyle &= ~WS_EX_CLIENTEDGE;
        Params.Style |= WS_POPUP;
        return;
    }
    Params.Style |= WS_CHILD | WS_CLIPSIBLINGS;
    if (win31Look_ || (style_ == tsCustom && BorderStyle() == bsSingle)) Params.Style |= WS_BORDER;
}

// ============================================================================================
// Properties shared by the bars of a form

template <typename F>
void TDToolBar::ForOtherBars(F&& Action) {
    TCustomForm* form = form_ ? form_ : GetParentForm(this);
    for (TDToolBar* bar : BarsOf(form))
        if (bar != this) Action(bar);
}

void TDToolBar::SpacingChanged() {
    if (!loaded_) {
        SetHeight(2 * tbSpace_ + controlHeight_);
        return;
    }
    ComputeShapes();
    SizeForStatus();
    if (dockArea_) dockArea_->Realign();
}

void TDToolBar::ShareSpacing(int TDToolBar::*Field, int Value) {
    auto apply = [Field, Value](TDToolBar* bar) {
        bar->*Field = Value;
        bar->SpacingChanged();
    };
    apply(this);
    ForOtherBars(apply);
}

void TDToolBar::SetCtl3DLines(bool Value) {
    if (ctl3DLines_ == Value) return;
    ctl3DLines_ = Value;
    ForOtherBars([&](TDToolBar* bar) { bar->ctl3DLines_ = Value; });
    for (TMDocklist* area : areas_)
        if (area) area->Invalidate();
}

void TDToolBar::SetColorDockArea(TColor Value) {
    if (colorDockArea_ == Value) return;
    colorDockArea_ = Value;
    SetParentColor(false);
    ForOtherBars([&](TDToolBar* bar) { bar->colorDockArea_ = Value; });
    for (TMDocklist* area : areas_)
        if (area) area->SetColor(Value);
}

void TDToolBar::SetControlHeight(int Value) {
    if (controlHeight_ != Value) ShareSpacing(&TDToolBar::controlHeight_, Value);
}

void TDToolBar::SetTBSpace(int Value) {
    if (tbSpace_ != Value) ShareSpacing(&TDToolBar::tbSpace_, Value);
}

void TDToolBar::SetLRSpace(int Value) {
    if (lrSpace_ != Value) ShareSpacing(&TDToolBar::lrSpace_, Value);
}

void TDToolBar::SetControlPlaceMent(int Value) {
    if (controlPlaceMent_ == Value) return;
    controlPlaceMent_ = Value;
    SpacingChanged();
}

void TDToolBar::SetUseControlWidth(bool Value) {
    if (useControlWidth_ == Value) return;
    useControlWidth_ = Value;
    SpacingChanged();
}

void TDToolBar::SetStyle(TToolbarStyle Value) {
    if (style_ == Value) return;
    auto apply = [Value](TDToolBar* bar) {
        bar->style_ = Value;
        bar->ComputeLook();
        bar->RecreateWnd();
        bar->Invalidate();
    };
    apply(this);
    ForOtherBars(apply);
    if (!loaded_) return;
    for (TMDocklist* area : areas_) {
        if (!area) continue;
        area->SetBorderStyle(newLook_ ? bsNone : bsSingle);
        area->Realign();
    }
}

void TDToolBar::CopySaveFile(const std::string& Value) {
    ForOtherBars([&](TDToolBar* bar) { bar->options_->saveFile_ = Value; });
}

void TDToolBar::SetFormActive(bool Value) {
    auto apply = [Value](TDToolBar* bar) {
        if (bar->formActive_ == Value) return;
        bar->formActive_ = Value;
        if (bar->dockStatus_ == dsFloat && bar->Visible()) bar->Invalidate();
    };
    apply(this);
    ForOtherBars(apply);
}

void TDToolBar::FloatOptionsChanged(bool Relay) {
    if (Relay) {
        ComputeCaptionHeight();
        if (loaded_ && dockStatus_ == dsFloat) SizeForStatus();
    }
    Invalidate();
}

// ============================================================================================
// Painting

TRect TDToolBar::CloseBoxRect() const {
    const TFloatOptions* f = options_->FloatOptions();
    if (dockStatus_ != dsFloat || !f->CloseBox() || f->CaptionType() == ctNone) return {};
    const int frame = FrameWidth();
    if (win31Look_) return Bounds(frame, frame, captionHeight_, captionHeight_);
    return Bounds(Width() - frame - captionHeight_, frame, captionHeight_, captionHeight_);
}

void TDToolBar::PaintCaption(TCanvas* C, const TRect& Band) {
    const TFloatOptions* f = options_->FloatOptions();
    if (f->Caption().empty()) return;
    TRect r = Band;
    const bool closeBox = !IsRectEmpty(CloseBoxRect());
    if (!closeBox)
        InflateRect(r, -2, 0);
    else if (!newLook_)
        r.Left += captionHeight_ + 2;
    else
        InflateRect(r, -(captionHeight_ + 2), 0);
    TFont* font = C->Font();
    switch (f->CaptionType()) {
    case ctDefault:
        font->SetName("Arial");
        font->SetHeight(-std::min(captionHeight_ - 2, MulDiv(8, 96, 72)));
        font->SetStyle({fsBold});
        break;
    case ctFont: font->Assign(f->Font()); break;
    case ctSmall:
        font->Assign(f->Font());
        font->SetHeight(-(captionHeight_ - 2));
        break;
    case ctStandard:
        font->SetName(newLook_ ? "MS Sans Serif" : "System");
        if (newLook_)
            font->SetHeight(-(captionHeight_ - 6));
        else
            font->SetSize(10);
        font->SetStyle({fsBold});
        break;
    case ctNone: return;
    }
    font->SetColor(formActive_ ? clCaptionText : clInactiveCaptionText);
    C->Brush()->SetStyle(bsClear);
    HDC dc = C->Handle();
    DrawText(dc, f->Caption(), &r,
             DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER | (newLook_ ? DT_LEFT : DT_CENTER));
    C->Brush()->SetStyle(bsSolid);
}

void TDToolBar::PaintCloseBox(TCanvas* C) {
    const TRect box = CloseBoxRect();
    if (IsRectEmpty(box)) return;
    if (win31Look_) {
        C->Brush()->SetColor(clBtnFace);
        C->FillRect(box);
        C->Pen()->SetColor(clBlack);
        C->Brush()->SetColor(clBlack);
        const int y = box.Top + box.Height() / 2;
        C->Rectangle(box.Left + 2, y - 1, box.Right - 2, y + 1);
        if (closePressed_) InvertRect(C->Handle(), &box);
        return;
    }
    TRect r = box;
    InflateRect(r, 0, -1);
    C->Brush()->SetColor(clBtnFace);
    C->FillRect(r);
    DrawEdge(C->Handle(), &r, closePressed_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int shift = closePressed_ ? 1 : 0;
    const int inset = 3;
    C->Pen()->SetColor(clBtnText);
    C->Pen()->SetWidth(1);
    for (int dx : {0, 1}) {
        C->MoveTo(r.Left + inset + dx + shift, r.Top + inset + shift);
        C->LineTo(r.Right - inset + dx + shift, r.Bottom - inset + shift);
        C->MoveTo(r.Right - inset - 1 + dx + shift, r.Top + inset + shift);
        C->LineTo(r.Left + inset - 1 + dx + shift, r.Bottom - inset + shift);
    }
}

void TDToolBar::PaintFloating(TCanvas* C) {
    const int frame = FrameWidth();
    const TColor caption = formActive_ ? clActiveCaption : clInactiveCaption;
    const TColor inner = newLook_ ? clBtnFace : clBlack;
    TRect r = ClientRect();
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(caption);
    C->FillRect(r);
    InflateRect(r, -(frame - (newLook_ ? 3 : 2)), -(frame - (newLook_ ? 3 : 2)));
    C->Brush()->SetColor(inner);
    C->FrameRect(r);
    InflateRect(r, -1, -1);
    C->Brush()->SetColor(Color());
    C->FillRect(r);
    if (options_->FloatOptions()->CaptionType() == ctNone) return;
    const TRect band = Rect(frame, frame, Width() - frame, frame + captionHeight_);
    C->Brush()->SetColor(caption);
    C->FillRect(band);
    C->Pen()->SetColor(newLook_ ? clBtnShadow : clBlack);
    C->MoveTo(band.Left, band.Bottom);
    C->LineTo(band.Right, band.Bottom);
    if (newLook_ && !IsRectEmpty(CloseBoxRect()) && !Application->Icon()->Empty()) {
        const int size = captionHeight_ - 2;
        C->StretchDraw(Bounds(band.Left + 1, band.Top + 1, size, size), Application->Icon());
    }
    PaintCaption(C, band);
    PaintCloseBox(C);
}

void TDToolBar::PaintDocked(TCanvas* C) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Color());
    TRect r = ClientRect();
    C->FillRect(r);
    DrawEdge(C->Handle(), &r, EDGE_ETCHED, BF_RECT);
}

void TDToolBar::Paint() {
    if (loaded_ && dockStatus_ == dsFloat) {
        PaintFloating(Canvas());
        return;
    }
    if (!newLook_) {
        TPanel::Paint();
        return;
    }
    PaintDocked(Canvas());
}

// ============================================================================================
// The mouse: dragging, resizing, the close box and the double click

TRect TDToolBar::DragOutline() {
    return Drag().Shown ? Drag().Outline : TRect{};
}

bool TDToolBar::Dragging() {
    return Drag().Dragging;
}

namespace {

void DrawOutline(HDC DC, const TRect& R, bool Floating) {
    TRect r = R;
    const int thickness = Floating ? FrameWidth() : 1;
    for (int i = 0; i < thickness && r.Width() > 0 && r.Height() > 0; ++i) {
        DrawFocusRect(DC, &r);
        InflateRect(r, -1, -1);
    }
}

} // namespace

void TDToolBar::ShowOutline(const TRect& R, bool Floating) {
    TDragState& d = Drag();
    if (d.Shown && d.Outline == R && d.OutlineFloating == Floating) return;
    HDC dc = GetDC(0);
    if (d.Shown) DrawOutline(dc, d.Outline, d.OutlineFloating);
    DrawOutline(dc, R, Floating);
    ReleaseDC(0, dc);
    d.Outline = R;
    d.OutlineFloating = Floating;
    d.Shown = true;
}

void TDToolBar::HideOutline() {
    TDragState& d = Drag();
    if (!d.Shown) return;
    HDC dc = GetDC(0);
    DrawOutline(dc, d.Outline, d.OutlineFloating);
    ReleaseDC(0, dc);
    d.Shown = false;
}

void TDToolBar::BeginDrag(const TPoint& Screen) {
    TDragState& d = Drag();
    d = TDragState{};
    d.Dragging = true;
    d.Press = Screen;
    d.Target = dockStatus_;
    d.Outline = Bounds(ClientToScreen({0, 0}).X, ClientToScreen({0, 0}).Y, Width(), Height());
    const TPoint local = ScreenToClient(Screen);
    d.Size[0] = DockedSize(true);
    d.Size[1] = DockedSize(false);
    d.Size[2] = ShapeSize(floatIndex_);
    for (int k = 0; k < 3; ++k)
        d.Grab[k] = {Scaled(local.X, d.Size[k].cx, Width()),
                     Scaled(local.Y, d.Size[k].cy, Height())};
    // A zone holds every cursor position at which the outline, held at its grab point, would
    // overlap the area.
    for (TDockStatus side : {dsTop, dsLeft, dsBottom, dsRight}) {
        TMDocklist* area = DockAreaOf(side);
        TRect& zone = d.Zones[static_cast<int>(side)];
        if (!area) {
            zone = TRect{};
            continue;
        }
        const TPoint origin = area->ClientToScreen({0, 0});
        zone = Bounds(origin.X, origin.Y, area->Width(), area->Height());
        const int adjust = BorderAdjust();
        InflateRect(zone, adjust, adjust);
        if (IsHorizontalStatus(side)) {
            zone.Top -= d.Size[0].cy - d.Grab[0].Y;
            zone.Bottom += d.Grab[0].Y;
        } else {
            zone.Left -= d.Size[1].cx - d.Grab[1].X;
            zone.Right += d.Grab[1].X;
        }
    }
    mode_ = TMode::Drag;
}

void TDToolBar::DragTo(const TPoint& Screen) {
    TDragState& d = Drag();
    if (!d.Moved && Screen == d.Press) return;
    d.Moved = true;
    const TDockOptions allowed = options_->DockOptions();
    struct TChoice {
        TDockStatus Side;
        TDockOption Option;
    };
    int shape = -1;
    for (const TChoice& c : {TChoice{dsTop, doAllowTop}, TChoice{dsBottom, doAllowBottom},
                             TChoice{dsLeft, doAllowLeft}, TChoice{dsRight, doAllowRight}}) {
        if (allowed.Contains(c.Option) && PtInRect(d.Zones[static_cast<int>(c.Side)], Screen)) {
            d.Target = c.Side;
            shape = IsHorizontalStatus(c.Side) ? 0 : 1;
            break;
        }
    }
    if (shape < 0 && allowed.Contains(doAllowFloat)) {
        d.Target = dsFloat;
        shape = 2;
    }
    // No side and no floating allowed: the outline stays where it was.
    if (shape < 0) return;
    d.Chosen = true;
    const TPoint grab = d.Grab[shape];
    const TSize size = d.Size[shape];
    ShowOutline(Bounds(Screen.X - grab.X, Screen.Y - grab.Y, size.cx, size.cy), shape == 2);
}

void TDToolBar::EndDrag() {
    TDragState& d = Drag();
    HideOutline();
    const bool moved = d.Chosen;
    const TDockStatus target = d.Target;
    const TRect outline = d.Outline;
    d = TDragState{};
    mode_ = TMode::None;
    SetCursor(savedCursor_);
    if (!moved) return;
    if (target == dockStatus_ && target == dsFloat) {
        floatRect_ = outline;
        userFloatPlace_ = true;
        SetBoundsRect(outline);
        return;
    }
    MoveTo(target, &outline);
}

int TDToolBar::EdgeAt(int X, int Y) const {
    const int frame = FrameWidth();
    const bool acrossX = X >= 0 && X < Width();
    const bool acrossY = Y >= 0 && Y < Height();
    if (acrossX && Y >= 0 && Y < frame) return 1;
    if (acrossX && Y >= Height() - frame && Y < Height()) return 3;
    if (acrossY && X >= 0 && X < frame) return 2;
    if (acrossY && X >= Width() - frame && X < Width()) return 4;
    return 0;
}

void TDToolBar::BeginResize(const TPoint& Screen) {
    TDragState& d = Drag();
    d = TDragState{};
    d.Dragging = true;
    d.Press = Screen;
    d.ResizeIndex = floatIndex_;
    mode_ = TMode::Resize;
    ShowOutline(BoundsRect(), true);
}

void TDToolBar::ResizeTo(const TPoint& Screen) {
    TDragState& d = Drag();
    if (shapes_.empty()) return;
    const int frame = FrameWidth();
    const TRect start = BoundsRect();
    const int count = static_cast<int>(shapes_.size());
    int index = 0;
    if (resizeEdge_ == 1 || resizeEdge_ == 3) {
        const int dy = Screen.Y - d.Press.Y;
        const int height = resizeEdge_ == 1 ? start.Height() - dy : start.Height() + dy;
        const int wanted = height - (2 * frame + captionHeight_ + 1);
        index = count - 1;
        for (int i = 0; i < count; ++i)
            if (shapes_[static_cast<std::size_t>(i)].Height > wanted) {
                index = i;
                break;
            }
    } else {
        const int dx = Screen.X - d.Press.X;
        const int width = resizeEdge_ == 2 ? start.Width() - dx : start.Width() + dx;
        const int wanted = width - 2 * frame;
        index = 0;
        for (int i = count - 1; i >= 0; --i)
            if (shapes_[static_cast<std::size_t>(i)].Width > wanted) {
                index = i;
                break;
            }
    }
    d.ResizeIndex = index;
    const TSize size = ShapeSize(index);
    const int w = size.cx;
    const int h = size.cy;
    TRect r = Bounds(start.Left, start.Top, w, h);
    if (resizeEdge_ == 1) r = Bounds(start.Left, start.Bottom - h, w, h);
    if (resizeEdge_ == 2) r = Bounds(start.Right - w, start.Top, w, h);
    ShowOutline(r, true);
}

void TDToolBar::EndResize() {
    TDragState& d = Drag();
    HideOutline();
    const TRect outline = d.Outline;
    const int index = d.ResizeIndex;
    d = TDragState{};
    mode_ = TMode::None;
    if (index < 0 || outline == BoundsRect()) return;
    floatIndex_ = index;
    floatRect_ = outline;
    userFloatPlace_ = true;
    SetBoundsRect(outline);
    PlaceControls();
    Invalidate();
}

void TDToolBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const auto alive = AliveFlag();
    TPanel::MouseDown(Button, Shift, X, Y);
    if (!*alive || Button != mbLeft || Shift.Contains(ssDouble) || !loaded_) return;
    if (form_ && form_->Active() && form_->ActiveControl() &&
        form_->ActiveControl() != static_cast<TWinControl*>(this))
        form_->ActiveControl()->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(this));
    if (ComponentState().Contains(csDesigning) || !options_->DockOptions().Contains(doAllowMove))
        return;
    const TPoint screen = ClientToScreen({X, Y});
    if (dockStatus_ == dsFloat && PtInRect(CloseBoxRect(), {X, Y})) {
        mode_ = TMode::CloseBox;
        closePressed_ = true;
        Repaint();
        return;
    }
    if (dockStatus_ == dsFloat && resizeEdge_ != 0) {
        BeginResize(screen);
        return;
    }
    BeginDrag(screen);
}

void TDToolBar::MouseMove(TShiftState Shift, int X, int Y) {
    const auto alive = AliveFlag();
    TPanel::MouseMove(Shift, X, Y);
    if (!*alive || !loaded_) return;
    switch (mode_) {
    case TMode::Drag: DragTo(ClientToScreen({X, Y})); return;
    case TMode::Resize: ResizeTo(ClientToScreen({X, Y})); return;
    case TMode::CloseBox: {
        const bool inside = PtInRect(CloseBoxRect(), {X, Y});
        if (inside != closePressed_) {
            closePressed_ = inside;
            Repaint();
        }
        return;
    }
    case TMode::None: break;
    }
    resizeEdge_ = dockStatus_ == dsFloat ? EdgeAt(X, Y) : 0;
    if (resizeEdge_ == 1 || resizeEdge_ == 3)
        SetCursor(crSizeNS);
    else if (resizeEdge_ == 2 || resizeEdge_ == 4)
        SetCursor(crSizeWE);
    else
        SetCursor(savedCursor_);
}

void TDToolBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const auto alive = AliveFlag();
    TPanel::MouseUp(Button, Shift, X, Y);
    if (!*alive || Button != mbLeft || !loaded_) return;
    switch (mode_) {
    case TMode::Drag: EndDrag(); break;
    case TMode::Resize: EndResize(); break;
    case TMode::CloseBox: {
        mode_ = TMode::None;
        const bool inside = PtInRect(CloseBoxRect(), {X, Y});
        closePressed_ = false;
        if (inside)
            SetVisible(false);
        else
            Repaint();
        break;
    }
    case TMode::None: break;
    }
}

void TDToolBar::DblClick() {
    TPanel::DblClick();
    if (!loaded_ || ComponentState().Contains(csDesigning)) return;
    MoveTo(dockStatus_ == dsFloat ? lastDockStatus_ : dsFloat, nullptr);
}

void TDToolBar::Dispatch(TMessage& Message) {
    if (loaded_ && Message.Msg == WM_MOUSEACTIVATE && dockStatus_ == dsFloat) {
        // A floating bar never takes the activation from its form.
        Message.Result = MA_NOACTIVATE;
        if (form_) {
            form_->Activate();
            PostMessage(form_->Handle(), WM_NCACTIVATE, 1, 0);
        }
        return;
    }
    if (Message.Msg == WM_ACTIVATEAPP) SetFormActive(Message.WParam != 0);
    TPanel::Dispatch(Message);
}

// ============================================================================================
// The form's window procedure

void TDToolBar::InstallFormHook() {
    THookState& h = Hook();
    if (h.Hooked || !form_) return;
    h.Hooked = true;
    h.Bar = this;
    h.Form = form_;
    h.Old = form_->WindowProc;
    form_->WindowProc = [](TMessage& Message) { FormHook(Message); };
}

void TDToolBar::RemoveFormHook() {
    THookState& h = Hook();
    if (h.Form) h.Form->WindowProc = h.Old;
    h = THookState{};
}

void TDToolBar::FormHook(TMessage& Message) {
    THookState& h = Hook();
    TCustomForm* form = h.Form;
    TDToolBar* bar = h.Bar;
    const TWndMethod old = h.Old;
    switch (Message.Msg) {
    case WM_ACTIVATE: {
        // Deactivation in favour of one of the form's own windows keeps the caption active.
        TWinControl* other = FindControl(static_cast<HWND>(Message.LParam));
        const bool inside = other && GetParentForm(other) == form;
        bar->SetFormActive(LoWord(Message.WParam) != WA_INACTIVE || inside);
        form->Perform(WM_NCACTIVATE, bar->FormActive() ? 1 : 0, 0);
        break;
    }
    case WM_NCACTIVATE: Message.WParam = bar->FormActive() ? 1 : 0; break;
    case WM_SHOWWINDOW: {
        constexpr LPARAM SW_PARENTCLOSING = 1;
        constexpr LPARAM SW_PARENTOPENING = 3;
        for (TDToolBar* b : BarsOf(form)) {
            if (b->dockStatus_ != dsFloat) continue;
            if (Message.LParam == SW_PARENTCLOSING) {
                b->hiddenWithForm_ = b->Visible();
                b->Hide();
            } else if (Message.LParam == SW_PARENTOPENING && b->hiddenWithForm_) {
                b->hiddenWithForm_ = false;
                b->Show();
            }
        }
        break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (form->Active() && form->ActiveControl() &&
            !dynamic_cast<TDToolBar*>(form->ActiveControl()))
            form->ActiveControl()->Perform(CM_CANCELMODE, 0, reinterpret_cast<LPARAM>(bar));
        break;
    default: break;
    }
    if (old) old(Message);
}
