// The engine call interface: memo and blob fields (type letters M, B and P) read and written
// through the record image the dataset passes; no blob handle is kept between calls.
//
// M fields hold text, B and P fields binary data. A read copies the bytes from an offset (8711
// when fewer than asked remain, 9998 when the offset lies past the end); a write replaces the
// bytes from an offset, zero-filling a gap before it and keeping the bytes after it. After a
// write the record image names the new memo data, so the dataset's next record write keeps it.
#pragma once

#include "db/DbiTypes.h"

DBIResult DbiOpenBlob(TCursorHandle cursor, char* record, Word field, int mode);
DBIResult DbiFreeBlob(TCursorHandle cursor, char* record, Word field);
DBIResult DbiGetBlobSize(TCursorHandle cursor, char* record, Word field, LongInt* size);
DBIResult DbiGetBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     void* dest, LongInt* count);
DBIResult DbiPutBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     const void* source);
// Keeps the first length bytes.
DBIResult DbiTruncateBlob(TCursorHandle cursor, char* record, Word field, LongInt length);
