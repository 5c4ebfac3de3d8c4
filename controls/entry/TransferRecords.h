// Transfer records: the flat byte records into which a form's controls are copied and from which
// they are filled again. A record is a run of slots, one per control of an ordered list, with no
// padding between them; each control kind has a slot of fixed size and layout:
//   edit             MaxLength + 1 bytes (256 when MaxLength is 0): the text, length-prefixed
//   label, panel     256: the caption, length-prefixed (at most 255 characters)
//   memo             4: reference to a string list holding the lines
//   check box, radio button   1: checked, 0 or 1
//   list box         8: item index (32-bit signed), reference to a string list holding the items
//   combo box        264: item index, the text length-prefixed in 256 bytes, items reference
//   entry field      the field's data size: its value in its own binary form
//   rotated label    256: the caption, as for a label
//   any other        nothing
// The string lists that slots refer to belong to the record (TTransferRecord); a slot holds a
// 32-bit reference that TransferList resolves.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <vector>

// The 4-byte reference to a string list stored in a memo, list box or combo box slot; 0 = none.
using TTransferListRef = LongWord;

// The bytes of a transfer record and the string lists its slots refer to, which live as long as
// the record.
class TTransferRecord {
public:
    // A record of Size zero bytes.
    explicit TTransferRecord(std::size_t Size);
    ~TTransferRecord();
    TTransferRecord(const TTransferRecord&) = delete;
    TTransferRecord& operator=(const TTransferRecord&) = delete;

    std::span<Byte> Data() { return data_; }
    std::span<const Byte> Data() const { return data_; }
    std::size_t Size() const { return data_.size(); }

    // A new string list owned by the record, a copy of Source when given; returns its reference.
    TTransferListRef NewList(TStrings* Source = nullptr);

private:
    std::vector<Byte> data_;
    std::vector<TTransferListRef> lists_;
};

// The string list behind a slot's reference; nullptr when the reference names none (0, or a list
// whose record is gone).
TStrings* TransferList(TTransferListRef Reference);

// Slot sizes of the fixed kinds.
constexpr Word CaptionSlotSize = 256;
constexpr Word ListRefSlotSize = 4;
constexpr Word CheckSlotSize = 1;
constexpr Word ListBoxSlotSize = 8;
constexpr Word ComboBoxSlotSize = 264;

// A length-prefixed string in a slot: at most Slot.size() - 1 and at most 255 characters, the
// rest cut; the bytes after the text are left as they are.
void PutSlotString(std::span<Byte> Slot, const std::string& Text);
// The string of a slot; a length byte larger than the slot allows is taken as the slot's room.
std::string GetSlotString(std::span<const Byte> Slot);

// The slot size of a control (0 for kinds that have no slot).
Word ControlDataSize(TComponent* Control);
// The record size of a control list: the sum of its slot sizes.
std::size_t TransferDataSize(const std::vector<TComponent*>& Controls);

class TVcTransfer : public TComponent {
    VANTREL_CLASS(TVcTransfer, TComponent)

    explicit TVcTransfer(TComponent* AOwner);

    // Copies every control's value into its slot, in list order. An entry field whose text is
    // not a valid value of its kind stops the copy before anything is written: the field takes
    // the focus, reports the error through its own error message and the result is false.
    // Nothing happens (and the result is true) for an empty record. A record smaller than the
    // list's slots raises EVcException.
    bool ControlsToBuffer(const std::vector<TComponent*>& Controls, std::span<Byte> Data);
    // Copies every slot into its control, in list order. Nothing happens for an empty record.
    void BufferToControls(const std::vector<TComponent*>& Controls, std::span<const Byte> Data);
};
