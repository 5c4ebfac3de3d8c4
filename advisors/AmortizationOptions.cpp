#include "advisors/AmortizationOptions.h"

#include "advisors/CalculatorForm.h"

#include <memory>

namespace {

// TAmortOptData: the three prompts, then the three choices.
namespace D {
constexpr std::size_t AmortMthd = 3 * CaptionSlotSize;
constexpr std::size_t RateBasis = AmortMthd + ComboBoxSlotSize;
constexpr std::size_t PointsPaidMthd = RateBasis + ComboBoxSlotSize;
constexpr std::size_t Size = PointsPaidMthd + ComboBoxSlotSize;
} // namespace D

const TRecordLayout& Layout() {
    static const TRecordLayout layout{
        D::Size,
        {"Amorti&zing Method?:", "Rate &Basis?:", "&Points Paid How?:"},
        {{D::AmortMthd, &AmortMethodList, DefaultAmortMethod},
         {D::RateBasis, &DayCountList, rbOrdinary},
         {D::PointsPaidMthd, &FeeTimingList, ppAtOrigination}}};
    return layout;
}

std::unique_ptr<TTransferRecord>& Record() {
    static std::unique_ptr<TTransferRecord> record;
    if (!record) record = NewRecord(Layout());
    return record;
}

constexpr int LabelLeft = 12;
constexpr int ComboLeft = 160;
constexpr int RowTop = 24;
constexpr int RowHeight = 32;

} // namespace

TAmortOpt::TAmortOpt(TComponent* AOwner) : TForm(AOwner) {
    SetName("AmortOpt");
    SetCaption("Options");
    SetHelpContext(110);
    SetFormBorderStyle(bsDialog);
    SetPosition(poOwnerFormCenter);
    SetClientWidth(344);
    SetClientHeight(172);
    GroupBox1 = new TGroupBox(this);
    GroupBox1->SetName("GroupBox1");
    GroupBox1->SetParent(this);
    GroupBox1->SetCaption(" Amortization Options ");
    GroupBox1->SetBounds(8, 8, 328, 120);
    AmortMthd = AddChoice("AmortMthd", 0, lAmortMthd);
    RateBasis = AddChoice("RateBasis", 1, lRateBasis);
    PointsPaidMthd = AddChoice("PointsPaidMthd", 2, lPointsPaidMthd);
    BitBtn1 = new TBitBtn(this);
    BitBtn1->SetName("BitBtn1");
    BitBtn1->SetParent(this);
    BitBtn1->SetKind(bkOK);
    BitBtn1->SetCaption("&OK");
    BitBtn1->SetBounds(92, 138, 75, 25);
    BitBtn1->OnClick = [this](TObject* s) { BitBtn1Click(s); };
    BitBtn2 = new TBitBtn(this);
    BitBtn2->SetName("BitBtn2");
    BitBtn2->SetParent(this);
    BitBtn2->SetKind(bkCancel);
    BitBtn2->SetBounds(176, 138, 75, 25);
    BitBtn2->OnClick = [this](TObject* s) { BitBtn2Click(s); };
    VcTransfer1 = new TVcTransfer(this);
    VcTransfer1->SetName("VcTransfer1");
    OnShow = [this](TObject* s) { FormShow(s); };
    OnClose = [this](TObject* s, TCloseAction& a) { FormClose(s, a); };
}

TComboBox* TAmortOpt::AddChoice(const std::string& Name, int Row, TLabel*& Label) {
    Label = new TLabel(this);
    Label->SetName("l" + Name);
    Label->SetParent(GroupBox1);
    Label->SetBounds(LabelLeft, RowTop + Row * RowHeight + 3, ComboLeft - LabelLeft - 4, 16);
    auto* combo = new TComboBox(this);
    combo->SetName(Name);
    combo->SetParent(GroupBox1);
    combo->SetStyle(csDropDownList);
    combo->SetBounds(ComboLeft, RowTop + Row * RowHeight, 156, 24);
    Label->SetFocusControl(combo);
    return combo;
}

std::vector<TComponent*> TAmortOpt::TransferList() const {
    return {lAmortMthd, lRateBasis, lPointsPaidMthd, AmortMthd, RateBasis, PointsPaidMthd};
}

void TAmortOpt::FormShow(TObject*) {
    const std::span<const Byte> data = Record()->Data();
    remembered_ = {ChoiceIndex(data, D::AmortMthd), ChoiceIndex(data, D::RateBasis),
                   ChoiceIndex(data, D::PointsPaidMthd)};
    VcTransfer1->BufferToControls(TransferList(), Record()->Data());
    AmortMthd->SetHelpContext(14);
    RateBasis->SetHelpContext(45);
    PointsPaidMthd->SetHelpContext(77);
}

void TAmortOpt::BitBtn1Click(TObject*) {
    Close();
}

void TAmortOpt::BitBtn2Click(TObject*) {
    AmortMthd->SetItemIndex(remembered_[0]);
    RateBasis->SetItemIndex(remembered_[1]);
    PointsPaidMthd->SetItemIndex(remembered_[2]);
    Close();
}

void TAmortOpt::FormClose(TObject*, TCloseAction&) {
    VcTransfer1->ControlsToBuffer(TransferList(), Record()->Data());
}

TAmortOptions TAmortOpt::Choices() {
    const std::span<const Byte> data = Record()->Data();
    TAmortOptions options;
    options.AmortMethod = static_cast<Byte>(ChoiceIndex(data, D::AmortMthd));
    options.RateBasis = static_cast<Byte>(ChoiceIndex(data, D::RateBasis));
    options.PointsPaidHow = static_cast<Byte>(ChoiceIndex(data, D::PointsPaidMthd));
    return options;
}

void TAmortOpt::SetChoices(const TAmortOptions& Options) {
    const std::span<Byte> data = Record()->Data();
    SetChoiceIndex(data, D::AmortMthd, Options.AmortMethod);
    SetChoiceIndex(data, D::RateBasis, Options.RateBasis);
    SetChoiceIndex(data, D::PointsPaidMthd, Options.PointsPaidHow);
}

void TAmortOpt::FreeRecord() {
    Record().reset();
}
