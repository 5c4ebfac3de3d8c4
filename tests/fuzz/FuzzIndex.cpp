// The engine's index files beside the sample table. The input is a selector byte (NTX, IDX, CDX
// or NSX) and the index file. A CDX or NSX file is the table's production index and opens with
// the table; an NTX or IDX file is opened after it. Every order is then walked both ways, sought
// with keys of each type (soft seek off and on) and limited by a scope, as a user's browsing by
// an order does.
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/FuzzXbase.h"
#include "xbase/Xbase.h"

#include <filesystem>

namespace {

struct TKindOfFile {
    const char* Extension;
    int Driver;
};
constexpr TKindOfFile kinds[4] = {
    {".NTX", xbNTX}, {".IDX", xbCDX}, {".CDX", xbCDX}, {".NSX", xbNSX}};

void BrowseOrder(int order) {
    xb_SetOrder(order);
    xb_TagName(order);
    xb_IndexName(order);
    xb_IndexKey();
    xb_IndexKeyField();
    xb_IndexCondition();
    xb_IndexType();
    WalkArea(200);
    static const char* const keys[] = {"",        "B",        "Clark", "Zz", "-1250.75",
                                       "1250.75", "20240221", ".T.",   "F",  "   "};
    for (int soft = 0; soft <= 1; ++soft) {
        xb_SetSoftSeek(soft);
        for (const char* key : keys) {
            xb_Seek(key);
            xb_OrderRecNo();
            xb_KeyData();
            xb_Skip(1);
            xb_Skip(-2);
        }
    }
    xb_SetSoftSeek(0);
    xb_SetScope("B", "D");
    WalkArea(200);
    xb_SetScope("", "");
}

struct TSampleFiles {
    std::string Table;
    std::string Memo;
};

TSampleFiles MakeSample(int driver) {
    const std::string base = FuzzFolder() + "/sample" + std::to_string(driver) + "/S";
    MakeSampleTable(base + ".DBF", driver);
    return {ReadWholeFile(base + ".DBF"),
            ReadWholeFile(base + (driver == xbNTX ? ".DBT" : ".FPT"))};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TSampleFiles samples[2] = {MakeSample(xbNTX), MakeSample(xbCDX)};
    TFuzzInput input(data, size);
    const TKindOfFile kind = kinds[input.Byte() % 4];
    const bool ntx = kind.Driver == xbNTX;
    const TSampleFiles& sample = samples[ntx ? 0 : 1];
    for (const char* name : {"T.CDX", "T.NSX", "T.NTX", "T.IDX"})
        RemoveFuzzFile(name);
    const std::string path = WriteFuzzFile("T.DBF", sample.Table);
    WriteFuzzFile(ntx ? "T.DBT" : "T.FPT", sample.Memo);
    const std::string index = WriteFuzzFile(std::string("T") + kind.Extension, input.Rest());
    if (xb_Use(path, "", xbModeShared, kind.Driver) != 0) {
        // The production index (CDX, NSX) came with the table; the others are opened by name.
        if (std::string_view(kind.Extension) == ".NTX" ||
            std::string_view(kind.Extension) == ".IDX")
            xb_IndexOpen(index);
        const int orders = static_cast<int>(xb_SysProp(3000, 0));
        for (int order = 1; order <= orders && order <= 16; ++order)
            BrowseOrder(order);
    }
    xb_CloseAll();
    return 0;
}
