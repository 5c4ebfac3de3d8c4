#include "chart/ChartEngine.h"

#include "platform/gui/Dialogs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <climits>
#include <cmath>

// =============================================================================================
// Pens

TChartPen::TChartPen(TNotifyEvent OnChangeEvent) {
    OnChange = std::move(OnChangeEvent);
}

void TChartPen::Assign(TPersistent* Source) {
    if (auto* pen = dynamic_cast<TChartPen*>(Source)) visible_ = pen->visible_;
    TPen::Assign(Source);
}

void TChartPen::SetVisible(bool Value) {
    if (visible_ == Value) return;
    visible_ = Value;
    if (OnChange) OnChange(this);
}

// Each pen takes its defaults before it reports changes.
TChartHiddenPen::TChartHiddenPen(TNotifyEvent OnChangeEvent) {
    SetVisible(false);
    OnChange = std::move(OnChangeEvent);
}

TChartArrowPen::TChartArrowPen(TNotifyEvent OnChangeEvent) {
    SetColor(clWhite);
    OnChange = std::move(OnChangeEvent);
}

TChartAxisPen::TChartAxisPen(TNotifyEvent OnChangeEvent) {
    SetWidth(2);
    OnChange = std::move(OnChangeEvent);
}

TChartTickPen::TChartTickPen(TNotifyEvent OnChangeEvent) {
    SetColor(clGray);
    OnChange = std::move(OnChangeEvent);
}

TChartGridPen::TChartGridPen(TNotifyEvent OnChangeEvent) {
    SetColor(clGray);
    SetStyle(psDot);
    OnChange = std::move(OnChangeEvent);
}

// =============================================================================================
// TChartValueList

TChartValueList::TChartValueList(TChartSeries* AOwner, const std::string& AName)
    : owner_(AOwner), name_(AName) {
    owner_->RegisterValueList(this);
}

const TChartValueList::TCell& TChartValueList::Cell(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
    return cells_[Index];
}

double TChartValueList::Value(int Index) const {
    return Cell(Index).Stored * multiplier_;
}

void TChartValueList::CountValue(int Index) {
    const double v = Value(Index);
    if (!std::isfinite(v)) return;
    cells_[Index].Added = v;
    total_ += v;
    totalAbs_ += std::fabs(v);
    if (counted_++ == 0) {
        minValue_ = maxValue_ = v;
    } else {
        minValue_ = std::min(minValue_, v);
        maxValue_ = std::max(maxValue_, v);
    }
}

int TChartValueList::OrderedIndex(double Value) const {
    int t = Count() - 1;
    if (order_ == loAscending && t >= 0 && cells_[t].Stored > Value) {
        while (t >= 0 && cells_[t].Stored > Value)
            --t;
        return t + 1;
    }
    if (order_ == loDescending && t >= 0 && cells_[t].Stored < Value) {
        while (t >= 0 && cells_[t].Stored < Value)
            --t;
        return t + 1;
    }
    return Count();
}

int TChartValueList::AddChartValue(double Value) {
    const int index = OrderedIndex(Value);
    InsertChartValue(index, Value);
    return index;
}

void TChartValueList::InsertChartValue(int Index, double Value) {
    Index = std::clamp(Index, 0, Count());
    InsertUncounted(Index, Value);
    CountValue(Index);
}

void TChartValueList::InsertUncounted(int Index, double Value) {
    cells_.insert(cells_.begin() + Index, TCell{Value, std::nullopt});
}

void TChartValueList::Delete(int Index) {
    if (const std::optional<double> added = Cell(Index).Added) {
        total_ -= *added;
        totalAbs_ -= std::fabs(*added);
        --counted_;
    }
    cells_.erase(cells_.begin() + Index);
    RecalcMinMax();
}

void TChartValueList::ClearValues() {
    cells_.clear();
    cells_.shrink_to_fit();
    cells_.reserve(ValueListCapacity);
    total_ = totalAbs_ = maxValue_ = minValue_ = 0;
    counted_ = 0;
}

void TChartValueList::RecalcMinMax() {
    minValue_ = maxValue_ = 0;
    bool first = true;
    for (int i = 0; i < Count(); ++i) {
        const double v = Value(i);
        if (!cells_[i].Added || !std::isfinite(v)) continue;
        minValue_ = first ? v : std::min(minValue_, v);
        maxValue_ = first ? v : std::max(maxValue_, v);
        first = false;
    }
}

void TChartValueList::Assign(TPersistent* Source) {
    auto* list = dynamic_cast<TChartValueList*>(Source);
    if (!list) {
        TPersistent::Assign(Source);
        return;
    }
    order_ = list->order_;
    dateTime_ = list->dateTime_;
    multiplier_ = list->multiplier_;
    valueSource_ = list->valueSource_;
}

void TChartValueList::SetDateTime(bool Value) {
    if (dateTime_ == Value) return;
    dateTime_ = Value;
    owner_->Repaint();
}

void TChartValueList::SetMultiplier(double Value) {
    if (multiplier_ == Value) return;
    multiplier_ = Value;
    RecalcMinMax();
    owner_->NotifyValue(veModified, 0);
    owner_->Repaint();
}

void TChartValueList::SetValueSource(const std::string& Value) {
    if (valueSource_ == Value) return;
    valueSource_ = Value;
    if (owner_->ParentChart()) owner_->ParentChart()->CheckDatasource(owner_);
}

// =============================================================================================
// TChartFontObject, TSeriesMarks

TChartFontObject::TChartFontObject(TCustomAxisPanel* AOwner)
    : parentChart_(AOwner), font_(CreateDefaultFont()) {
    font_->OnChange = [this](TObject*) {
        if (parentChart_) parentChart_->RedrawChart();
    };
}

void TChartFontObject::Assign(TPersistent* Source) {
    if (auto* object = dynamic_cast<TChartFontObject*>(Source)) {
        font_->Assign(object->font_.get());
        return;
    }
    TPersistent::Assign(Source);
}

TSeriesMarks::TSeriesMarks(TChartSeries* AOwner) : series_(AOwner), font_(CreateDefaultFont()) {
    const TNotifyEvent repaint = [this](TObject*) { Changed(); };
    font_->OnChange = repaint;
    frame_ = std::make_unique<TChartPen>(repaint);
    arrow_ = std::make_unique<TChartArrowPen>(repaint);
}

void TSeriesMarks::Changed() {
    series_->Repaint();
}

void TSeriesMarks::Assign(TPersistent* Source) {
    auto* marks = dynamic_cast<TSeriesMarks*>(Source);
    if (!marks) {
        TPersistent::Assign(Source);
        return;
    }
    visible_ = marks->visible_;
    backColor_ = marks->backColor_;
    transparent_ = marks->transparent_;
    font_->Assign(marks->font_.get());
    style_ = marks->style_;
    frame_->Assign(marks->frame_.get());
    arrow_->Assign(marks->arrow_.get());
    clip_ = marks->clip_;
    arrowLength_ = marks->arrowLength_;
    Changed();
}

void TSeriesMarks::SetVisible(bool Value) {
    StoreAndNotify(visible_, Value, [this] { Changed(); });
}
void TSeriesMarks::SetBackColor(TColor Value) {
    StoreAndNotify(backColor_, Value, [this] { Changed(); });
}
void TSeriesMarks::SetTransparent(bool Value) {
    StoreAndNotify(transparent_, Value, [this] { Changed(); });
}
void TSeriesMarks::SetStyle(TSeriesMarksStyle Value) {
    StoreAndNotify(style_, Value, [this] { Changed(); });
}
void TSeriesMarks::SetClip(bool Value) {
    StoreAndNotify(clip_, Value, [this] { Changed(); });
}
void TSeriesMarks::SetArrowLength(int Value) {
    StoreAndNotify(arrowLength_, Value, [this] { Changed(); });
}

// =============================================================================================
// TChartSeries

TChartSeries::TChartSeries(TComponent* AOwner) : TComponent(AOwner) {
    marks_ = std::make_unique<TSeriesMarks>(this);
    xValues_ = AddValueList("X");
    xValues_->SetOrder(loAscending);
    yValues_ = AddValueList("Y");
}

TChartSeries::~TChartSeries() {
    delete function_;
    function_ = nullptr;
    UnlinkSources();
    dataSources_.clear();
    for (TChartSeries* dependent : std::vector<TChartSeries*>(dependents_)) {
        auto& sources = dependent->dataSources_;
        sources.erase(std::remove(sources.begin(), sources.end(), this), sources.end());
        if (dependent->parentChart_) dependent->parentChart_->CheckDatasource(dependent);
    }
    dependents_.clear();
    ClearLists();
    if (parentChart_) parentChart_->RemoveSeries(this);
}

TChartValueList* TChartSeries::AddValueList(const std::string& AName) {
    ownedLists_.push_back(std::make_unique<TChartValueList>(this, AName));
    return ownedLists_.back().get();
}

void TChartSeries::SetValueColor(int Index, TColor Color) {
    if (Index < 0 || Index >= Count()) return;
    colors_.resize(std::max<std::size_t>(colors_.size(), Count()), clChartColor);
    colors_[Index] = Color;
    Repaint();
}

void TChartSeries::RefreshSeries() {
    NotifyValue(veRefresh, 0);
}

void TChartSeries::Repaint() {
    if (parentChart_) parentChart_->Invalidate();
}

TChartAxis* TChartSeries::GetHorizAxis() const {
    return parentChart_ ? parentChart_->AxisOf(horizAxis_) : nullptr;
}

TChartAxis* TChartSeries::GetVertAxis() const {
    return parentChart_ ? parentChart_->AxisOf(vertAxis_) : nullptr;
}

void TChartSeries::SetHorizAxis(THorizAxis Value) {
    StoreAndNotify(horizAxis_, Value, [this] { Repaint(); });
}

void TChartSeries::SetVertAxis(TVertAxis Value) {
    StoreAndNotify(vertAxis_, Value, [this] { Repaint(); });
}

int TChartSeries::CalcXPosValue(double Value) const {
    int x = GetHorizAxis()->CalcXPosValue(Value);
    if (parentChart_->View3D() && parentChart_->ZOrderFlag())
        x += zOrder_ * parentChart_->SeriesWidth3D;
    return x;
}

int TChartSeries::CalcYPosValue(double Value) const {
    int y = GetVertAxis()->CalcYPosValue(Value);
    if (parentChart_->View3D() && parentChart_->ZOrderFlag())
        y -= zOrder_ * parentChart_->SeriesHeight3D;
    return y;
}

int TChartSeries::CalcPosValue(double Value) const {
    return YMandatory() ? CalcYPosValue(Value) : CalcXPosValue(Value);
}

int TChartSeries::MaxMarkWidth() {
    int result = 0;
    for (int i = 0; i < Count(); ++i)
        if (ValueIsFinite(i)) result = std::max(result, parentChart_->TextWidth(GetMarkText(i)));
    return result;
}

bool TChartSeries::SameZOrderExists() const {
    if (!parentChart_ || !HasDepth()) return false;
    for (int i = 0; i < parentChart_->SeriesCount(); ++i) {
        TChartSeries* s = parentChart_->Series(i);
        if (s != this && s->Active() && s->HasDepth() && s->zOrder_ == zOrder_) return true;
    }
    return false;
}

bool TChartSeries::FirstInZOrder() const {
    if (!active_ || !parentChart_) return false;
    for (int i = 0; i < parentChart_->SeriesCount(); ++i) {
        TChartSeries* s = parentChart_->Series(i);
        if (s->Active() && s->HasDepth() && s->zOrder_ == zOrder_) return s == this;
    }
    return false;
}

void TChartSeries::SetColorEachPoint(bool Value) {
    if (colorEachPoint_ == Value) return;
    colorEachPoint_ = Value;
    if (!Value) std::fill(colors_.begin(), colors_.end(), clChartColor);
    Repaint();
}

void TChartSeries::SetTitle(const std::string& Value) {
    StoreAndNotify(title_, Value, [this] { Repaint(); });
}
void TChartSeries::SetValueFormat(const std::string& Value) {
    StoreAndNotify(valueFormat_, Value, [this] { Repaint(); });
}
void TChartSeries::SetPercentFormat(const std::string& Value) {
    StoreAndNotify(percentFormat_, Value, [this] { Repaint(); });
}
void TChartSeries::SetXLabelsSource(const std::string& Value) {
    StoreAndNotify(xLabelsSource_, Value, [this] {
        if (parentChart_) parentChart_->CheckDatasource(this);
    });
}
void TChartSeries::SetColorSource(const std::string& Value) {
    StoreAndNotify(colorSource_, Value, [this] {
        if (parentChart_) parentChart_->CheckDatasource(this);
    });
}
void TChartSeries::SetShowInLegend(bool Value) {
    StoreAndNotify(showInLegend_, Value, [this] { Repaint(); });
}

void TChartSeries::SetValueIndexRange(int First, int Last) {
    firstValueIndex_ = First;
    lastValueIndex_ = Last;
}

std::unique_ptr<TChartPen> TChartSeries::CreateChartPen() {
    return std::make_unique<TChartPen>([this](TObject*) { CanvasChanged(); });
}

TCanvas* TChartSeries::ParentCanvas() const {
    return parentChart_->DrawingCanvas();
}

bool TChartSeries::SameClass(const TChartSeries* Other) const {
    const std::string mine = ClassName();
    const std::string theirs = Other->ClassName();
    return Other->InheritsFrom(mine) || InheritsFrom(theirs);
}

bool TChartSeries::TakeRowOfEarlierSameClass() {
    if (!parentChart_ || !parentChart_->View3D()) return false;
    for (int i = 0; i < parentChart_->SeriesCount() && parentChart_->Series(i) != this; ++i) {
        TChartSeries* s = parentChart_->Series(i);
        if (s->Active() && s->InheritsFrom(ClassName())) {
            zOrder_ = s->zOrder_;
            return true;
        }
    }
    return false;
}

TColor TChartSeries::ResolvedColor(TColor Color, int Index) const {
    if (Color != clChartColor) return Color;
    return colorEachPoint_ ? GetDefaultColor(Index) : seriesColor_;
}

// --- data sources

void TChartSeries::AddDependent(TChartSeries* Series) {
    if (std::find(dependents_.begin(), dependents_.end(), Series) == dependents_.end())
        dependents_.push_back(Series);
}

void TChartSeries::RemoveDependent(TChartSeries* Series) {
    dependents_.erase(std::remove(dependents_.begin(), dependents_.end(), Series),
                      dependents_.end());
}

void TChartSeries::UnlinkSources() {
    for (TComponent* source : dataSources_) {
        if (auto* series = dynamic_cast<TChartSeries*>(source))
            series->RemoveDependent(this);
        else
            source->RemoveFreeNotification(this);
    }
}

void TChartSeries::SetDataSource(TComponent* Value) {
    if (!Value) {
        UnlinkSources();
        dataSources_.clear();
        if (ComponentState().Contains(csDesigning))
            FillSampleValues(NumSampleValues());
        else
            Clear();
        Repaint();
        return;
    }
    if (!parentChart_) {
        ShowMessage("No ParentChart to validate DataSource");
        return;
    }
    if (!parentChart_->IsValidDataSource(this, Value))
        throw ChartException("No valid DataSource: %s", {Value->Name()});
    if (std::find(dataSources_.begin(), dataSources_.end(), Value) != dataSources_.end()) return;
    auto* source = dynamic_cast<TChartSeries*>(Value);
    if (source) parentChart_->CheckOtherSeries(this, source);
    const bool loading = ComponentState().Contains(csLoading);
    if (!loading) {
        UnlinkSources();
        dataSources_.clear();
    }
    dataSources_.push_back(Value);
    if (source)
        source->AddDependent(this);
    else
        Value->FreeNotification(this);
    if (!loading) parentChart_->CheckDatasource(this);
}

void TChartSeries::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == function_) {
        function_ = nullptr;
        return;
    }
    if (AComponent == DataSource()) {
        dataSources_.erase(dataSources_.begin());
        SetDataSource(nullptr);
    } else {
        dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), AComponent),
                           dataSources_.end());
    }
}

void TChartSeries::NotifyValue(TChartValueEvent Event, int ValueIndex) {
    for (TChartSeries* dependent : std::vector<TChartSeries*>(dependents_)) {
        const auto& sources = dependent->dataSources_;
        if (std::find(sources.begin(), sources.end(), this) == sources.end()) continue;
        const TChartValueEvents accepts = dependent->accepted_;
        switch (Event) {
        case veClear:
            if (accepts.Contains(veClear)) dependent->Clear();
            break;
        case veAdd:
            if (accepts.Contains(veAdd) && !dependent->function_)
                dependent->AddValueWithLabelColor(this, ValueIndex);
            break;
        case veDelete:
            if (accepts.Contains(veDelete) && !dependent->function_)
                dependent->DeletedValue(this, ValueIndex);
            break;
        case veRefresh: dependent->AddValues(this); break;
        case veModified:
            if (accepts.Contains(veModified)) dependent->AddValues(this);
            break;
        }
    }
}

// --- virtual operations

void TChartSeries::NotifyNewValue(TChartSeries* Sender, int ValueIndex) {
    if (OnAfterAdd) OnAfterAdd(Sender, ValueIndex);
    NotifyValue(veAdd, ValueIndex);
    if (active_) Repaint();
}

void TChartSeries::DrawValue(int) {}

void TChartSeries::DoBeforeDrawValues() {
    if (BeforeDrawValues) BeforeDrawValues(this);
}

void TChartSeries::DoAfterDrawValues() {
    if (AfterDrawValues) AfterDrawValues(this);
}

void TChartSeries::DrawMark(int ValueIndex, const std::string& St, TRect R, TPoint ArrowFrom,
                            TPoint ArrowTo) {
    TCustomAxisPanel* chart = parentChart_;
    TCanvas* canvas = ParentCanvas();
    const TColor chartColor = chart->Color();
    if (marks_->Arrow()->Visible()) {
        canvas->SetPen(marks_->Arrow());
        if (ValueColor(ValueIndex) == canvas->Pen()->Color() ||
            canvas->Pen()->Color() == chartColor)
            canvas->Pen()->SetColor(chartColor == clBlack ? clWhite : clBlack);
        chart->DrawLine(ArrowFrom.X, ArrowFrom.Y, ArrowTo.X, ArrowTo.Y);
    }
    TChartPen* frame = marks_->Frame();
    if (frame->Visible()) {
        canvas->SetPen(frame);
        if (frame->Color() == clChartColor) canvas->Pen()->SetColor(clBlack);
        canvas->Brush()->SetColor(marks_->BackColor());
        canvas->Brush()->SetStyle(marks_->Transparent() ? bsClear : bsSolid);
        chart->DrawRectangle(R);
        R.Top += frame->Width();
    } else if (!marks_->Transparent()) {
        canvas->Brush()->SetColor(marks_->BackColor());
        canvas->Brush()->SetStyle(bsSolid);
        canvas->Pen()->SetStyle(psClear);
        chart->DrawRectangle(R);
    }
    canvas->Brush()->SetStyle(bsClear);
    HDC dc = canvas->Handle();
    const UINT previous = SetTextAlign(dc, TA_CENTER | TA_TOP);
    chart->TextOut((R.Left + R.Right) / 2, R.Top, St);
    SetTextAlign(dc, previous);
}

double TChartSeries::XValue(int Index) const {
    return xValues_->Value(Index);
}

double TChartSeries::YValue(int Index) const {
    return yValues_->Value(Index);
}

std::string TChartSeries::XLabel(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(labels_.size())) return {};
    return labels_[Index];
}

TColor TChartSeries::ValueColor(int Index) const {
    if (!ValueIsFinite(Index)) return clNone;
    if (Index < 0 || Index >= static_cast<int>(colors_.size())) return seriesColor_;
    return ResolvedColor(colors_[Index], Index);
}

bool TChartSeries::ValueIsFinite(int Index) const {
    for (const TChartValueList* list : valueLists_)
        if (Index >= 0 && Index < list->Count() && !std::isfinite(list->Value(Index)))
            return false;
    return true;
}

TColor TChartSeries::StoredColor(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(colors_.size())) return clChartColor;
    return colors_[Index];
}

void TChartSeries::SetSeriesColor(TColor Color) {
    StoreAndNotify(seriesColor_, Color, [this] { Repaint(); });
}

void TChartSeries::SetParentChart(TCustomAxisPanel* Value) {
    if (parentChart_ == Value) return;
    if (parentChart_) parentChart_->RemoveSeries(this);
    parentChart_ = Value;
    if (parentChart_) parentChart_->AddSeries(this);
}

void TChartSeries::SetActive(bool Value) {
    StoreAndNotify(active_, Value, [this] { Repaint(); });
}

void TChartSeries::DeletedValue(TChartSeries*, int ValueIndex) {
    Delete(ValueIndex);
}

int TChartSeries::AddValueFromSeries(TChartSeries* Source, int ValueIndex) {
    double x = Source->XValue(ValueIndex);
    double y = Source->YValue(ValueIndex);
    if (!(YMandatory() && Source->YMandatory())) std::swap(x, y);
    const int index = PlaceXY(x, y);
    for (int list = 2; list < ValuesListCount(); ++list) {
        const double v =
            list < Source->ValuesListCount() ? Source->ValueList(list)->Value(ValueIndex) : 0.0;
        ValueList(list)->InsertUncounted(index, v);
    }
    CountPoint(index);
    return index;
}

int TChartSeries::PlaceXY(double X, double Y) {
    const int index = xValues_->OrderedIndex(X);
    xValues_->InsertUncounted(index, X);
    yValues_->InsertUncounted(index, Y);
    return index;
}

void TChartSeries::CountPoint(int Index) {
    if (!ValueIsFinite(Index)) return;
    for (TChartValueList* list : valueLists_)
        list->CountValue(Index);
}

void TChartSeries::AddValueWithLabelColor(TChartSeries* Source, int ValueIndex) {
    const int index = AddValueFromSeries(Source, ValueIndex);
    colors_.insert(colors_.begin() + std::min<int>(index, colors_.size()),
                   ValueIndex < static_cast<int>(Source->colors_.size())
                       ? Source->colors_[ValueIndex]
                       : clChartColor);
    labels_.insert(labels_.begin() + std::min<int>(index, labels_.size()),
                   Source->XLabel(ValueIndex));
    NotifyNewValue(this, index);
}

void TChartSeries::AddValues(TChartSeries* Source) {
    if (!IsValidSourceOf(Source)) return;
    Clear();
    if (!function_) {
        for (int i = 0; i < Source->Count(); ++i)
            AddValueWithLabelColor(Source, i);
    } else {
        xValues_->SetDateTime(Source->XValues()->DateTime());
        yValues_->SetDateTime(Source->YValues()->DateTime());
        function_->AddPoints(Source);
    }
    RefreshSeries();
}

void TChartSeries::ClearLists() {
    for (TChartValueList* list : valueLists_)
        list->ClearValues();
    colors_.clear();
    labels_.clear();
}

bool TChartSeries::AssociatedToAxis(TChartAxis* Axis) const {
    return Axis->Horizontal() ? GetHorizAxis() == Axis : GetVertAxis() == Axis;
}

void TChartSeries::DrawAllValues() {
    if (DrawValuesForward()) {
        for (int i = firstValueIndex_; i <= lastValueIndex_; ++i)
            DrawValue(i);
    } else {
        for (int i = lastValueIndex_; i >= firstValueIndex_; --i)
            DrawValue(i);
    }
}

bool TChartSeries::IsValidSourceOf(TChartSeries* Value) const {
    return Value != this;
}

bool TChartSeries::IsValidSeriesSource(TChartSeries*) const {
    return true;
}

void TChartSeries::PrepareForGallery(bool Enabled) {
    FillSampleValues(4);
    marks_->SetVisible(false);
    SetColorEachPoint(false);
    if (!Enabled) SetSeriesColor(clSilver);
}

int TChartSeries::NumSampleValues() const {
    return 25;
}

void TChartSeries::FillSampleLimits(int NumValues, double& MinX, double& MaxX, double& MinY,
                                    double& MaxY) const {
    MinY = 0;
    MaxY = 1000;
    bool fromChart = false;
    if (parentChart_) {
        for (int i = 0; i < parentChart_->SeriesCount() && !fromChart; ++i) {
            TChartSeries* s = parentChart_->Series(i);
            fromChart = s->Active() && s->Count() > 0;
        }
    }
    if (fromChart) {
        MinY = parentChart_->MinYValue(GetVertAxis());
        MaxY = parentChart_->MaxYValue(GetVertAxis());
        MinX = parentChart_->MinXValue(GetHorizAxis());
        MaxX = parentChart_->MaxXValue(GetHorizAxis());
        if (MaxY == MinY) MaxY = MinY == 0 ? 1000 : 2 * MinY;
        if (MaxX == MinX) MaxX = MinX == 0 ? NumValues : 2 * MinX;
    } else if (xValues_->DateTime()) {
        MinX = Date();
        MaxX = MinX + NumValues - 1;
    } else {
        MinX = 0;
        MaxX = NumValues - 1;
    }
}

void TChartSeries::FillSampleValues(int NumValues) {
    if (NumValues <= 0) throw Exception("FillSampleValues NumValues must be > 0");
    Clear();
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    FillSampleLimits(NumValues, minX, maxX, minY, maxY);
    const double stepX = NumValues > 1 ? (maxX - minX) / (NumValues - 1) : maxX - minX;
    const double difY = std::clamp(maxY - minY, -2147483647.0, 2147483647.0);
    const int range = static_cast<int>(Round(difY));
    double tmpY = minY + ChartRandom(range);
    double tmpX = minX;
    const int d = range / 4;
    for (int i = 0; i < NumValues; ++i) {
        tmpY = std::fabs(tmpY + ChartRandom(d) - d / 2);
        AddXY(tmpX, tmpY, "", clChartColor);
        tmpX += stepX;
    }
    RefreshSeries();
}

void TChartSeries::Clear() {
    ClearLists();
    if (OnClearValues) OnClearValues(this);
    NotifyValue(veClear, 0);
    if (parentChart_ && !parentChart_->ComponentState().Contains(csDestroying)) Repaint();
}

int TChartSeries::Add(double Value, const std::string& ALabel, TColor AColor) {
    return YMandatory() ? AddXY(Count(), Value, ALabel, AColor)
                        : AddXY(Value, Count(), ALabel, AColor);
}

int TChartSeries::AddXY(double AXValue, double AYValue, const std::string& ALabel, TColor AColor) {
    xValues_->SetPendingValue(AXValue);
    yValues_->SetPendingValue(AYValue);
    if (OnBeforeAdd && !OnBeforeAdd(this)) return -1;
    const int index = PlaceXY(AXValue, AYValue);
    InsertExtraValues(index);
    CountPoint(index);
    colors_.resize(std::max<std::size_t>(colors_.size(), index), clChartColor);
    colors_.insert(colors_.begin() + index, AColor);
    labels_.resize(std::max<std::size_t>(labels_.size(), index));
    labels_.insert(labels_.begin() + index, ALabel);
    NotifyNewValue(this, index);
    return index;
}

int TChartSeries::AddNull(const std::string& ALabel) {
    return Add(0, ALabel, clNone);
}

void TChartSeries::Delete(int ValueIndex) {
    for (TChartValueList* list : valueLists_)
        list->Delete(ValueIndex);
    if (ValueIndex < static_cast<int>(colors_.size())) colors_.erase(colors_.begin() + ValueIndex);
    if (ValueIndex < static_cast<int>(labels_.size())) labels_.erase(labels_.begin() + ValueIndex);
    NotifyValue(veDelete, ValueIndex);
    Repaint();
}

double TChartSeries::MaxXValue() const {
    return xValues_->MaxValue();
}
double TChartSeries::MinXValue() const {
    return xValues_->MinValue();
}
double TChartSeries::MaxYValue() const {
    return yValues_->MaxValue();
}
double TChartSeries::MinYValue() const {
    return yValues_->MinValue();
}

std::string TChartSeries::GetEditorClassName() const {
    return "TChartSeriesEditor";
}

int TChartSeries::CalcXPos(int ValueIndex) const {
    return CalcXPosValue(XValue(ValueIndex));
}

int TChartSeries::CalcYPos(int ValueIndex) const {
    return CalcYPosValue(YValue(ValueIndex));
}

void TChartSeries::InsertExtraValues(int ValueIndex) {
    for (int i = 2; i < ValuesListCount(); ++i)
        ValueList(i)->InsertUncounted(ValueIndex, ValueList(i)->PendingValue());
}

TChartValueList* TChartSeries::GetYValueList(const std::string& AListName) const {
    for (int i = 2; i < ValuesListCount(); ++i)
        if (SameText(ValueList(i)->Name(), AListName)) return ValueList(i);
    return yValues_;
}

int TChartSeries::Clicked(int, int) {
    return -1;
}

double TChartSeries::GetOriginValue(int ValueIndex) const {
    return GetMarkValue(ValueIndex);
}

double TChartSeries::GetMarkValue(int ValueIndex) const {
    return YValue(ValueIndex);
}

double TChartSeries::PointOrigin(int ValueIndex, bool SumAll) const {
    double result = 0;
    if (!parentChart_) return 0;
    for (int i = 0; i < parentChart_->SeriesCount(); ++i) {
        TChartSeries* s = parentChart_->Series(i);
        if (!SumAll && s == this) break;
        if (!s->Active() || !SameClass(s) || s->Count() <= ValueIndex) continue;
        const double v = s->GetOriginValue(ValueIndex);
        if (v > 0 && s->ValueIsFinite(ValueIndex)) result += v; // a null point holds up nothing
    }
    return result;
}

TChartValueList* TChartSeries::MandatoryValueList() const {
    return yValues_;
}

bool TChartSeries::DrawValuesForward() const {
    return true;
}

void TChartSeries::CalcZOrder() {
    if (parentChart_->View3D()) {
        ++parentChart_->SeriesRow3D;
        zOrder_ = parentChart_->SeriesRow3D;
    } else {
        zOrder_ = 0;
    }
}

bool TChartSeries::DoSeriesClick(int ValueIndex, TMouseButton Button, TShiftState Shift, int X,
                                 int Y) {
    parentChart_->CancelMouse = false;
    if (Shift.Contains(ssDouble) && OnDblClick) {
        parentChart_->CancelMouse = true;
        OnDblClick(this, ValueIndex, Button, Shift, X, Y);
    } else if (OnClick) {
        parentChart_->CancelMouse = true;
        OnClick(this, ValueIndex, Button, Shift, X, Y);
    }
    return parentChart_->CancelMouse;
}

void TChartSeries::ResetPendingValue(TChartValueList* List) {
    List->SetPendingValue(0);
}

void TChartSeries::DrawLegend(int ValueIndex, const TRect& Rect) {
    if (ValueIndex == -1 && colorEachPoint_) return;
    const TColor color = ValueIndex == -1 ? seriesColor_ : ValueColor(ValueIndex);
    if (color == clNone || color == clChartColor) return;
    TColor backColor = clChartColor;
    TBrushStyle style = bsSolid;
    GetLegendBrush(ValueIndex, backColor, style);
    if (backColor == clChartColor) {
        backColor = parentChart_->Legend()->Color();
        if (backColor == clChartColor) backColor = parentChart_->Color();
    }
    parentChart_->SetBrushCanvas(color, backColor, style);
    DrawLegendShape(ValueIndex, Rect);
}

void TChartSeries::DrawLegendShape(int, const TRect& Rect) {
    TCanvas* canvas = ParentCanvas();
    parentChart_->DrawRectangle(Rect);
    const TColor legendColor = parentChart_->Legend()->Color();
    if (canvas->Brush()->Color() == legendColor) {
        // The symbol would vanish into the legend: outline it.
        canvas->Brush()->SetStyle(bsClear);
        if (legendColor == clBlack) canvas->Pen()->SetColor(clWhite);
        parentChart_->DrawRectangle(Rect);
    }
    canvas->Pen()->SetColor(clBlack);
}

void TChartSeries::CalcHorizMargins(int& LeftMargin, int& RightMargin) {
    LeftMargin = RightMargin = 0;
}

void TChartSeries::CalcVerticalMargins(int& TopMargin, int& BottomMargin) {
    TopMargin = BottomMargin = 0;
}

void TChartSeries::SetFunction(TChartFunction* AFunction) {
    if (function_ == AFunction) return;
    delete function_;
    function_ = AFunction;
    if (function_) {
        function_->parentSeries_ = this;
        function_->FreeNotification(this); // its owner may free it first
    }
    if (parentChart_) parentChart_->CheckDatasource(this);
}

void TChartSeries::CopyFunction(const TChartFunction* Source) {
    const TRegisteredClass* kind = GetClass(Source->ClassName());
    if (!kind || !kind->Create) return;
    std::unique_ptr<TComponent> made(kind->Create(Owner()));
    auto* copy = dynamic_cast<TChartFunction*>(made.get());
    if (!copy) return;
    made.release();
    copy->period_ = Source->period_;
    SetFunction(copy);
}

void TChartSeries::CanvasChanged() {
    Repaint();
}

std::string TChartSeries::GetMarkText(int ValueIndex) {
    const std::string value = FormatFloat(valueFormat_, GetMarkValue(ValueIndex));
    std::string label = XLabel(ValueIndex);
    if (label.empty()) label = value;
    const double totalAbs = MandatoryValueList()->TotalABS();
    const double percent =
        totalAbs == 0 ? 100.0 : std::fabs(GetMarkValue(ValueIndex)) * 100.0 / totalAbs;
    const std::string percentText = FormatFloat(percentFormat_, percent);
    const std::string percentTotal =
        Format("%s of %s", {percentText, FormatFloat(valueFormat_, totalAbs)});
    std::string text;
    switch (marks_->Style()) {
    case smsValue: text = value; break;
    case smsPercent: text = percentText; break;
    case smsLabel: text = label; break;
    case smsLabelPercent: text = label + " " + percentText; break;
    case smsLabelValue: text = label + " " + value; break;
    case smsLegend:
        text = parentChart_ ? parentChart_->FormattedValueLegend(this, ValueIndex) : "";
        break;
    case smsPercentTotal: text = percentTotal; break;
    case smsLabelPercentTotal: text = label + " " + percentTotal; break;
    case smsXValue:
        text = GetHorizAxis() ? GetHorizAxis()->LabelValue(XValue(ValueIndex))
                              : FormatFloat(valueFormat_, XValue(ValueIndex));
        break;
    }
    if (OnGetMarkText) OnGetMarkText(this, ValueIndex, text);
    return text;
}

void TChartSeries::DrawMarks() {
    TCustomAxisPanel* chart = parentChart_;
    for (int i = std::max(firstValueIndex_, 0); i <= lastValueIndex_ && i < Count(); ++i) {
        if (ValueColor(i) == clNone) continue;
        const std::string text = GetMarkText(i);
        if (text.empty()) continue;
        chart->AssignFont(marks_->Font());
        int h = chart->FontHeight();
        int w = chart->TextWidth(text + "W");
        TCanvas* canvas = ParentCanvas();
        if (marks_->Frame()->Visible()) {
            canvas->SetPen(marks_->Frame());
            w += 2 * marks_->Frame()->Width();
            h += 2 * marks_->Frame()->Width();
        } else {
            canvas->Pen()->SetStyle(psClear);
        }
        const int x = CalcXPos(i);
        const int y = CalcYPos(i);
        TRect r;
        r.Left = x - w / 2;
        r.Right = r.Left + w;
        r.Top = y - h / 2;
        r.Bottom = r.Top + h;
        DrawMark(i, text, r, Point(x, y), Point(x, y));
    }
}

void TChartSeries::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TChartSeries*>(Source);
    if (!source) {
        TComponent::Assign(Source);
        return;
    }
    SetTag(source->Tag());
    SetDataSource(nullptr);
    if (YMandatory() == source->YMandatory()) {
        xValues_->Assign(source->xValues_);
        yValues_->Assign(source->yValues_);
    } else {
        xValues_->Assign(source->yValues_);
        yValues_->Assign(source->xValues_);
    }
    xLabelsSource_ = source->xLabelsSource_;
    colorSource_ = source->colorSource_;
    for (int i = 2; i < std::min(ValuesListCount(), source->ValuesListCount()); ++i)
        ValueList(i)->Assign(source->ValueList(i));
    if (!function_ && source->function_) CopyFunction(source->function_);
    if (!source->DataSource() && !source->ComponentState().Contains(csDesigning)) {
        AddValues(source);
    } else if (parentChart_) {
        for (TComponent* s : source->dataSources_)
            SetDataSource(s);
    }
    marks_->Assign(source->marks_.get());
    SetSeriesColor(source->seriesColor_);
    colorEachPoint_ = source->colorEachPoint_;
    title_ = source->title_;
    valueFormat_ = source->valueFormat_;
    percentFormat_ = source->percentFormat_;
    active_ = source->active_;
    horizAxis_ = source->horizAxis_;
    vertAxis_ = source->vertAxis_;
    cursor_ = source->cursor_;
    showInLegend_ = source->showInLegend_;
    Repaint();
}

// =============================================================================================
// TChartFunction

void TChartFunction::SetPeriod(int Value) {
    if (Value < 0) throw Exception("Function Period should be >= 0");
    if (period_ == Value) return;
    period_ = Value;
    ReCalculate();
}

void TChartFunction::ReCalculate() {
    if (parentSeries_ && parentSeries_->ParentChart())
        parentSeries_->ParentChart()->CheckDatasource(parentSeries_);
}

void TChartFunction::SetParentSeries(TChartSeries* Series) {
    if (parentSeries_ == Series) return;
    if (parentSeries_ && parentSeries_->function_ == this) parentSeries_->function_ = nullptr;
    parentSeries_ = nullptr;
    if (Series) Series->SetFunction(this);
}

double TChartFunction::Calculate(TChartSeries*, int, int) {
    return 0;
}

double TChartFunction::CalculateMany(const std::vector<TComponent*>&, int) {
    return 0;
}

void TChartFunction::AddPlaced(TChartSeries* Source, double X, double Y) {
    if (Source->YMandatory())
        parentSeries_->AddXY(X, Y);
    else
        parentSeries_->AddXY(Y, X);
}

void TChartFunction::AddWholeRange(TChartSeries* Source, const TChartValueList* Category) {
    const double y = Calculate(Source, -1, -1);
    const double low = Category->MinValue();
    const double high = Category->MaxValue();
    if (!parentSeries_->AllowSinglePoint()) {
        // A level line over the whole range.
        AddPlaced(Source, low, y);
        AddPlaced(Source, high, y);
        return;
    }
    const double x = (high - low) * 0.5 + low;
    if (!Source->YMandatory() && parentSeries_->YMandatory())
        parentSeries_->AddXY(x, y);
    else if (parentSeries_->YMandatory())
        AddPlaced(Source, x, y);
    else
        parentSeries_->AddXY(y, x);
}

void TChartFunction::AddPoints(TChartSeries* Source) {
    if (!parentSeries_) return;
    const TChartValueList* category = Source->YMandatory() ? Source->XValues() : Source->YValues();
    const std::vector<TComponent*> sources = parentSeries_->DataSources();
    if (sources.size() > 1) {
        for (int i = 0; i < Source->Count(); ++i) {
            double x = category->Value(i);
            double y = CalculateMany(sources, i);
            if (!Source->YMandatory()) std::swap(x, y);
            parentSeries_->AddXY(x, y, Source->XLabel(i), clChartColor);
        }
        return;
    }
    if (Source->Count() == 0) return;
    if (period_ == 0) {
        AddWholeRange(Source, category);
        return;
    }
    // Whole groups only: a last group shorter than the period is left out.
    for (int first = 0; first + period_ <= Source->Count(); first += period_) {
        const int last = first + period_ - 1;
        const double low = category->Value(first);
        const double x = (category->Value(last) - low) * 0.5 + low;
        AddPlaced(Source, x, Calculate(Source, first, last));
    }
}
