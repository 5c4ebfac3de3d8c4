// The engine's index files beside the sample table. The input is a selector byte (bits 0-1: NTX,
// IDX, CDX or NSX; bit 2: leave the file as it is) and the index file. Every page of the file
// carries a CRC-32 and the header the table's record count and update stamp, so a mutated page
// would never get past its check and an index of another table would be rebuilt from the table
// on opening: unless bit 2 is set, the header is given the sample table's count and stamp and
// the checksums are made to fit (xbase/FORMAT.md: header CRC in the last four bytes of page 0
// over its first 1072 bytes; other pages' CRC at byte 8 over their used bytes), and the fuzzer
// reaches the trees behind them. A CDX or NSX file is the table's production
// index and opens with the table; an NTX or IDX file is opened after it. Every order is then walked
// both ways, sought with keys of each type (soft seek off and on) and limited by a scope, as a
// user's browsing by an order does.
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

constexpr std::size_t PageSize = 4096;

std::uint32_t Crc32(std::uint32_t crc, const char* data, std::size_t size) {
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= static_cast<unsigned char>(data[i]);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::uint32_t Get(const std::string& file, std::size_t at, int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(file[at + i])) << (8 * i);
    return value;
}

void Put32(std::string& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        file[at + i] = static_cast<char>(value >> (8 * i));
}

// The used bytes of page at (page type 1 leaf, 2 branch, 3 free, 4 tag definition); 0 when
// they cannot be told.
std::size_t UsedBytes(const std::string& file, std::size_t at) {
    const unsigned char type = static_cast<unsigned char>(file[at]);
    if (type == 4) return PageSize;
    if (type == 3) return 16;
    if (type != 1 && type != 2) return 0;
    const std::size_t definition = std::size_t(Get(file, at + 4, 4)) * PageSize;
    if (definition == 0 || definition + PageSize > file.size()) return 0;
    const std::size_t entry = Get(file, definition + 18, 2) + (type == 1 ? 4 : 12);
    const std::size_t used = 16 + entry * Get(file, at + 2, 2);
    return used <= PageSize ? used : 0;
}

// The header's copy of the table's record count and update stamp (DBF header bytes 16..19).
constexpr std::size_t TableStateAt = 36;
constexpr std::size_t DbfStampAt = 16;
constexpr std::size_t HeaderUsed = 48 + 16 * 64;

void SealChecksums(std::string& file, const std::string& table) {
    if (file.size() < PageSize || table.size() < DbfStampAt + 4) return;
    Put32(file, TableStateAt, SampleRecords);
    Put32(file, TableStateAt + 4, Get(table, DbfStampAt, 4));
    Put32(file, PageSize - 4, Crc32(0, file.data(), HeaderUsed));
    for (std::size_t at = PageSize; at + PageSize <= file.size(); at += PageSize) {
        const std::size_t used = UsedBytes(file, at);
        if (used == 0) continue;
        Put32(file, at + 8, 0);
        Put32(file, at + 8, Crc32(0, file.data() + at, used));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TSampleFiles samples[2] = {MakeSample(xbNTX), MakeSample(xbCDX)};
    TFuzzInput input(data, size);
    const std::uint8_t selector = input.Byte();
    const TKindOfFile kind = kinds[selector % 4];
    const bool ntx = kind.Driver == xbNTX;
    const TSampleFiles& sample = samples[ntx ? 0 : 1];
    for (const char* name : {"T.CDX", "T.NSX", "T.NTX", "T.IDX"})
        RemoveFuzzFile(name);
    const std::string path = WriteFuzzFile("T.DBF", sample.Table);
    WriteFuzzFile(ntx ? "T.DBT" : "T.FPT", sample.Memo);
    std::string file(input.Rest());
    if ((selector & 4) == 0) SealChecksums(file, sample.Table);
    const std::string index = WriteFuzzFile(std::string("T") + kind.Extension, file);
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
