// DBF tables as a user opens them from the register: the bytes are the table file, opened
// shared, walked both ways with every field read. Empty memo files of both kinds stand beside it,
// so a table with memo fields opens and its memo references are followed.
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/FuzzXbase.h"
#include "xbase/XbMemo.h"
#include "xbase/Xbase.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool memos = TXbMemo::Create(FuzzFolder() + "/T.DBT", TXbMemoKind::Dbt, 512) &&
                              TXbMemo::Create(FuzzFolder() + "/T.FPT", TXbMemoKind::Fpt, 64);
    if (!memos) return 0;
    const std::string path =
        WriteFuzzFile("T.DBF", std::string_view(reinterpret_cast<const char*>(data), size));
    if (xb_Use(path, "", xbModeShared, xbCDX) != 0) {
        for (int field = 0; field <= xb_FieldCount() + 1; ++field) {
            xb_FieldName(field);
            xb_FieldWidth(field);
            xb_FieldDecimals(field);
            xb_FieldOffset(field);
        }
        xb_RecCount();
        WalkArea(5000);
        xb_Go(xb_RecCount() / 2 + 1);
        ReadCurrentRecord();
    }
    xb_CloseAll();
    return 0;
}
