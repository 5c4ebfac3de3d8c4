// The engine call interface: memo and blob fields (type letters M, B, P, G and W) read and
// written through the record image the dataset passes.
//
// M fields hold text; B, P, G and W fields binary data. A read copies the bytes from an offset
// (8711 when fewer than asked remain, 9998 when the offset lies past the end). A write keeps the
// bytes before its offset and puts the written bytes after them; whatever followed is dropped.
// An offset past the blob's end, or a blob that would grow past dbiMaxBlobSize, is refused with
// 8711 and changes nothing.
//
// A blob opened for writing (DbiOpenBlob with a mode other than read) on a record image keeps
// its data in memory: reads and writes of that field of that image see the changed data, and
// nothing reaches the files until the record itself is written (DbiModifyRecord or
// DbiInsertRecord), when the data goes to fresh memo blocks, so the record's old memo stays
// whole until then. DbiFreeBlob drops what was not written (a cancelled edit leaves the old
// memo). A write to a blob that was not opened for writing goes to the files at once, and the
// record image then names the new memo data, so the dataset's next record write keeps it.
#pragma once

#include "db/EngineTypes.h"

#include <string>

// The largest blob a write may make: 16 MB, far above any memo or picture of this program.
constexpr LongInt dbiMaxBlobSize = 16L << 20;

DBIResult DbiOpenBlob(TCursorHandle cursor, char* record, Word field, int mode);
DBIResult DbiFreeBlob(TCursorHandle cursor, char* record, Word field);
DBIResult DbiGetBlobSize(TCursorHandle cursor, char* record, Word field, LongInt* size);
DBIResult DbiGetBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     void* dest, LongInt* count);
DBIResult DbiPutBlob(TCursorHandle cursor, char* record, Word field, LongInt offset, LongInt length,
                     const void* source);
// Keeps the first length bytes (a length past the end keeps them all).
DBIResult DbiTruncateBlob(TCursorHandle cursor, char* record, Word field, LongInt length);

// Writes the blobs opened for writing on record into image (a copy of record that is about to
// be written as the cursor's current record): each goes to fresh memo blocks and image names
// them. The blobs are forgotten once ForgetWrittenBlobs says the record was written. The
// current area must be the cursor's.
class TEngineWorkArea;
int StoreOpenBlobs(TEngineWorkArea& area, const char* record, std::string& image);
void ForgetWrittenBlobs(TEngineWorkArea& area, const char* record);
