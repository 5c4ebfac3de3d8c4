#include "controls/entry/VcXfer.h"

#include "controls/entry/VcExcept.h"

#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TransferTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 500, 400);
        transfer = new TVcTransfer(form.get());
    }

    template <typename T>
    T* Make(const std::string& name) {
        T* c = new T(form.get());
        c->SetName(name);
        c->SetParent(form.get());
        return c;
    }

    std::unique_ptr<TForm> form;
    TVcTransfer* transfer = nullptr;
};

TEST(TransferSlotTest, StringsAreCutToTheirSlot) {
    Byte slot[5] = {9, 9, 9, 9, 9};
    PutSlotString(slot, "abcdefgh");
    EXPECT_EQ(slot[0], 4);
    EXPECT_EQ(GetSlotString(slot), "abcd");

    std::vector<Byte> big(300, 0);
    PutSlotString(big, std::string(280, 'x'));
    EXPECT_EQ(big[0], 255);

    // A length byte that claims more than the slot holds reads only the slot.
    Byte bad[3] = {200, 'a', 'b'};
    EXPECT_EQ(GetSlotString(bad), "ab");
}

TEST(TransferSlotTest, ListReferencesLiveAsLongAsTheirRecord) {
    TTransferListRef ref = 0;
    {
        TStringList items;
        items.Add("Monthly");
        TTransferRecord record(8);
        ref = record.NewList(&items);
        ASSERT_NE(TransferList(ref), nullptr);
        EXPECT_EQ(TransferList(ref)->Strings(0), "Monthly");
    }
    EXPECT_EQ(TransferList(ref), nullptr);
    EXPECT_EQ(TransferList(0), nullptr);
}

TEST_F(TransferTest, SlotSizesFollowTheControlKinds) {
    auto* edit = Make<TEdit>("Edit");
    EXPECT_EQ(ControlDataSize(edit), 256);
    edit->SetMaxLength(9);
    EXPECT_EQ(ControlDataSize(edit), 10);
    EXPECT_EQ(ControlDataSize(Make<TLabel>("Label")), 256);
    EXPECT_EQ(ControlDataSize(Make<TPanel>("Panel")), 256);
    EXPECT_EQ(ControlDataSize(Make<TMemo>("Memo")), 4);
    EXPECT_EQ(ControlDataSize(Make<TCheckBox>("Check")), 1);
    EXPECT_EQ(ControlDataSize(Make<TRadioButton>("Radio")), 1);
    EXPECT_EQ(ControlDataSize(Make<TListBox>("List")), 8);
    EXPECT_EQ(ControlDataSize(Make<TComboBox>("Combo")), 264);
    EXPECT_EQ(ControlDataSize(Make<TButton>("Button")), 0);
}

TEST_F(TransferTest, EmptyRecordLeavesControlsAlone) {
    auto* edit = Make<TEdit>("Edit");
    edit->SetText("kept");
    EXPECT_TRUE(transfer->ControlsToBuffer({edit}, {}));
    transfer->BufferToControls({edit}, {});
    EXPECT_EQ(edit->Text(), "kept");
}

TEST_F(TransferTest, RecordTooSmallForTheListIsRefused) {
    auto* edit = Make<TEdit>("Edit");
    edit->SetMaxLength(9);
    std::vector<Byte> record(9, 0);
    EXPECT_THROW(transfer->ControlsToBuffer({edit}, record), EVcException);
    EXPECT_THROW(transfer->BufferToControls({edit}, record), EVcException);
}

TEST_F(TransferTest, ProgramTextLongerThanAnEditSlotIsCutAndLeavesTheNextSlotAlone) {
    auto* edit = Make<TEdit>("Edit");
    edit->SetMaxLength(4);
    auto* check = Make<TCheckBox>("Check");
    check->SetChecked(true);
    // The program puts a longer text than MaxLength into the edit.
    edit->SetText("123456789");
    std::vector<Byte> record(6, 0xAA);
    ASSERT_TRUE(transfer->ControlsToBuffer({edit, check}, record));
    EXPECT_EQ(record[0], 4);
    EXPECT_EQ(GetSlotString(std::span(record).first(5)), edit->Text().substr(0, 4));
    EXPECT_EQ(record[5], 1);
}

TEST_F(TransferTest, ComboRestoresItemsSelectionAndText) {
    auto* combo = Make<TComboBox>("Combo");
    combo->SetStyle(csDropDownList);
    TStringList frequencies;
    for (const char* s : {"Annually", "SemiAnnually", "Monthly"})
        frequencies.Add(s);
    TTransferRecord record(ComboBoxSlotSize);
    EncodeLE<LongInt>(record.Data().data(), 2);
    PutSlotString(record.Data().subspan(4, 256), "Monthly");
    EncodeLE<LongWord>(record.Data().data() + 260, record.NewList(&frequencies));

    transfer->BufferToControls({combo}, record.Data());
    EXPECT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Text(), "Monthly");

    combo->SetItemIndex(0);
    ASSERT_TRUE(transfer->ControlsToBuffer({combo}, record.Data()));
    EXPECT_EQ(DecodeLE<LongInt>(record.Data().data()), 0);
    EXPECT_EQ(GetSlotString(record.Data().subspan(4, 256)), "Annually");
}

TEST_F(TransferTest, ListWithoutItemsReferenceKeepsItsItems) {
    auto* list = Make<TListBox>("List");
    list->Items()->Add("a");
    list->Items()->Add("b");
    std::vector<Byte> record(8, 0);
    EncodeLE<LongInt>(record.data(), 1);
    transfer->BufferToControls({list}, record);
    EXPECT_EQ(list->Items()->Count(), 2);
    EXPECT_EQ(list->ItemIndex(), 1);
}

} // namespace
