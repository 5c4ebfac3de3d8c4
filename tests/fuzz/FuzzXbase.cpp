#include "tests/fuzz/FuzzXbase.h"

#include "tests/fuzz/FuzzSupport.h"
#include "xbase/Xbase.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

void MakeSampleTable(const std::string& path, int driver) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    const std::vector<TXbFieldDef> fields = {{"NAME", 'C', 12, 0},  {"AMOUNT", 'N', 12, 2},
                                             {"RATE", 'F', 8, 4},   {"BORN", 'D', 8, 0},
                                             {"ACTIVE", 'L', 1, 0}, {"NOTE", 'M', 10, 0}};
    if (xb_Create(path, fields, driver) != xbOK || xb_Use(path, "", xbModeExclusive, driver) == 0)
        throw std::runtime_error("cannot make the sample table " + path);
    static const char* const names[SampleRecords] = {"Adams",  "Baker", "Clark",
                                                     "Davies", "",      "Evans"};
    for (int i = 0; i < SampleRecords; ++i) {
        xb_AppendEx();
        xb_Replace(sfName, xbReplaceText, names[i]);
        xb_Replace(sfAmount, xbReplaceDouble, 1250.75 * (i - 2));
        xb_Replace(sfRate, xbReplaceDouble, 0.0625 * i);
        xb_Replace(sfBorn, xbReplaceText, i == 4 ? "        " : "2024022" + std::to_string(i));
        xb_Replace(sfActive, xbReplaceLogical, i % 2 == 0);
        xb_Replace(sfNote, xbReplaceMemo, std::string(static_cast<std::size_t>(i * 90), 'm'));
        if (i == 3) xb_Delete();
        xb_Commit();
    }
    xb_Close();
}

const std::string& SampleTable() {
    static const std::string path = [] {
        const std::string table = FuzzFolder() + "/S.DBF";
        MakeSampleTable(table, xbCDX);
        return table;
    }();
    return path;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void ReadCurrentRecord() {
    xb_RecNo();
    xb_Deleted();
    xb_GetRecord();
    const int count = xb_FieldCount();
    for (int field = 1; field <= count; ++field) {
        xb_GetString(field);
        xb_GetTrimString(field);
        xb_GetDateString(field);
        xb_GetLogical(field);
        xb_Empty(field);
        const std::string type = xb_FieldType(field);
        if (type == "M" || type == "B" || type == "P") {
            xb_MemDealloc(xb_GetMemo(field, 0));
            std::string blob;
            xb_GetBlob(field, blob);
        }
    }
}

void WalkArea(int steps) {
    xb_GoTop();
    for (int i = 0; i < steps && !xb_Eof(); ++i) {
        ReadCurrentRecord();
        xb_Skip(1);
    }
    xb_GoBottom();
    for (int i = 0; i < steps && !xb_Bof(); ++i) {
        ReadCurrentRecord();
        xb_Skip(-1);
    }
}
