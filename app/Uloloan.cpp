#include "app/Uloloan.h"

#include "finance/LoLoan.h"
#include "finance/LoMath.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"

namespace {

namespace D = LoanCalcData;

constexpr const char* MoneyMask = "$###,###,###.##";
constexpr int LabelLeft = 8;
constexpr int FieldLeft = 184;
constexpr int FieldWidth = 140;
constexpr int RowHeight = 28;

std::unique_ptr<TTransferRecord> sharedRecord;

const char* const Captions[] = {"&Amount of Loan?:",  "&Total Periods? (#):",
                                "Annual &Rate? (%):", "Periodic Payment:",
                                "Payme&nt Period?:",  "Compounding Perio&d?:",
                                "Payment &Method?:",  "Amorti&zing Method?:",
                                "Total Interest:",    "Enter a zero '0' for unknown value."};

void PutDefaults(std::span<Byte> data) {
    PutLE<double>(data, D::PV, 0.0);
    PutLE<SmallInt>(data, D::NumPmts, 0);
    PutLE<float>(data, D::Rate, 0.0f);
    PutLE<double>(data, D::Pmt, 0.0);
    SetChoiceIndex(data, D::PYR, 2);
    SetChoiceIndex(data, D::CmpPYR, DefaultFrequency);
    SetChoiceIndex(data, D::PmtMthd, DefaultTiming);
    SetChoiceIndex(data, D::AmortMthd, DefaultAmortMethod);
}

TLoanValues ReadValues(std::span<const Byte> data) {
    TLoanValues v;
    v.PV = GetLE<double>(data, D::PV);
    v.NumPmts = GetLE<SmallInt>(data, D::NumPmts);
    v.Rate = GetLE<float>(data, D::Rate);
    v.Pmt = GetLE<double>(data, D::Pmt);
    v.TotInt = GetLE<double>(data, D::TotInt);
    v.PaymentsPerYear = PeriodsPerYear(static_cast<Byte>(ChoiceIndex(data, D::PYR) + 1));
    v.CompoundingsPerYear = PeriodsPerYear(static_cast<Byte>(ChoiceIndex(data, D::CmpPYR)));
    v.Timing = static_cast<Byte>(ChoiceIndex(data, D::PmtMthd));
    v.Method = static_cast<Byte>(ChoiceIndex(data, D::AmortMthd));
    return v;
}

void WriteValues(std::span<Byte> data, const TLoanValues& v) {
    PutLE<double>(data, D::PV, v.PV);
    PutLE<SmallInt>(data, D::NumPmts, v.NumPmts);
    PutLE<float>(data, D::Rate, v.Rate);
    PutLE<double>(data, D::Pmt, v.Pmt);
    PutLE<double>(data, D::TotInt, v.TotInt);
}

void Warn(const std::string& message) {
    if (!message.empty()) MessageDlg(message, mtWarning, {mbOK}, 0);
}

// A record with the captions, the choice lists and the defaults.
std::unique_ptr<TTransferRecord> NewLoanRecord() {
    auto record = std::make_unique<TTransferRecord>(D::Size);
    for (std::size_t k = 0; k < std::size(Captions); ++k)
        PutCaptionSlot(record->Data(), k * CaptionSlotSize, Captions[k]);
    PutChoiceSlot(*record, D::PYR, PaymentFrequencyList, 0);
    PutChoiceSlot(*record, D::CmpPYR, FrequencyList, 0);
    PutChoiceSlot(*record, D::PmtMthd, TimingList, 0);
    PutChoiceSlot(*record, D::AmortMthd, AmortMethodList, 0);
    PutDefaults(record->Data());
    PutLE<double>(record->Data(), D::TotInt, 0.0);
    return record;
}

} // namespace

TTransferRecord& TcLoLoan::LoanCalcRecord() {
    if (!sharedRecord) sharedRecord = NewLoanRecord();
    return *sharedRecord;
}

void TcLoLoan::FreeLoanCalcRecord() {
    sharedRecord.reset();
}

TcLoLoan::TcLoLoan(TComponent* AOwner) : TCalcForm(AOwner, ckLoan, "Loan Calculator") {
    TLabel** labels[] = {&lPV,     &lNumPmts, &lRate,      &lPmt,    &lPYR,
                         &lCmpPYR, &lPmtMthd, &lAmortMthd, &lTotInt, &Label10};
    const char* names[] = {"lPV",     "lNumPmts", "lRate",      "lPmt",    "lPYR",
                           "lCmpPYR", "lPmtMthd", "lAmortMthd", "lTotInt", "Label10"};
    for (std::size_t k = 0; k < std::size(labels); ++k)
        *labels[k] = AddLabel(names[k], LabelLeft, 8 + static_cast<int>(k) * RowHeight);
    Label10->SetWidth(400);
    PV = AddNumber("PV", 0, nftDouble, MoneyMask, 1);
    NumPmts = AddNumber("NumPmts", 1, nftInteger, "ii,iii", 97);
    Rate = AddNumber("Rate", 2, nftSingle, "##.####", 9);
    Pmt = AddNumber("Pmt", 3, nftDouble, MoneyMask, 11);
    PYR = AddChoice("PYR", FieldLeft, 8 + 4 * RowHeight, FieldWidth, 16);
    CmpPYR = AddChoice("CmpPYR", FieldLeft, 8 + 5 * RowHeight, FieldWidth, 13);
    PmtMthd = AddChoice("PmtMthd", FieldLeft, 8 + 6 * RowHeight, FieldWidth, 25);
    AmortMthd = AddChoice("AmortMthd", FieldLeft, 8 + 7 * RowHeight, FieldWidth, 14);
    TotInt = AddNumber("TotInt", 8, nftDouble, MoneyMask, 106);
    TotInt->SetTabStop(false);
    NumPmts2 = AddLabel("NumPmts2", FieldLeft + FieldWidth + 8, 8 + RowHeight, 90);
    NumPmts2->SetCaption("");
    lPV->SetFocusControl(PV);
    lNumPmts->SetFocusControl(NumPmts);
    lRate->SetFocusControl(Rate);
    lPYR->SetFocusControl(PYR);
    lCmpPYR->SetFocusControl(CmpPYR);
    lPmtMthd->SetFocusControl(PmtMthd);
    lAmortMthd->SetFocusControl(AmortMthd);
    LayoutButtons(8 + 10 * RowHeight);
    LoanCalcRecord();
    if (Masks && Masks->Country() != 1) {
        std::string mask;
        Masks->GetCurrencyMask(mask);
        for (TVcNumericField* field : {PV, Pmt, TotInt})
            field->SetPictureMask(mask);
    }
}

TVcNumericField* TcLoLoan::AddNumber(const std::string& Name, int Row, TNumericDataType Type,
                                     const char* Mask, int HelpContext) {
    auto* field = AddControl<TVcNumericField>(Name, FieldLeft, 8 + Row * RowHeight, FieldWidth);
    field->SetController(DefaultController);
    field->SetDataType(Type);
    field->SetPictureMask(Mask);
    field->SetHelpContext(HelpContext);
    return field;
}

std::vector<TComponent*> TcLoLoan::TransferList() const {
    return {lPV, lNumPmts, lRate, lPmt, lPYR,   lCmpPYR, lPmtMthd, lAmortMthd, lTotInt,  Label10,
            PV,  NumPmts,  Rate,  Pmt,  TotInt, PYR,     CmpPYR,   PmtMthd,    AmortMthd};
}

std::unique_ptr<TTransferRecord> TcLoLoan::MakeRecord() const {
    return NewLoanRecord();
}

void TcLoLoan::BeforeCalculate() {
    if (AmortMthd->ItemIndex() == amCanadian) {
        PYR->SetItemIndex(2);
        CmpPYR->SetItemIndex(CanadianCompounding);
    }
}

void TcLoLoan::Calculate(std::span<Byte> Data) {
    NumPmts2->SetCaption("");
    TLoanValues v = ReadValues(Data);
    switch (LoanUnknown(v)) {
    case -2: Warn("Too many unknowns. Please try again."); return;
    case -1: Warn("No unknown values. Please try again."); return;
    case 0: Warn(SolveLoanPV(v)); break;
    case 1: {
        double periods = 0.0;
        const std::string message = SolveLoanPeriods(v, periods);
        if (message.empty()) NumPmts2->SetCaption(Format("%4.3F", {periods}));
        Warn(message);
        break;
    }
    case 2: {
        std::string message;
        {
            TWaitCursor wait;
            message = SolveLoanRate(v);
        }
        Warn(message);
        break;
    }
    case 3: Warn(SolveLoanPayment(v)); break;
    }
    WriteValues(Data, v);
}

void TcLoLoan::ResetRecord(std::span<Byte> Data) {
    PutDefaults(Data);
}

std::vector<TCalcLine> TcLoLoan::ReportLines(std::span<const Byte> Data) const {
    const TLoanValues v = ReadValues(Data);
    auto caption = [&](int k) { return GetSlotString(Data.subspan(k * CaptionSlotSize, 256)); };
    return {{TCalcLine::Money, caption(0), v.PV, {}},
            {TCalcLine::Count, caption(1), static_cast<double>(v.NumPmts), {}},
            {TCalcLine::Rate, caption(2), v.Rate, {}},
            {TCalcLine::Money, caption(3), v.Pmt, {}},
            {TCalcLine::Choice, caption(4), 0, ChoiceText(Data, D::PYR)},
            {TCalcLine::Choice, caption(5), 0, ChoiceText(Data, D::CmpPYR)},
            {TCalcLine::Choice, caption(6), 0, ChoiceText(Data, D::PmtMthd)},
            {TCalcLine::Choice, caption(7), 0, ChoiceText(Data, D::AmortMthd)},
            {TCalcLine::Money, caption(8), v.TotInt, {}}};
}
