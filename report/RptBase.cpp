#include "report/RptBase.h"

#include "platform/rtl/ScopeGuard.h"

#include "platform/gui/Forms.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "report/RptDevice.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <exception>

namespace {

constexpr double MergeTolerance = 0.0001;
// Font sizes beyond this many points (well past a page's height) are ignored, as sizes that are
// not positive are: no device could realise the font nor place a line of it.
constexpr double MaxFontPoints = 1000.0;
constexpr double SubSuperFactor = 0.5998800239952009;
// The sample widths of this many faces are kept (the first measured goes first): a report
// switches between a few faces.
constexpr std::size_t SampleWidthsKept = 16;

bool SameValue(double a, double b) {
    return std::fabs(a - b) < 1e-9;
}

// A decimal number as the format codes write it (a point as the decimal separator).
bool ParseNumber(const std::string& text, double& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last && std::isfinite(value);
}

bool ParseInteger(const std::string& text, long long& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    auto result = std::from_chars(first, last, value);
    return result.ec == std::errc() && result.ptr == last;
}

TFontPitch ToFontPitch(Byte pitch) {
    return pitch == 1 ? fpVariable : pitch == 2 ? fpFixed : fpDefault;
}

Byte FromFontPitch(TFontPitch pitch) {
    return pitch == fpVariable ? 1 : pitch == fpFixed ? 2 : 0;
}

} // namespace

bool UsableFontSize(double Points) {
    return Points > 0.0 && Points <= MaxFontPoints;
}

// ---------------------------------------------------------------------------------------------
// Construction

TBaseReport::TBaseReport(TComponent* AOwner)
    : TRPBaseComponent(AOwner), statusText_(std::make_unique<TStringList>()),
      macroData_(std::make_unique<TStringList>()) {
    totalPages_ = lastPage_;
    try {
        PrepareJob();
    } catch (const EReportWriter&) {
        // A printer that cannot be reached now is measured again when a job starts.
    }
    AddPageEndCallback([](TBaseReport* report) { report->FlushLines(); });
}

TBaseReport::~TBaseReport() {
    DetachFontNotify();
    ClearFontCache();
    ReleaseTabs(tabHead_);
    for (TTab* saved : savedTabs_)
        ReleaseTabs(saved);
    for (TTab* pushed : tabStack_)
        ReleaseTabs(pushed);
}

bool TBaseReport::PrinterInstalled() const {
    return RPDev()->PrinterInstalled();
}

// ---------------------------------------------------------------------------------------------
// Properties

void TBaseReport::SetLastPage(int Value) {
    lastPage_ = Value;
    if (!printing_) totalPages_ = Value;
}

void TBaseReport::SetStatusLabel(TControl* Value) {
    statusLabel_ = Value;
    if (Value) Value->FreeNotification(this);
}

void TBaseReport::Notification(TComponent* AComponent, TOperation Operation) {
    TRPBaseComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == statusLabel_) statusLabel_ = nullptr;
}

void TBaseReport::SetLinesPerInch(int Value) {
    if (Value > 0) linesPerInch_ = Value;
}

void TBaseReport::SetUnits(TPrintUnits Value) {
    ChangeUnits(Value, units_, unitsFactor_);
}

void TBaseReport::SetUnitsFactor(double Value) {
    ChangeUnitsFactor(Value, units_, unitsFactor_);
}

void TBaseReport::SetMarginLeft(double Value) {
    marginLeft_ = Value;
    marginLeftEdge_ = XU2I(Value);
    sectionLeft_ = marginLeftEdge_;
}

void TBaseReport::SetMarginRight(double Value) {
    marginRight_ = Value;
    marginRightEdge_ = pageWidth_ - XU2I(Value);
    sectionRight_ = marginRightEdge_;
}

void TBaseReport::SetMarginTop(double Value) {
    marginTop_ = Value;
    marginTopEdge_ = YU2I(Value);
    sectionTop_ = marginTopEdge_;
}

void TBaseReport::SetMarginBottom(double Value) {
    marginBottom_ = Value;
    marginBottomEdge_ = pageHeight_ - YU2I(Value);
    sectionBottom_ = marginBottomEdge_;
}

void TBaseReport::SetTabShade(int Value) {
    tabShade_ = std::clamp(Value, 0, 100);
}

void TBaseReport::SetCopies(int Value) {
    CheckNotPrinting();
    if (PrinterInstalled() && Value > 0) RPDev()->SetCopies(Value);
    copies_ = Value;
}

void TBaseReport::SetOrientation(TOrientation Value) {
    if (PrinterInstalled() && Value != TOrientation::poDefault) {
        RPDev()->SetOrientation(Value);
        ReadDeviceMetrics();
    }
    orientation_ = Value;
}

void TBaseReport::AssignTo(TPersistent* Dest) {
    auto* target = dynamic_cast<TBaseReport*>(Dest);
    if (!target) {
        TRPBaseComponent::AssignTo(Dest);
        return;
    }
    target->SetFirstPage(firstPage_);
    target->SetLastPage(lastPage_);
    target->SetStatusLabel(statusLabel_);
    target->SetStatusFormat(statusFormat_);
    target->SetStatusText(statusText_.get());
    target->SetLineHeightMethod(lineHeightMethod_);
    target->lineHeight_ = lineHeight_;
    target->SetLinesPerInch(linesPerInch_);
    target->SetUnits(units_);
    target->SetUnitsFactor(unitsFactor_);
    target->SetMarginLeft(marginLeft_);
    target->SetMarginRight(marginRight_);
    target->SetMarginTop(marginTop_);
    target->SetMarginBottom(marginBottom_);
    target->SetTabShade(tabShade_);
    target->SetTabColor(tabColor_);
    target->SetShadePenColor(shadePenColor_);
    target->SetTitle(title_);
    target->SetTextBKMode(textBKMode_);
    target->SetCopies(copies_);
    target->SetOrientation(orientation_);
    target->SetScaleX(scaleX_);
    target->SetScaleY(scaleY_);
    target->pageRange_ = pageRange_;
    target->macroData_->Assign(macroData_.get());
    target->OnPrint = OnPrint;
    target->OnPrintPage = OnPrintPage;
    target->OnBeforePrint = OnBeforePrint;
    target->OnAfterPrint = OnAfterPrint;
    target->OnNewPage = OnNewPage;
    target->OnNewColumn = OnNewColumn;
    target->OnPrintHeader = OnPrintHeader;
    target->OnPrintFooter = OnPrintFooter;
    target->OnEndOfSection = OnEndOfSection;
}

// ---------------------------------------------------------------------------------------------
// Events

void TBaseReport::Fire(const TNotifyEvent& Event) {
    if (!Event) return;
    TNotifyEvent handler = Event;
    handler(this);
}

bool TBaseReport::DoPrintPage() {
    if (!OnPrintPage) return false;
    TPrintPageEvent handler = OnPrintPage;
    return handler(this, currentPage_);
}

// ---------------------------------------------------------------------------------------------
// Canvas and checks

TCanvas* TBaseReport::GetCanvas() {
    TRPDevice* device = RPDev();
    if (!device->Printing()) RaiseError(Trans_CanvasNotActive);
    return device->GetCanvas();
}

void TBaseReport::CheckPrinting() const {
    if (!printing_) RaiseError(Trans_NotPrinting);
    if (aborted_) throw EAbort();
}

void TBaseReport::CheckNotPrinting() const {
    if (printing_) RaiseError(Trans_AlreadyPrinting);
}

bool TBaseReport::NoPrint() const {
    Byte kind = OutputKind();
    return pageSkip_ || (kind < 8 && !(outputMask_ & (1u << kind)));
}

void TBaseReport::SetBKColor(TColor Color) {
    CheckPrinting();
    ::SetBkColor(GetCanvas()->Handle(), ColorToRGB(Color));
}

TColor TBaseReport::GetBKColor() {
    CheckPrinting();
    return static_cast<TColor>(::GetBkColor(GetCanvas()->Handle()));
}

void TBaseReport::OutputToPreviewOnly() {
    outputMask_ = static_cast<Byte>((outputMask_ & ~1u) | 2u);
}

void TBaseReport::OutputToPrinterOnly() {
    outputMask_ = static_cast<Byte>((outputMask_ & ~2u) | 1u);
}

void TBaseReport::OutputToAll() {
    outputMask_ = static_cast<Byte>(outputMask_ | 3u);
}

void TBaseReport::UnregisterGraphic(int) {}
void TBaseReport::RegisterGraphic(int) {}
void TBaseReport::ReuseGraphic(int) {}

// ---------------------------------------------------------------------------------------------
// Device metrics and jobs

void TBaseReport::ReadDeviceMetrics() {
    leftWaste_ = rightWaste_ = topWaste_ = bottomWaste_ = 0.0;
    if (!PrinterInstalled()) {
        xDPI_ = yDPI_ = 96;
        pageWidth_ = 8.5;
        pageHeight_ = 11.0;
        return;
    }
    TRPDevice* device = RPDev();
    device->SetState(dsIC);
    Byte kind = OutputKind();
    if (kind != okCanvas && kind != okFiler) return;
    device->ApplyDevMode(false);
    HDC dc = device->GetHandle();
    xDPI_ = std::max(1, GetDeviceCaps(dc, LOGPIXELSX));
    yDPI_ = std::max(1, GetDeviceCaps(dc, LOGPIXELSY));
    const int offsetX = GetDeviceCaps(dc, PHYSICALOFFSETX);
    const int offsetY = GetDeviceCaps(dc, PHYSICALOFFSETY);
    const int width = GetDeviceCaps(dc, HORZRES);
    const int height = GetDeviceCaps(dc, VERTRES);
    leftWaste_ = static_cast<double>(offsetX) / xDPI_;
    rightWaste_ = static_cast<double>(GetDeviceCaps(dc, PHYSICALWIDTH) - (width + offsetX)) / xDPI_;
    topWaste_ = static_cast<double>(offsetY) / yDPI_;
    bottomWaste_ =
        static_cast<double>(GetDeviceCaps(dc, PHYSICALHEIGHT) - (height + offsetY)) / yDPI_;
    pageWidth_ = static_cast<double>(width) / xDPI_ + leftWaste_ + rightWaste_;
    pageHeight_ = static_cast<double>(height) / yDPI_ + topWaste_ + bottomWaste_;
}

void TBaseReport::PrepareJob() {
    CheckNotPrinting();
    ReadDeviceMetrics();
    SetMarginLeft(marginLeft_);
    SetMarginRight(marginRight_);
    SetMarginTop(marginTop_);
    SetMarginBottom(marginBottom_);
}

void TBaseReport::ResetJob() {
    ApplyFont();
    SetBrush(clBlack, bsClear, nullptr);
    SetPen(clBlack, psSolid, 1, pmCopy);
    originX_ = originY_ = 0.0;
    ClearColumns();
    ClearTabs();
    sectionLeft_ = marginLeftEdge_;
    sectionRight_ = marginRightEdge_;
    sectionTop_ = marginTopEdge_;
    sectionBottom_ = marginBottomEdge_;
    Home();
    justifyOverride_ = pjNone;
}

void TBaseReport::Execute() {
    if (printing_) RaiseError(Trans_AlreadyPrinting);
    bool started = false;
    try {
        StartJob();
        started = true;
        if (!OnPrint && OnPrintPage) {
            while (DoPrintPage() && !aborted_)
                NewPage();
        } else {
            DoPrint();
        }
    } catch (const EAbort&) {
        // A silent abort ends the job quietly: the document is abandoned, nothing is shown.
        if (!started && !printing_) return;
        aborted_ = true;
        pageSkip_ = true;
        FinishJob();
        return;
    } catch (...) {
        // A job that could not start has nothing to finish and fires no more events.
        if (started || printing_) {
            try {
                FinishJob();
            } catch (...) {
            }
        }
        throw;
    }
    FinishJob();
}

void TBaseReport::NewPage() {
    CheckPrinting();
    PageBreak();
}

void TBaseReport::PageBreak() {
    ++currentPage_;
    UpdateStatus();
    pageSkip_ = !PageSelected(currentPage_) || aborted_;
    originX_ = originY_ = 0.0;
    ResetTabs();
    SetMarginBottom(marginBottom_);
    SetMarginRight(marginRight_);
    sectionLeft_ = marginLeftEdge_;
    sectionRight_ = marginRightEdge_;
    sectionTop_ = marginTopEdge_;
    sectionBottom_ = marginBottomEdge_;
    if (columns_ > 1) DoNewColumn();
    Home();
}

void TBaseReport::CancelPage() {
    CheckPrinting();
    if (!pageSkip_) {
        pageSkip_ = true;
        --currentPage_;
    }
}

void TBaseReport::Abort() {
    aborted_ = true;
    pageSkip_ = true;
}

bool TBaseReport::SelectBin(const std::string& BinName) {
    return PrinterInstalled() && RPDev()->SelectBin(BinName, false);
}

void TBaseReport::AddPageStartCallback(const TReportCallback& Callback) {
    pageStartCallbacks_.insert(pageStartCallbacks_.begin(), Callback);
}

void TBaseReport::AddPageEndCallback(const TReportCallback& Callback) {
    pageEndCallbacks_.insert(pageEndCallbacks_.begin(), Callback);
}

void TBaseReport::RunPageStart() {
    std::vector<TReportCallback> callbacks = pageStartCallbacks_;
    for (const TReportCallback& callback : callbacks)
        if (callback) callback(this);
}

void TBaseReport::RunPageEnd() {
    std::vector<TReportCallback> callbacks = pageEndCallbacks_;
    for (const TReportCallback& callback : callbacks)
        if (callback) callback(this);
}

// ---------------------------------------------------------------------------------------------
// Cursor, lines and columns

void TBaseReport::UpdateLineHeight() {
    if (!printing_) return;
    DeviceFont();
    ascent_ = font_.Ascent;
    descent_ = font_.Descent;
    switch (lineHeightMethod_) {
    case lhmLinesPerInch: lineHeight_ = 1.0 / linesPerInch_; break;
    case lhmFont: lineHeight_ = font_.Size / 60.0; break;
    case lhmUser: break;
    }
}

void TBaseReport::SetLine(int LineNumber) {
    lineNum_ = LineNumber;
    UpdateLineHeight();
    ResetTabs();
    curX_ = ColumnLeft();
    curY_ = LineNumber * lineHeight_ + sectionTop_ - descent_;
}

void TBaseReport::SetColumn(int ColumnNumber) {
    columnNum_ = ColumnNumber;
    curX_ = ColumnLeft();
    ResetTabs();
}

void TBaseReport::SetColumns(int Count) {
    columns_ = std::max(1, Count);
    columnWidth_ = (sectionRight_ - sectionLeft_) / columns_;
    SetColumn(1);
}

void TBaseReport::ClearColumns() {
    columnWidth_ = sectionRight_ - sectionLeft_;
    columns_ = 1;
    SetColumn(1);
}

void TBaseReport::Home() {
    SetColumn(1);
    SetLine(1);
}

void TBaseReport::NewLine() {
    if (columnNum_ < columns_ && LinesLeft() <= 1) {
        SetLine(1);
        SetColumn(columnNum_ + 1);
        DoNewColumn();
    } else {
        curX_ = ColumnLeft();
        UpdateLineHeight();
        ++lineNum_;
        curY_ += lineHeight_;
    }
    ResetTabs();
    // The end of the section is reported when a line passes the section's bottom.
    if (curY_ + descent_ > sectionBottom_ + 1e-9) DoEndOfSection();
    AfterLine();
}

int TBaseReport::LinesLeft() {
    const double bottom = curY_ + descent_;
    if (bottom > sectionBottom_ + 1e-9 || lineHeight_ <= 0.0) return 0;
    return static_cast<int>(std::floor((sectionBottom_ - bottom) / lineHeight_ + 1e-9)) + 1;
}

void TBaseReport::GotoSectionBottom() {
    UpdateLineHeight();
    curX_ = ColumnLeft();
    curY_ = sectionBottom_ - descent_;
}

void TBaseReport::SetYPos(double Value) {
    UpdateLineHeight();
    curY_ = YU2I(Value);
}

void TBaseReport::SetLineTop(double Value) {
    UpdateLineHeight();
    curY_ = YU2I(Value) + lineHeight_ - descent_;
}

void TBaseReport::SetSectionLeft(double Value) {
    sectionLeft_ = XU2I(Value);
    if (sectionLeft_ > curX_) curX_ = sectionLeft_;
}

void TBaseReport::SetSectionRight(double Value) {
    sectionRight_ = XU2I(Value);
    if (sectionRight_ < curX_) curX_ = sectionRight_;
}

void TBaseReport::SetSectionTop(double Value) {
    sectionTop_ = YU2I(Value);
    if (sectionTop_ > curY_) curY_ = sectionTop_;
}

void TBaseReport::SetSectionBottom(double Value) {
    sectionBottom_ = YU2I(Value);
    if (sectionBottom_ < curY_) curY_ = sectionBottom_;
}

double TBaseReport::PageWidth() const {
    return XI2U(pageWidth_);
}

double TBaseReport::PageHeight() const {
    return YI2U(pageHeight_);
}

void TBaseReport::PushPos() {
    posStack_.emplace_back(curX_, curY_);
}

bool TBaseReport::PopPos() {
    if (posStack_.empty()) return false;
    curX_ = posStack_.back().first;
    curY_ = posStack_.back().second;
    posStack_.pop_back();
    return true;
}

void TBaseReport::AdvanceX(double Width) {
    const double inches = Width / unitsFactor_ * 10000.0 / (scaleX_ * zoom_);
    if (font_.Rotation == 0) {
        curX_ += inches;
        return;
    }
    const double radians = font_.Rotation * M_PI / 180.0;
    curX_ += inches * std::cos(radians);
    curY_ -= inches * std::sin(radians);
}

// ---------------------------------------------------------------------------------------------
// Conversions

int TBaseReport::XI2D(double X) const {
    return static_cast<int>(
               Round(((X + originX_) * scaleX_ * zoom_ * 0.0001 - leftWaste_) * xDPI_)) +
           devOffsetX_;
}

int TBaseReport::YI2D(double Y) const {
    return static_cast<int>(
               Round(((Y + originY_) * scaleY_ * zoom_ * 0.0001 - topWaste_) * yDPI_)) +
           devOffsetY_;
}

double TBaseReport::XD2I(int X) const {
    return (10000.0 / (scaleX_ * zoom_)) *
               (static_cast<double>(X - devOffsetX_) / xDPI_ + leftWaste_) -
           originX_;
}

double TBaseReport::YD2I(int Y) const {
    return (10000.0 / (scaleY_ * zoom_)) *
               (static_cast<double>(Y - devOffsetY_) / yDPI_ + topWaste_) -
           originY_;
}

int TBaseReport::XU2DLength(double Width) const {
    return static_cast<int>(Round(XU2I(Width) * scaleX_ * zoom_ * 0.0001 * xDPI_));
}

int TBaseReport::YU2DLength(double Height) const {
    return static_cast<int>(Round(YU2I(Height) * scaleY_ * zoom_ * 0.0001 * yDPI_));
}

// ---------------------------------------------------------------------------------------------
// Text at positions

void TBaseReport::PrintJustify(const std::string& Text, Byte Kind, double X, double Margin,
                               double Width) {
    switch (Kind) {
    case pjCenter: CenterText(Text, X + Width / 2.0); break;
    case pjRight: RightText(Text, X + Width - Margin); break;
    case pjBlock: BlockText(Text, X + Margin, Width - 2.0 * Margin); break;
    default: LeftText(Text, X + Margin); break;
    }
}

void TBaseReport::PrintLeft(const std::string& Text, double X) {
    PrintJustify(Text, pjLeft, XU2I(X), 0.0, 0.0);
}

void TBaseReport::PrintCenter(const std::string& Text, double X) {
    PrintJustify(Text, pjCenter, XU2I(X), 0.0, 0.0);
}

void TBaseReport::PrintRight(const std::string& Text, double X) {
    PrintJustify(Text, pjRight, XU2I(X), 0.0, 0.0);
}

void TBaseReport::PrintBlock(const std::string& Text, double X, double Width) {
    PrintJustify(Text, pjBlock, XU2I(X), 0.0, XU2I(Width));
}

void TBaseReport::PrintAtCursor(const std::string& Text) {
    if (!tabPending_ || !tabHead_ || !curTab_) {
        PrintJustify(Text, pjLeft, curX_, 0.0, 0.0);
        return;
    }
    const double offset = (columnNum_ - 1) * columnWidth_;
    const Byte kind = justifyOverride_ != pjNone ? justifyOverride_ : curTab_->Justify;
    PrintJustify(Text, kind, offset + curTab_->Pos, curTab_->Margin, curTab_->Width);
    tabPending_ = false;
}

void TBaseReport::Print(const std::string& Text) {
    std::string rest = Text;
    for (std::size_t tab = rest.find('\t'); tab != std::string::npos; tab = rest.find('\t')) {
        if (tab > 0) PrintAtCursor(rest.substr(0, tab));
        rest.erase(0, tab + 1);
        TabBox(NA, NA, NA, NA, NA);
    }
    PrintAtCursor(rest);
}

void TBaseReport::PrintLn(const std::string& Text) {
    Print(Text);
    NewLine();
}

// ---------------------------------------------------------------------------------------------
// Printer

void TBaseReport::SetOutputFileName(const std::string& Value) {
    CheckNotPrinting();
    if (!PrinterInstalled()) return;
    outputFileName_ = Value;
}

DEVMODE* TBaseReport::GetDevMode() {
    return RPDev()->GetDevMode();
}

std::string TBaseReport::GetDeviceName() {
    if (OutputKind() == okPreview) return "Preview";
    RPDev()->GetPrinterIndex();
    return RPDev()->DeviceName();
}

std::string TBaseReport::GetDriverName() {
    if (OutputKind() == okPreview) return "Preview";
    RPDev()->GetPrinterIndex();
    return RPDev()->DriverName();
}

std::string TBaseReport::GetPort() {
    if (OutputKind() == okPreview) return "Screen";
    RPDev()->GetPrinterIndex();
    return RPDev()->Port();
}

int TBaseReport::GetDuplex() {
    return PrinterInstalled() ? RPDev()->GetDuplex() : 0;
}

void TBaseReport::SetDuplex(int Value) {
    if (PrinterInstalled()) RPDev()->SetDuplex(Value);
}

bool TBaseReport::GetCollate() {
    return PrinterInstalled() && RPDev()->GetCollate();
}

void TBaseReport::SetCollate(bool Value) {
    if (PrinterInstalled()) RPDev()->SetCollate(Value);
}

// ---------------------------------------------------------------------------------------------
// Tabs

TTab* TBaseReport::TabTail() const {
    TTab* tab = tabHead_;
    while (tab && tab->Next)
        tab = tab->Next;
    return tab;
}

void TBaseReport::ReleaseTabs(TTab* Head) {
    if (!Head) return;
    if (Head->RefCount > 0) --Head->RefCount;
    if (Head->RefCount > 0) return;
    while (Head) {
        TTab* next = Head->Next;
        delete Head;
        Head = next;
    }
}

void TBaseReport::SetTab(double Position, Byte Justification, double Width, double Margin,
                         Byte Lines, Byte Shade) {
    auto* tab = new TTab;
    TTab* tail = TabTail();
    tab->Prev = tail;
    if (!tabHead_) {
        tabHead_ = tab;
        tab->RefCount = 1;
        firstTabPending_ = true;
    } else {
        tail->Next = tab;
    }
    if (Position >= 0.0)
        tab->Pos = XU2I(Position);
    else
        tab->Pos = tail ? tail->Pos + tail->Width : marginLeftEdge_;
    tab->Justify = Justification;
    if (Width > 0.0) {
        tab->Width = XU2I(Width);
        tab->Margin = Margin * 0.01;
        tab->LeftLine = Lines & BOXLINELEFT;
        tab->RightLine = Lines & BOXLINERIGHT;
        tab->TopLine = Lines & BOXLINETOP;
        tab->BottomLine = Lines & BOXLINEBOTTOM;
        tab->Shade = Shade;
    }
}

void TBaseReport::ClearTabs() {
    ReleaseTabs(tabHead_);
    tabHead_ = nullptr;
    ResetTabs();
}

bool TBaseReport::SaveTabs(int Index) {
    if (Index < 1 || Index > 10) return false;
    if (tabHead_) ++tabHead_->RefCount;
    ReleaseTabs(savedTabs_[Index - 1]);
    savedTabs_[Index - 1] = tabHead_;
    return true;
}

bool TBaseReport::RestoreTabs(int Index) {
    if (Index < 1 || Index > 10) return false;
    TTab* list = savedTabs_[Index - 1];
    if (list) ++list->RefCount;
    ReleaseTabs(tabHead_);
    tabHead_ = list;
    ResetTabs();
    return true;
}

bool TBaseReport::PushTabs() {
    if (!tabHead_) return false;
    ++tabHead_->RefCount;
    tabStack_.push_back(tabHead_);
    return true;
}

bool TBaseReport::PopTabs() {
    if (tabStack_.empty()) return false;
    TTab* list = tabStack_.back();
    tabStack_.pop_back();
    ReleaseTabs(tabHead_);
    tabHead_ = list;
    ResetTabs();
    return true;
}

void TBaseReport::ResetTabs() {
    curTab_ = nullptr;
    tabPending_ = false;
    firstTabPending_ = tabHead_ != nullptr;
}

TTab* TBaseReport::GetTab(int Index) const {
    if (Index == 0) return curTab_;
    if (Index < 0) return nullptr;
    TTab* tab = tabHead_;
    for (int i = 1; tab && i < Index; ++i)
        tab = tab->Next;
    return tab;
}

double TBaseReport::TabWidth(int Index) const {
    TTab* tab = GetTab(Index);
    return tab ? XI2U(tab->Width - 2.0 * tab->Margin) : 0.0;
}

bool TBaseReport::NextTab() {
    TTab* next = nullptr;
    if (firstTabPending_) {
        next = tabHead_;
        firstTabPending_ = false;
    } else if (curTab_) {
        next = curTab_->Next;
    }
    curTab_ = next;
    tabPending_ = next != nullptr;
    return tabPending_;
}

void TBaseReport::TabBox(int LeftWidth, int RightWidth, int TopWidth, int BottomWidth, int Shade) {
    CheckPrinting();
    if (NoPrint() || !NextTab()) return;
    const double offset = (columnNum_ - 1) * columnWidth_;
    if (curTab_->Width > 0.0)
        DrawTabBox(curTab_, curTab_->Pos + offset, LeftWidth, RightWidth, TopWidth, BottomWidth,
                   Shade);
}

void TBaseReport::DrawTabBox(TTab* Tab, double X, int LeftWidth, int RightWidth, int TopWidth,
                             int BottomWidth, int Shade) {
    const double top = curY_ + descent_ - lineHeight_;
    const double bottom = curY_ + descent_;
    const double right = X + Tab->Width;
    int shade = Shade;
    if (Shade == NA) shade = Tab->Shade > 0 ? Tab->Shade : tabShade_;
    if (shade > 0) ShadeTab(X, top, right, bottom, shade);
    TabSide(Tab->LeftLine, LeftWidth, X, bottom, X, top);
    TabSide(Tab->RightLine, RightWidth, right, top, right, bottom);
    TabSide(Tab->TopLine, TopWidth, X, top, right, top);
    TabSide(Tab->BottomLine, BottomWidth, right, bottom, X, bottom);
}

void TBaseReport::ShadeTab(double X1, double Y1, double X2, double Y2, int Shade) {
    TCanvas* canvas = GetCanvas();
    const TColor brushColor = canvas->Brush()->Color();
    const TBrushStyle brushStyle = canvas->Brush()->Style();
    const TColor penColor = canvas->Pen()->Color();
    const TPenStyle penStyle = canvas->Pen()->Style();
    const int penWidth = canvas->Pen()->Width();
    const TPenMode penMode = canvas->Pen()->Mode();
    const int bkMode = GetBkMode(canvas->RawHandle());
    const int light = 100 - std::min(Shade, 100);
    const COLORREF base = ColorToRGB(tabColor_);
    auto lighten = [light](int c) { return static_cast<Byte>(c + (255 - c) * light / 100); };
    const TColor shade = static_cast<TColor>(
        RGB(lighten(GetRValue(base)), lighten(GetGValue(base)), lighten(GetBValue(base))));
    SetBrush(shade, bsSolid, nullptr);
    SetPen(shadePenColor_, psClear, 1, pmMask);
    TabRectangle(XI2U(X1), YI2U(Y1), XI2U(X2), YI2U(Y2));
    SetBrush(brushColor, brushStyle, nullptr);
    SetPen(penColor, penStyle, penWidth, penMode);
    SetBkMode(canvas->RawHandle(), bkMode);
}

void TBaseReport::TabSide(bool Flag, int Width, double X1, double Y1, double X2, double Y2) {
    if (Width == 0 || (Width == NA && !Flag)) return;
    if (Width == NA) {
        MoveTo(XI2U(X1), YI2U(Y1));
        LineTo(XI2U(X2), YI2U(Y2));
        return;
    }
    TPen* pen = GetCanvas()->Pen();
    const TColor color = pen->Color();
    const TPenStyle style = pen->Style();
    const int width = pen->Width();
    const TPenMode mode = pen->Mode();
    SetPen(clBlack, psSolid, Width, pmCopy);
    MoveTo(XI2U(X1), YI2U(Y1));
    LineTo(XI2U(X2), YI2U(Y2));
    SetPen(color, style, width, mode);
}

void TBaseReport::PrintTab(const std::string& Text) {
    TabBox(NA, NA, NA, NA, NA);
    if (NoPrint() || !tabPending_) return;
    const double inner = TabWidth(0);
    if (!(inner > 0.0)) return;
    const std::size_t fits = LongestFitting(Text.size(), [&](std::size_t length) {
        return TextWidth(Text.substr(0, length)) <= inner;
    });
    PrintAtCursor(Text.substr(0, fits));
}

// ---------------------------------------------------------------------------------------------
// Memos

namespace {

constexpr const char* MemoRangeError = "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart";

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::size_t TBaseReport::MemoLineLength(const std::string& Text, std::size_t Start,
                                        std::size_t End) {
    const int room = XI2D(ColumnLeft() + columnWidth_) - XI2D(ColumnLeft());
    auto fits = [&](std::size_t length) {
        return PrintedPixels(Text.substr(Start, length)) <= room;
    };
    // Whole words while they fit; the blanks after the last one are left for the break.
    std::size_t taken = 0;
    std::size_t at = Start;
    while (at < End) {
        std::size_t wordEnd = at;
        while (wordEnd < End && IsBlank(Text[wordEnd]))
            ++wordEnd;
        while (wordEnd < End && !IsBlank(Text[wordEnd]))
            ++wordEnd;
        if (!fits(wordEnd - Start)) break;
        taken = wordEnd - Start;
        at = wordEnd;
    }
    if (taken > 0) return taken;
    // A word wider than the line is cut where the line ends (at least one character goes).
    return std::max<std::size_t>(1, LongestFitting(End - Start, fits));
}

void TBaseReport::PrintMemo(TMemoBuf& MemoBuf, int Lines) {
    CheckPrinting();
    if (MemoBuf.PrintEnd <= MemoBuf.PrintStart) RaiseError(MemoRangeError);
    const std::string& text = MemoBuf.Text;
    const std::size_t end = std::min(text.size(), static_cast<std::size_t>(MemoBuf.PrintEnd));
    std::size_t at = std::min(end, static_cast<std::size_t>(std::max(MemoBuf.PrintStart, 0)));
    for (int printed = 0; at < end && (Lines <= 0 || printed < Lines); ++printed) {
        std::size_t paragraphEnd = text.find('\n', at);
        if (paragraphEnd == std::string::npos || paragraphEnd > end) paragraphEnd = end;
        std::size_t lineEnd = paragraphEnd;
        if (lineEnd > at && text[lineEnd - 1] == '\r') --lineEnd;
        if (lineEnd > at) lineEnd = at + MemoLineLength(text, at, lineEnd);
        if (LinesLeft() < 1) NewPage();
        PrintJustify(text.substr(at, lineEnd - at), pjLeft, ColumnLeft(), 0.0, 0.0);
        NewLine();
        // The blanks at a break, or the line end, are used up by it.
        at = lineEnd;
        while (at < paragraphEnd && IsBlank(text[at]))
            ++at;
        if (at < end && (text[at] == '\r' || text[at] == '\n'))
            at = std::min(end, paragraphEnd + 1);
    }
    MemoBuf.PrintStart = static_cast<LongInt>(at);
}

// ---------------------------------------------------------------------------------------------
// Line merging

bool TBaseReport::MergeLine(double X, double Y) {
    const double x = XU2I(X) + originX_;
    const double y = YU2I(Y) + originY_;
    TPen* pen = GetCanvas()->Pen();
    TLineSegment segment;
    segment.PenColor = pen->Color();
    segment.PenStyle = pen->Style();
    segment.PenMode = pen->Mode();
    segment.PenWidth = pen->Width();
    bool taken = true;
    if (SameValue(x, lastLineX_)) {
        segment.Pos = x;
        segment.Start = std::min(y, lastLineY_);
        segment.End = std::max(y, lastLineY_);
        AddSegment(vLines_, segment);
    } else if (SameValue(y, lastLineY_)) {
        segment.Pos = y;
        segment.Start = std::min(x, lastLineX_);
        segment.End = std::max(x, lastLineX_);
        AddSegment(hLines_, segment);
    } else {
        taken = false;
    }
    lastLineX_ = x;
    lastLineY_ = y;
    return taken;
}

void TBaseReport::AddSegment(std::vector<TLineSegment>& List, TLineSegment Segment) {
    auto samePen = [&Segment](const TLineSegment& s) {
        return std::fabs(s.Pos - Segment.Pos) < MergeTolerance && s.PenColor == Segment.PenColor &&
               s.PenStyle == Segment.PenStyle && s.PenMode == Segment.PenMode &&
               s.PenWidth == Segment.PenWidth;
    };
    auto within = [](double v, const TLineSegment& s) {
        return v >= s.Start - MergeTolerance && v <= s.End + MergeTolerance;
    };
    for (auto it = List.begin(); it != List.end();) {
        if (!samePen(*it)) {
            ++it;
            continue;
        }
        const bool startIn = within(Segment.Start, *it);
        const bool endIn = within(Segment.End, *it);
        if (startIn && endIn) return;
        if (startIn || endIn || (Segment.Start < it->Start && Segment.End > it->End)) {
            Segment.Start = std::min(Segment.Start, it->Start);
            Segment.End = std::max(Segment.End, it->End);
            List.erase(it);
            it = List.begin();
            continue;
        }
        ++it;
    }
    List.insert(List.begin(), Segment);
}

void TBaseReport::FlushLines() {
    if (hLines_.empty() && vLines_.empty()) return;
    TPen* pen = GetCanvas()->Pen();
    const TColor color = pen->Color();
    const TPenStyle style = pen->Style();
    const int width = pen->Width();
    const TPenMode mode = pen->Mode();
    std::vector<TLineSegment> vertical = std::move(vLines_);
    std::vector<TLineSegment> horizontal = std::move(hLines_);
    vLines_.clear();
    hLines_.clear();
    drawLinesDirect_ = true;
    auto draw = [&](const TLineSegment& s, double x1, double y1, double x2, double y2) {
        pen->SetColor(s.PenColor);
        pen->SetStyle(static_cast<TPenStyle>(s.PenStyle));
        pen->SetWidth(s.PenWidth);
        pen->SetMode(static_cast<TPenMode>(s.PenMode));
        MoveTo(XI2U(x1 - originX_), YI2U(y1 - originY_));
        LineTo(XI2U(x2 - originX_), YI2U(y2 - originY_));
    };
    try {
        for (const TLineSegment& s : vertical)
            draw(s, s.Pos, s.Start, s.Pos, s.End);
        for (const TLineSegment& s : horizontal)
            draw(s, s.Start, s.Pos, s.End, s.Pos);
    } catch (...) {
        drawLinesDirect_ = false;
        throw;
    }
    drawLinesDirect_ = false;
    pen->SetColor(color);
    pen->SetStyle(style);
    pen->SetWidth(width);
    pen->SetMode(mode);
}

// ---------------------------------------------------------------------------------------------
// Brush and pen

void TBaseReport::SetBrush(TColor Color, TBrushStyle Style, TBitmap* Bitmap) {
    TBrush* brush = GetCanvas()->Brush();
    brush->SetColor(Color);
    brush->SetStyle(Style);
    if (Bitmap) brush->SetBitmap(Bitmap);
}

int TBaseReport::PenWidthPixels(int Width) const {
    if (Width >= 0) return Width;
    return std::max(1, XU2DLength(-Width));
}

void TBaseReport::SetPen(TColor Color, TPenStyle Style, int Width, TPenMode Mode) {
    TPen* pen = GetCanvas()->Pen();
    pen->SetColor(Color);
    pen->SetStyle(Style);
    pen->SetWidth(PenWidthPixels(Width));
    pen->SetMode(Mode);
}

// ---------------------------------------------------------------------------------------------
// Fonts

int TBaseReport::FontPixels(double Height) const {
    return static_cast<int>(Round(Height * yDPI_ * zoom_ / 100.0));
}

void TBaseReport::AttachFontNotify() {
    TCanvas* canvas = GetCanvas();
    if (notifyCanvas_) return;
    notifyCanvas_ = canvas;
    previousFontChange_ = canvas->Font()->OnChange;
    canvas->Font()->OnChange = [this](TObject* Sender) { FontChanged(Sender); };
}

void TBaseReport::DetachFontNotify() {
    if (!notifyCanvas_) return;
    notifyCanvas_->Font()->OnChange = previousFontChange_;
    previousFontChange_ = nullptr;
    notifyCanvas_ = nullptr;
}

void TBaseReport::FontChanged(TObject*) {
    if (updatingFont_) return;
    TFont* font = GetCanvas()->Font();
    bool changed = false;
    auto take = [&changed](auto& field, auto value) {
        if (field == value) return;
        field = value;
        changed = true;
    };
    take(font_.Name, font->Name());
    take(font_.Color, font->Color());
    take(font_.Pitch, FromFontPitch(font->Pitch()));
    const int pixels = std::abs(font->Height());
    if (pixels != FontPixels(font_.Height)) {
        font_.Height = pixels * 100.0 / (yDPI_ * zoom_);
        font_.Size = font_.Height * 72.0;
        changed = true;
    }
    const TFontStyles style = font->Style();
    take(font_.Bold, style.Contains(fsBold));
    take(font_.Italic, style.Contains(fsItalic));
    take(font_.Underline, style.Contains(fsUnderline));
    take(font_.Strikeout, style.Contains(fsStrikeOut));
    if (changed) fontDirty_ = true;
}

void TBaseReport::ReleaseFont() {
    fontHeld_ = false;
    if (!fontUnapplied_) return;
    fontUnapplied_ = false;
    ApplyFont();
}

void TBaseReport::ApplyFont() {
    if (fontHeld_) {
        fontUnapplied_ = true;
        fontDirty_ = true;
        return;
    }
    TFont* font = GetCanvas()->Font();
    updatingFont_ = true;
    try {
        font->SetName(font_.Name);
        font->SetColor(font_.Color);
        font->SetPitch(ToFontPitch(font_.Pitch));
        font->SetHeight(-FontPixels(font_.Height));
        TFontStyles style;
        if (font_.Bold) style.Include(fsBold);
        if (font_.Italic) style.Include(fsItalic);
        if (font_.Underline) style.Include(fsUnderline);
        if (font_.Strikeout) style.Include(fsStrikeOut);
        font->SetStyle(style);
    } catch (...) {
        updatingFont_ = false;
        throw;
    }
    updatingFont_ = false;
    fontDirty_ = true;
    FontChanged(font);
}

void TBaseReport::SetFont(const std::string& Name, double Size) {
    if (!UsableFontSize(Size)) return;
    GetCanvas();
    TReportFont font;
    font.Name = Name.substr(0, 63);
    font.Size = Size;
    font.Height = Size / 72.0;
    font.Ascent = font_.Ascent;
    font.Descent = font_.Descent;
    font_ = font;
    ApplyFont();
}

void TBaseReport::SetStyle(bool TReportFont::*Field, bool Value) {
    GetCanvas();
    font_.*Field = Value;
    ApplyFont();
}

void TBaseReport::SetBold(bool Value) {
    SetStyle(&TReportFont::Bold, Value);
}

void TBaseReport::SetUnderline(bool Value) {
    SetStyle(&TReportFont::Underline, Value);
}

void TBaseReport::SetItalic(bool Value) {
    SetStyle(&TReportFont::Italic, Value);
}

void TBaseReport::SetStrikeout(bool Value) {
    SetStyle(&TReportFont::Strikeout, Value);
}

void TBaseReport::SetSuperscript(bool Value) {
    font_.Superscript = Value;
    if (Value) font_.Subscript = false;
    fontDirty_ = true;
}

void TBaseReport::SetSubscript(bool Value) {
    font_.Subscript = Value;
    if (Value) font_.Superscript = false;
    fontDirty_ = true;
}

void TBaseReport::SetFontRotation(int Degrees) {
    font_.Rotation = static_cast<SmallInt>(Degrees % 360);
    fontDirty_ = true;
}

void TBaseReport::SetFontColor(TColor Color) {
    GetCanvas();
    font_.Color = Color;
    ApplyFont();
}

void TBaseReport::SetFontName(const std::string& Name) {
    GetCanvas();
    font_.Name = Name.substr(0, 63);
    ApplyFont();
}

void TBaseReport::SetFontPitch(Byte Pitch) {
    GetCanvas();
    font_.Pitch = Pitch <= 2 ? Pitch : 0;
    ApplyFont();
}

void TBaseReport::SetFontSize(double Points) {
    if (!UsableFontSize(Points)) return;
    GetCanvas();
    font_.Size = Points;
    font_.Height = Points / 72.0;
    ApplyFont();
}

void TBaseReport::SetFontHeight(double Height) {
    if (!UsableFontSize(YU2I(Height) * 72.0)) return;
    GetCanvas();
    font_.Height = YU2I(Height);
    font_.Size = font_.Height * 72.0;
    ApplyFont();
}

void TBaseReport::PushFont() {
    fontStack_.push_back(font_);
}

bool TBaseReport::PopFont() {
    if (fontStack_.empty()) return false;
    GetCanvas();
    font_ = fontStack_.back();
    fontStack_.pop_back();
    font_.Handle = nullptr;
    ApplyFont();
    return true;
}

bool TBaseReport::SaveFont(int Index) {
    if (Index < 1 || Index > 10) return false;
    savedFonts_[Index - 1] = font_;
    savedFonts_[Index - 1].Handle = nullptr;
    return true;
}

bool TBaseReport::RestoreFont(int Index) {
    if (Index < 1 || Index > 10) return false;
    GetCanvas();
    font_ = savedFonts_[Index - 1];
    ApplyFont();
    return true;
}

bool TBaseReport::FindCachedFont() {
    for (auto it = fontCache_.begin(); it != fontCache_.end(); ++it) {
        const TReportFont& f = it->Font;
        if (f.Pitch == font_.Pitch && f.Height == font_.Height && f.Width == font_.Width &&
            f.Bold == font_.Bold && f.Underline == font_.Underline && f.Italic == font_.Italic &&
            f.Strikeout == font_.Strikeout && f.Rotation == font_.Rotation &&
            f.Superscript == font_.Superscript && f.Subscript == font_.Subscript &&
            f.Name == font_.Name && it->Zoom == zoom_ && it->XDPI == xDPI_ && it->YDPI == yDPI_) {
            font_.Handle = f.Handle;
            font_.Ascent = f.Ascent;
            font_.Descent = f.Descent;
            font_.ExternalLeading = f.ExternalLeading;
            font_.AvgWidth = f.AvgWidth;
            return true;
        }
    }
    return false;
}

void TBaseReport::CreateDeviceFont() {
    const bool small = font_.Subscript || font_.Superscript;
    LOGFONT logFont;
    logFont.lfHeight = -FontPixels(small ? font_.Height * SubSuperFactor : font_.Height);
    logFont.lfWidth = static_cast<int>(Round(font_.Width * xDPI_ * zoom_ / 100.0));
    logFont.lfEscapement = font_.Rotation * 10;
    logFont.lfOrientation = 0;
    logFont.lfWeight = font_.Bold ? FW_BOLD : FW_NORMAL;
    logFont.lfItalic = font_.Italic;
    logFont.lfUnderline = font_.Underline;
    logFont.lfStrikeOut = font_.Strikeout;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfPitchAndFamily = font_.Pitch == 1   ? VARIABLE_PITCH
                               : font_.Pitch == 2 ? FIXED_PITCH
                                                  : DEFAULT_PITCH;
    logFont.lfFaceName = font_.Name;
    HFONT handle = CreateFontIndirect(logFont);
    HDC dc = GetCanvas()->Handle();
    HGDIOBJ previous = SelectObject(dc, handle);
    TEXTMETRIC metric;
    GetTextMetrics(dc, &metric);
    SelectObject(dc, previous);
    const double toInches = 10000.0 / (yDPI_ * scaleY_ * zoom_) * (small ? 0.5 : 1.0);
    font_.Ascent = metric.tmAscent * toInches;
    font_.Descent = metric.tmDescent * toInches;
    font_.ExternalLeading = metric.tmExternalLeading * toInches;
    font_.AvgWidth = static_cast<SmallInt>(metric.tmAveCharWidth);
    font_.Handle = handle;
    fontCache_.push_back(TFontCacheEntry{font_, zoom_, xDPI_, yDPI_});
}

HFONT TBaseReport::DeviceFont() {
    if (fontDirty_) {
        font_.Handle = nullptr;
        fontDirty_ = false;
    }
    if (!font_.Handle && !FindCachedFont()) CreateDeviceFont();
    return font_.Handle;
}

void TBaseReport::ClearFontCache() {
    for (TFontCacheEntry& entry : fontCache_)
        DeleteObject(entry.Font.Handle);
    fontCache_.clear();
    sampleWidths_.clear();
    font_.Handle = nullptr;
    fontDirty_ = true;
}

int TBaseReport::TextPixels(const std::string& Text) {
    if (Text.empty()) return 0;
    HDC dc = GetCanvas()->Handle();
    HGDIOBJ previous = SelectObject(dc, DeviceFont());
    TSize size;
    GetTextExtentPoint(dc, Text, &size);
    SelectObject(dc, previous);
    return size.cx;
}

double TBaseReport::FontSampleWidth() {
    for (const TSampleWidth& known : sampleWidths_)
        if (known.Height == font_.Height && known.Bold == font_.Bold &&
            known.Italic == font_.Italic && known.Pitch == font_.Pitch && known.Zoom == zoom_ &&
            known.XDPI == xDPI_ && known.Name == font_.Name)
            return known.Width;
    const bool superscript = font_.Superscript;
    const bool subscript = font_.Subscript;
    auto restore = MakeScopeGuard([&] {
        font_.Superscript = superscript;
        font_.Subscript = subscript;
        fontDirty_ = true;
    });
    font_.Superscript = font_.Subscript = false;
    fontDirty_ = true;
    const double width = static_cast<double>(TextPixels(FontSampleText)) / xDPI_ * 100.0 / zoom_;
    if (sampleWidths_.size() >= SampleWidthsKept) sampleWidths_.erase(sampleWidths_.begin());
    sampleWidths_.push_back(
        {font_.Name, font_.Pitch, font_.Height, font_.Bold, font_.Italic, zoom_, xDPI_, width});
    return width;
}

int TBaseReport::PrintedPixels(const std::string& Text) {
    return HasCodes(Text) ? CodesWidth(this, Text) : std::max(1, TextPixels(Text));
}

double TBaseReport::TextWidth(const std::string& Text) {
    CheckPrinting();
    return PixelsWidth(PrintedPixels(Text));
}

// ---------------------------------------------------------------------------------------------
// Status and macros

void TBaseReport::UpdateStatus() {
    if (!statusLabel_) return;
    std::string text = statusFormat_;
    std::size_t at = text.find('%');
    while (at != std::string::npos && at + 1 < text.size()) {
        const char code = AnsiUpperChar(text[at + 1]);
        std::string value;
        switch (code) {
        case 'P': value = std::to_string(currentPage_); break;
        case 'F': value = std::to_string(firstPage_); break;
        case 'L': value = std::to_string(lastPage_); break;
        case 'D': value = GetDeviceName(); break;
        case 'R': value = GetDriverName(); break;
        case 'T': value = GetPort(); break;
        case '%': value = "%"; break;
        default:
            if (code >= '0' && code <= '9') {
                const int line = code - '0';
                if (line < statusText_->Count()) value = statusText_->Strings(line);
            } else {
                value = std::string("<ERROR-%") + code + ">";
            }
        }
        text.replace(at, 2, value);
        at = text.find('%', at + value.size());
    }
    statusLabel_->SetCaption(text);
    if (Application) Application->ProcessMessages();
}

std::string TBaseReport::MacroValue(int Id) {
    static const char* const dateFormats[] = {"ddddd", "dddddd", "mm/dd/yy",   "dd/mm/yy",
                                              "t",     "tt",     "hh:nn ampm", "hh:nn"};
    if (Id >= 0 && Id <= 7) return FormatDateTime(dateFormats[Id], jobDateTime_);
    switch (Id) {
    case 8: return std::to_string(firstPage_);
    case 9: return std::to_string(lastPage_);
    case 10: return std::to_string(totalPages_);
    case 11: return std::to_string(currentPage_);
    case 12: return GetDeviceName();
    case 13: return GetDriverName();
    case 14: return GetPort();
    default: break;
    }
    const int user = Id - FirstUserMacro;
    if (user >= 0 && user < UserMacroCount && user < macroData_->Count())
        return macroData_->Strings(user);
    return {};
}

std::string TBaseReport::Macro(int Id) {
    if (OutputKind() != okFiler || Id < 0 || Id > 99) return MacroValue(Id);
    return std::string(1, MacroMarker) + MacroTag + Format("%.2d", {Id});
}

void TBaseReport::ExpandMacros(std::string& Text) {
    const std::string marker = std::string(1, MacroMarker) + MacroTag;
    std::size_t at = Text.find(marker);
    while (at != std::string::npos) {
        const std::size_t length = std::min<std::size_t>(MacroPlaceholderLength, Text.size() - at);
        long long id = -1;
        if (length == MacroPlaceholderLength) {
            const std::string digits = Text.substr(at + marker.size(), 2);
            if (!(std::isdigit(static_cast<unsigned char>(digits[0])) &&
                  std::isdigit(static_cast<unsigned char>(digits[1])) && ParseInteger(digits, id)))
                id = -1;
        }
        const std::string value = MacroValue(static_cast<int>(id));
        Text.replace(at, length, value);
        // Scanning goes on after the inserted value, so a value holding a placeholder stays.
        at = Text.find(marker, at + value.size());
    }
}

// ---------------------------------------------------------------------------------------------
// Embedded format codes

bool HasCodes(const std::string& Text) {
    return Text.find(RPTF_PREFIX) != std::string::npos;
}

void NextCode(const std::string& Text, int& Pos, char& Letter, std::string& Argument) {
    const int length = static_cast<int>(Text.size());
    Argument.clear();
    if (Pos < 1 || Pos > length) {
        Letter = ' ';
        return;
    }
    Letter = Text[Pos - 1];
    ++Pos;
    while (Pos <= length && Text[Pos - 1] != RPTF_SEPARATOR && Text[Pos - 1] != RPTF_SUFFIX) {
        if (Text[Pos - 1] != RPTF_IGNORE) Argument += Text[Pos - 1];
        ++Pos;
    }
    if (Pos <= length) ++Pos;
}

void NextSegment(const std::string& Text, int& Pos, std::string& Plain, std::string& Codes) {
    Plain.clear();
    Codes.clear();
    const std::size_t length = Text.size();
    if (Pos < 1 || static_cast<std::size_t>(Pos) > length) return;
    const std::size_t start = static_cast<std::size_t>(Pos - 1);
    if (Text[start] == RPTF_PREFIX) {
        const std::size_t end = Text.find(RPTF_SUFFIX, start + 1);
        const std::size_t stop = end == std::string::npos ? length : end;
        Codes = Text.substr(start + 1, stop - start - 1);
        Pos = static_cast<int>(std::min(stop + 1, length)) + 1;
        return;
    }
    const std::size_t next = Text.find(RPTF_PREFIX, start);
    const std::size_t stop = next == std::string::npos ? length : next;
    Plain = Text.substr(start, stop - start);
    Pos = static_cast<int>(stop) + 1;
}

void ApplyCodes(TBaseReport* Report, const std::string& Codes) {
    int pos = 1;
    const int length = static_cast<int>(Codes.size());
    while (pos <= length) {
        char letter = ' ';
        std::string argument;
        NextCode(Codes, pos, letter, argument);
        const bool on = argument == "1";
        double number = 0.0;
        long long integer = 0;
        switch (letter) {
        case 'B': Report->SetBold(on); break;
        case 'I': Report->SetItalic(on); break;
        case 'U': Report->SetUnderline(on); break;
        case 'K': Report->SetStrikeout(on); break;
        case 'S': Report->SetSubscript(on); break;
        case 'P': Report->SetSuperscript(on); break;
        case 'C':
            if (ParseInteger(argument, integer)) Report->SetFontColor(static_cast<TColor>(integer));
            break;
        case 'H':
            if (!argument.empty()) {
                const char pitch = AnsiUpperChar(argument[0]);
                if (pitch == 'D') Report->SetFontPitch(0);
                if (pitch == 'F') Report->SetFontPitch(2);
                if (pitch == 'V') Report->SetFontPitch(1);
            }
            break;
        case 'N': Report->SetFontName(argument); break;
        case 'Z':
            if (ParseNumber(argument, number)) Report->SetFontSize(number);
            break;
        case 'R': Report->SetFont("Arial", 10.0); break;
        case 'r': Report->SetFont(Report->GetFontName(), Report->GetFontSize()); break;
        default: break;
        }
    }
}

void PrintSegment(TBaseReport* Report, const std::string& Text, int& Pos, std::string& Plain) {
    std::string codes;
    NextSegment(Text, Pos, Plain, codes);
    if (!codes.empty()) ApplyCodes(Report, codes);
}

int CodesWidth(TBaseReport* Report, const std::string& Text) {
    Report->PushFont();
    int total = 0;
    try {
        int pos = 1;
        while (pos <= static_cast<int>(Text.size())) {
            std::string plain;
            PrintSegment(Report, Text, pos, plain);
            total += Report->TextPixels(plain);
        }
    } catch (...) {
        Report->PopFont();
        throw;
    }
    Report->PopFont();
    return std::max(total, 1);
}
