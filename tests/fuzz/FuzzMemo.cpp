// DBT and FPT memo files behind the sample table. The input is a selector byte (even: DBT, odd:
// FPT), four block numbers (4 bytes each, little-endian) put into the memo fields of records 1
// to 4, and then the memo file. The table is opened shared, every memo read, and one memo of
// the first record replaced as a user's edit of a note does.
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/FuzzXbase.h"
#include "xbase/XbMemo.h"
#include "xbase/Xbase.h"

namespace {

struct TSample {
    std::string Table;
    int HeaderSize = 0;
    int RecordSize = 0;
    int NoteOffset = 0; // 0-based position of the memo field in a record
    int NoteWidth = 0;
};

TSample MakeSample(int driver) {
    const std::string folder = FuzzFolder() + "/sample" + std::to_string(driver);
    MakeSampleTable(folder + "/S.DBF", driver);
    TSample s;
    s.Table = ReadWholeFile(folder + "/S.DBF");
    xb_Use(folder + "/S.DBF", "", xbModeReadOnly, driver);
    s.HeaderSize = static_cast<unsigned char>(s.Table[8]) | static_cast<unsigned char>(s.Table[9])
                                                                << 8;
    s.RecordSize = xb_RecSize();
    s.NoteOffset = xb_FieldOffset(sfNote) - 1;
    s.NoteWidth = xb_FieldWidth(sfNote);
    xb_CloseAll();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TSample samples[2] = {MakeSample(xbNTX), MakeSample(xbCDX)};
    TFuzzInput input(data, size);
    const bool fpt = input.Byte() % 2 == 1;
    const TSample& sample = samples[fpt ? 1 : 0];
    std::string table = sample.Table;
    for (int record = 0; record < 4; ++record) {
        const std::string field = TXbMemo::FormatBlock(input.Number(4), sample.NoteWidth);
        table.replace(static_cast<std::size_t>(sample.HeaderSize + record * sample.RecordSize +
                                               sample.NoteOffset),
                      field.size(), field);
    }
    const std::string path = WriteFuzzFile("T.DBF", table);
    WriteFuzzFile(fpt ? "T.FPT" : "T.DBT", input.Rest());
    const int driver = fpt ? xbCDX : xbNTX;
    if (xb_Use(path, "", xbModeShared, driver) != 0) {
        WalkArea(SampleRecords);
        xb_Go(1);
        xb_Replace(sfNote, xbReplaceMemo, "A note written over a memo file of unknown state");
        xb_Commit();
        ReadCurrentRecord();
        xb_Go(2);
        xb_PutBlob(sfNote, "\x01\x02\x1A\x1A binary", 11);
        xb_Commit();
        ReadCurrentRecord();
    }
    xb_CloseAll();
    return 0;
}
