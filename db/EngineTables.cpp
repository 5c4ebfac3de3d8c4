#include "db/EngineTables.h"

#include "db/EngineRecords.h"
#include "db/EngineWorkAreas.h"
#include "platform/rtl/Strings.h"
#include "xbase/XbFile.h"
#include "xbase/XbModule.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

std::string Text(const char* text) {
    return text ? std::string(text) : std::string();
}

// The file name without directory.
std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The file name without directory and extension.
std::string BaseNameOf(const std::string& path) {
    const std::string name = FileNameOf(path);
    return name.substr(0, name.find_last_of('.'));
}

bool HasExtension(const std::string& path) {
    return FileNameOf(path).find('.') != std::string::npos;
}

// The existing file of a table path, whatever its case; ".DBF" is tried for a name without one.
std::string FindTableFile(const std::string& path) {
    std::string found = XbFindFile(path);
    if (found.empty() && !HasExtension(path)) found = XbFindFile(path + ".DBF");
    return found;
}

int DriverByName(const std::string& name) {
    if (SameText(name, "XBNTX")) return dbiDriverNTX;
    if (SameText(name, "XBNSX")) return dbiDriverNSX;
    return dbiDriverCDX;
}

const char* DriverName(int driver) {
    switch (driver) {
    case dbiDriverNTX: return "XBNTX";
    case dbiDriverNSX: return "XBNSX";
    default: return "XBFOX";
    }
}

void CopyName(std::array<char, 32>& dest, const std::string& name) {
    dest.fill('\0');
    std::copy_n(name.begin(), std::min(name.size(), dest.size() - 1), dest.begin());
}

// The base name of a table, at most 8 characters, with "~", "-" and blanks made "_".
std::string CleanAlias(const std::string& name) {
    std::string clean = BaseNameOf(name).substr(0, 8);
    std::replace_if(
        clean.begin(), clean.end(), [](char c) { return c == '~' || c == '-' || c == ' '; }, '_');
    return clean;
}

// Makes the order of tag (or index file) at the cursor's area the controlling one; false when
// the area has no such order. NTX orders are named after their files.
bool SelectOrderOfTag(const std::string& tag) {
    const std::string wanted = BaseNameOf(tag);
    if (xb_SysProp(65006, 0) == 1) {
        for (int n = 1; !xb_TagName(n).empty(); ++n)
            if (SameText(BaseNameOf(xb_TagName(n)), wanted)) {
                xb_SetOrder(n);
                return true;
            }
        return false;
    }
    const int order = xb_TagArea(FileNameOf(tag));
    if (order <= 0) return false;
    xb_SetOrder(order);
    return true;
}

// The result of an engine failure to open a file of a table, by the reason the engine gave: a
// damaged index or memo file is told as such (the caller may repair it), any other reason is
// the open failure it gives.
DBIResult OpenFailure(DBIResult otherwise) {
    switch (xb_LastError()) {
    case xbErrDamagedIndex: return EngineFailure(dbiIndexDamaged);
    case xbErrDamagedMemo: return EngineFailure(dbiMemoDamaged);
    default: return EngineFailure(otherwise);
    }
}

// Opens the index named by tag for a table just opened: an NTX file in the table's directory,
// or a tag of the production index (whose missing file is named as the reason).
DBIResult OpenTagOfTable(int driver, const std::string& table, const std::string& tag) {
    if (driver != dbiDriverNTX) {
        if (SelectOrderOfTag(tag)) return dbiOK;
        const std::string production =
            XbChangeExt(table, driver == dbiDriverNSX ? ".NSX" : ".CDX");
        if (XbFindFile(production).empty())
            return LayerFailure(dbiNoSuchIndex, "Index file not found: \"" + production + "\"");
        return LayerFailure(dbiNoSuchIndex, "Index tag not found: " + tag);
    }
    const std::string directory = table.substr(0, table.find_last_of('/') + 1);
    const std::string path = tag.find('/') == std::string::npos ? directory + tag : tag;
    const int order = xb_IndexOpen(path);
    if (order <= 0) return OpenFailure(dbiNoSuchIndex);
    xb_SetOrder(order);
    return dbiOK;
}

// Closes an area a failed open leaves, keeping the reason of the failure.
DBIResult CloseFailedOpen(int area, TCursorHandle* cursor, DBIResult result) {
    xb_Close();
    FreeEngineWorkArea(static_cast<TCursorHandle>(area));
    if (cursor) *cursor = 0;
    return result;
}

// Fills a logical and a physical descriptor of field n of the current area.
void DescribeField(int n, TFieldDescriptor& logical, TFieldDescriptor& physical) {
    logical = TFieldDescriptor{};
    logical.FieldNum = static_cast<Word>(n);
    CopyName(logical.Name, xb_FieldName(n));
    logical.Offset = static_cast<Word>(xb_FieldOffset(n));
    physical = logical;
    physical.Offset = static_cast<Word>(logical.Offset - 1);
    const std::string letter = xb_FieldType(n);
    char type = letter.empty() ? '?' : letter[0];
    if (type == 'C' && xb_SysProp(65012, n) != 0) type = 'V';
    const int width = xb_FieldWidth(n);
    const int decimals = xb_FieldDecimals(n);
    auto set = [&](Word lt, Word sub, int units1, int length, Word pt, int punits, int plength) {
        logical.FieldType = lt;
        logical.SubType = sub;
        logical.Units1 = static_cast<SmallInt>(units1);
        logical.Length = static_cast<Word>(length);
        physical.FieldType = pt;
        physical.Units1 = static_cast<SmallInt>(punits);
        physical.Length = static_cast<Word>(plength);
    };
    switch (type) {
    case 'C': set(fldString, 0, width, width + 1, fldPhysChar, width, width); break;
    case 'V': set(fldString, 0, 254, 255, fldPhysMemo, 254, 255); break;
    case 'D': set(fldDate, 0, 1, 4, fldPhysDate, 8, 8); break;
    case 'L': set(fldBoolean, 0, 1, 2, fldPhysLogical, 1, 1); break;
    case 'N':
    case 'F':
        if (decimals == 0 && width <= 4)
            set(fldInt16, 0, 1, 2, fldPhysNumber, width, width);
        else
            set(fldFloat, 0, width, 8, fldPhysNumber, width, width);
        logical.Units2 = static_cast<SmallInt>(decimals);
        break;
    // The type letter decides: M holds text; B, P, G (general) and W (blob) binary data.
    case 'M': set(fldBlob, fldSubMemo, 1, 0, fldPhysMemo, 10, 10); break;
    case 'B':
    case 'P':
    case 'G':
    case 'W': set(fldBlob, fldSubBinary, 1, 0, fldPhysBinary, 10, 10); break;
    default:
        EngineNotice("Invalid Field Type " + letter);
        logical.FieldType = physical.FieldType = fldUnknown;
        break;
    }
    physical.SubType = logical.SubType;
}

// Fills the logical and physical descriptors of the current area's fields.
void DescribeFields(TEngineWorkArea& area) {
    for (int i = 0; i < area.FieldCount; ++i)
        DescribeField(i + 1, area.Logical[static_cast<std::size_t>(i)],
                      area.Physical[static_cast<std::size_t>(i)]);
}

void DescribeOrder(int order, TIndexDesc& desc) {
    desc = TIndexDesc{};
    desc.Descending = xb_SysProp(3002, order) > 0;
    switch (xb_IndexType()) {
    case 2: desc.Unique = true; break;
    case 3: desc.Subset = true; break;
    case 4: desc.Unique = desc.Subset = true; break;
    default: break;
    }
    if (desc.Subset) desc.Condition = xb_IndexCondition();
    desc.TagName = xb_TagName(xb_IndexOrd());
    desc.IndexName = xb_IndexName(xb_IndexOrd());
    desc.Maintained = true;
    desc.KeyLength = 255;
    const std::string key = xb_IndexKey();
    const std::string keyField = xb_IndexKeyField();
    if (!keyField.empty() && SameText(keyField, key)) {
        desc.FieldsInKey = 1;
        desc.KeyFields[0] = static_cast<Word>(xb_FieldNum(keyField));
    } else {
        desc.Expression = true;
        desc.KeyExpression = key;
    }
    desc.CaseInsensitive = UpperCase(key).find("UPPER") != std::string::npos;
}

// The logical descriptors of a cursor's fields.
DBIResult LogicalDescs(TCursorHandle cursor, std::vector<TFieldDescriptor>& descs) {
    const DBIResult result = DbiGetFieldDescs(cursor, nullptr);
    if (result == dbiOK) descs = EngineWorkArea(cursor)->Logical;
    return result;
}

DBIResult FieldListOf(TDatabaseHandle database, const std::string& table, const char* driver,
                      std::vector<TFieldDescriptor>& descs) {
    const auto open = static_cast<TCursorHandle>(xb_WorkArea(CleanAlias(table)));
    if (open > 0 && EngineWorkArea(open)) return LogicalDescs(open, descs);
    TCursorHandle cursor = 0;
    DBIResult result = DbiOpenTable(database, table.c_str(), driver, nullptr, nullptr, 0,
                                    dbiOpenReadOnly, dbiShareShared, 0, false, nullptr, &cursor);
    if (result != dbiOK) return result;
    result = LogicalDescs(cursor, descs);
    DbiCloseCursor(cursor);
    return result;
}

} // namespace

// ---- Start and stop ----

bool EngineVersionAccepted(const std::string& version) {
    const auto digit = version.find_first_of("0123456789");
    if (digit == std::string::npos) return false;
    int major = 0;
    std::size_t i = digit;
    while (i < version.size() && std::isdigit(static_cast<unsigned char>(version[i])))
        major = major * 10 + (version[i++] - '0');
    if (i + 2 >= version.size() || version[i] != '.' ||
        !std::isdigit(static_cast<unsigned char>(version[i + 1])) ||
        !std::isdigit(static_cast<unsigned char>(version[i + 2])))
        return false;
    const int minor = (version[i + 1] - '0') * 10 + (version[i + 2] - '0');
    return major > 2 || (major == 2 && minor >= 40);
}

DBIResult DbiInit(const TEngineEnv*) {
    xb_SetStringType(1);
    xb_ErrorLevel(1);
    if (!EngineVersionAccepted(xb_Version())) {
        EngineNotice("xBase Engine Requires XBASE32.DLL Version 2.40.00 or later.");
        return dbiEngineTooOld;
    }
    SharedSaveBlock().assign(static_cast<std::size_t>(xb_SysProp(65010, 0)), '\0');
    RegisterXbModule();
    return dbiOK;
}

DBIResult DbiExit() {
    UnregisterXbModule();
    xb_CloseAll();
    xb_SysProp(65005, 0);
    FreeAllEngineWorkAreas();
    SharedSaveBlock().clear();
    SharedSaveBlock().shrink_to_fit();
    return dbiOK;
}

// ---- Sessions ----

DBIResult DbiStartSession(const char*, TSessionHandle*, const char*) {
    return dbiOK;
}
DBIResult DbiSetCurrSession(TSessionHandle) {
    return dbiOK;
}
DBIResult DbiCloseSession(TSessionHandle) {
    return dbiOK;
}
DBIResult DbiGetSesInfo(TSessionInfo*) {
    return dbiOK;
}
DBIResult DbiGetObjFromName(int, const char*, TObjectHandle*) {
    return dbiOK;
}

DBIResult DbiGetCurrSession(TSessionHandle* session) {
    if (session) *session = 1;
    return dbiOK;
}

// ---- Databases ----

DBIResult DbiOpenDatabase(const char*, const char*, int, int, const char*, Word,
                          const TFieldDescriptor*, const char* optParams,
                          TDatabaseHandle* database) {
    std::string directory = Text(optParams);
    if (directory.empty()) directory = DefaultDirectory();
    if (directory.empty()) directory = "./";
    if (directory.size() > dbiMaxPath) return LayerFailure(dbiTableOpenFailed);
    const TDatabaseHandle handle = AddDatabaseDirectory(directory);
    // All directory entries in use: no handle to give.
    if (handle == 0) return dbiNoMemory;
    if (database) *database = handle;
    return dbiOK;
}

DBIResult DbiCloseDatabase(TDatabaseHandle& database) {
    FreeDatabaseDirectory(database);
    return dbiOK;
}

DBIResult DbiSetDirectory(TDatabaseHandle database, const char* directory) {
    if (database == 0) {
        EngineNotice("DbiSetDirectory : hDb = 0");
        return dbiOK;
    }
    const std::string text = Text(directory);
    if (text.size() > dbiMaxPath) return LayerFailure(dbiTableOpenFailed);
    SetDatabaseDirectory(database, text);
    return dbiOK;
}

DBIResult DbiFormFullName(TDatabaseHandle database, const char* table, const char*,
                          std::string* fullName) {
    std::string directory;
    if (!DirectoryOfDatabase(database, directory)) return dbiBadHandle;
    if (fullName) *fullName = directory + Text(table);
    return dbiOK;
}

DBIResult DbiWriteConfigRecord(int, const char*, Word fieldCount, const TFieldDescriptor* descs,
                               const char* record) {
    if (DefaultDirectory().empty()) DefaultDirectory() = "./";
    for (Word i = 0; descs && record && i < fieldCount; ++i)
        if (FieldDescName(descs[i]) == "PATH") DefaultDirectory() = record + descs[i].Offset;
    return dbiOK;
}

DBIResult DbiFindConfigEntry(int, const char*, bool*) {
    return dbiOK;
}
DBIResult DbiDropConfigEntry(int, const char*) {
    return dbiOK;
}
DBIResult DbiOpenConfigList(int, const char*, TCursorHandle*) {
    return dbiOK;
}
DBIResult DbiGetDatabaseDesc(const char*, TDatabaseDesc*) {
    return dbiNotFound;
}

// ---- Tables ----

std::string AliasForTable(const std::string& name) {
    const std::string clean = CleanAlias(name);
    std::string alias = clean;
    for (int counter = 1; xb_WorkArea(alias) > 0; ++counter)
        alias = clean + "_" + std::to_string(counter);
    return alias;
}

int DriverOfTableFile(const std::string& path) {
    const std::string found = FindTableFile(path);
    std::ifstream file(found, std::ios::binary);
    char first = 0;
    if (found.empty() || !file.get(first)) return dbiDriverCDX;
    switch (static_cast<unsigned char>(first)) {
    case 0x83:
    case 0x86: return dbiDriverNTX;
    case 0xE5:
    case 0xE6: return dbiDriverNSX;
    case 0x03:
    case 0x06: {
        int driver = dbiDriverCDX;
        if (!XbFindFile(XbChangeExt(found, ".NSX")).empty()) driver = dbiDriverNSX;
        if (!XbFindFile(XbChangeExt(found, ".CDX")).empty()) driver = dbiDriverCDX;
        return driver;
    }
    default: return dbiDriverCDX;
    }
}

DBIResult DbiOpenTable(TDatabaseHandle database, const char* table, const char* driver, const char*,
                       const char* tag, Word, int openMode, int shareMode, int, bool, const char*,
                       TCursorHandle* cursor) {
    std::string directory;
    if (!DirectoryOfDatabase(database, directory)) return dbiBadHandle;
    const std::string name = Text(table);
    const std::string path = name.find('/') != std::string::npos ? name : directory + name;
    if (name.empty() || path.size() > dbiMaxPath) return LayerFailure(dbiTableOpenFailed);
    const int driverCode = driver && *driver ? DriverByName(driver) : DriverOfTableFile(path);

    TWA remembered(0);
    int mode = xbModeExclusive;
    if (shareMode == dbiShareShared) mode = xbModeShared;
    if (openMode == dbiOpenReadOnly) mode = xbModeReadOnly;
    const int area = xb_Use(path, AliasForTable(name), mode, driverCode);
    if (cursor) *cursor = static_cast<TCursorHandle>(area);
    if (area == 0) {
        // A file that cannot be written may still be opened for reading.
        const bool readOnly = xb_LastError() == xbErrReadOnly && openMode != dbiOpenReadOnly;
        return OpenFailure(readOnly ? dbiReadOnly : dbiTableOpenFailed);
    }

    auto workArea = std::make_unique<TEngineWorkArea>(area);
    workArea->Driver = driverCode;
    workArea->TranslateMode = 2;
    workArea->OpenMode = openMode;
    workArea->ShareMode = shareMode;
    DescribeFields(*workArea);
    SetEngineWorkArea(static_cast<TCursorHandle>(area), std::move(workArea));
    const std::string tagName = Text(tag);
    if (!tagName.empty())
        if (const DBIResult result = OpenTagOfTable(driverCode, xb_BaseName(), tagName);
            result != dbiOK)
            return CloseFailedOpen(area, cursor, result);
    // A new cursor stands before its first record; an order that cannot be read (nor rebuilt)
    // fails the open.
    if (const DBIResult result = DbiSetToBegin(static_cast<TCursorHandle>(area)); result != dbiOK)
        return CloseFailedOpen(area, cursor, result);
    return dbiOK;
}

DBIResult DbiCloseCursor(TCursorHandle& cursor) {
    const TCursorHandle n = cursor & 0xFFFF;
    if (n == dbiFieldListCursor) {
        FreeEngineWorkArea(n);
        return dbiOK;
    }
    if (n == 0 || n > 255) return dbiOK;
    TWA wa(n);
    if (wa.Failed()) return dbiBadHandle;
    const int status = xb_Close();
    FreeEngineWorkArea(n);
    return ResultOfEngineStatus(status);
}

DBIResult DbiGetCursorProps(TCursorHandle cursor, TCursorProps* props) {
    TWA wa(cursor);
    const TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!props) return dbiOK;
    const std::string name = FileNameOf(xb_BaseName());
    props->TableName = name.substr(0, name.find('.'));
    props->DriverName = DriverName(area->Driver);
    props->FieldCount = static_cast<Word>(xb_FieldCount());
    props->RecordSize = static_cast<Word>(area->RecordSize);
    props->IndexCount = static_cast<Word>(xb_SysProp(3000, 0));
    props->BookmarkSize = dbiBookmarkSize;
    props->Indexed = xb_IndexOrd() > 0;
    props->TableLevel = 3;
    props->FilterCount =
        static_cast<Word>(std::count_if(area->Filters.begin(), area->Filters.end(),
                                        [](const TEngineFilter& f) { return !f.Text.empty(); }));
    props->TranslateMode = area->TranslateMode;
    props->OpenMode = area->OpenMode;
    props->ShareMode = area->ShareMode;
    props->ValidityChecks = 0;
    props->TempTable = false;
    props->SeqNumMode = 0;
    return dbiOK;
}

DBIResult DbiGetFieldDescs(TCursorHandle cursor, TFieldDescriptor* descs) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (!area) {
        EngineNotice("Error in DbiGetFieldDescs");
        return dbiBadHandle;
    }
    DescribeFields(*area);
    const auto& source = area->TranslateMode == 0 ? area->Physical : area->Logical;
    if (descs) std::copy(source.begin(), source.end(), descs);
    return dbiOK;
}

DBIResult DbiOpenFieldList(TDatabaseHandle database, const char* table, const char* driver, bool,
                           TCursorHandle* cursor) {
    std::string directory;
    if (!DirectoryOfDatabase(database, directory)) return dbiBadHandle;
    std::vector<TFieldDescriptor> descs;
    const DBIResult result = FieldListOf(database, Text(table), driver, descs);
    if (result != dbiOK) return result;
    auto list = std::make_unique<TEngineWorkArea>(0);
    list->FieldCount = static_cast<int>(descs.size());
    list->SetLogical(descs.data());
    list->ListRow = 1;
    SetEngineWorkArea(dbiFieldListCursor, std::move(list));
    if (cursor) *cursor = dbiFieldListCursor;
    return dbiOK;
}

DBIResult DbiGetIndexDesc(TCursorHandle cursor, Word order, TIndexDesc* desc) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    if (order > xb_SysProp(3000, 0)) return dbiNoSuchIndex;
    const int saved = xb_IndexOrd();
    // Another order is made current for the time of the call (which drops a range on it).
    const bool switched = order != 0 && order != saved;
    if (switched) xb_SetOrder(order);
    DBIResult result = dbiOK;
    if (xb_IndexOrd() == 0)
        result = dbiNoIndexActive;
    else if (desc)
        DescribeOrder(xb_IndexOrd(), *desc);
    if (switched) xb_SetOrder(saved);
    return result;
}

DBIResult DbiGetIndexDescs(TCursorHandle cursor, TIndexDesc* descs) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    const int count = static_cast<int>(xb_SysProp(3000, 0));
    for (int n = 1; descs && n <= count; ++n) {
        const DBIResult result = DbiGetIndexDesc(cursor, static_cast<Word>(n), &descs[n - 1]);
        if (result != dbiOK) return result;
    }
    return dbiOK;
}

DBIResult DbiSwitchToIndex(TCursorHandle& cursor, const char*, const char* tag, Word, bool) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    const std::string tagName = Text(tag);
    if (tagName.empty()) {
        xb_SetOrder(0);
        return dbiOK;
    }
    return SelectOrderOfTag(tagName) ? dbiOK : dbiNoSuchIndex;
}

DBIResult DbiOpenIndexList(TDatabaseHandle, const char*, const char*, TCursorHandle* cursor) {
    if (cursor) *cursor = dbiEmptyCursor;
    return dbiOK;
}

DBIResult DbiCloneCursor(TCursorHandle, bool, bool, TCursorHandle* clone) {
    if (clone) *clone = dbiEmptyCursor;
    return dbiOK;
}

DBIResult DbiOpenIndex(TCursorHandle cursor, const char* indexName, Word) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    std::string name = Text(indexName);
    if (name.empty()) return dbiNoSuchIndex;
    if (name.find('/') == std::string::npos) {
        const std::string table = xb_BaseName();
        name = table.substr(0, table.find_last_of('/') + 1) + name;
    }
    if (name.size() > dbiMaxPath) return LayerFailure(dbiNoSuchIndex);
    return xb_IndexOpen(name) > 0 ? dbiOK : EngineFailure(dbiNoSuchIndex);
}
