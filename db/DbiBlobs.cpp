#include "db/DbiBlobs.h"

#include "db/DbiAreas.h"
#include "db/DbiRecords.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsBlobField(Word field) {
    const std::string type = xb_FieldType(field);
    return type == "M" || type == "B" || type == "P";
}

// The data of a blob field of the engine's current record.
std::string ReadData(Word field) {
    const LongInt length = xb_GetBlobLength(field);
    std::string data;
    if (xb_GetBlob(field, data) != length)
        EngineNotice("dbiGetBlob: GetBlobLength does not match GetBlob");
    return data;
}

// The type letter decides: M fields are stored as text, B and P fields as binary data.
int WriteData(Word field, const std::string& data) {
    if (xb_FieldType(field) == "M") return xb_Replace(field, xbReplaceMemo, data);
    const auto old = xb_SysProp(1305, 0);
    const int status = xb_PutBlob(field, data.data(), static_cast<LongInt>(data.size()));
    xb_SysProp(1305, old);
    return status;
}

// Replaces the blob of record with data and puts the new memo reference into record.
DBIResult StoreBlob(TCursorHandle cursor, char* record, Word field,
                    std::string (*change)(std::string data, LongInt offset, LongInt length,
                                          const void* source),
                    LongInt offset, LongInt length, const void* source) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!record || !IsBlobField(field) || offset < 0 || length < 0 || (length > 0 && !source))
        return dbiBadParameter;
    TBorrowedBuffer borrowed(*area, record);
    const std::string data = change(ReadData(field), offset, length, source);
    const int status = WriteData(field, data);
    if (status == xbOK) borrowed.CopyBack(record);
    return ResultOfEngineStatus(status);
}

std::string Overwrite(std::string data, LongInt offset, LongInt length, const void* source) {
    const auto at = static_cast<std::size_t>(offset);
    const auto n = static_cast<std::size_t>(length);
    if (data.size() < at + n) data.resize(at + n, '\0');
    if (n > 0) std::memcpy(data.data() + at, source, n);
    return data;
}

// Keeps the first offset bytes.
std::string Cut(std::string data, LongInt offset, LongInt, const void*) {
    data.resize(std::min(data.size(), static_cast<std::size_t>(offset)));
    return data;
}

} // namespace

DBIResult DbiOpenBlob(TCursorHandle, char*, Word, int) {
    return dbiOK;
}

DBIResult DbiFreeBlob(TCursorHandle, char*, Word) {
    return dbiOK;
}

DBIResult DbiGetBlobSize(TCursorHandle cursor, char* record, Word field, LongInt* size) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!IsBlobField(field)) return dbiBadParameter;
    TBorrowedBuffer borrowed(*area, record);
    if (size) *size = static_cast<LongInt>(ReadData(field).size());
    return dbiOK;
}

DBIResult DbiGetBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     void* dest, LongInt* count) {
    if (count) *count = 0;
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!IsBlobField(field) || offset < 0 || length < 0) return dbiBadParameter;
    std::string data;
    {
        TBorrowedBuffer borrowed(*area, record);
        data = ReadData(field);
    }
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
    return StoreBlob(cursor, record, field, Overwrite, offset, length, source);
}

DBIResult DbiTruncateBlob(TCursorHandle cursor, char* record, Word field, LongInt length) {
    return StoreBlob(cursor, record, field, Cut, length, 0, nullptr);
}
