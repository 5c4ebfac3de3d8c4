#include "db/EngineBlobs.h"

#include "db/EngineRecords.h"
#include "db/EngineWorkAreas.h"
#include "xbase/XbMemo.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <cstring>

namespace {

// The field's descriptor decides (DescribeField): memo text, or binary data.
bool IsBlobField(const TEngineWorkArea& area, Word field) {
    return field >= 1 && field <= area.Logical.size() &&
           area.Logical[field - 1u].FieldType == fldBlob;
}

bool IsText(const TEngineWorkArea& area, Word field) {
    return area.Logical[field - 1u].SubType == fldSubMemo;
}

// The data of a blob field of the engine's current record.
std::string ReadData(Word field) {
    const LongInt length = xb_GetBlobLength(field);
    std::string data;
    if (xb_GetBlob(field, data) != length)
        EngineNotice("dbiGetBlob: GetBlobLength does not match GetBlob");
    return data;
}

int WriteData(const TEngineWorkArea& area, Word field, const std::string& data) {
    if (IsText(area, field)) return xb_Replace(field, xbReplaceMemo, data);
    const auto old = xb_SysProp(1305, 0);
    const int status = xb_PutBlob(field, data.data(), static_cast<LongInt>(data.size()));
    xb_SysProp(1305, old);
    return status;
}

// The data of a blob field of a record image: the data of a blob opened for writing on it, else
// what the files hold.
std::string DataOf(TEngineWorkArea& area, const char* record, Word field) {
    if (const auto open = area.OpenBlobs.find({record, field}); open != area.OpenBlobs.end())
        return open->second;
    TBorrowedBuffer borrowed(area, record);
    return ReadData(field);
}

// What a write makes of the data: its first offset bytes, then length bytes of source; false
// (with the reason kept) for an offset past the end or a blob past the size limit.
bool Written(std::string& data, LongInt offset, LongInt length, const void* source) {
    const auto size = static_cast<LongInt>(data.size());
    if (offset > size) {
        LayerFailure(dbiEndOfBlob, "Blob write at " + std::to_string(offset) +
                                       " lies past its end at " + std::to_string(size));
        return false;
    }
    if (length > dbiMaxBlobSize - offset) {
        LayerFailure(dbiEndOfBlob, "Blob would exceed " + std::to_string(dbiMaxBlobSize) +
                                       " bytes");
        return false;
    }
    data.resize(static_cast<std::size_t>(offset));
    data.append(static_cast<const char*>(source), static_cast<std::size_t>(length));
    return true;
}

// Replaces the blob of record by what change makes of it: in memory when the blob is open for
// writing, else in the files, the new memo reference put into record.
template <typename Change>
DBIResult StoreBlob(TCursorHandle cursor, char* record, Word field, const Change& change) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!record || !IsBlobField(*area, field)) return dbiBadParameter;
    if (const auto open = area->OpenBlobs.find({record, field}); open != area->OpenBlobs.end())
        return change(open->second) ? dbiOK : dbiEndOfBlob;
    TBorrowedBuffer borrowed(*area, record);
    std::string data = ReadData(field);
    if (!change(data)) return dbiEndOfBlob;
    const int status = WriteData(*area, field, data);
    if (status == xbOK) borrowed.CopyBack(record);
    return ResultOfEngineStatus(status);
}

} // namespace

DBIResult DbiOpenBlob(TCursorHandle cursor, char* record, Word field, int mode) {
    if (mode == 0) return dbiOK; // reading keeps nothing
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!record || !IsBlobField(*area, field)) return dbiBadParameter;
    if (!area->OpenBlobs.count({record, field}))
        area->OpenBlobs[{record, field}] = DataOf(*area, record, field);
    return dbiOK;
}

DBIResult DbiFreeBlob(TCursorHandle cursor, char* record, Word field) {
    if (TEngineWorkArea* area = EngineWorkArea(cursor)) area->OpenBlobs.erase({record, field});
    return dbiOK;
}

DBIResult DbiGetBlobSize(TCursorHandle cursor, char* record, Word field, LongInt* size) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!IsBlobField(*area, field)) return dbiBadParameter;
    if (size) *size = static_cast<LongInt>(DataOf(*area, record, field).size());
    return dbiOK;
}

DBIResult DbiGetBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     void* dest, LongInt* count) {
    if (count) *count = 0;
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!IsBlobField(*area, field) || offset < 0 || length < 0) return dbiBadParameter;
    const std::string data = DataOf(*area, record, field);
    if (data.empty() || length == 0) return dbiOK;
    const auto n = static_cast<LongInt>(data.size());
    if (offset > n) return dbiBadParameter;
    if (!dest) return dbiNoMemory;
    const LongInt copied = std::min(length, n - offset);
    std::memcpy(dest, data.data() + offset, static_cast<std::size_t>(copied));
    if (count) *count = copied;
    return copied < length ? dbiEndOfBlob : dbiOK;
}

DBIResult DbiPutBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     const void* source) {
    if (offset < 0 || length < 0 || (length > 0 && !source)) return dbiBadParameter;
    return StoreBlob(cursor, record, field, [&](std::string& data) {
        return Written(data, offset, length, source);
    });
}

DBIResult DbiTruncateBlob(TCursorHandle cursor, char* record, Word field, LongInt length) {
    if (length < 0) return dbiBadParameter;
    return StoreBlob(cursor, record, field, [length](std::string& data) {
        data.resize(std::min(data.size(), static_cast<std::size_t>(length)));
        return true;
    });
}

int StoreOpenBlobs(TEngineWorkArea& area, const char* record, std::string& image) {
    for (const auto& [key, data] : area.OpenBlobs) {
        if (key.first != record) continue;
        const Word field = key.second;
        // An empty reference first: the data goes to fresh blocks, never over the old memo.
        const std::string empty = TXbMemo::FormatBlock(0, xb_FieldWidth(field));
        image.replace(static_cast<std::size_t>(xb_FieldOffset(field) - 1), empty.size(), empty);
        TBorrowedBuffer borrowed(area, image.data());
        if (const int status = WriteData(area, field, data); status != xbOK) return status;
        borrowed.CopyBack(image.data());
    }
    return xbOK;
}

void ForgetWrittenBlobs(TEngineWorkArea& area, const char* record) {
    std::erase_if(area.OpenBlobs, [record](const auto& open) { return open.first.first == record; });
}
