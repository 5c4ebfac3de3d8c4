// The entry fields' command tables as they are read back: a selector byte chooses the text file a
// user loads (LoadCommandTable) or the stored "TableList" of a form (ReadTableList); the rest is
// the data. Keys are then translated through the tables read. A damaged table must end in the
// program's EInOutError, never in anything else.
#include "controls/entry/CommandTables.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TFuzzInput input(data, size);
    const bool stored = input.Byte() % 2 == 1;
    const std::string_view bytes = input.Rest();
    TVcCommandProcessor processor;
    try {
        if (stored) {
            TMemoryStream stream;
            stream.Write(bytes.data(), static_cast<LongInt>(bytes.size()));
            stream.SetPosition(0);
            processor.ReadTableList(stream);
        } else {
            processor.LoadCommandTable(WriteFuzzFile("keys.tbl", bytes));
        }
    } catch (const EInOutError&) {
        return 0;
    }
    for (Word key : {VK_LEFT, VK_HOME, Word('K'), Word('B'), VK_DELETE, VK_F2})
        for (TShiftState shift : {TShiftState{}, TShiftState{ssCtrl}, TShiftState{ssShift, ssAlt}})
            processor.TranslateKey(key, shift);
    for (int i = 0; i < processor.Count(); ++i)
        processor.SaveCommandTable(processor.Tables(i)->TableName(), FuzzFolder() + "/saved.tbl");
    return 0;
}
