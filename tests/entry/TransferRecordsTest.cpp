#include "controls/entry/TransferRecords.h"

#include "EntryFormSupport.h"
#include "controls/entry/NumericField.h"
#include "controls/entry/PictureField.h"
#include "controls/entry/PictureLabel.h"

#include "controls/entry/EntryExceptions.h"

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

TEST_F(TransferTest, ListAndComboItemsGoBackIntoTheirRecordLists) {
    auto* list = Make<TListBox>("List");
    auto* combo = Make<TComboBox>("Combo");
    TTransferRecord record(8 + ComboBoxSlotSize);
    const auto data = record.Data();
    EncodeLE<LongWord>(data.data() + 4, record.NewList());
    EncodeLE<LongWord>(data.data() + 8 + 260, record.NewList());
    for (const char* s : {"a", "b"})
        list->Items()->Add(s);
    combo->Items()->Add("x");
    ASSERT_TRUE(transfer->ControlsToBuffer({list, combo}, data));
    list->Items()->Clear();
    combo->Items()->Clear();
    transfer->BufferToControls({list, combo}, data);
    ASSERT_EQ(list->Items()->Count(), 2);
    EXPECT_EQ(list->Items()->Strings(1), "b");
    ASSERT_EQ(combo->Items()->Count(), 1);
    EXPECT_EQ(combo->Items()->Strings(0), "x");
}

} // namespace

// ---- Transfer of whole forms

namespace {

class FormTransferTest : public EntryFormTest {
protected:
    void SetUp() override {
        EntryFormTest::SetUp();
        transfer = new TVcTransfer(form.get());
    }
    TVcNumericField* Numeric(const std::string& name, TNumericDataType type,
                             const std::string& mask) {
        auto* f = Make<TVcNumericField>(name, 10, 10 + 30 * fields++);
        f->SetDataType(type);
        f->SetPictureMask(mask);
        return f;
    }
    int fields = 0;
    TVcTransfer* transfer = nullptr;
};

TEST_F(FormTransferTest, LoanCalculatorRecordIs3646Bytes) {
    std::vector<TComponent*> list;
    for (int i = 0; i < 10; ++i)
        list.push_back(Make<TLabel>("Label" + std::to_string(i), 300, 10 * i));
    list.push_back(Numeric("PV", nftDouble, "$###,###,###.##"));
    list.push_back(Numeric("NumPmts", nftInteger, "ii,iii"));
    list.push_back(Numeric("Rate", nftSingle, "##.####"));
    list.push_back(Numeric("Pmt", nftDouble, "$###,###,###.##"));
    list.push_back(Numeric("TotInt", nftDouble, "$###,###,###.##"));
    for (int i = 0; i < 4; ++i) {
        auto* combo = Make<TComboBox>("Combo" + std::to_string(i), 200, 30 * i);
        combo->SetStyle(csDropDownList);
        list.push_back(combo);
    }
    EXPECT_EQ(TransferDataSize(list), 3646u);
}

TEST_F(FormTransferTest, EveryKindOfControlMakesTheRoundTrip) {
    ShowForm();
    TStringList frequencies;
    for (const char* s : {"Annually", "Quarterly", "Monthly"})
        frequencies.Add(s);
    auto* edit = Make<TEdit>("Edit", 200, 10);
    edit->SetMaxLength(9);
    auto* label = Make<TLabel>("Label", 200, 40);
    auto* panel = Make<TPanel>("Panel", 200, 70);
    auto* memo = Make<TMemo>("Memo", 200, 100);
    auto* check = Make<TCheckBox>("Check", 200, 130);
    auto* radio = Make<TRadioButton>("Radio", 200, 160);
    auto* list = Make<TListBox>("List", 200, 190);
    auto* combo = Make<TComboBox>("Combo", 200, 220);
    combo->SetStyle(csDropDownList);
    auto* money = Numeric("Money", nftDouble, "$###,###,###.##");
    auto* count = Numeric("Count", nftInteger, "ii,iii");
    auto* rate = Numeric("Rate", nftSingle, "##.####");
    const std::vector<TComponent*> controls{edit, label, panel, memo,  check, radio,
                                            list, combo, money, count, rate};
    ASSERT_EQ(TransferDataSize(controls), 10u + 256 + 256 + 4 + 1 + 1 + 8 + 264 + 8 + 2 + 4);

    TTransferRecord record(TransferDataSize(controls));
    const TTransferListRef memoLines = record.NewList();
    const TTransferListRef listItems = record.NewList(&frequencies);
    const TTransferListRef comboItems = record.NewList(&frequencies);
    const std::span<Byte> data = record.Data();
    PutSlotString(data.subspan(0, 10), "Smith");
    PutSlotString(data.subspan(10, 256), "&Amount of Loan?:");
    PutSlotString(data.subspan(266, 256), "Totals");
    EncodeLE<LongWord>(&data[522], memoLines);
    TransferList(memoLines)->Add("first line");
    data[526] = 1;
    data[527] = 0;
    EncodeLE<LongInt>(&data[528], 1);
    EncodeLE<LongWord>(&data[532], listItems);
    EncodeLE<LongInt>(&data[536], 2);
    PutSlotString(data.subspan(540, 256), "Monthly");
    EncodeLE<LongWord>(&data[796], comboItems);
    EncodeLE<double>(&data[800], 100000.0);
    EncodeLE<SmallInt>(&data[808], 360);
    EncodeLE<float>(&data[810], 8.0f);

    transfer->BufferToControls(controls, data);
    EXPECT_EQ(edit->Text(), "Smith");
    EXPECT_EQ(label->Caption(), "&Amount of Loan?:");
    EXPECT_EQ(panel->Caption(), "Totals");
    EXPECT_EQ(memo->Lines()->Count(), 1);
    EXPECT_TRUE(check->Checked());
    EXPECT_FALSE(radio->Checked());
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "Monthly");
    EXPECT_EQ(money->DisplayString(), "$100,000.00");
    EXPECT_EQ(count->DisplayString(), "360");
    EXPECT_EQ(rate->DisplayString(), "8.0000");

    // The user changes the form; the record takes the new values.
    TypeText(money, "2500");
    TypeText(count, "12");
    radio->SetChecked(true);
    memo->Lines()->Add("second line");
    combo->SetItemIndex(0);
    ASSERT_TRUE(transfer->ControlsToBuffer(controls, data));
    EXPECT_EQ(DecodeLE<double>(&data[800]), 2500.0);
    EXPECT_EQ(DecodeLE<SmallInt>(&data[808]), 12);
    EXPECT_EQ(DecodeLE<float>(&data[810]), 8.0f);
    EXPECT_EQ(data[527], 1);
    EXPECT_EQ(TransferList(memoLines)->Count(), 2);
    EXPECT_EQ(DecodeLE<LongInt>(&data[536]), 0);
    EXPECT_EQ(GetSlotString(data.subspan(540, 256)), "Annually");

    // And back into a second, identical set of values.
    money->SetAsFloat(1);
    transfer->BufferToControls(controls, data);
    EXPECT_EQ(money->DisplayString(), "$2,500.00");
    EXPECT_EQ(memo->Lines()->Count(), 2);
}

TEST_F(FormTransferTest, InvalidFieldStopsTheTransferWithItsOwnMessage) {
    ShowForm();
    auto* money = Numeric("Money", nftDouble, "$###,###,###.##");
    auto* count = Numeric("Count", nftInteger, "ii,iii");
    money->SetAsFloat(5);
    count->SetAsInteger(7);
    const std::vector<TComponent*> controls{money, count};
    std::vector<Byte> record(10, 0xEE);
    TypeText(count, "70000");
    other->SetFocus();
    // The field was left with an error; the caller transfers anyway (Calc by its accelerator).
    DispatchPostedMessages();
    services.MessageBoxes.clear();
    other->SetFocus();
    EXPECT_FALSE(transfer->ControlsToBuffer(controls, record));
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    // "ii,iii" holds at most four digits after a minus sign.
    EXPECT_EQ(services.MessageBoxes[0].Text,
              "Value is not within required range\n\n-9,999 to 32,767");
    EXPECT_TRUE(count->Focused());
    // Nothing of the record was written, not even the valid field before it.
    EXPECT_EQ(record, std::vector<Byte>(10, 0xEE));

    // A disabled field cannot be corrected: the others go in, its slot stays as it was.
    count->SetEnabled(false);
    services.MessageBoxes.clear();
    EXPECT_TRUE(transfer->ControlsToBuffer(controls, record));
    EXPECT_TRUE(services.MessageBoxes.empty());
    EXPECT_EQ(DecodeLE<double>(record.data()), 5.0);
    EXPECT_EQ(record[8], 0xEE);
    EXPECT_EQ(record[9], 0xEE);
}

TEST_F(FormTransferTest, RotatedLabelsAndPictureFieldsMakeTheRoundTrip) {
    ShowForm();
    auto* rotated = Make<TVcRotatedLabel>("Rotated", 200, 10);
    auto* label = Make<TVcPictureLabel>("PictureLabel", 200, 40);
    auto* name = Make<TVcPictureField>("Name", 10, 10);
    name->SetPictureMask("XXXXXXXX");
    name->SetMaxLength(8);
    auto* date = Make<TVcPictureField>("Date", 10, 40);
    date->SetDataType(pftDate);
    date->SetPictureMask("mm/dd/yyyy");
    const std::vector<TComponent*> controls{rotated, label, name, date};
    ASSERT_EQ(TransferDataSize(controls), 256u + 256 + 9 + 4);
    std::vector<Byte> record(TransferDataSize(controls), 0);
    PutSlotString(std::span(record).subspan(0, 256), "Payment Date:");
    PutSlotString(std::span(record).subspan(256, 256), "$1,234.50");
    PutSlotString(std::span(record).subspan(512, 9), "A longer name");
    EncodeLE<LongInt>(&record[521], DMYToDate(29, 2, 2024, 0));
    transfer->BufferToControls(controls, record);
    EXPECT_EQ(rotated->Caption(), "Payment Date:");
    EXPECT_EQ(label->Caption(), "$1,234.50");
    EXPECT_EQ(name->AsString(), "A longer");
    EXPECT_EQ(date->EditString(), "02/29/2024");

    std::vector<Byte> back(record.size(), 0);
    ASSERT_TRUE(transfer->ControlsToBuffer(controls, back));
    EXPECT_EQ(GetSlotString(std::span(back).subspan(0, 256)), "Payment Date:");
    EXPECT_EQ(GetSlotString(std::span(back).subspan(512, 9)), "A longer");
    EXPECT_EQ(DecodeLE<LongInt>(&back[521]), DMYToDate(29, 2, 2024, 0));
}

} // namespace
