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

double TChartValueList::Value(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
    return values_[Index] * multiplier_;
}

void TChartValueList::AddStatistics(double Stored) {
    const double v = Stored * multiplier_;
    total_ += v;
    totalAbs_ += std::fabs(v);
    if (Count() == 1) {
        minValue_ = maxValue_ = v;
    } else {
        minValue_ = std::min(minValue_, v);
        maxValue_ = std::max(maxValue_, v);
    }
}

int TChartValueList::AddChartValue(double Value) {
    int t = Count() - 1;
    int index = Count();
    if (order_ == loAscending && t >= 0 && values_[t] > Value) {
        while (t >= 0 && values_[t] > Value)
            --t;
        index = t + 1;
    } else if (order_ == loDescending && t >= 0 && values_[t] < Value) {
        while (t >= 0 && values_[t] < Value)
            --t;
        index = t + 1;
    }
    values_.insert(values_.begin() + index, Value);
    AddStatistics(Value);
    return index;
}

void TChartValueList::InsertChartValue(int Index, double Value) {
    Index = std::clamp(Index, 0, Count());
    values_.insert(values_.begin() + Index, Value);
    AddStatistics(Value);
}

void TChartValueList::Delete(int Index) {
    const double v = Value(Index);
    values_.erase(values_.begin() + Index);
    total_ -= v;
    totalAbs_ -= std::fabs(v);
    RecalcMinMax();
}

void TChartValueList::ClearValues() {
    values_.clear();
    values_.shrink_to_fit();
    values_.reserve(ValueListCapacity);
    total_ = totalAbs_ = maxValue_ = minValue_ = 0;
}

void TChartValueList::RecalcMinMax() {
    if (values_.empty()) {
        minValue_ = maxValue_ = 0;
        return;
    }
    minValue_ = maxValue_ = values_[0] * multiplier_;
    for (double stored : values_) {
        minValue_ = std::min(minValue_, stored * multiplier_);
        maxValue_ = std::max(maxValue_, stored * multiplier_);
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

namespace {
// Stores Value and calls Changed when it differs.
template <typename T, typename F>
void StoreAndNotify(T& Field, const T& Value, F Changed) {
    if (Field == Value) return;
    Field = Value;
    Changed();
}
} // namespace

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
        result = std::max(result, parentChart_->TextWidth(GetMarkText(i)));
    return result;
}

bool TChartSeries::SameZOrderExists() const {
    if (!parentChart_) return false;
    for (int i = 0; i < parentChart_->SeriesCount(); ++i) {
        TChartSeries* s = parentChart_->Series(i);
        if (s != this && s->Active() && s->zOrder_ == zOrder_) return true;
    }
    return false;
}

bool TChartSeries::FirstInZOrder() const {
    if (!active_ || !parentChart_) return false;
    for (int i = 0; i < parentChart_->SeriesCount(); ++i) {
        TChartSeries* s = parentChart_->Series(i);
        if (s->Active() && s->zOrder_ == zOrder_) return s == this;
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
    if (Index < 0 || Index >= static_cast<int>(colors_.size())) return seriesColor_;
    return ResolvedColor(colors_[Index], Index);
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
    const int index = xValues_->AddChartValue(x);
    yValues_->InsertChartValue(index, y);
    for (int list = 2; list < ValuesListCount(); ++list) {
        const double v =
            list < Source->ValuesListCount() ? Source->ValueList(list)->Value(ValueIndex) : 0.0;
        ValueList(list)->InsertChartValue(index, v);
    }
    return index;
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
    const int index = xValues_->AddChartValue(AXValue);
    yValues_->InsertChartValue(index, AYValue);
    InsertExtraValues(index);
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
        ValueList(i)->InsertChartValue(ValueIndex, ValueList(i)->PendingValue());
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
        if (s->Active() && SameClass(s) && s->Count() > ValueIndex) {
            const double v = s->GetOriginValue(ValueIndex);
            if (v > 0) result += v;
        }
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

// =============================================================================================
// TChartAxisTitle

TChartAxisTitle::TChartAxisTitle(TCustomAxisPanel* AOwner, TChartAxis* AAxis)
    : TChartFontObject(AOwner), axis_(AAxis) {}

void TChartAxisTitle::Assign(TPersistent* Source) {
    if (auto* title = dynamic_cast<TChartAxisTitle*>(Source)) {
        angle_ = title->angle_;
        caption_ = title->caption_;
    }
    TChartFontObject::Assign(Source);
}

namespace {
// Angles of titles and labels: 0..360, 360 stored as 0.
int CheckAngle(int Value, const char* What) {
    if (Value < 0 || Value > 360)
        throw ChartException("%s Angle must be between 0 and 359 degrees", {What});
    return Value == 360 ? 0 : Value;
}
} // namespace

void TChartAxisTitle::SetAngle(int Value) {
    ParentChart()->SetIntegerProperty(angle_, CheckAngle(Value, "Axis Title"));
}

void TChartAxisTitle::SetCaption(const std::string& Value) {
    ParentChart()->SetStringProperty(caption_, Value);
}

// =============================================================================================
// TChartAxis

TChartAxis::TChartAxis(TCustomAxisPanel* AOwner, bool AHorizontal, bool AOtherSide)
    : TChartFontObject(AOwner), horizontal_(AHorizontal), otherSide_(AOtherSide) {
    const TNotifyEvent redraw = [this](TObject*) { Changed(); };
    ticks_ = std::make_unique<TChartTickPen>(redraw);
    minorTicks_ = std::make_unique<TChartTickPen>(redraw);
    ticksInner_ = std::make_unique<TChartTickPen>(redraw);
    axisPen_ = std::make_unique<TChartAxisPen>(redraw);
    grid_ = std::make_unique<TChartGridPen>(redraw);
    title_ = std::make_unique<TChartAxisTitle>(AOwner, this);
}

TChartAxis::~TChartAxis() = default;

void TChartAxis::Changed() {
    ParentChart()->RedrawChart();
}

void TChartAxis::Assign(TPersistent* Source) {
    auto* a = dynamic_cast<TChartAxis*>(Source);
    if (!a) {
        TChartFontObject::Assign(Source);
        return;
    }
    visible_ = a->visible_;
    automatic_ = a->automatic_;
    automaticMaximum_ = a->automaticMaximum_;
    automaticMinimum_ = a->automaticMinimum_;
    labels_ = a->labels_;
    labelsAngle_ = a->labelsAngle_;
    labelsSeparation_ = a->labelsSeparation_;
    titleSize_ = a->titleSize_;
    labelsSize_ = a->labelsSize_;
    labelsOnAxis_ = a->labelsOnAxis_;
    labelStyle_ = a->labelStyle_;
    ticks_->Assign(a->ticks_.get());
    minorTicks_->Assign(a->minorTicks_.get());
    ticksInner_->Assign(a->ticksInner_.get());
    axisPen_->Assign(a->axisPen_.get());
    grid_->Assign(a->grid_.get());
    tickInnerLength_ = a->tickInnerLength_;
    minorTickLength_ = a->minorTickLength_;
    minorTickCount_ = a->minorTickCount_;
    tickLength_ = a->tickLength_;
    maximum_ = a->maximum_;
    minimum_ = a->minimum_;
    increment_ = a->increment_;
    title_->Assign(a->title_.get());
    axisValuesFormat_ = a->axisValuesFormat_;
    dateTimeFormat_ = a->dateTimeFormat_;
    inverted_ = a->inverted_;
    logarithmic_ = a->logarithmic_;
    exactDateTime_ = a->exactDateTime_;
    roundFirstLabel_ = a->roundFirstLabel_;
    tickOnLabelsOnly_ = a->tickOnLabelsOnly_;
    TChartFontObject::Assign(Source);
}

void TChartAxis::SetVisible(bool Value) {
    ParentChart()->SetBooleanProperty(visible_, Value);
}

void TChartAxis::SetAutomatic(bool Value) {
    ParentChart()->SetBooleanProperty(automatic_, Value);
    if (ParentChart()->ComponentState().Contains(csLoading)) return;
    automaticMinimum_ = Value;
    automaticMaximum_ = Value;
}

void TChartAxis::SetAutomaticMaximum(bool Value) {
    ParentChart()->SetBooleanProperty(automaticMaximum_, Value);
    if (!Value) automatic_ = false;
}

void TChartAxis::SetAutomaticMinimum(bool Value) {
    ParentChart()->SetBooleanProperty(automaticMinimum_, Value);
    if (!Value) automatic_ = false;
}

void TChartAxis::SetLabels(bool Value) {
    ParentChart()->SetBooleanProperty(labels_, Value);
}

void TChartAxis::SetLabelsAngle(int Value) {
    ParentChart()->SetIntegerProperty(labelsAngle_, CheckAngle(Value, "Axis Labels"));
}

void TChartAxis::SetLabelsSeparation(int Value) {
    if (Value < 0) throw AxisException("Labels Separation % must be greater than 0");
    ParentChart()->SetIntegerProperty(labelsSeparation_, Value);
}

void TChartAxis::SetTitleSize(int Value) {
    ParentChart()->SetIntegerProperty(titleSize_, Value);
}
void TChartAxis::SetLabelsSize(int Value) {
    ParentChart()->SetIntegerProperty(labelsSize_, Value);
}
void TChartAxis::SetLabelsOnAxis(bool Value) {
    ParentChart()->SetBooleanProperty(labelsOnAxis_, Value);
}
void TChartAxis::SetLabelStyle(TAxisLabelStyle Value) {
    StoreAndNotify(labelStyle_, Value, [this] { Changed(); });
}
void TChartAxis::SetTickInnerLength(int Value) {
    ParentChart()->SetIntegerProperty(tickInnerLength_, Value);
}
void TChartAxis::SetMinorTickLength(int Value) {
    ParentChart()->SetIntegerProperty(minorTickLength_, Value);
}
void TChartAxis::SetMinorTickCount(int Value) {
    ParentChart()->SetIntegerProperty(minorTickCount_, Value);
}
void TChartAxis::SetTickLength(int Value) {
    ParentChart()->SetIntegerProperty(tickLength_, Value);
}

void TChartAxis::SetMaximum(double Value) {
    if (!ParentChart()->ComponentState().Contains(csLoading) && Value < minimum_)
        throw AxisException("Axis Maximum Value must be >= Minimum");
    ParentChart()->SetDoubleProperty(maximum_, Value);
}

void TChartAxis::SetMinimum(double Value) {
    if (!ParentChart()->ComponentState().Contains(csLoading) && Value > maximum_)
        throw AxisException("Axis Minimum Value must be <= Maximum");
    ParentChart()->SetDoubleProperty(minimum_, Value);
}

void TChartAxis::SetMinMax(double AMin, double AMax) {
    automatic_ = automaticMinimum_ = automaticMaximum_ = false;
    double low = std::min(AMin, AMax);
    double high = std::max(AMin, AMax);
    if (high - low < 0.001) {
        low = AMin;
        high = AMax + 0.001;
    }
    minimum_ = low;
    maximum_ = high;
    Changed();
}

void TChartAxis::SetIncrement(double Value) {
    if (Value < 0) throw AxisException("Axis increment must be >= 0");
    ParentChart()->SetDoubleProperty(increment_, Value);
}

void TChartAxis::SetAxisValuesFormat(const std::string& Value) {
    ParentChart()->SetStringProperty(axisValuesFormat_, Value);
}
void TChartAxis::SetDateTimeFormat(const std::string& Value) {
    ParentChart()->SetStringProperty(dateTimeFormat_, Value);
}
void TChartAxis::SetInverted(bool Value) {
    ParentChart()->SetBooleanProperty(inverted_, Value);
}

void TChartAxis::SetLogarithmic(bool Value) {
    if (Value && !logarithmic_) {
        if (SeriesIsDateTime()) throw AxisException("DateTime Axis cannot be Logarithmic");
        AdjustMaxMin();
        if (IMinimum < 0 || IMaximum < 0)
            throw AxisException("Logarithmic Axis Min and Max values should be >= 0");
    }
    ParentChart()->SetBooleanProperty(logarithmic_, Value);
}

void TChartAxis::SetExactDateTime(bool Value) {
    ParentChart()->SetBooleanProperty(exactDateTime_, Value);
}
void TChartAxis::SetRoundFirstLabel(bool Value) {
    ParentChart()->SetBooleanProperty(roundFirstLabel_, Value);
}
void TChartAxis::SetTickOnLabelsOnly(bool Value) {
    ParentChart()->SetBooleanProperty(tickOnLabelsOnly_, Value);
}

int TChartAxis::Shift3D() const {
    if (otherSide_ && !horizontal_) return ParentChart()->Width3D;
    if (otherSide_ && horizontal_) return -ParentChart()->Height3D;
    return 0;
}

int TChartAxis::DrawnPosAxis() const {
    return posAxis_ + Shift3D();
}

bool TChartAxis::SeriesIsDateTime() {
    TChartSeries* s = ParentChart()->FirstSeriesOfAxis(this);
    if (!s) return false;
    return horizontal_ ? s->XValues()->DateTime() : s->YValues()->DateTime();
}

// --- value and pixel

int TChartAxis::InternalCalcPos(double Value, int Start, int End, int Size, int Center) const {
    // Values far outside the range (a zoom, a wild point) stay on pixels GDI can take; a value
    // that is not a number lands on the axis start rather than failing the drawing.
    auto clampPixels = [](double t) { return std::isnan(t) ? 0.0 : std::clamp(t, -1.0e9, 1.0e9); };
    if (logarithmic_) {
        const double logMin = IMinimum > 0 ? std::log(IMinimum) : 0;
        const double logMax = IMaximum > 0 ? std::log(IMaximum) : 0;
        const double logRange = logMax - logMin;
        if (logRange == 0) return Center;
        if (Value <= 0) return Start;
        return Start +
               static_cast<int>(Round(clampPixels((std::log(Value) - logMin) * Size / logRange)));
    }
    if (IRange == 0) return Center;
    const int t = static_cast<int>(Round(clampPixels((Value - IMinimum) * Size / IRange)));
    return inverted_ ? End - t : Start + t;
}

int TChartAxis::CalcXPosValue(double Value) const {
    const TCustomAxisPanel* c = ParentChart();
    return InternalCalcPos(Value, c->ChartRect.Left, c->ChartRect.Right, c->ChartWidth,
                           c->ChartXCenter);
}

int TChartAxis::CalcYPosValue(double Value) const {
    const TCustomAxisPanel* c = ParentChart();
    return InternalCalcPos(Value, c->ChartRect.Bottom, c->ChartRect.Top, -c->ChartHeight,
                           c->ChartYCenter);
}

int TChartAxis::CalcPosValue(double Value) const {
    return horizontal_ ? CalcXPosValue(Value) : CalcYPosValue(Value);
}

double TChartAxis::CalcPosPoint(int Pixel) const {
    const TCustomAxisPanel* c = ParentChart();
    const TRect& r = c->ChartRect;
    if (logarithmic_) {
        const double logMin = IMinimum > 0 ? std::log(IMinimum) : 0;
        const double logMax = IMaximum > 0 ? std::log(IMaximum) : 0;
        const double logRange = logMax - logMin;
        if (logRange == 0) return IMinimum;
        if (horizontal_)
            return c->ChartWidth > 0
                       ? std::exp(logMin + (Pixel - r.Left) * logRange / c->ChartWidth)
                       : 0;
        return c->ChartHeight > 0 ? std::exp(logMax - (Pixel - r.Top) * logRange / c->ChartHeight)
                                  : 0;
    }
    if (horizontal_) {
        if (c->ChartWidth <= 0) return 0;
        const int d = inverted_ ? r.Right - Pixel : Pixel - r.Left;
        return IMinimum + d * IRange / c->ChartWidth;
    }
    if (c->ChartHeight <= 0) return 0;
    const int d = inverted_ ? r.Bottom - Pixel : Pixel - r.Top;
    return IMaximum - d * IRange / c->ChartHeight;
}

void TChartAxis::CalcMinMax() {
    TCustomAxisPanel* c = ParentChart();
    if (automatic_ || automaticMaximum_)
        maximum_ = horizontal_ ? c->MaxXValue(this) : c->MaxYValue(this);
    if (automatic_ || automaticMinimum_)
        minimum_ = horizontal_ ? c->MinXValue(this) : c->MinYValue(this);
}

void TChartAxis::AdjustMaxMin() {
    CalcMinMax();
    IsDateTime = SeriesIsDateTime();
    IMaximum = maximum_;
    IMinimum = minimum_;
    IRange = IMaximum - IMinimum;
}

void TChartAxis::AdjustMaxMinRect(const TRect& R) {
    TCustomAxisPanel* c = ParentChart();
    const TRect saved = c->ChartRect;
    double low = 0, high = 0;
    if (horizontal_) {
        c->ChartRect.Left += R.Left;
        c->ChartRect.Right -= R.Right;
        c->RecalcWidthHeight();
        low = CalcPosPoint(saved.Left);
        high = CalcPosPoint(saved.Right);
    } else {
        c->ChartRect.Top += R.Top;
        c->ChartRect.Bottom -= R.Bottom;
        c->RecalcWidthHeight();
        low = CalcPosPoint(saved.Bottom);
        high = CalcPosPoint(saved.Top);
    }
    c->ChartRect = saved;
    c->RecalcWidthHeight();
    if (low > high) std::swap(low, high);
    IMinimum = low;
    IMaximum = high;
    IRange = IMaximum - IMinimum;
}

// --- label steps and texts

namespace {
double NextStep(double S) {
    if (S < 1) return 2 * S;
    if (S == 1) return 2;
    if (S < 5) return 5;
    if (S == 5) return 10;
    if (S == 10) return 50;
    if (S == 50) return 100;
    if (S == 100) return 200;
    if (S == 200) return 500;
    if (S == 500) return 1000;
    if (S == 1000) return 5000;
    return 2 * S;
}
} // namespace

double TChartAxis::CalcIncrement(int MaxNumLabels) {
    if (MaxNumLabels < 1) return IsDateTime ? OneSecond : 0.00001;
    if (!std::isfinite(IRange)) return IsDateTime ? OneSecond : 1;
    if (IsDateTime) {
        double step = std::max(OneSecond, increment_);
        if (IRange / step > 1000000) step = IRange * 0.000001;
        while (Round(IRange / step) > MaxNumLabels)
            step = step < 365 ? NextDateTimeStep(step) : 2 * step;
        return std::max(OneSecond, step);
    }
    double step = increment_ > 0 ? increment_ : (std::fabs(IRange) < 1 ? 0.00001 : 1);
    while (std::fabs(IRange / step) >= 2147483647.0 || Round(IRange / step) > MaxNumLabels)
        step = NextStep(step);
    return std::max(0.00001, step);
}

int TChartAxis::LabelWidth(double Value) {
    TCustomAxisPanel* c = ParentChart();
    if (labelsAngle_ == 0 || labelsAngle_ == 180) return c->TextWidth(LabelValue(Value));
    return c->FontHeight();
}

int TChartAxis::LabelHeight(double Value) {
    TCustomAxisPanel* c = ParentChart();
    if (labelsAngle_ == 0 || labelsAngle_ == 180) return c->FontHeight();
    return c->TextWidth(LabelValue(Value));
}

double TChartAxis::CalcLabelsIncrement() {
    TCustomAxisPanel* c = ParentChart();
    c->AssignFont(LabelsFont());
    int size = horizontal_ ? std::max(LabelWidth(IMinimum), LabelWidth(IMaximum))
                           : std::max(LabelHeight(IMinimum), LabelHeight(IMaximum));
    if (labelsSeparation_ > 0) size += static_cast<int>(Round(labelsSeparation_ * 0.01 * size));
    const int room = horizontal_ ? c->ChartWidth : c->ChartHeight;
    const int maxNumLabels =
        size > 0 ? static_cast<int>(Round(room / static_cast<double>(size))) : 1;
    return CalcIncrement(maxNumLabels);
}

std::string TChartAxis::LabelValue(double Value) {
    std::string text;
    if (IsDateTime) {
        if (Value >= 0)
            text = FormatDateTime(
                dateTimeFormat_.empty() ? DateTimeDefaultFormat(IRange) : dateTimeFormat_, Value);
    } else {
        text = FormatFloat(axisValuesFormat_, Value);
    }
    if (ParentChart()->OnGetAxisLabel) ParentChart()->OnGetAxisLabel(this, nullptr, -1, text);
    return text;
}

TAxisLabelStyle TChartAxis::CalcLabelStyle() {
    if (labelStyle_ != talAuto) return labelStyle_;
    TCustomAxisPanel* c = ParentChart();
    TChartSeries* first = c->FirstSeriesOfAxis(this);
    if (!first) return talNone;
    const bool opposite = horizontal_ ? first->MandatoryValueList() == first->YValues()
                                      : first->MandatoryValueList() == first->XValues();
    if (opposite && c->SeriesWithLabelsOnAxis(this)) return talText;
    return talValue;
}

int TChartAxis::MaxLabelsWidth() {
    TCustomAxisPanel* c = ParentChart();
    switch (CalcLabelStyle()) {
    case talValue: {
        double first = IMinimum;
        double last = IMaximum;
        if ((IsDateTime && exactDateTime_) || roundFirstLabel_) {
            const double step = CalcLabelsIncrement();
            first = Int(first / step) * step;
            last = Int(last / step) * step;
        }
        const TAxisOnGetLabel suspended = std::move(c->OnGetAxisLabel);
        c->OnGetAxisLabel = nullptr;
        const int width =
            std::max(c->TextWidth(LabelValue(first)), c->TextWidth(LabelValue(last))) +
            c->TextWidth(" ");
        c->OnGetAxisLabel = suspended;
        return width;
    }
    case talMark: return c->MaxMarkWidth();
    case talText: return c->MaxTextWidth();
    default: return 0;
    }
}

// --- layout

int TChartAxis::TickSpace() const {
    int space =
        (axisPen_->Visible() ? axisPen_->Width() : 0) + (ticks_->Visible() ? tickLength_ : 0);
    if (minorTicks_->Visible()) space = std::max(space, minorTickLength_);
    return space;
}

void TChartAxis::CalcRect(TRect& R) {
    TCustomAxisPanel* c = ParentChart();
    // Takes Size from R on the axis's own side and answers the new edge.
    auto take = [&](int Size) {
        if (horizontal_ && otherSide_) return R.Top += Size;
        if (horizontal_) return R.Bottom -= Size;
        if (otherSide_) return R.Right -= Size;
        return R.Left += Size;
    };
    int size = 0;
    if (!title_->Caption().empty()) {
        size = titleSize_;
        if (size == 0) {
            c->AssignFont(title_->Font());
            const bool turned = title_->Angle() != 0 && title_->Angle() != 180;
            const bool byWidth = turned ? horizontal_ : !horizontal_;
            size = byWidth ? c->TextWidth(title_->Caption()) : c->FontHeight();
        }
    }
    posTitle_ = take(size);
    size = 0;
    if (labels_) {
        size = labelsSize_;
        if (size == 0) {
            c->AssignFont(LabelsFont());
            const bool turned = labelsAngle_ != 0 && labelsAngle_ != 180;
            const bool byHeight = turned ? !horizontal_ : horizontal_;
            size = byHeight ? c->FontHeight() : MaxLabelsWidth();
        }
    }
    posLabels_ = take(size);
    const int ticks = TickSpace() + c->AxisWallSize(this);
    if (ticks > 0) take(ticks);
}

bool TChartAxis::Clicked(int X, int Y) {
    TCustomAxisPanel* c = ParentChart();
    if (!c->IsAxisVisible(this)) return false;
    const TRect& r = c->ChartRect;
    if (horizontal_)
        return X >= r.Left && X <= r.Right && std::abs(DrawnPosAxis() - Y) < ClickTolerance;
    return Y >= r.Top && Y <= r.Bottom && std::abs(DrawnPosAxis() - X) < ClickTolerance;
}

// --- label walk

double TChartAxis::DecValue(double Value, double Step) const {
    if (!(IsDateTime && exactDateTime_ && Step >= DateTimeStep[dtHalfMonth])) return Value - Step;
    const int index = FindDateTimeStep(Step);
    Word year = 0, month = 0, day = 0;
    DecodeDate(Value, year, month, day);
    if (year == 0 || index == DateTimeStepCount) return Value - Step;
    int y = year, m = month, d = day;
    if (index == dtHalfMonth) {
        if (d > 15) {
            d = 15;
        } else if (d > 1) {
            d = 1;
        } else {
            d = 15;
            --m;
        }
    } else if (index == dtOneYear) {
        --y;
    } else {
        static const int months[] = {1, 2, 3, 4, 6}; // steps 30, 60, 90, 120 and 182 days
        m -= months[index - dtHalfMonth - 1];
    }
    while (m < 1) {
        m += 12;
        --y;
    }
    // The day is kept where the month has it, else the month's last day.
    d = std::min<int>(d, MonthDays(IsLeapYear(static_cast<Word>(std::max(y, 1))), m));
    TDateTime result = 0;
    if (y < 1 || !TryEncodeDate(y, m, d, result)) return Value - Step;
    return result;
}

double TChartAxis::FirstLabelValue(double Step) const {
    if (IsDateTime && exactDateTime_ && Step >= DateTimeStep[dtHalfMonth]) {
        const int index = FindDateTimeStep(Step);
        Word year = 0, month = 0, day = 0;
        DecodeDate(IMaximum, year, month, day);
        if (year != 0 && index != DateTimeStepCount) {
            if (index == dtHalfMonth)
                day = day >= 15 ? 15 : 1;
            else
                day = 1;
            if (index == dtOneYear) month = 1;
            TDateTime result = 0;
            if (TryEncodeDate(year, month, day, result)) return result;
        }
    }
    if (IMinimum != IMaximum && roundFirstLabel_) return Int(IMaximum / Step) * Step;
    return IMaximum;
}

void TChartAxis::DrawAxisLabel(int Pos, int Angle, const std::string& Text) {
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    const int h = c->FontHeight();
    // Labels of the right and top axes follow the axis onto the back plane.
    int x = horizontal_ ? Pos : posLabels_ + Shift3D();
    int y = horizontal_ ? posLabels_ + Shift3D() : Pos;
    UINT align = TA_LEFT | TA_TOP;
    const bool left = !horizontal_ && !otherSide_;
    const bool right = !horizontal_ && otherSide_;
    const bool bottom = horizontal_ && !otherSide_;
    switch (Angle) {
    case 0:
        if (left || right) {
            align = (left ? TA_RIGHT : TA_LEFT) | TA_TOP;
            y -= h / 2;
        } else {
            align = TA_CENTER | (bottom ? TA_TOP : TA_BOTTOM);
        }
        break;
    case 90:
        if (left || right) {
            align = TA_CENTER | (left ? TA_BOTTOM : TA_TOP);
        } else {
            align = (bottom ? TA_RIGHT : TA_LEFT) | TA_TOP;
            x -= h / 2;
        }
        break;
    case 180:
        if (left || right)
            align = (left ? TA_LEFT : TA_RIGHT) | TA_TOP;
        else
            align = TA_CENTER | (bottom ? TA_TOP : TA_BOTTOM);
        break;
    case 270:
        if (left || right) {
            align = TA_CENTER | (left ? TA_TOP : TA_BOTTOM);
        } else {
            align = (bottom ? TA_LEFT : TA_RIGHT) | TA_TOP;
            x += h / 2;
        }
        break;
    default: break;
    }
    const TColor color = canvas->Font()->Color();
    if (c->PrinterCanvas() && color == clWhite) canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    const UINT previous = SetTextAlign(canvas->Handle(), align);
    if (Angle == 0)
        c->TextOut(x, y, Text);
    else
        c->RotatedTextOut(x, y, Angle, Text);
    SetTextAlign(canvas->Handle(), previous);
    canvas->Font()->SetColor(color);
}

void TChartAxis::DrawTicksAndGrid(int Pos, int PreviousPos, bool HasPrevious, double Value) {
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    const int axisPos = DrawnPosAxis();
    const int out = otherSide_ ? (horizontal_ ? -1 : 1) : (horizontal_ ? 1 : -1);
    // A line across the axis at Pos from the axis outwards (Length > 0) or inwards.
    auto across = [&](int At, int Length) {
        if (horizontal_)
            c->DrawVertLine(At, axisPos, axisPos + out * Length);
        else
            c->DrawHorizLine(axisPos, axisPos + out * Length, At);
    };
    auto usePen = [&](TChartPen* Pen) {
        canvas->SetPen(Pen);
        c->CheckPenWidth(canvas->Pen());
    };
    if (ticks_->Visible()) {
        usePen(ticks_.get());
        across(Pos, tickLength_);
    }
    if (grid_->Visible() && Value != IMinimum && Value != IMaximum) {
        usePen(grid_.get());
        const TRect& r = c->ChartRect;
        if (horizontal_)
            c->DrawVertLine(Pos + c->Width3D, r.Top - c->Height3D, r.Bottom - c->Height3D);
        else
            c->DrawHorizLine(r.Left + c->Width3D, r.Right + c->Width3D, Pos - c->Height3D);
    }
    if (ticksInner_->Visible() && tickInnerLength_ != 0) {
        usePen(ticksInner_.get());
        across(Pos, -tickInnerLength_);
    }
    if (minorTicks_->Visible() && HasPrevious) {
        usePen(minorTicks_.get());
        for (int k = 1; k <= minorTickCount_; ++k) {
            const int at = Pos - static_cast<int>(Round(k * static_cast<double>(Pos - PreviousPos) /
                                                        (minorTickCount_ + 1)));
            across(at, minorTickLength_);
        }
    }
}

void TChartAxis::DrawValueLabels(double Step) {
    TCustomAxisPanel* c = ParentChart();
    int previous = 0;
    bool hasPrevious = false;
    auto drawAt = [&](double Value) {
        const int pos = CalcPosValue(Value);
        if (labels_) {
            c->AssignFont(LabelsFont());
            DrawAxisLabel(pos, labelsAngle_, LabelValue(Value));
        }
        DrawTicksAndGrid(pos, previous, hasPrevious, Value);
        previous = pos;
        hasPrevious = true;
    };
    if (c->OnGetNextAxisLabel) {
        double value = IMinimum;
        bool stop = true;
        c->OnGetNextAxisLabel(this, 0, value, stop);
        if (!stop) {
            for (int index = 1; value >= IMinimum - 0.0000001 && value <= IMaximum + 0.0000001;
                 ++index) {
                drawAt(value);
                stop = true;
                c->OnGetNextAxisLabel(this, index, value, stop);
                if (stop) break;
            }
            return;
        }
    }
    if (IRange / Step >= 10000) return;
    // A tolerance of a millionth of a step keeps labels that sums of steps miss by a hair.
    const double eps = Step * 1e-6;
    double value = FirstLabelValue(Step);
    for (int guard = 0; labelsOnAxis_ ? value > IMaximum + eps : value >= IMaximum - eps; ++guard) {
        const double next = DecValue(value, Step);
        if (next >= value || guard > 10002) return;
        value = next;
    }
    for (int guard = 0; labelsOnAxis_ ? value >= IMinimum - eps : value > IMinimum + eps; ++guard) {
        drawAt(value);
        const double next = DecValue(value, Step);
        if (next >= value || guard > 10002) return;
        value = next;
    }
}

void TChartAxis::DrawPointLabels(TAxisLabelStyle Style) {
    TCustomAxisPanel* c = ParentChart();
    TChartSeries* s = c->FirstSeriesOfAxis(this);
    if (!s) return;
    int previous = 0, previousLabel = 0, previousExtent = 0;
    bool hasPrevious = false, hasLabel = false;
    for (int i = 0; i < s->Count(); ++i) {
        const double value = horizontal_ ? s->XValue(i) : s->YValue(i);
        if (value < IMinimum || value > IMaximum) continue;
        const int pos = CalcPosValue(value);
        std::string text = Style == talText ? s->XLabel(i) : s->GetMarkText(i);
        if (c->OnGetAxisLabel) c->OnGetAxisLabel(this, s, i, text);
        c->AssignFont(LabelsFont());
        const bool turned = labelsAngle_ == 90 || labelsAngle_ == 270;
        const int size = (horizontal_ != turned) ? c->TextWidth(text) : c->FontHeight();
        const int extent = size + static_cast<int>(Round(size * 0.02 * labelsSeparation_));
        bool draw = labels_;
        if (draw && labelsSeparation_ != 0 && hasLabel)
            draw = std::abs(pos - previousLabel) >= extent / 2 + previousExtent / 2;
        if (draw) {
            DrawAxisLabel(pos, labelsAngle_, text);
            previousLabel = pos;
            previousExtent = extent;
            hasLabel = true;
        }
        if (draw || !tickOnLabelsOnly_) {
            DrawTicksAndGrid(pos, previous, hasPrevious, value);
            previous = pos;
            hasPrevious = true;
        }
    }
}

void TChartAxis::DrawTitle() {
    if (title_->Caption().empty()) return;
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    c->AssignFont(title_->Font());
    canvas->Brush()->SetStyle(bsClear);
    int x = c->ChartXCenter;
    int y = c->ChartYCenter;
    UINT align = TA_CENTER | TA_BOTTOM;
    if (horizontal_) {
        y = posTitle_ + Shift3D();
        if (!otherSide_) align = TA_CENTER | TA_TOP;
    } else {
        x = posTitle_ + Shift3D();
    }
    const UINT previous = SetTextAlign(canvas->Handle(), align);
    if (title_->Angle() == 0)
        c->TextOut(x, y, title_->Caption());
    else
        c->RotatedTextOut(x, y, title_->Angle(), title_->Caption());
    SetTextAlign(canvas->Handle(), previous);
}

void TChartAxis::Draw() {
    TCustomAxisPanel* c = ParentChart();
    TCanvas* canvas = c->DrawingCanvas();
    DrawTitle();
    if (axisPen_->Visible()) {
        canvas->SetPen(axisPen_.get());
        c->CheckPenWidth(canvas->Pen());
        const int p = DrawnPosAxis();
        const TRect& r = c->ChartRect;
        if (horizontal_)
            c->DrawHorizLine(r.Left, r.Right, p);
        else
            c->DrawVertLine(p, r.Top, r.Bottom);
    }
    const TAxisLabelStyle style = CalcLabelStyle();
    if (style == talValue)
        DrawValueLabels(CalcLabelsIncrement());
    else if (style == talText || style == talMark)
        DrawPointLabels(style);
}

// =============================================================================================
// TCustomChartLegend

TCustomChartLegend::TCustomChartLegend(TCustomAxisPanel* AOwner) : TChartFontObject(AOwner) {
    frame_ = std::make_unique<TChartPen>([this](TObject*) { Redraw(); });
}

TCustomChartLegend::~TCustomChartLegend() = default;

void TCustomChartLegend::Redraw() {
    ParentChart()->RedrawChart();
}

void TCustomChartLegend::Assign(TPersistent* Source) {
    if (auto* l = dynamic_cast<TCustomChartLegend*>(Source)) {
        resizeChart_ = l->resizeChart_;
        legendStyle_ = l->legendStyle_;
        textStyle_ = l->textStyle_;
        colorWidth_ = l->colorWidth_;
        horizMargin_ = l->horizMargin_;
        vertMargin_ = l->vertMargin_;
        topPos_ = l->topPos_;
        color_ = l->color_;
        frame_->Assign(l->frame_.get());
        firstValue_ = l->firstValue_;
        visible_ = l->visible_;
        alignment_ = l->alignment_;
        inverted_ = l->inverted_;
    }
    TChartFontObject::Assign(Source);
}

void TCustomChartLegend::SetResizeChart(bool Value) {
    ParentChart()->SetBooleanProperty(resizeChart_, Value);
}

void TCustomChartLegend::SetLegendStyle(TLegendStyle Value) {
    legendStyle_ = Value;
    GetLegendStyle();
    Redraw();
}

TLegendStyle TCustomChartLegend::GetLegendStyle() {
    resolved_ = legendStyle_;
    if (resolved_ == lsAuto)
        resolved_ = ParentChart()->CountActiveSeries() < 2 ? lsValues : lsSeries;
    return resolved_;
}

void TCustomChartLegend::SetTextStyle(TLegendTextStyle Value) {
    StoreAndNotify(textStyle_, Value, [this] { Redraw(); });
}

void TCustomChartLegend::SetColorWidth(int Value) {
    if (Value < 0 || Value > 100)
        throw LegendException("Legend Color Width must be between 0 and 100 %");
    ParentChart()->SetIntegerProperty(colorWidth_, Value);
}

void TCustomChartLegend::SetHorizMargin(int Value) {
    ParentChart()->SetIntegerProperty(horizMargin_, Value);
}
void TCustomChartLegend::SetVertMargin(int Value) {
    ParentChart()->SetIntegerProperty(vertMargin_, Value);
}

void TCustomChartLegend::SetTopPos(int Value) {
    if (Value < 0 || Value > 100)
        throw LegendException("Top Legend Position must be between 0 and 100 %");
    ParentChart()->SetIntegerProperty(topPos_, Value);
}

void TCustomChartLegend::SetColor(TColor Value) {
    ParentChart()->SetColorProperty(color_, Value);
}

void TCustomChartLegend::SetFirstValue(int Value) {
    if (Value < 0) throw LegendException("First Legend Value must be > 0");
    ParentChart()->SetIntegerProperty(firstValue_, Value);
}

void TCustomChartLegend::SetVisible(bool Value) {
    ParentChart()->SetBooleanProperty(visible_, Value);
}

void TCustomChartLegend::SetAlignment(TLegendAlignment Value) {
    if (alignment_ == Value) return;
    alignment_ = Value;
    ParentChart()->Invalidate();
}

void TCustomChartLegend::SetInverted(bool Value) {
    ParentChart()->SetBooleanProperty(inverted_, Value);
}

// =============================================================================================
// TCustomAxisPanel

TCustomAxisPanel::TCustomAxisPanel(TComponent* AOwner)
    : TCustomChartPanel(AOwner), seriesList_(std::make_unique<TChartSeriesList>()) {
    seriesList_->OwnerChart = this;
    axes_[0] = std::make_unique<TChartAxis>(this, true, true);
    axes_[1] = std::make_unique<TChartAxis>(this, true, false);
    axes_[2] = std::make_unique<TChartAxis>(this, false, false);
    axes_[3] = std::make_unique<TChartAxis>(this, false, true);
    LeftAxis()->Title()->SetAngle(90);
    RightAxis()->Title()->SetAngle(270);
    frame_ = std::make_unique<TChartPen>([this](TObject*) { RedrawChart(); });
    SetBounds(Left(), Top(), 400, 250);
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    SetControlStyle(style);
    SetZOrderFlag(true);
}

TCustomAxisPanel::~TCustomAxisPanel() {
    Destroying();
    FreeAllSeries();
}

void TCustomAxisPanel::Assign(TPersistent* Source) {
    auto* p = dynamic_cast<TCustomAxisPanel*>(Source);
    if (!p) {
        TCustomChartPanel::Assign(Source);
        return;
    }
    axisVisible_ = p->axisVisible_;
    backColor_ = p->backColor_;
    for (int i = 0; i < 4; ++i)
        axes_[i]->Assign(p->axes_[i].get());
    chart3DPercent_ = p->chart3DPercent_;
    clipPoints_ = p->clipPoints_;
    buffered_ = p->buffered_;
    frame_->Assign(p->frame_.get());
    Legend()->Assign(p->Legend());
    for (int i = 0; i < 4; ++i)
        SetMargin(i, p->GetMargin(i));
    maxPointsPerPage_ = p->maxPointsPerPage_;
    SetMonochrome(p->monochrome_);
    page_ = p->page_;
    scaleLastPage_ = p->scaleLastPage_;
    view3D_ = p->view3D_;
    view3DWalls_ = p->view3DWalls_;
    SetBevelInner(p->BevelInner());
    SetBevelOuter(p->BevelOuter());
    SetBevelWidth(p->BevelWidth());
    SetBorderWidth(p->BorderWidth());
    SetColor(p->Color());
    Invalidate();
}

// --- series

TChartSeries* TCustomAxisPanel::Series(int Index) const {
    return static_cast<TChartSeries*>(seriesList_->Items(Index));
}

void TCustomAxisPanel::AddSeries(TChartSeries* ASeries) {
    if (seriesList_->IndexOf(ASeries) >= 0) return;
    if (ASeries->SeriesColor() == clChartColor) ASeries->SetSeriesColor(GetFreeSeriesColor(true));
    if (ASeries->ParentChart() != this) {
        ASeries->SetParentChart(this); // comes back here with the chart set
        return;
    }
    if (ASeries->ComponentState().Contains(csDesigning) && !ASeries->FunctionType())
        ASeries->FillSampleValues(ASeries->NumSampleValues());
    else
        CheckDatasource(ASeries);
    seriesList_->Add(ASeries);
    Invalidate();
}

void TCustomAxisPanel::RemoveSeries(TChartSeries* ASeries) {
    if (seriesList_->IndexOf(ASeries) < 0) return;
    ASeries->UnlinkSources();
    ASeries->parentChart_ = nullptr;
    if (Cursor() == ASeries->Cursor()) SetCursor(DesignedCursor());
    seriesList_->Remove(ASeries);
    if (!ComponentState().Contains(csDestroying)) Invalidate();
}

void TCustomAxisPanel::FreeAllSeries() {
    while (SeriesCount() > 0)
        delete Series(SeriesCount() - 1);
}

TChartSeries* TCustomAxisPanel::FirstActiveSeries() const {
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) return Series(i);
    return nullptr;
}

TChartSeries* TCustomAxisPanel::FirstSeriesOfAxis(const TChartAxis* Axis) const {
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (s->Active() && (s->GetHorizAxis() == Axis || s->GetVertAxis() == Axis)) return s;
    }
    return nullptr;
}

TChartSeries* TCustomAxisPanel::SeriesWithLabelsOnAxis(const TChartAxis* Axis) const {
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active()) continue;
        const TChartAxis* own = Axis->Horizontal() ? s->GetHorizAxis() : s->GetVertAxis();
        if (own == Axis && s->Count() > 0 && !s->XLabel(0).empty()) return s;
    }
    return nullptr;
}

int TCustomAxisPanel::CountActiveSeries() const {
    int count = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) ++count;
    return count;
}

int TCustomAxisPanel::MaxValuesCount() const {
    int result = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) result = std::max(result, Series(i)->Count());
    return result;
}

int TCustomAxisPanel::MaxTextWidth() {
    int result = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        for (int j = 0; j < Series(i)->Count(); ++j)
            result = std::max(result, TextWidth(Series(i)->XLabel(j)));
    return result;
}

int TCustomAxisPanel::MaxMarkWidth() {
    int result = 0;
    for (int i = 0; i < SeriesCount(); ++i)
        if (Series(i)->Active()) result = std::max(result, Series(i)->MaxMarkWidth());
    return result;
}

void TCustomAxisPanel::SeriesRangeForPage(const TChartAxis* Axis, bool IsX, double& AMin,
                                          double& AMax) const {
    AMin = AMax = 0;
    TChartSeries* s = nullptr;
    for (int i = 0; i < SeriesCount() && !s; ++i) {
        TChartSeries* t = Series(i);
        if (t->Active() && t->Count() > 0 && (IsX ? t->GetHorizAxis() : t->GetVertAxis()) == Axis)
            s = t;
    }
    if (!s) return;
    const int p = maxPointsPerPage_;
    const int count = s->Count();
    int first = (page_ - 1) * p;
    if (first >= count) first = std::max(0, count / p - 1) * p;
    int last = first + p - 1;
    if (count <= last) last = count % p + first - 1;
    last = std::clamp(last, first, count - 1);
    TChartValueList* list = IsX ? s->XValues() : s->YValues();
    AMin = list->Value(first);
    AMax = list->Value(last);
    if (!scaleLastPage_ && last - first + 1 < p)
        AMax = (AMax - AMin) * p / (last - first + 1) + AMin;
}

namespace {
// The least or greatest of Value over the active series with points whose axis is Axis.
template <typename Get, typename AxisOf>
double SeriesExtreme(const TCustomAxisPanel* Chart, const TChartAxis* Axis, bool Least, Get Value,
                     AxisOf SeriesAxis) {
    bool any = false;
    double result = 0;
    for (int i = 0; i < Chart->SeriesCount(); ++i) {
        TChartSeries* s = Chart->Series(i);
        if (!s->Active() || s->Count() == 0 || SeriesAxis(s) != Axis) continue;
        const double v = Value(s);
        if (!any || (Least ? v < result : v > result)) result = v;
        any = true;
    }
    return result;
}
} // namespace

double TCustomAxisPanel::MinXValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, true, low, high);
        return low;
    }
    return SeriesExtreme(
        this, Axis, true, [](TChartSeries* s) { return s->MinXValue(); },
        [](TChartSeries* s) { return s->GetHorizAxis(); });
}

double TCustomAxisPanel::MaxXValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, true, low, high);
        return high;
    }
    return SeriesExtreme(
        this, Axis, false, [](TChartSeries* s) { return s->MaxXValue(); },
        [](TChartSeries* s) { return s->GetHorizAxis(); });
}

double TCustomAxisPanel::MinYValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && !first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, false, low, high);
        return low;
    }
    return SeriesExtreme(
        this, Axis, true, [](TChartSeries* s) { return s->MinYValue(); },
        [](TChartSeries* s) { return s->GetVertAxis(); });
}

double TCustomAxisPanel::MaxYValue(const TChartAxis* Axis) const {
    TChartSeries* first = FirstSeriesOfAxis(Axis);
    if (maxPointsPerPage_ > 0 && first && !first->YMandatory()) {
        double low = 0, high = 0;
        SeriesRangeForPage(Axis, false, low, high);
        return high;
    }
    return SeriesExtreme(
        this, Axis, false, [](TChartSeries* s) { return s->MaxYValue(); },
        [](TChartSeries* s) { return s->GetVertAxis(); });
}

TColor TCustomAxisPanel::GetFreeSeriesColor(bool CheckBackground) const {
    TColor color = clRed;
    for (int t = 0; t < 17; ++t) {
        color = GetDefaultColor(t);
        bool taken = CheckBackground && (color == Color() || color == backColor_);
        for (int i = 0; i < SeriesCount() && !taken; ++i)
            taken = Series(i)->SeriesColor() == color;
        if (!taken) return color;
    }
    return color;
}

void TCustomAxisPanel::CheckOtherSeries(TChartSeries* Series, TChartSeries* Source) const {
    // Every source of Source is followed, not only its first.
    for (TComponent* source : Source->DataSources()) {
        if (source == Series) throw ChartException("Circular Series dependences are not allowed");
        if (auto* s = dynamic_cast<TChartSeries*>(source)) CheckOtherSeries(Series, s);
    }
}

// --- look

TCustomChartLegend* TCustomAxisPanel::Legend() {
    if (!legend_) legend_ = CreateLegend();
    return legend_.get();
}

void TCustomAxisPanel::SetBackColor(TColor Value) {
    SetColorProperty(backColor_, Value);
}
void TCustomAxisPanel::SetView3D(bool Value) {
    SetBooleanProperty(view3D_, Value);
}
void TCustomAxisPanel::SetView3DWalls(bool Value) {
    SetBooleanProperty(view3DWalls_, Value);
}

void TCustomAxisPanel::SetChart3DPercent(int Value) {
    if (Value < 1 || Value > 100)
        throw ChartException("3D effect percent must be between %d and %d", {1, 100});
    SetIntegerProperty(chart3DPercent_, Value);
}

void TCustomAxisPanel::SetClipPoints(bool Value) {
    SetBooleanProperty(clipPoints_, Value);
}
void TCustomAxisPanel::SetAxisVisible(bool Value) {
    SetBooleanProperty(axisVisible_, Value);
}

void TCustomAxisPanel::SetMonochrome(bool Value) {
    FreeBitmap();
    SetRedrawNeeded(true);
    monochrome_ = Value;
}

bool TCustomAxisPanel::IsAxisVisible(const TChartAxis* Axis) const {
    if (!axisVisible_ || !Axis->Visible()) return false;
    bool anyUsing = false;
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active() || !s->UseAxis()) continue;
        anyUsing = true;
        if (s->AssociatedToAxis(const_cast<TChartAxis*>(Axis))) return true;
    }
    return !anyUsing;
}

// --- paging

void TCustomAxisPanel::SetMaxPointsPerPage(int Value) {
    if (Value < 0) throw ChartException("MaxPointsPerPage must be >= 0");
    SetIntegerProperty(maxPointsPerPage_, Value);
    if (page_ > NumPages()) page_ = NumPages();
}

void TCustomAxisPanel::SetScaleLastPage(bool Value) {
    SetBooleanProperty(scaleLastPage_, Value);
}

int TCustomAxisPanel::NumPages() const {
    if (maxPointsPerPage_ == 0 || SeriesCount() == 0) return 1;
    const bool yMandatory = Series(0)->YMandatory();
    const TChartAxis* first = yMandatory ? BottomAxis() : LeftAxis();
    const TChartAxis* second = yMandatory ? TopAxis() : RightAxis();
    int result = 1;
    for (const TChartAxis* axis : {first, second}) {
        for (int i = 0; i < SeriesCount(); ++i) {
            TChartSeries* s = Series(i);
            if (!s->Active() || s->Count() == 0 ||
                !s->AssociatedToAxis(const_cast<TChartAxis*>(axis)))
                continue;
            const int c = s->Count();
            result = std::max(result, c / maxPointsPerPage_ + (c % maxPointsPerPage_ >= 1 ? 1 : 0));
            break;
        }
    }
    return result;
}

void TCustomAxisPanel::SetPage(int Value) {
    Value = std::clamp(Value, 1, NumPages());
    if (page_ == Value) return;
    page_ = Value;
    RedrawChart();
    if (OnPageChange) OnPageChange(this);
}

// --- zoom

void TCustomAxisPanel::ZoomToRectangle() {
    Zoom->Check();
    auto vertical = [this](TChartAxis* a, double& low, double& high) {
        low = a->CalcPosPoint(Zoom->Y1);
        high = a->CalcPosPoint(Zoom->Y0);
    };
    auto horizontal = [this](TChartAxis* a, double& low, double& high) {
        low = a->CalcPosPoint(Zoom->X0);
        high = a->CalcPosPoint(Zoom->X1);
    };
    double lMin, lMax, rMin, rMax, tMin, tMax, bMin, bMax;
    vertical(LeftAxis(), lMin, lMax);
    vertical(RightAxis(), rMin, rMax);
    horizontal(TopAxis(), tMin, tMax);
    horizontal(BottomAxis(), bMin, bMax);
    SetAllAxesMinMax(lMin, lMax, rMin, rMax, tMin, tMax, bMin, bMax);
}

void TCustomAxisPanel::SetAllAxesMinMax(double LeftMin, double LeftMax, double RightMin,
                                        double RightMax, double TopMin, double TopMax,
                                        double BottomMin, double BottomMax) {
    LeftAxis()->SetMinMax(LeftMin, LeftMax);
    RightAxis()->SetMinMax(RightMin, RightMax);
    TopAxis()->SetMinMax(TopMin, TopMax);
    BottomAxis()->SetMinMax(BottomMin, BottomMax);
}

// --- data sources

bool TCustomAxisPanel::IsValidDataSource(TChartSeries* ASeries, TComponent* AComponent) const {
    auto* source = dynamic_cast<TChartSeries*>(AComponent);
    return AComponent != ASeries && source && ASeries->IsValidSeriesSource(source);
}

void TCustomAxisPanel::CheckDatasource(TChartSeries* ASeries) {
    if (ComponentState().Contains(csLoading)) return;
    if (auto* source = dynamic_cast<TChartSeries*>(ASeries->DataSource()))
        ASeries->AddValues(source);
}

// --- legend texts

TChartSeries* TCustomAxisPanel::SeriesForLegend(int Index) const {
    int n = 0;
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active() || !s->ShowInLegend()) continue;
        if (n++ == Index) return s;
    }
    return nullptr;
}

std::string TCustomAxisPanel::SeriesTitleLegend(int Index) const {
    TChartSeries* s = SeriesForLegend(Index);
    if (!s) return "?";
    if (!s->Title().empty()) return s->Title();
    if (!s->Name().empty()) return s->Name();
    return "Series " + IntToStr(Index);
}

std::string TCustomAxisPanel::FormattedValueLegend(TChartSeries* ASeries, int ValueIndex) {
    return ASeries ? Legend()->FormattedValue(ASeries, ValueIndex) : std::string();
}

std::string TCustomAxisPanel::FormattedLegend(int Index) {
    const TLegendStyle style = Legend()->GetLegendStyle();
    std::string text;
    switch (style) {
    case lsValues: text = FormattedValueLegend(FirstActiveSeries(), Index); break;
    case lsLastValues:
        if (Index >= 0 && Index < SeriesCount())
            text = FormattedValueLegend(Series(Index), Series(Index)->Count() - 1);
        break;
    default: text = SeriesTitleLegend(Index); break;
    }
    if (OnGetLegendText) OnGetLegendText(this, style, Index, text);
    return text;
}

int TCustomAxisPanel::CountLegendItems() {
    switch (Legend()->GetLegendStyle()) {
    case lsValues: {
        TChartSeries* s = FirstActiveSeries();
        return s && s->ShowInLegend() ? std::max(0, s->Count() - Legend()->FirstValue()) : 0;
    }
    case lsLastValues: return std::max(0, SeriesCount() - Legend()->FirstValue());
    default: {
        int n = 0;
        while (SeriesForLegend(n))
            ++n;
        return std::max(0, n - Legend()->FirstValue());
    }
    }
}

TChartSeries* TCustomAxisPanel::LegendItemSeries(int Index) {
    switch (Legend()->GetLegendStyle()) {
    case lsValues: return FirstActiveSeries();
    case lsLastValues: return Index >= 0 && Index < SeriesCount() ? Series(Index) : nullptr;
    default: return SeriesForLegend(Index);
    }
}

// --- drawing

TRect TCustomAxisPanel::GetSeriesRect() const {
    TRect r = ChartRect;
    r.Right += Width3D;
    r.Top -= Height3D;
    return r;
}

void TCustomAxisPanel::CalcSize3D() {
    if (!view3D_) {
        SeriesWidth3D = SeriesHeight3D = Width3D = Height3D = 0;
        return;
    }
    SeriesWidth3D = static_cast<int>(Round(ChartWidth * chart3DPercent_ * 0.001));
    SeriesHeight3D = static_cast<int>(Round(ChartHeight * chart3DPercent_ * 0.001));
    const int rows = ZOrderFlag() ? std::max(1, SeriesRow3D + 1) : 1;
    Width3D = SeriesWidth3D * rows;
    Height3D = SeriesHeight3D * rows;
}

void TCustomAxisPanel::ClipRectangle(const TRect& R) {
    IntersectClipRect(DrawingCanvas()->Handle(), R.Left, R.Top, R.Right, R.Bottom);
}

void TCustomAxisPanel::UnClipRectangle() {
    SelectClipRect(DrawingCanvas()->Handle(), nullptr);
}

void TCustomAxisPanel::CheckPenWidth(TPen* APen) {
    if (PrinterCanvas() && APen->Width() == 1 && APen->Style() != psSolid) APen->SetWidth(0);
}

TColor TCustomAxisPanel::ContrastColor() const {
    return Color() == clBlack ? clWhite : clBlack;
}

bool TCustomAxisPanel::ClipAllowed() {
    return GetDeviceCaps(DrawingCanvas()->Handle(), CLIPCAPS) != 0 || ClipWhenPrinting ||
           ClipWhenMetafiling;
}

TRect TCustomAxisPanel::MarginRect(const TRect& R) const {
    const int w = R.Width();
    const int h = R.Height();
    TRect r{R.Left + MulDiv(MarginLeft(), w, 100), R.Top + MulDiv(MarginTop(), h, 100),
            R.Right - MulDiv(MarginRight(), w, 100), R.Bottom - MulDiv(MarginBottom(), h, 100)};
    InflateRect(r, -BorderWidth(), -BorderWidth());
    return r;
}

namespace {
// Puts the chart's drawing canvas back when a drawing ends, also by an exception.
class TDrawingCanvasGuard {
public:
    explicit TDrawingCanvasGuard(std::function<void()> Restore) : restore_(std::move(Restore)) {}
    ~TDrawingCanvasGuard() { restore_(); }
    TDrawingCanvasGuard(const TDrawingCanvasGuard&) = delete;
    TDrawingCanvasGuard& operator=(const TDrawingCanvasGuard&) = delete;

private:
    std::function<void()> restore_;
};
} // namespace

void TCustomAxisPanel::Draw(TCanvas* Canvas, const TRect& Rect) {
    TDrawingCanvasGuard guard([this] { SetDrawingCanvas(nullptr); });
    if (!buffered_) {
        SetDrawingCanvas(Canvas);
        ChartBounds = Rect;
        ChartRect = MarginRect(Rect);
        RecalcWidthHeight();
        InternalDraw(Rect);
        return;
    }
    TBitmap* bitmap = NeedBitmap(monochrome_);
    bitmap->SetSize(std::max(1, Rect.Width()), std::max(1, Rect.Height()));
    ChartBounds = ::Rect(0, 0, bitmap->Width(), bitmap->Height());
    ChartRect = MarginRect(ChartBounds);
    RecalcWidthHeight();
    SetDrawingCanvas(bitmap->Canvas());
    InternalDraw(ChartBounds);
    CopyBuffer(Canvas, Rect.Left, Rect.Top);
    SetRedrawNeeded(false);
}

void TCustomAxisPanel::Paint() {
    if (CanvasDrawing() || DrawFromBuffer()) return;
    Draw(Canvas(), ClientRect());
}

void TCustomAxisPanel::CalcSeriesRows() {
    if (view3D_) {
        SeriesRow3D = -1;
        for (int i = 0; i < SeriesCount(); ++i)
            if (Series(i)->Active()) Series(i)->CalcZOrder();
        for (int i = 0; i < SeriesCount(); ++i)
            if (Series(i)->Active()) Series(i)->SetZOrder(SeriesRow3D - Series(i)->ZOrder());
    } else {
        SeriesRow3D = 0;
        for (int i = 0; i < SeriesCount(); ++i)
            if (Series(i)->Active()) Series(i)->SetZOrder(0);
    }
}

void TCustomAxisPanel::InternalDraw(const TRect& UserRect) {
    TCanvas* canvas = DrawingCanvas();
    const int saved = SaveDC(canvas->Handle());
    TDrawingCanvasGuard restore([canvas, saved] {
        RestoreDC(canvas->Handle(), saved);
        canvas->Refresh();
    });
    DrawPanelBackground(UserRect);
    canvas->Pen()->SetColor(clBlack);
    DrawTitlesAndLegend();
    CalcSeriesRows();
    CalcAxisRect();
    CalcSeriesMargins();
    DrawBackRectangle();
    if (axisVisible_)
        for (TChartAxis* axis : {TopAxis(), BottomAxis(), LeftAxis(), RightAxis()})
            if (IsAxisVisible(axis)) axis->Draw();
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (!s->Active()) continue;
        if (view3D_ && s->SameZOrderExists()) {
            if (s->FirstInZOrder()) DrawSeriesGroup(s);
        } else {
            DrawSeries(s);
        }
    }
    if (Zoom->Active) DrawZoomRectangle();
    if (OnAfterDraw) OnAfterDraw(this);
}

void TCustomAxisPanel::DrawBackRectangle() {
    TCanvas* canvas = DrawingCanvas();
    if (frame_->Visible() || backColor_ != clChartColor) {
        canvas->Brush()->SetStyle(bsClear);
        if (frame_->Visible()) {
            canvas->SetPen(frame_.get());
            if (frame_->Color() == clChartColor) canvas->Pen()->SetColor(ContrastColor());
            CheckPenWidth(canvas->Pen());
        } else {
            canvas->Pen()->SetStyle(psClear);
        }
        if (backColor_ != clChartColor) {
            canvas->Brush()->SetColor(backColor_);
            canvas->Brush()->SetStyle(bsSolid);
        }
        TRect r = ChartRect;
        OffsetRect(r, Width3D, -Height3D);
        r.Right += 1;
        DrawRectangle(r);
    }
    if (view3D_ && view3DWalls_) DrawWalls();
}

void TCustomAxisPanel::CalcFirstLastVisibleIndex(TChartSeries* ASeries) {
    const int count = ASeries->Count();
    if (count == 0) {
        ASeries->SetValueIndexRange(-1, -1);
        return;
    }
    if (!ASeries->CalcVisiblePoints()) {
        ASeries->SetValueIndexRange(0, count - 1);
        return;
    }
    const bool yMandatory = ASeries->YMandatory();
    const TChartAxis* axis = yMandatory ? ASeries->GetHorizAxis() : ASeries->GetVertAxis();
    const TChartValueList* list = yMandatory ? ASeries->XValues() : ASeries->YValues();
    int first = 0;
    while (first < count && list->Value(first) < axis->IMinimum)
        ++first;
    int last = count - 1;
    while (last >= 0 && list->Value(last) > axis->IMaximum)
        --last;
    if (first > last || first >= count) {
        ASeries->SetValueIndexRange(-1, -1);
        return;
    }
    if (ASeries->DrawBetweenPoints() && last < count - 1) ++last;
    ASeries->SetValueIndexRange(first, last);
}

void TCustomAxisPanel::DrawSeries(TChartSeries* ASeries) {
    CalcFirstLastVisibleIndex(ASeries);
    if (ASeries->FirstValueIndex() == -1) return;
    ASeries->DoBeforeDrawValues();
    if (clipPoints_ && ClipAllowed()) ClipRectangle(GetSeriesRect());
    ASeries->DrawAllValues();
    UnClipRectangle();
    if (ASeries->Marks()->Visible()) {
        if (ASeries->Marks()->Clip()) ClipRectangle(GetSeriesRect());
        ASeries->DrawMarks();
        UnClipRectangle();
    }
    ASeries->DoAfterDrawValues();
}

void TCustomAxisPanel::DrawSeriesGroup(TChartSeries* First) {
    std::vector<TChartSeries*> group;
    for (int i = 0; i < SeriesCount(); ++i) {
        TChartSeries* s = Series(i);
        if (s->Active() && s->ZOrder() == First->ZOrder()) {
            CalcFirstLastVisibleIndex(s);
            if (s->FirstValueIndex() != -1) group.push_back(s);
        }
    }
    if (group.empty()) return;
    int low = group[0]->FirstValueIndex();
    int high = group[0]->LastValueIndex();
    for (TChartSeries* s : group) {
        low = std::min(low, s->FirstValueIndex());
        high = std::max(high, s->LastValueIndex());
        s->DoBeforeDrawValues();
    }
    if (clipPoints_ && ClipAllowed()) ClipRectangle(GetSeriesRect());
    for (int i = low; i <= high; ++i)
        for (TChartSeries* s : group)
            if (i >= s->FirstValueIndex() && i <= s->LastValueIndex()) s->DrawValue(i);
    UnClipRectangle();
    for (TChartSeries* s : group) {
        if (s->Marks()->Visible()) {
            if (s->Marks()->Clip()) ClipRectangle(GetSeriesRect());
            s->DrawMarks();
            UnClipRectangle();
        }
        s->DoAfterDrawValues();
    }
}
