#include "app/InterestDueCalculator.h"

#include "controls/entry/PictureField.h"
#include "controls/entry/RegionalConventions.h"
#include "controls/entry/SimpleField.h"
#include "controls/entry/SpinButton.h"
#include "finance/InterestDue.h"
#include "finance/LoanMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Regional.h"
#include "platform/rtl/Streams.h"

#include <algorithm>

namespace {

// TIntDueCalcData: eleven captions, the amount, days and rate, the two dates with their day
// names, two choices and the four results.
namespace D {
constexpr std::size_t Size = 3412;
constexpr std::size_t PV = 2816;
constexpr std::size_t NumDays = 2824;
constexpr std::size_t Rate = 2828;
constexpr std::size_t StartDay = 2832;
constexpr std::size_t StartDate = 2842;
constexpr std::size_t EndDay = 2846;
constexpr std::size_t EndDate = 2856;
constexpr std::size_t CmpPYR = 2860;
constexpr std::size_t RateBasis = 3124;
constexpr std::size_t IntPaid = 3388;
constexpr std::size_t FV = 3396;
constexpr std::size_t APY = 3404;
constexpr std::size_t DailyRate = 3408;
constexpr std::size_t DayNameSize = 10;
} // namespace D

constexpr const char* MoneyMask = "$###,###,###.##";
const TDayNumber LastDate = DMYToDate(31, 12, 3999, 0);

void PutDate(std::span<Byte> data, std::size_t dayName, std::size_t date, TDayNumber value) {
    PutSlotString(data.subspan(dayName, D::DayNameSize), DayName(value));
    PutLE<LongInt>(data, date, value);
}

void PutToday(std::span<Byte> data) {
    const TDayNumber today = CurrentDate();
    PutDate(data, D::StartDay, D::StartDate, today);
    PutDate(data, D::EndDay, D::EndDate, today);
}

TIntDueValues Read(std::span<const Byte> data) {
    TIntDueValues v;
    v.PV = GetLE<double>(data, D::PV);
    v.NumDays = GetLE<LongInt>(data, D::NumDays);
    v.Rate = GetLE<float>(data, D::Rate);
    const TDayNumber start = GetLE<LongInt>(data, D::StartDate);
    const TDayNumber end = GetLE<LongInt>(data, D::EndDate);
    v.Term = start == BadDate || end == BadDate ? 0 : end - start;
    v.Compounding = static_cast<Byte>(ChoiceIndex(data, D::CmpPYR));
    v.Basis = static_cast<Byte>(ChoiceIndex(data, D::RateBasis));
    v.IntPaid = GetLE<double>(data, D::IntPaid);
    v.FV = GetLE<double>(data, D::FV);
    v.APY = GetLE<float>(data, D::APY);
    v.DailyRate = GetLE<float>(data, D::DailyRate);
    return v;
}

TDayNumber DateOf(TVcPictureField* field) {
    TDayNumber date = BadDate;
    if (field->GetValue(&date) != 0) return BadDate;
    return date;
}

void SetDate(TVcPictureField* field, TVcSimpleField* dayName, TDayNumber date) {
    field->SetValue(&date);
    dayName->SetAsString(DayName(date));
}

// The date in the default picture with a four-digit year, without the blanks that pad a
// one-digit day or month ("12/7/2026").
std::string DateText(TDayNumber date) {
    const TVcIntlSup& intl = VcIntlSup();
    std::string text = intl.DateToDateString(intl.DefaultDatePicture(true), date, false);
    text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
    return text;
}

TCalcLine DateLine(const std::string& caption, std::span<const Byte> data, std::size_t dayName,
                   std::size_t date) {
    const std::string name = GetSlotString(data.subspan(dayName, D::DayNameSize));
    const std::string text = DateText(GetLE<LongInt>(data, date));
    return {caption, name, "%-24s %-9s %-10s\r\n", "\t%-24s\t%-10s", text};
}

} // namespace

std::string DayName(TDayNumber Date) {
    int day = 0, month = 0, year = 0;
    DateToDMY(Date, day, month, year);
    if (day == 0) return {};
    return FormatSettings().LongDayNames[static_cast<std::size_t>(DayOfWeek(Date))].substr(0, 9);
}

TcLoIntDu::TcLoIntDu(TComponent* AOwner)
    : TCalcForm(AOwner, ckIntDue, "Compound & Simple Interest Calculator") {
    PV = AddNumber("PV", 0, nftDouble, MoneyMask, 1);
    NumDays = AddNumber("NumDays", 1, nftLongInt, "iii,iii", 39);
    Rate = AddNumber("Rate", 2, nftSingle, "##.####", 9);
    StartDay = AddDayName("StartDay", 3, 52);
    StartDate = AddDate("StartDate", 3, 41);
    EndDay = AddDayName("EndDay", 4, 54);
    EndDate = AddDate("EndDate", 4, 43);
    CmpPYR = AddRowChoice("CmpPYR", 5, 13);
    CmpPYR->SetDropDownCount(12);
    RateBasis = AddRowChoice("RateBasis", 6, 45);
    RateBasis->SetDropDownCount(3);
    IntPaid = AddNumber("IntPaid", 7, nftDouble, MoneyMask);
    FV = AddNumber("FV", 8, nftDouble, MoneyMask);
    APY = AddNumber("APY", 9, nftSingle, "##.####");
    DailyRate = AddNumber("DailyRate", 10, nftSingle, "##.######");
    for (TVcNumericField* result : {IntPaid, FV, APY, DailyRate})
        result->SetTabStop(false);
    VcSpinner1 = AddSpinner("VcSpinner1", StartDate);
    VcSpinner2 = AddSpinner("VcSpinner2", EndDate);
    lPV = AddRowLabel("lPV", 0, PV);
    lNumDays = AddRowLabel("lNumDays", 1, NumDays);
    lRate = AddRowLabel("lRate", 2, Rate);
    lStartDate = AddRowLabel("lStartDate", 3, StartDate);
    lEndDate = AddRowLabel("lEndDate", 4, EndDate);
    lCmpPYR = AddRowLabel("lCmpPYR", 5, CmpPYR);
    lRateBasis = AddRowLabel("lRateBasis", 6, RateBasis);
    lIntPaid = AddRowLabel("lIntPaid", 7, IntPaid);
    lFV = AddRowLabel("lFV", 8, FV);
    lAPY = AddRowLabel("lAPY", 9, APY);
    lDailyRate = AddRowLabel("lDailyRate", 10, DailyRate);
    LayoutButtons(RowTop(11));
    SharedRecord();
    UseCountryMoneyMask({PV, IntPaid, FV});
    if (Masks && Masks->Country() != 1) {
        std::string mask;
        Masks->GetDateMask(true, mask);
        StartDate->SetPictureMask(mask);
        EndDate->SetPictureMask(mask);
    }
    StartDate->OnChange = [this](TObject* s) { StartDateChange(s); };
    EndDate->OnChange = [this](TObject* s) { EndDateChange(s); };
    NumDays->OnChange = [this](TObject* s) { NumDaysChange(s); };
    NumDays->OnEnter = [this](TObject*) { TakeBaseDates(); };
    TNotifyEvent patternShow = OnShow;
    OnShow = [this, patternShow](TObject* s) {
        patternShow(s);
        ShowHintsOfSpinners(s);
    };
}

TVcPictureField* TcLoIntDu::AddDate(const std::string& Name, int Row, int HelpContext) {
    auto* field =
        AddControl<TVcPictureField>(Name, FieldLeft + 88, RowTop(Row), FieldWidth - 88 + 60);
    field->SetController(DefaultController);
    field->SetDataType(pftDate);
    field->SetEpoch(0);
    field->SetPictureMask("mm/dd/yyyy");
    field->SetMaxLength(10);
    field->SetHelpContext(HelpContext);
    return field;
}

TVcSimpleField* TcLoIntDu::AddDayName(const std::string& Name, int Row, int HelpContext) {
    auto* field = AddControl<TVcSimpleField>(Name, FieldLeft, RowTop(Row), 84);
    field->SetController(DefaultController);
    field->SetMaxLength(9);
    field->SetTabStop(false);
    field->SetHelpContext(HelpContext);
    return field;
}

TVcSpinner* TcLoIntDu::AddSpinner(const std::string& Name, TVcPictureField* Field) {
    auto* spinner = new TVcSpinner(this);
    spinner->SetName(Name);
    spinner->SetParent(CalcPNL);
    spinner->SetBounds(Field->Left() + Field->Width() + 2, Field->Top(), 16, Field->Height());
    spinner->SetDelta(1);
    spinner->SetAttachedControl(Field);
    spinner->SetHint("Select M D or Y field\rclick to adjust.");
    return spinner;
}

void TcLoIntDu::ShowHintsOfSpinners(TObject*) {
    const bool hints = CalcHost() && CalcHost()->ShowHints();
    VcSpinner1->SetShowHint(hints);
    VcSpinner2->SetShowHint(hints);
}

const TRecordLayout& TcLoIntDu::RecordLayout() const {
    static const TRecordLayout layout{
        D::Size,
        {"&Amount?:", "&Number of Days? (#):", "Annual &Rate? (%):", "\r&Start Date?:",
         "End Da&te?:", "Compounding Perio&d?:", "\rRate &Basis?:", "Interest for Term:",
         "\rFuture Value:", "Annual Percentage Yield (APY):", "Daily Periodic Rate:"},
        {{D::CmpPYR, &CompoundingList, icDaily}, {D::RateBasis, &YearBasisList, ybBasis365}}};
    return layout;
}

std::unique_ptr<TTransferRecord> TcLoIntDu::MakeRecord() const {
    std::unique_ptr<TTransferRecord> record = TCalcForm::MakeRecord();
    PutToday(record->Data());
    return record;
}

std::vector<TComponent*> TcLoIntDu::TransferList() const {
    return {lPV,    lNumDays, lRate,      lStartDate, lEndDate, lCmpPYR, lRateBasis, lIntPaid,
            lFV,    lAPY,     lDailyRate, PV,         NumDays,  Rate,    StartDay,   StartDate,
            EndDay, EndDate,  CmpPYR,     RateBasis,  IntPaid,  FV,      APY,        DailyRate};
}

void TcLoIntDu::TakeBaseDates() {
    baseStart_ = countStart_ = DateOf(StartDate);
    baseEnd_ = countEnd_ = DateOf(EndDate);
}

void TcLoIntDu::StartDateChange(TObject*) {
    if (updating_) return;
    updating_ = true;
    const TDayNumber start = DateOf(StartDate);
    StartDay->SetAsString(DayName(start));
    const TDayNumber end = DateOf(EndDate);
    if (start != BadDate && end != BadDate) NumDays->SetAsInteger(end - start);
    TakeBaseDates();
    updating_ = false;
}

void TcLoIntDu::EndDateChange(TObject*) {
    if (updating_) return;
    updating_ = true;
    const TDayNumber end = DateOf(EndDate);
    EndDay->SetAsString(DayName(end));
    const TDayNumber start = DateOf(StartDate);
    if (start != BadDate && end != BadDate) NumDays->SetAsInteger(end - start);
    TakeBaseDates();
    updating_ = false;
}

void TcLoIntDu::NumDaysChange(TObject*) {
    if (updating_) return;
    updating_ = true;
    // Every key of the count works from the dates shown when its editing began (the field was
    // entered, or since then a date was changed by other means: typed, spun or Reset): a count of
    // zero or more keeps that start and moves the end, a negative one keeps that end and moves
    // the start back. So "45" then "-" ends where "-45" does, 45 days before the end date, and
    // the date the passing "45" had moved is back as it was. The dates stay in 1600..3999: a
    // count that would leave that range stops at its end.
    if (DateOf(StartDate) != countStart_ || DateOf(EndDate) != countEnd_) TakeBaseDates();
    const LongInt days = NumDays->AsInteger();
    if (days >= 0 && baseStart_ != BadDate) {
        SetDate(StartDate, StartDay, baseStart_);
        SetDate(EndDate, EndDay,
                static_cast<TDayNumber>(std::min<Int64>(Int64{baseStart_} + days, LastDate)));
    } else if (days < 0 && baseEnd_ != BadDate) {
        SetDate(EndDate, EndDay, baseEnd_);
        SetDate(StartDate, StartDay,
                static_cast<TDayNumber>(std::max<Int64>(Int64{baseEnd_} + days, 0)));
    }
    countStart_ = DateOf(StartDate);
    countEnd_ = DateOf(EndDate);
    updating_ = false;
}

void TcLoIntDu::Calculate(std::span<Byte> Data) {
    TIntDueValues v = Read(Data);
    const std::string message = ComputeInterestDue(v);
    if (!message.empty()) {
        MessageDlg(message, mtWarning, {mbOK}, 0);
        return;
    }
    PutLE<double>(Data, D::IntPaid, v.IntPaid);
    PutLE<double>(Data, D::FV, v.FV);
    PutLE<float>(Data, D::APY, v.APY);
    PutLE<float>(Data, D::DailyRate, v.DailyRate);
}

void TcLoIntDu::ResetRecord(std::span<Byte> Data) {
    ResetValues(Data, RecordLayout());
    PutToday(Data);
}

double TcLoIntDu::ComputedDailyRate(float Shown) const {
    // The field shows six decimals, the copy and the printout seven: they take the rate the
    // calculation left behind the field while the field still shows it.
    const float computed = GetLE<float>(SharedRecord().Data(), D::DailyRate);
    const int decimals = DailyRate->DecimalCount();
    return RoundHalfAway15(computed, decimals) == RoundHalfAway15(Shown, decimals) ? computed
                                                                                   : Shown;
}

std::vector<TCalcLine> TcLoIntDu::ReportLines(std::span<const Byte> Data) const {
    const TIntDueValues v = Read(Data);
    TCalcLine days = MoneyLine(CaptionOf(Data, 1), v.NumDays);
    days.CopyFormat = "%-24s %16.0n\r\n";
    days.PrintFormat = "\t%-24s\t%16.0n";
    TCalcLine apy{CaptionOf(Data, 9), v.APY, "%-24s %16.4n\r\n", "\t%-24s\t%16.4n"};
    TCalcLine daily{CaptionOf(Data, 10), ComputedDailyRate(v.DailyRate), "%-24s %16.7n\r\n",
                    "\t%-24s\t%16.7n"};
    TCalcLine start = DateLine(CaptionOf(Data, 3), Data, D::StartDay, D::StartDate);
    TCalcLine end = DateLine(CaptionOf(Data, 4), Data, D::EndDay, D::EndDate);
    for (TCalcLine* line : {&start, &end}) {
        line->Caption = RemoveChar('\r', line->Caption);
        line->PrintFormat = "\t%-24s\t%s %s";
    }
    TCalcLine basis =
        ChoiceLine(RemoveChar('\r', CaptionOf(Data, 6)), ChoiceText(Data, D::RateBasis));
    TCalcLine fv = MoneyLine(RemoveChar('\r', CaptionOf(Data, 8)), v.FV);
    return {MoneyLine(CaptionOf(Data, 0), v.PV),
            days,
            RateLine(CaptionOf(Data, 2), v.Rate),
            start,
            end,
            ChoiceLine(CaptionOf(Data, 5), ChoiceText(Data, D::CmpPYR)),
            basis,
            MoneyLine(CaptionOf(Data, 7), v.IntPaid),
            fv,
            apy,
            daily};
}
