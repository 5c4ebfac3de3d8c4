// Parameters with their record forms and stored form, the parameter markers of statements, and
// queries and stored procedures, which this engine cannot run: each says so and raises.
#include "DataSetFixture.h"

#include "platform/rtl/DateTime.h"

namespace {

using ParamTest = DataSetFixture;

TEST_F(ParamTest, TypedValuesBindTheParameterAndTravelInRecordForm) {
    TParams params;
    TParam* amount = params.CreateParam(ftUnknown, "AMOUNT", ptInput);
    EXPECT_FALSE(amount->Bound());
    amount->SetAsBCD(1234.56789);
    EXPECT_EQ(amount->DataType(), ftBCD);
    EXPECT_TRUE(amount->Bound());
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 1234.5679);
    ASSERT_EQ(amount->GetDataSize(), 34);
    std::vector<char> record(34);
    amount->GetData(record.data());
    EXPECT_EQ(static_cast<unsigned char>(record[0]), 32); // precision
    EXPECT_EQ(static_cast<unsigned char>(record[1]), 4);  // places
    amount->SetAsBCD(-1);
    amount->SetData(record.data());
    EXPECT_DOUBLE_EQ(amount->AsFloat(), 1234.5679);

    TParam* when = params.CreateParam(ftUnknown, "WHEN", ptInput);
    when->SetAsDate(EncodeDate(2024, 2, 29));
    std::vector<char> date(4);
    when->GetData(date.data());
    LongInt days = 0;
    std::memcpy(&days, date.data(), 4);
    EXPECT_EQ(days, static_cast<LongInt>(EncodeDate(2024, 2, 29)) + 693594);
    when->SetAsDateTime(0);
    when->SetData(nullptr);
    EXPECT_TRUE(when->IsNull());
    EXPECT_TRUE(when->Bound());

    TParam copy(nullptr, ptUnknown);
    copy.Assign(amount);
    EXPECT_EQ(copy.Name(), "AMOUNT");
    EXPECT_EQ(copy.ParamType(), ptInput);
    EXPECT_EQ(copy.DataType(), ftBCD);
    TParam output(nullptr, ptOutput);
    output.Assign(amount);
    EXPECT_EQ(output.ParamType(), ptOutput);

    TParam* unknown = params.CreateParam(ftUnknown, "X", ptInput);
    EXPECT_EQ(MessageOf([&] { unknown->GetDataSize(); }), "Field 'X' is of unknown type");
    unknown->SetDataType(ftMemo);
    EXPECT_EQ(MessageOf([&] { unknown->GetDataSize(); }), "Field 'X' is of an unsupported type");
    EXPECT_EQ(MessageOf([&] { params.ParamByName("Y"); }), "Parameter 'Y' not found");
    EXPECT_EQ(params.ParamByName("amount"), amount);
}

// The record form of a parameter given a value and then a type.
template <typename T>
T RecordFormOf(TParam& param, TFieldType type) {
    param.SetDataType(type);
    std::vector<char> record(static_cast<std::size_t>(param.GetDataSize()));
    param.GetData(record.data());
    T value{};
    std::memcpy(&value, record.data(), sizeof value);
    return value;
}

TEST_F(ParamTest, RecordFormsCountWholeDaysMillisecondsAndTenThousandths) {
    // 15 March 2023 is day 738594 from 1 January of year 1 (day 1); 0.123456789 of a day is
    // 10666666.57 ms.
    TParam param(nullptr, ptInput);
    param.SetAsDateTime(45000.123456789);
    EXPECT_EQ(RecordFormOf<LongInt>(param, ftDate), 738594);
    EXPECT_EQ(RecordFormOf<LongInt>(param, ftTime), 10666667);
    EXPECT_EQ(RecordFormOf<double>(param, ftDateTime), 63814532266667.0);
    // Before 30 December 1899 the whole part is the day and the fraction the time after it:
    // -1.25 is 29 December 1899 (day 693593) at 06:00, and reads back as itself.
    param.SetAsDateTime(-1.25);
    EXPECT_EQ(RecordFormOf<LongInt>(param, ftDate), 693593);
    EXPECT_EQ(RecordFormOf<LongInt>(param, ftTime), 21600000);
    const double stamp = RecordFormOf<double>(param, ftDateTime);
    EXPECT_EQ(stamp, 59926435200000.0 + 21600000);
    param.SetData(&stamp);
    EXPECT_EQ(param.AsFloat(), -1.25);
    param.SetAsFloat(1.23456);
    TBcd bcd;
    bcd.Bytes = RecordFormOf<decltype(bcd.Bytes)>(param, ftBCD);
    Int64 scaled = 0;
    ASSERT_TRUE(BcdToCurrency(bcd, scaled));
    EXPECT_EQ(scaled, 12346);
}

TEST_F(ParamTest, ListsCopyValuesByNameAndStoreThemWhole) {
    TParams params;
    params.CreateParam(ftUnknown, "A", ptInput)->SetAsString("it's");
    params.CreateParam(ftUnknown, "B", ptInput)->SetAsInteger(-7);
    params.CreateParam(ftFloat, "C", ptOutput);
    TMemoryStream stream;
    params.WriteData(stream);
    TParams read;
    stream.SetPosition(0);
    read.ReadData(stream);
    ASSERT_EQ(read.Count(), 3);
    EXPECT_EQ(read.Items(0)->AsString(), "it's");
    EXPECT_EQ(read.Items(1)->AsInteger(), -7);
    EXPECT_EQ(read.Items(1)->DataType(), ftInteger);
    EXPECT_TRUE(read.Items(2)->IsNull());
    EXPECT_EQ(read.Items(2)->ParamType(), ptOutput);

    TParams other;
    other.CreateParam(ftUnknown, "B", ptInput);
    other.CreateParam(ftUnknown, "Z", ptInput);
    other.AssignValues(&params);
    EXPECT_EQ(other.Items(0)->AsInteger(), -7);
    EXPECT_FALSE(other.Items(1)->Bound());

    TMemoryStream cut;
    cut.CopyFrom(stream, 0);
    cut.SetSize(cut.Size() - 3);
    cut.SetPosition(0);
    EXPECT_EQ(MessageOf([&] { read.ReadData(cut); }), "Unable to load bind parameters");
    EXPECT_EQ(read.Count(), 3);
}

TEST_F(ParamTest, ParameterMarkersBecomeQuestionMarks) {
    TParams params;
    EXPECT_EQ(ParseSQL("select * from LOANS where NAME = :NAME and NOTE = ':NOTE'\r\n"
                       "and AMOUNT>:LOW, TIME = '10::00' and X = 1::2 and Y = :\"a b\")",
                       &params),
              "select * from LOANS where NAME = ? and NOTE = ':NOTE'\r\n"
              "and AMOUNT>?, TIME = '10::00' and X = 1:2 and Y = ?)");
    ASSERT_EQ(params.Count(), 3);
    EXPECT_EQ(params.Items(0)->Name(), "NAME");
    EXPECT_EQ(params.Items(1)->Name(), "LOW");
    EXPECT_EQ(params.Items(2)->Name(), "a b");
    EXPECT_EQ(params.Items(2)->DataType(), ftUnknown);
}

TEST_F(ParamTest, AQueryKeepsItsParametersButCannotRunHere) {
    TQuery query(nullptr);
    query.SetDatabaseName(folder_.Path() + "/");
    EXPECT_EQ(MessageOf([&] { query.ExecSQL(); }), "No SQL statement available");
    query.SQL()->SetText("select * from LOANS where NAME = :NAME");
    query.ParamByName("NAME")->SetAsString("SMITH");
    query.SQL()->SetText("select * from LOANS where NAME = :NAME and AMOUNT > :LOW");
    EXPECT_EQ(query.Text(), "select * from LOANS where NAME = ? and AMOUNT > ?\r\n");
    ASSERT_EQ(query.Params()->Count(), 2);
    EXPECT_EQ(query.ParamByName("NAME")->AsString(), "SMITH");
    EXPECT_FALSE(query.ParamByName("LOW")->Bound());
    EXPECT_THROW(query.ExecSQL(), EDBEngineError);
    ASSERT_FALSE(services_.MessageBoxes.empty());
    EXPECT_EQ(services_.MessageBoxes[0].Text, "This engine function is not supported: DbiQAlloc");
    EXPECT_FALSE(query.Prepared());
    EXPECT_THROW(query.Open(), EDBEngineError);
    EXPECT_FALSE(query.Active());
    EXPECT_EQ(query.Database(), nullptr);
    TDataSource source(nullptr);
    source.SetDataSet(&query);
    EXPECT_EQ(MessageOf([&] { query.SetDataSource(&source); }),
              "Circular datalinks are not allowed");
}

TEST_F(ParamTest, AStoredProcedureChecksItsInputsFirst) {
    TStoredProc proc(nullptr);
    proc.SetDatabaseName(folder_.Path() + "/");
    proc.SetStoredProcName("PAYOFF");
    TParam* rate = proc.Params()->CreateParam(ftFloat, "RATE", ptInput);
    proc.Params()->CreateParam(ftFloat, "Result", ptResult);
    EXPECT_EQ(MessageOf([&] { proc.ExecProc(); }), "No value for parameter 'RATE'");
    rate->SetBound(true);
    rate->SetDataType(ftUnknown);
    EXPECT_EQ(MessageOf([&] { proc.ExecProc(); }), "No parameter type for parameter 'RATE'");
    rate->SetAsFloat(0.07);
    EXPECT_THROW(proc.ExecProc(), EDBEngineError);
    ASSERT_FALSE(services_.MessageBoxes.empty());
    EXPECT_EQ(services_.MessageBoxes[0].Text,
              "This engine function is not supported: DbiQPrepareProc");
    EXPECT_FALSE(proc.Prepared());
    EXPECT_EQ(proc.Database(), nullptr);
}

} // namespace
