#include "controls/entry/TransferRecords.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryField.h"
#include "controls/entry/EntryWindowMessages.h"
#include "controls/entry/MessageTables.h"
#include "controls/entry/RotatedLabel.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Streams.h"

#include <algorithm>
#include <map>

namespace {

constexpr std::size_t MaxShortString = 255;

// The lists of every record, by reference. Records kept for the whole run (the calculators' shared
// records) may be freed at the very end of the process, so the lists outlive every record.
std::map<TTransferListRef, std::unique_ptr<TStringList>>& Lists() {
    static auto* lists = new std::map<TTransferListRef, std::unique_ptr<TStringList>>();
    return *lists;
}

TTransferListRef NextListRef() {
    static TTransferListRef next = 0;
    return ++next;
}

TStrings* SlotList(std::span<const Byte> slot) {
    return TransferList(DecodeLE<LongWord>(slot.data()));
}

// Replaces the lines of a list with those of another; nothing when either is missing.
void CopyLines(TStrings* target, TStrings* source) {
    if (target && source && target != source) target->Assign(source);
}

Word EditSlotSize(const TEdit& edit) {
    const int maxLength = edit.MaxLength();
    if (maxLength <= 0) return CaptionSlotSize;
    return static_cast<Word>(std::min(maxLength, 0xFFFE) + 1);
}

// One control's slot, copied in one direction. The walk of both copies calls these with the
// slot already cut to the control's size.
void EditToSlot(TEdit& edit, std::span<Byte> slot) {
    PutSlotString(slot, edit.Text());
}

void SlotToEdit(TEdit& edit, std::span<const Byte> slot) {
    edit.SetText(GetSlotString(slot));
}

void ListBoxToSlot(TListBox& list, std::span<Byte> slot) {
    EncodeLE<LongInt>(slot.data(), list.ItemIndex());
    CopyLines(SlotList(slot.subspan(4)), list.Items());
}

void SlotToListBox(TListBox& list, std::span<const Byte> slot) {
    CopyLines(list.Items(), SlotList(slot.subspan(4)));
    list.SetItemIndex(DecodeLE<LongInt>(slot.data()));
}

void ComboToSlot(TComboBox& combo, std::span<Byte> slot) {
    EncodeLE<LongInt>(slot.data(), combo.ItemIndex());
    PutSlotString(slot.subspan(4, CaptionSlotSize), combo.Text());
    CopyLines(SlotList(slot.subspan(4 + CaptionSlotSize)), combo.Items());
}

void SlotToCombo(TComboBox& combo, std::span<const Byte> slot) {
    CopyLines(combo.Items(), SlotList(slot.subspan(4 + CaptionSlotSize)));
    combo.SetItemIndex(DecodeLE<LongInt>(slot.data()));
    combo.SetText(GetSlotString(slot.subspan(4, CaptionSlotSize)));
}

// The control whose caption fills a 256-byte slot: a label, a panel or a rotated label (an entry
// field is none of them, so taking the rotated label here keeps the order of the kinds).
TControl* CaptionControl(TComponent* control) {
    if (auto* label = dynamic_cast<TLabel*>(control)) return label;
    if (auto* panel = dynamic_cast<TPanel*>(control)) return panel;
    if (auto* rotated = dynamic_cast<TVcCustomRotatedLabel*>(control)) return rotated;
    return nullptr;
}

void ControlToSlot(TComponent* control, std::span<Byte> slot) {
    if (auto* field = dynamic_cast<TVcBaseEntryField*>(control)) {
        field->GetValue(slot.data());
        return;
    }
    if (auto* edit = dynamic_cast<TEdit*>(control)) return EditToSlot(*edit, slot);
    if (TControl* captioned = CaptionControl(control))
        return PutSlotString(slot, captioned->Caption());
    if (auto* memo = dynamic_cast<TMemo*>(control)) return CopyLines(SlotList(slot), memo->Lines());
    if (auto* check = dynamic_cast<TCheckBox*>(control)) {
        slot[0] = check->Checked() ? 1 : 0;
        return;
    }
    if (auto* radio = dynamic_cast<TRadioButton*>(control)) {
        slot[0] = radio->Checked() ? 1 : 0;
        return;
    }
    if (auto* list = dynamic_cast<TListBox*>(control)) return ListBoxToSlot(*list, slot);
    if (auto* combo = dynamic_cast<TComboBox*>(control)) return ComboToSlot(*combo, slot);
}

void SlotToControl(TComponent* control, std::span<const Byte> slot) {
    if (auto* field = dynamic_cast<TVcBaseEntryField*>(control))
        return field->SetValue(slot.data());
    if (auto* edit = dynamic_cast<TEdit*>(control)) return SlotToEdit(*edit, slot);
    if (TControl* captioned = CaptionControl(control))
        return captioned->SetCaption(GetSlotString(slot));
    if (auto* memo = dynamic_cast<TMemo*>(control)) return CopyLines(memo->Lines(), SlotList(slot));
    if (auto* check = dynamic_cast<TCheckBox*>(control)) return check->SetChecked(slot[0] != 0);
    if (auto* radio = dynamic_cast<TRadioButton*>(control)) return radio->SetChecked(slot[0] != 0);
    if (auto* list = dynamic_cast<TListBox*>(control)) return SlotToListBox(*list, slot);
    if (auto* combo = dynamic_cast<TComboBox*>(control)) return SlotToCombo(*combo, slot);
}

// The first entry field of the list whose text is not a valid value of its kind: it takes the
// focus and reports its error; nullptr when every field is valid. Hidden and disabled fields
// cannot be corrected by the user and are not checked (an invalid one leaves its slot as it was).
TVcBaseEntryField* ReportInvalidField(const std::vector<TComponent*>& controls) {
    for (TComponent* control : controls) {
        auto* field = dynamic_cast<TVcBaseEntryField*>(control);
        if (!field || !field->Visible() || !field->Enabled()) continue;
        std::vector<Byte> value(static_cast<std::size_t>(field->GetDataSize()));
        const Word code = field->GetValue(value.data());
        if (code == 0) continue;
        if (field->CanFocus()) field->SetFocus();
        field->Perform(VCM_REPORTERROR, code, 0);
        return field;
    }
    return nullptr;
}

// Raises when the record cannot hold the list's slots.
void CheckRecordSize(const std::vector<TComponent*>& controls, std::size_t size) {
    if (TransferDataSize(controls) > size) throw EVcException(GetVcString(MsgInvalidParameter));
}

} // namespace

TTransferRecord::TTransferRecord(std::size_t Size) : data_(Size, 0) {}

TTransferRecord::~TTransferRecord() {
    for (TTransferListRef ref : lists_)
        Lists().erase(ref);
}

TTransferListRef TTransferRecord::NewList(TStrings* Source) {
    auto list = std::make_unique<TStringList>();
    if (Source) list->Assign(Source);
    const TTransferListRef ref = NextListRef();
    Lists().emplace(ref, std::move(list));
    lists_.push_back(ref);
    return ref;
}

TStrings* TransferList(TTransferListRef Reference) {
    auto it = Lists().find(Reference);
    return it == Lists().end() ? nullptr : it->second.get();
}

void PutSlotString(std::span<Byte> Slot, const std::string& Text) {
    if (Slot.empty()) return;
    const std::size_t length = std::min({Text.size(), Slot.size() - 1, MaxShortString});
    Slot[0] = static_cast<Byte>(length);
    std::copy_n(Text.begin(), length, Slot.begin() + 1);
}

std::string GetSlotString(std::span<const Byte> Slot) {
    if (Slot.empty()) return {};
    const std::size_t length = std::min<std::size_t>(Slot[0], Slot.size() - 1);
    return std::string(Slot.begin() + 1, Slot.begin() + 1 + static_cast<std::ptrdiff_t>(length));
}

Word ControlDataSize(TComponent* Control) {
    if (auto* field = dynamic_cast<TVcBaseEntryField*>(Control))
        return static_cast<Word>(field->GetDataSize());
    if (auto* edit = dynamic_cast<TEdit*>(Control)) return EditSlotSize(*edit);
    if (CaptionControl(Control)) return CaptionSlotSize;
    if (dynamic_cast<TMemo*>(Control)) return ListRefSlotSize;
    if (dynamic_cast<TCheckBox*>(Control) || dynamic_cast<TRadioButton*>(Control))
        return CheckSlotSize;
    if (dynamic_cast<TListBox*>(Control)) return ListBoxSlotSize;
    if (dynamic_cast<TComboBox*>(Control)) return ComboBoxSlotSize;
    return 0;
}

std::size_t TransferDataSize(const std::vector<TComponent*>& Controls) {
    std::size_t size = 0;
    for (TComponent* control : Controls)
        size += ControlDataSize(control);
    return size;
}

TVcTransfer::TVcTransfer(TComponent* AOwner) : TComponent(AOwner) {}

bool TVcTransfer::ControlsToBuffer(const std::vector<TComponent*>& Controls, std::span<Byte> Data) {
    if (Data.empty()) return true;
    CheckRecordSize(Controls, Data.size());
    if (ReportInvalidField(Controls)) return false;
    std::size_t position = 0;
    for (TComponent* control : Controls) {
        const Word size = ControlDataSize(control);
        ControlToSlot(control, Data.subspan(position, size));
        position += size;
    }
    return true;
}

void TVcTransfer::BufferToControls(const std::vector<TComponent*>& Controls,
                                   std::span<const Byte> Data) {
    if (Data.empty()) return;
    CheckRecordSize(Controls, Data.size());
    std::size_t position = 0;
    for (TComponent* control : Controls) {
        const Word size = ControlDataSize(control);
        SlotToControl(control, Data.subspan(position, size));
        position += size;
    }
}
