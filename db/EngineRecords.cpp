#include "db/EngineRecords.h"

#include "db/EngineBlobs.h"
#include "db/EngineWorkAreas.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "xbase/XbArea.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

// The database error of a damaged file, by the reason the engine recorded.
DBIResult DamageOfReason(int reason) {
    switch (reason) {
    case xbErrDamagedIndex: return dbiIndexDamaged;
    case xbErrDamagedMemo: return dbiMemoDamaged;
    case xbErrDamagedHeader: return dbiHeaderDamaged;
    default: return dbiFileDamaged;
    }
}

DBIResult ResultOfStatus(int status) {
    switch (status) {
    case xbOK: return dbiOK;
    case xbLockRefused: return dbiLockRefused;
    case xbTableBusy:
    case xbSharing: return dbiTableBusy;
    case xbNotExclusive: return dbiNeedExclusive;
    case xbKeyViolation: return dbiKeyViolation;
    case xbReadOnly: return dbiReadOnly;
    case xbNoTable: return dbiBadHandle;
    case xbBadArgument: return dbiBadParameter;
    case xbDamaged: return DamageOfReason(xb_LastError());
    case xbNotFound: return dbiFileNotFound;
    default: return dbiWriteFailed;
    }
}

// Where the cursor stands, to come back to it.
struct TPlace {
    LongInt RecNo = 0;
    bool Bof = false;
    bool Eof = false;
};

TPlace Here() {
    const TXbArea* area = XbCurrentArea();
    return area ? TPlace{area->RecNo(), area->Bof(), area->Eof()} : TPlace{0, true, true};
}

void GoBack(const TPlace& place) {
    if (place.Eof) {
        xb_GoBottom();
        xb_Skip(1);
    } else if (place.Bof) {
        xb_GoTop();
        xb_Skip(-1);
    } else {
        xb_Go(place.RecNo);
    }
}

// Runs an engine move (which gives an engine status). When it meets a damaged index and the
// cursor has the table's files to itself and may write them, the indexes are rebuilt and the move
// is made again from where it started; the engine's status of the move (or of the repair) is the
// answer.
template <typename Move>
int RepairingMove(const Move& move) {
    const TPlace from = Here();
    const int status = move();
    if (status != xbDamaged || xb_LastError() != xbErrDamagedIndex || xb_SysProp(65014, 0) == 0)
        return status;
    if (const int rebuilt = xb_Reindex(); rebuilt != xbOK) return rebuilt;
    GoBack(from);
    return move();
}

// The engine's record image of the current area as the caller's buffer.
void CopyRecord(char* record, const TEngineWorkArea& area) {
    if (!record) return;
    const std::string image = xb_GetRecord();
    std::memcpy(record, image.data(), std::min(image.size(), area.SaveBuffer.size()));
}

std::string ImageOf(const char* record, const TEngineWorkArea& area) {
    return std::string(record, static_cast<std::size_t>(area.RecordSize));
}

// The bookmark of the area's current record.
void PutBookMark(void* bookmark, const TXbArea& area) {
    const LongInt recno = area.RecNo();
    const LongWord stamp = area.PackStamp();
    std::memcpy(bookmark, &recno, sizeof recno);
    std::memcpy(static_cast<char*>(bookmark) + sizeof recno, &stamp, sizeof stamp);
}

void FillProps(TRecordProps* props, const TXbArea& area) {
    if (!props) return;
    props->PhysRecNo = static_cast<LongWord>(area.RecNo());
    props->Deleted = area.Deleted() ? 1 : 0;
    PutBookMark(props->BookMark.data(), area);
}

bool LockRefused(int lock) {
    return lock != 0 && xb_Rlock(xb_RecNo()) <= 0;
}

// Reads the field list cursor: one descriptor per call.
DBIResult NextListRow(TCursorHandle cursor, char* record) {
    TEngineWorkArea* list = cursor == dbiFieldListCursor ? EngineWorkArea(cursor) : nullptr;
    if (!list || !record || list->ListRow > list->FieldCount) return dbiEOF;
    const TFieldDescriptor& desc = list->Logical[static_cast<std::size_t>(list->ListRow - 1)];
    std::memcpy(record, &desc, sizeof desc);
    ++list->ListRow;
    return dbiOK;
}

// One step forward (from before the first record: to the first) or back.
int Step(bool forward) {
    if (!forward) return xb_Skip(-1);
    return xb_Bof() ? xb_GoTop() : xb_Skip(1);
}

// Steps forward (or back) until a record the callback filters accept.
DBIResult ReadStep(TEngineWorkArea& area, bool forward, int lock, char* record,
                   TRecordProps* props) {
    for (;;) {
        const int status = RepairingMove([forward] { return Step(forward); });
        if (status != xbOK) return ResultOfEngineStatus(status);
        // A move that succeeded stands in an open area; what a filter callback ran may have
        // changed the areas since the last step, so the area is looked up after each move.
        TXbArea& moved = *XbCurrentArea();
        if (forward && moved.Eof()) return dbiEOF;
        if (!forward && moved.Bof()) {
            const int top = RepairingMove([] { return xb_GoTop(); });
            return top == xbOK ? dbiBOF : ResultOfEngineStatus(top);
        }
        FillProps(props, moved);
        if (LockRefused(lock)) return EngineFailure(dbiLockRefused);
        const char* engine = moved.Buffer();
        if (record) std::memcpy(record, engine, area.SaveBuffer.size());
        if (!area.CallbackFilters) return dbiOK;
        // A filter callback reads a copy: what it calls may change the engine's buffer.
        const std::string image(engine, area.SaveBuffer.size());
        if (RunFilterCallbacks(image.data(), area)) return dbiOK;
    }
}

// Whether the current record is still visible: stepping away and back lands on it again. A
// move the engine fails is the answer's status.
int StillVisible(bool& visible) {
    const LongInt r = xb_RecNo();
    int status = RepairingMove([] { return xb_Skip(1); });
    if (status == xbOK && !xb_Eof()) {
        status = xb_Skip(-1);
        visible = xb_RecNo() == r;
        return status;
    }
    xb_Go(r);
    if (status == xbOK) status = xb_Skip(-1);
    if (status == xbOK && !xb_Bof()) {
        status = xb_Skip(1);
        visible = xb_RecNo() == r;
        return status;
    }
    xb_Go(r);
    if (xb_Eof() && xb_Bof()) {
        visible = false;
        return status;
    }
    if (status == xbOK) status = xb_GoBottom();
    visible = xb_RecNo() == r;
    return status;
}

// ---- Field values ----

const TFieldDescriptor* LogicalOf(const TEngineWorkArea& area, Word field) {
    return field >= 1 && field <= area.Logical.size() ? &area.Logical[field - 1u] : nullptr;
}

// The raw text of a field in a record image.
std::string_view RawField(const TEngineWorkArea& area, Word field, const char* record) {
    const TFieldDescriptor& phys = area.Physical[field - 1u];
    return {record + phys.Offset, static_cast<std::size_t>(phys.Units1)};
}

// A field whose text the engine keeps apart from the record image (variable-length text).
bool IsVariable(const TEngineWorkArea& area, Word field) {
    return area.Physical[field - 1u].FieldType == fldPhysMemo &&
           area.Logical[field - 1u].FieldType == fldString;
}

bool AllBlank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

std::string_view TrimmedView(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The number a numeric field's text holds (blanks around it, "." as the decimal point, an
// optional sign and exponent); false when the text is no finite number.
bool NumberOfText(std::string_view text, double& value) {
    text = TrimmedView(text);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-') text.remove_prefix(1);
    const auto end = text.data() + text.size();
    const auto read = std::from_chars(text.data(), end, value);
    return !text.empty() && read.ec == std::errc() && read.ptr == end && std::isfinite(value);
}

// The number of the digits text[at .. at + count), or -1 when one is no digit.
int DigitsAt(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// Day count of a "yyyymmdd" text; false when it is no date.
bool DayCountOf(std::string_view text, LongInt& days) {
    if (text.size() < 8) return false;
    const int year = DigitsAt(text, 0, 4), month = DigitsAt(text, 4, 2), day = DigitsAt(text, 6, 2);
    TDateTime date = 0;
    if (year < 0 || month < 0 || day < 0 ||
        !TryEncodeDate(static_cast<Word>(year), static_cast<Word>(month), static_cast<Word>(day),
                       date))
        return false;
    days = static_cast<LongInt>(date) + dbiDateDelta;
    return true;
}

// A typed value from the field's text into dest (the field's length in bytes); false, with dest
// untouched, when the text is no value of that type.
bool ReadValue(const TFieldDescriptor& desc, std::string_view text, void* dest) {
    switch (desc.FieldType) {
    case fldString: {
        const std::size_t end = text.find_last_not_of(' ');
        const std::string_view trimmed = text.substr(0, end == std::string_view::npos ? 0 : end + 1);
        std::memset(dest, 0, desc.Length);
        std::memcpy(dest, trimmed.data(), std::min<std::size_t>(trimmed.size(), desc.Length - 1u));
        return true;
    }
    case fldDate: {
        LongInt days = 0;
        if (!DayCountOf(text, days)) return false;
        std::memcpy(dest, &days, sizeof days);
        return true;
    }
    case fldBoolean: {
        const char c = text.empty() ? ' ' : text[0];
        const SmallInt value = c == 'T' || c == 't' || c == 'Y' || c == 'y' ? 1 : 0;
        std::memcpy(dest, &value, sizeof value);
        return true;
    }
    case fldInt16: {
        int value = 0, code = 0;
        Val(TrimmedView(text), value, code);
        if (code != 0 || value < -32768 || value > 32767) return false;
        const auto small = static_cast<SmallInt>(value);
        std::memcpy(dest, &small, sizeof small);
        return true;
    }
    case fldFloat: {
        double value = 0;
        if (!NumberOfText(text, value)) return false;
        std::memcpy(dest, &value, sizeof value);
        return true;
    }
    default: return false;
    }
}

std::string Fixed(double value, int decimals) {
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

std::string RightAligned(const std::string& text, int width) {
    return std::string(static_cast<std::size_t>(std::max(0, width - static_cast<int>(text.size()))),
                       ' ') +
           text;
}

// The field text of a float in a field of width and decimals; false when it is not finite or
// does not fit, even with fewer decimals.
bool FloatText(double value, int width, int decimals, std::string& text) {
    if (!std::isfinite(value)) return false; // no reader of the table could parse it
    text = Fixed(value, decimals);
    if (static_cast<int>(text.size()) > width + decimals + 1) return false;
    while (static_cast<int>(text.size()) > width) {
        if (--decimals < 0) return false;
        text = Fixed(value, decimals);
    }
    text = RightAligned(text, width);
    return true;
}

// The field text of a typed value (nullptr = blank); false when it does not fit.
bool WriteValue(const TFieldDescriptor& desc, int width, int decimals, const void* source,
                std::string& text) {
    switch (desc.FieldType) {
    case fldString: {
        text = source ? std::string(static_cast<const char*>(source)) : std::string();
        text = text.substr(0, text.find('\0'));
        text.resize(static_cast<std::size_t>(width), ' ');
        return true;
    }
    case fldInt16: {
        SmallInt value = 0;
        if (!source) {
            text.assign(static_cast<std::size_t>(width), ' ');
            return true;
        }
        std::memcpy(&value, source, sizeof value);
        text = std::to_string(value);
        if (static_cast<int>(text.size()) > width) return false;
        text = RightAligned(text, width);
        return true;
    }
    case fldDate: {
        LongInt days = 0;
        if (source) std::memcpy(&days, source, sizeof days);
        Word y = 0, m = 0, d = 0;
        if (days > 0) DecodeDate(static_cast<TDateTime>(days - dbiDateDelta), y, m, d);
        text = y == 0 ? std::string(8, ' ') : FormatDateTime("yyyymmdd", days - dbiDateDelta);
        return true;
    }
    case fldFloat: {
        double value = 0;
        if (source) std::memcpy(&value, source, sizeof value);
        return FloatText(value, width, decimals, text);
    }
    case fldBoolean: {
        SmallInt value = 0;
        if (source) std::memcpy(&value, source, sizeof value);
        text = value != 0 ? "T" : "F";
        return true;
    }
    default: return false;
    }
}

// ---- Keys ----

enum TKeyKind { kkNone = 0, kkCharacter = 1, kkNumeric = 2, kkLogical = 3, kkDate = 4 };

TKeyKind KeyKind() {
    const int kind = xb_EvalTest(xb_IndexKey());
    return kind >= kkCharacter && kind <= kkDate ? static_cast<TKeyKind>(kind) : kkNone;
}

// The key text of the engine's current record in the controlling order. A number is the
// order's own key of the record in plain decimal, which a seek reads back as the same key: the
// stored text of a numeric field in full, a computed number as the order rounds it.
std::string CurrentKeyText(TKeyKind kind) {
    const std::string expr = xb_IndexKey();
    switch (kind) {
    case kkCharacter: return xb_EvalString(expr);
    case kkNumeric: return xb_KeyData();
    case kkLogical: return xb_EvalLogical(expr) ? ".T." : ".F.";
    case kkDate: return xb_EvalString("DTOS(" + expr + ")");
    default: return {};
    }
}

// The key text of a record image.
std::string KeyTextOfImage(TEngineWorkArea& area, const char* record, TKeyKind kind) {
    TBorrowedBuffer borrowed(area, record);
    return CurrentKeyText(kind);
}

bool SameKey(const std::string& a, const std::string& b, TKeyKind kind) {
    if (kind == kkNumeric) {
        double x = 0, y = 0;
        int cx = 0, cy = 0;
        Val(Trim(a), x, cx);
        Val(Trim(b), y, cy);
        return cx == 0 && cy == 0 && x == y;
    }
    return TrimRight(a) == TrimRight(b);
}

// xb_Seek as an engine move: found tells whether a key matched; the status is the failure's.
int SeekMove(const std::string& text, bool& found) {
    const int result = xb_Seek(text);
    found = result > 0;
    return result < 0 ? -result : xbOK;
}

// Seeks the first key above text: a character key with its last character raised, any other
// by a soft seek past the records whose key equals it.
int SeekAbove(std::string text, TKeyKind kind) {
    bool found = false;
    if (kind == kkCharacter && static_cast<unsigned char>(text.back()) < 0xFF) {
        text.back() = static_cast<char>(text.back() + 1);
        return SeekMove(text, found);
    }
    int status = SeekMove(text, found);
    for (LongInt steps = xb_RecCount(); status == xbOK && !xb_Eof() && steps >= 0 &&
                                        SameKey(CurrentKeyText(kind), text, kind);
         --steps)
        status = xb_Skip(1);
    return status;
}

// An exact search compares the whole key, so an empty key finds only a record whose key is
// empty; a greater(-or-equal) search for an empty key stands on the first record.
DBIResult SeekKey(TEngineWorkArea& area, int searchKind, bool directKey, const char* key) {
    const TKeyKind kind = KeyKind();
    std::string text;
    if (directKey) {
        text = key ? key : "";
    } else {
        if (const int status = xb_Commit(); status != xbOK) return ResultOfEngineStatus(status);
        text = key ? KeyTextOfImage(area, key, kind) : std::string();
    }
    if (TrimRight(text).empty() && searchKind != keySearchEq)
        return ResultOfEngineStatus(RepairingMove([] { return xb_GoTop(); }));
    xb_SysProp(1003, searchKind == keySearchEq ? 1 : 0);
    xb_SysProp(1001, searchKind == keySearchEq ? 0 : 1);
    const LongInt remembered = xb_RecNo();
    if (searchKind == keySearchGt)
        return ResultOfEngineStatus(RepairingMove([&] { return SeekAbove(text, kind); }));
    bool found = false;
    const int status = RepairingMove([&] { return SeekMove(text, found); });
    if (status != xbOK) return ResultOfEngineStatus(status);
    if (searchKind != keySearchEq || found) return dbiOK;
    if (directKey) xb_Go(remembered);
    return dbiKeyNotFound;
}

} // namespace

// ---- Borrowing the engine ----

TBorrowedBuffer::TBorrowedBuffer(TEngineWorkArea& area, const char* record)
    : area_(area), engine_(reinterpret_cast<char*>(xb_SysProp(65000, 0))) {
    if (!engine_) return;
    std::memcpy(area_.SaveBuffer.data(), engine_, area_.SaveBuffer.size());
    if (record) std::memcpy(engine_, record, area_.SaveBuffer.size());
}

TBorrowedBuffer::~TBorrowedBuffer() {
    if (engine_) std::memcpy(engine_, area_.SaveBuffer.data(), area_.SaveBuffer.size());
}

void TBorrowedBuffer::CopyBack(char* record) const {
    if (engine_ && record) std::memcpy(record, engine_, area_.SaveBuffer.size());
}

DBIResult ResultOfEngineStatus(int status) {
    return status == xbOK ? dbiOK : EngineFailure(ResultOfStatus(status));
}

// ---- Positioning ----

namespace {

// The cursor before the first record (or after the last).
DBIResult SetToEnd(bool begin) {
    const int status = RepairingMove([begin] { return begin ? xb_GoTop() : xb_GoBottom(); });
    if (status != xbOK) return ResultOfEngineStatus(status);
    return ResultOfEngineStatus(xb_Skip(begin ? -1 : 1));
}

// The record number of a bookmark; false (with the reason kept) when the table was packed
// since it was taken.
bool RecNoOfBookmark(const void* bookmark, LongInt& recno) {
    LongWord stamp = 0;
    std::memcpy(&recno, bookmark, sizeof recno);
    std::memcpy(&stamp, static_cast<const char*>(bookmark) + sizeof recno, sizeof stamp);
    if (stamp == static_cast<LongWord>(xb_SysProp(65016, 0))) return true;
    LayerFailure(dbiStaleBookmark, "The table was packed since the bookmark was taken");
    return false;
}

} // namespace

DBIResult DbiSetToBegin(TCursorHandle cursor) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    return SetToEnd(true);
}

DBIResult DbiSetToEnd(TCursorHandle cursor) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    return SetToEnd(false);
}

DBIResult DbiGetBookMark(TCursorHandle cursor, void* bookmark) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    if (bookmark) PutBookMark(bookmark, *wa.Area());
    return dbiOK;
}

DBIResult DbiSetToBookMark(TCursorHandle cursor, const void* bookmark) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    if (!bookmark) return dbiBadParameter;
    LongInt recno = 0;
    if (!RecNoOfBookmark(bookmark, recno)) return dbiStaleBookmark;
    if (recno > xb_RecCount()) return SetToEnd(false);
    return ResultOfEngineStatus(xb_Go(recno));
}

DBIResult DbiSetToCursor(TCursorHandle dest, TCursorHandle source) {
    LongInt recno = 0;
    {
        TWA wa(source);
        if (wa.Failed()) return dbiBadHandle;
        recno = xb_RecNo();
    }
    TWA wa(dest);
    if (wa.Failed()) return dbiBadHandle;
    return ResultOfEngineStatus(xb_Go(recno));
}

DBIResult DbiCompareBookMarks(TCursorHandle cursor, const void* bookmark1, const void* bookmark2,
                              int* compare) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    if (!bookmark1 || !bookmark2) return dbiBadParameter;
    LongInt a = 0, b = 0;
    if (!RecNoOfBookmark(bookmark1, a) || !RecNoOfBookmark(bookmark2, b)) return dbiStaleBookmark;
    if (xb_IndexOrd() > 0) {
        const LongInt here = xb_RecNo();
        xb_Go(a);
        a = xb_OrderRecNo();
        xb_Go(b);
        b = xb_OrderRecNo();
        xb_Go(here);
    }
    if (compare) *compare = a < b ? -1 : (a == b ? 0 : 1);
    return dbiOK;
}

DBIResult DbiGetSeqNo(TCursorHandle cursor, LongInt* seqNo) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    if (seqNo) *seqNo = xb_OrderRecNo();
    return dbiOK;
}

// The record at seqNo; when the callback filters hide it, the next one they accept, else the
// last one they accept (the end when they accept none).
DBIResult DbiSetToSeqNo(TCursorHandle cursor, LongInt seqNo) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    const int status = RepairingMove([seqNo] {
        const int top = xb_GoTop();
        return top != xbOK || seqNo <= 1 ? top : xb_Skip(seqNo - 1);
    });
    if (status != xbOK || !area->CallbackFilters || xb_Eof()) return ResultOfEngineStatus(status);
    if (RunFilterCallbacks(xb_GetRecord().data(), *area)) return dbiOK;
    const DBIResult next = ReadStep(*area, true, 0, nullptr, nullptr);
    if (next != dbiEOF) return next;
    const DBIResult prior = ReadStep(*area, false, 0, nullptr, nullptr);
    return prior == dbiBOF ? DbiSetToEnd(cursor) : prior;
}

DBIResult DbiGetRecordCount(TCursorHandle cursor, LongInt* count) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    if (count) *count = xb_DBFilter().empty() ? xb_RecCount() : xb_QueryRecCount();
    return dbiOK;
}

DBIResult DbiForceReread(TCursorHandle) {
    return dbiOK;
}

// ---- Reading ----

DBIResult DbiGetNextRecord(TCursorHandle cursor, int lock, char* record, TRecordProps* props) {
    if ((cursor & 0xFFFF) > 255) return NextListRow(cursor & 0xFFFF, record);
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    return ReadStep(*area, true, lock, record, props);
}

DBIResult DbiGetPriorRecord(TCursorHandle cursor, int lock, char* record, TRecordProps* props) {
    if ((cursor & 0xFFFF) > 255) return dbiBOF;
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    return ReadStep(*area, false, lock, record, props);
}

DBIResult DbiGetRecord(TCursorHandle cursor, int lock, char* record, TRecordProps* props) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (xb_Eof()) return dbiEOF;
    if (xb_Bof()) return dbiBOF;
    if (LockRefused(lock)) return EngineFailure(dbiLockRefused);
    if (!xb_DBFilter().empty() || xb_SysProp(1006, 0) == 1) {
        const LongInt r = xb_RecNo();
        bool visible = false;
        if (const int status = StillVisible(visible); status != xbOK)
            return ResultOfEngineStatus(status);
        if (!visible) {
            if (r <= xb_RecCount())
                xb_Go(r);
            else
                SetToEnd(false);
            return dbiRecordHidden;
        }
    }
    CopyRecord(record, *area);
    FillProps(props, *wa.Area());
    return dbiOK;
}

// ---- Writing ----

DBIResult DbiInitRecord(TCursorHandle cursor, char* record) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    // The engine's own blank record: zeros where other programs keep binary values.
    if (record) {
        const std::string blank = wa.Area()->Table().BlankRecord();
        std::memcpy(record, blank.data(), blank.size());
    }
    return dbiOK;
}

DBIResult DbiInsertRecord(TCursorHandle cursor, int lock, const char* record) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!record) return dbiBadParameter;
    if (const int appended = xb_AppendEx(); appended != xbOK) return ResultOfEngineStatus(appended);
    const LongInt recno = xb_RecNo();
    std::string image = ImageOf(record, *area);
    int status = StoreOpenBlobs(*area, record, image);
    if (status == xbOK) status = xb_PutRecord(image);
    if (status != xbOK) {
        const DBIResult result = ResultOfEngineStatus(status);
        // The engine takes back a record whose write it refused; a memo refused before that
        // write leaves the reserved record, which is given back unwritten.
        if (xb_RecNo() == recno && !xb_Eof()) xb_Delete();
        return result;
    }
    ForgetWrittenBlobs(*area, record);
    if (lock != 0) xb_Unlock(recno);
    return dbiOK;
}

DBIResult DbiModifyRecord(TCursorHandle cursor, const char* record, bool freeLock) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (!record) return dbiBadParameter;
    std::string image = ImageOf(record, *area);
    int status = StoreOpenBlobs(*area, record, image);
    if (status == xbOK) status = xb_PutRecord(image);
    if (status == xbOK) ForgetWrittenBlobs(*area, record);
    if (freeLock) xb_Unlock(xb_RecNo());
    return ResultOfEngineStatus(status);
}

DBIResult DbiDeleteRecord(TCursorHandle cursor, const char*) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    return ResultOfEngineStatus(xb_Delete());
}

DBIResult DbiRelRecordLock(TCursorHandle cursor, bool all) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    xb_Unlock(all ? 0 : xb_RecNo());
    return dbiOK;
}

DBIResult DbiSaveChanges(TCursorHandle cursor) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    return ResultOfEngineStatus(xb_Commit());
}

// ---- Fields ----

DBIResult DbiGetField(TCursorHandle cursor, Word field, const char* record, void* dest,
                      bool* blank) {
    TEngineWorkArea* area = OpenWorkArea(cursor);
    if (!area) return dbiBadHandle;
    if (blank) *blank = false;
    const TFieldDescriptor* desc = LogicalOf(*area, field);
    if (!desc) return dbiBadParameter;
    if (desc->FieldType == fldBlob) return dbiOK;
    if (!record) return dbiBadParameter;
    std::string kept; // the text of a variable-length field, which the engine gives
    std::string_view text;
    if (IsVariable(*area, field)) {
        TWA wa(cursor);
        TBorrowedBuffer borrowed(*area, record);
        kept = desc->FieldType == fldDate ? xb_GetString(field) : xb_GetTrimString(field);
        text = kept;
    } else {
        text = RawField(*area, field, record);
    }
    if (AllBlank(text)) {
        if (blank) *blank = true;
        return dbiOK;
    }
    if (dest && !ReadValue(*desc, text, dest) && blank) *blank = true;
    return dbiOK;
}

DBIResult DbiPutField(TCursorHandle cursor, Word field, char* record, const void* source) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    const TFieldDescriptor* desc = LogicalOf(*area, field);
    if (!desc || !record) return dbiBadParameter;
    if (desc->FieldType == fldBlob) return dbiOK;
    const int width = xb_FieldWidth(field);
    std::string text;
    if (!WriteValue(*desc, width, xb_FieldDecimals(field), source, text)) return dbiValueTooWide;
    if (xb_SysProp(65012, field) != 0) {
        std::vector<char>& save = SharedSaveBlock();
        const auto* block = reinterpret_cast<char*>(xb_SysProp(65008, 0));
        const std::size_t size = std::min<std::size_t>(save.size(), xb_SysProp(65010, 0));
        if (block) std::memcpy(save.data(), block, size);
        {
            TBorrowedBuffer borrowed(*area, record);
            xb_Replace(field, xbReplaceText, text);
            borrowed.CopyBack(record);
        }
        if (block) std::memcpy(const_cast<char*>(block), save.data(), size);
        return dbiOK;
    }
    std::memcpy(record + area->Physical[field - 1u].Offset, text.data(),
                std::min<std::size_t>(text.size(), static_cast<std::size_t>(width)));
    return dbiOK;
}

// ---- Keys and ranges ----

DBIResult DbiSetToKey(TCursorHandle cursor, int searchKind, bool directKey, Word, Word,
                      const char* key) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (xb_IndexOrd() == 0) return dbiNoOrderActive;
    const auto soft = static_cast<int>(xb_SysProp(1000, 0));
    const auto exact = static_cast<int>(xb_SysProp(1002, 0));
    const DBIResult result = SeekKey(*area, searchKind, directKey, key);
    xb_SysProp(1003, exact);
    xb_SysProp(1001, soft);
    return result;
}

DBIResult DbiGetRecordForKey(TCursorHandle cursor, bool directKey, Word fieldCount, Word length,
                             const char* key, char* record) {
    const DBIResult result = DbiSetToKey(cursor, keySearchEq, directKey, fieldCount, length, key);
    if (result == dbiBadHandle || !record) return result;
    TWA wa(cursor);
    if (const TEngineWorkArea* area = EngineWorkArea(cursor); area && !wa.Failed())
        CopyRecord(record, *area);
    return result;
}

DBIResult DbiExtractKey(TCursorHandle cursor, const char* record, std::string* key) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    const std::string text = record ? KeyTextOfImage(*area, record, KeyKind()) : xb_KeyData();
    if (key) *key = text;
    return dbiOK;
}

DBIResult DbiSetRange(TCursorHandle cursor, bool keyItself, Word, Word, const char* key1, bool,
                      Word, Word, const char* key2, bool) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    std::string low, high;
    if (keyItself) {
        low = key1 ? key1 : "";
        high = key2 ? key2 : "";
    } else {
        if (const int status = xb_Commit(); status != xbOK) return ResultOfEngineStatus(status);
        const TKeyKind kind = KeyKind();
        if (key1) low = KeyTextOfImage(*area, key1, kind);
        if (key2) high = KeyTextOfImage(*area, key2, kind);
    }
    if (const int status = xb_SetScope(low, high); status != xbOK)
        return ResultOfEngineStatus(status);
    return SetToEnd(true);
}

DBIResult DbiResetRange(TCursorHandle cursor) {
    TWA wa(cursor);
    if (wa.Failed()) return dbiBadHandle;
    const LongInt r = xb_RecNo();
    xb_SetScope("", "");
    return r == xb_RecCount() + 1 ? SetToEnd(false) : ResultOfEngineStatus(xb_Go(r));
}
