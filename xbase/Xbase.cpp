#include "xbase/Xbase.h"

#include "platform/rtl/Streams.h"
#include "xbase/XbArea.h"
#include "xbase/XbError.h"
#include "xbase/XbExpr.h"
#include "xbase/XbSettings.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string_view>

namespace {

constexpr int kWorkBlockSize = 4096;

// The engine's work block: it holds the last text a call produced, zero-terminated.
std::array<char, kWorkBlockSize>& WorkBlock() {
    static std::array<char, kWorkBlockSize> block{};
    return block;
}

// Leaves text in the work block, cut to the block's size.
void ToWorkBlock(std::string_view text) {
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(kWorkBlockSize - 1));
    std::copy_n(text.begin(), n, WorkBlock().begin());
    WorkBlock()[n] = '\0';
}

// The text a call gives back, left in the work block too.
std::string Result(std::string text) {
    ToWorkBlock(text);
    return text;
}

// A text read where it lies (a field's bytes in the record buffer): copied once for the caller
// and once into the work block.
std::string Result(std::string_view text) {
    ToWorkBlock(text);
    return std::string(text);
}

// The blob length applied to xb_PutBlob; 0 honours the length given.
LongInt& FixedBlobLength() {
    static LongInt length = 0;
    return length;
}

// An expression source without a table, for expressions evaluated with no area open.
class TNoRecord : public TXbRecordSource {
public:
    bool FindField(std::string_view, std::string_view, TXbFieldRef&) const override {
        return false;
    }
    std::string FieldText(const TXbFieldRef&) const override { return {}; }
    LongInt RecNo() const override { return 0; }
    bool Deleted() const override { return false; }
};

TXbRecordSource& ExpressionSource() {
    static TNoRecord none;
    TXbArea* area = XbCurrentArea();
    return area ? static_cast<TXbRecordSource&>(*area) : none;
}

TXbValue Evaluate(const std::string& expression) {
    TXbExpression compiled;
    TXbRecordSource& source = ExpressionSource();
    if (!compiled.Compile(expression, source)) return {};
    return compiled.Evaluate(source);
}

int Swap(int& setting, int value) {
    const int old = setting;
    setting = value;
    return old;
}

int SwapFlag(bool& setting, int value) {
    const bool old = setting;
    setting = value != 0;
    return old ? 1 : 0;
}

// The current area and the 0-based index of a 1-based field number; false when either is
// missing.
bool FieldOf(int field, TXbArea*& area, int& index) {
    area = XbCurrentArea();
    index = area ? area->FieldIndex(field) : -1;
    return index >= 0;
}

const TXbFieldDef& Def(const TXbArea& area, int index) {
    return area.Table().Fields()[static_cast<std::size_t>(index)];
}

// A field whose bytes in the record are its text: neither a binary value nor a memo. Every text
// read asks this first, so the common kinds are told at once and the test is kept inline.
inline bool IsTextField(const TXbFieldDef& f) {
    switch (f.Type) {
    case 'C':
    case 'N':
    case 'F':
    case 'D':
    case 'L': return true;
    default: return !XbIsBinaryField(f) && !XbIsMemoField(f);
    }
}

std::string PadRight(std::string text, int width) {
    text.resize(static_cast<std::size_t>(width), ' ');
    return text;
}

std::string_view RTrim(std::string_view text) {
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(RTrim(text.substr(first)));
}

// An optional sign, digits with at most one decimal point; or nothing (a blank number).
bool IsNumberText(std::string_view text) {
    std::size_t i = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    bool digit = false, point = false;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])))
            digit = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit || text.empty();
}

// ---- Integer, currency, date-time and double fields ----
// Text written into another program's binary fields (XbBinaryText in XbTable.h describes them
// and reads their bytes as text): the text those reads give, as the field's bytes.

// A number text (IsNumberText, not blank) rounded half away from zero to decimals places and
// scaled by 10^decimals; false when that does not fit in 64 bits signed.
bool ScaledNumber(std::string_view text, int decimals, Int64& value) {
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
    const std::size_t point = std::min(text.find('.'), text.size());
    std::string fraction(text.substr(std::min(point + 1, text.size())));
    fraction.resize(static_cast<std::size_t>(decimals) + 1, '0'); // the places and one to round
    const std::string digits =
        "0" + std::string(text.substr(0, point)) + fraction.substr(0, fraction.size() - 1);
    std::uint64_t magnitude = 0;
    const auto read = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (read.ec != std::errc() || (fraction.back() >= '5' && ++magnitude == 0)) return false;
    if (magnitude > (std::uint64_t{1} << 63) - (negative ? 0 : 1)) return false;
    value = static_cast<Int64>(negative ? 0 - magnitude : magnitude);
    return true;
}

// A whole number (a fraction of zeros aside, as a number field's text may have) in 32 bits.
bool IntegerBytes(std::string_view text, std::string& bytes) {
    const std::size_t point = std::min(text.find('.'), text.size());
    Int64 value = 0;
    if (!IsNumberText(text) || text.find_first_not_of('0', point + 1) != std::string_view::npos ||
        !ScaledNumber(text, 0, value) || value < INT32_MIN || value > INT32_MAX)
        return false;
    bytes.assign(4, '\0');
    EncodeLE<LongInt>(bytes.data(), static_cast<LongInt>(value));
    return true;
}

bool CurrencyBytes(std::string_view text, std::string& bytes) {
    Int64 value = 0;
    if (!IsNumberText(text) || !ScaledNumber(text, XbCurrencyDecimals, value)) return false;
    bytes.assign(8, '\0');
    EncodeLE<Int64>(bytes.data(), value);
    return true;
}

// True when text has the shape of pattern, where '9' stands for a digit.
bool Shaped(std::string_view text, std::string_view pattern) {
    return text.size() == pattern.size() &&
           std::equal(text.begin(), text.end(), pattern.begin(), [](char c, char p) {
               return p == '9' ? std::isdigit(static_cast<unsigned char>(c)) != 0 : c == p;
           });
}

// "yyyymmdd", "yyyymmdd hh:mm:ss" or "yyyymmdd hh:mm:ss.fff".
bool DateTimeBytes(std::string_view text, std::string& bytes) {
    const LongInt day = XbDateFromStored(text.substr(0, 8));
    const std::string_view time = text.substr(std::min<std::size_t>(8, text.size()));
    if (day == 0 || !(time.empty() || Shaped(time, " 99:99:99") || Shaped(time, " 99:99:99.999")))
        return false;
    const auto part = [time](std::size_t at, std::size_t count) {
        return at < time.size() ? std::atoi(std::string(time.substr(at, count)).c_str()) : 0;
    };
    const int hour = part(1, 2), minute = part(4, 2), second = part(7, 2);
    if (hour > 23 || minute > 59 || second > 59) return false;
    bytes.assign(8, '\0');
    EncodeLE<LongInt>(bytes.data(), day);
    EncodeLE<LongInt>(bytes.data() + 4, ((hour * 60 + minute) * 60 + second) * 1000 + part(10, 3));
    return true;
}

bool DoubleBytes(std::string_view text, std::string& bytes) {
    if (!IsNumberText(text)) return false;
    if (text[0] == '+') text.remove_prefix(1);
    double value = 0;
    const auto read = std::from_chars(text.data(), text.data() + text.size(), value);
    if (read.ec != std::errc() || !std::isfinite(value)) return false;
    bytes = XbDoubleBytes(value);
    return true;
}

// Text for an integer, currency, date-time or double field as the field's bytes; blank text
// gives the empty value. False when the text is no value of the field.
bool BinaryBytes(const TXbFieldDef& f, const std::string& text, std::string& bytes) {
    const std::string value = Trim(text);
    bool converted = true;
    if (value.empty())
        bytes.assign(static_cast<std::size_t>(f.Width), '\0');
    else if (f.Type == 'I')
        converted = IntegerBytes(value, bytes);
    else if (f.Type == 'Y')
        converted = CurrencyBytes(value, bytes);
    else if (f.Type == 'T')
        converted = DateTimeBytes(value, bytes);
    else
        converted = DoubleBytes(value, bytes);
    return converted && bytes.size() == static_cast<std::size_t>(f.Width);
}

// Text for field f written as the field's bytes; false when it is not a value of the field's type
// or does not fit. Text goes as it is only into a character field (C, or V of variable length):
// the null flags (0) and kinds whose layout the engine does not know take none.
bool TextForField(const TXbFieldDef& f, const std::string& text, std::string& bytes) {
    switch (f.Type) {
    case 'N':
    case 'F': {
        const std::string digits = Trim(text);
        if (static_cast<int>(digits.size()) > f.Width || !IsNumberText(digits)) return false;
        bytes = std::string(static_cast<std::size_t>(f.Width) - digits.size(), ' ') + digits;
        return true;
    }
    case 'L': {
        const char c = text.empty()
                           ? ' '
                           : static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        bytes = std::string(1, c == 'T' || c == 'Y'   ? 'T'
                               : c == 'F' || c == 'N' ? 'F'
                               : c == '?'             ? '?'
                                                      : ' ');
        return true;
    }
    case 'D': {
        const std::string trimmed = Trim(text);
        if (!trimmed.empty() && !XbValidDate(trimmed)) return false;
        bytes = PadRight(trimmed, 8);
        return true;
    }
    case 'I':
    case 'Y':
    case 'T':
    case 'B': return BinaryBytes(f, text, bytes); // a B field that is no double is a memo
    case 'C':
    case 'V': bytes = PadRight(text, f.Width); return true;
    default: return false;
    }
}

} // namespace

// ---- Failures ----

int xb_LastError() {
    return XbLastReason();
}

std::string xb_LastErrorText() {
    return Result(XbLastReasonText());
}

std::string xb_LastErrorFile() {
    return Result(XbLastReasonPath());
}

int xb_LastErrorErrno() {
    return XbLastReasonError();
}

// ---- Settings ----

std::string xb_Version() {
    return Result(std::string_view("Ver 2.40.00"));
}
int xb_SetStringType(int type) {
    return Swap(XbSettings().StringType, type);
}
int xb_ErrorLevel(int level) {
    return Swap(XbSettings().ErrorLevel, level);
}
int xb_SetCentury(int on) {
    return SwapFlag(XbSettings().Century, on);
}

int xb_SetDateFormat(int format) {
    if ((format < 0 || format > 6) && format != 99) return XbSettings().DateFormat;
    return Swap(XbSettings().DateFormat, format);
}

int xb_SetDeleted(int on) {
    return SwapFlag(XbSettings().Deleted, on);
}
int xb_SetExact(int on) {
    return SwapFlag(XbSettings().Exact, on);
}
int xb_SetSoftSeek(int on) {
    return SwapFlag(XbSettings().SoftSeek, on);
}
int xb_SetLockTimeout(int seconds) {
    return Swap(XbSettings().LockTimeout, std::max(0, seconds));
}

int xb_SetMemoBlockSize(int size) {
    if (size < 1 || size > 16384) return XbSettings().MemoBlockSize;
    return Swap(XbSettings().MemoBlockSize, size);
}

int xb_SetEpoch(int year) {
    if (year < 100 || year > 2999) return XbSettings().Epoch;
    return Swap(XbSettings().Epoch, year);
}

int xb_SetTurboRead(int on) {
    return SwapFlag(XbSettings().TurboRead, on);
}

std::intptr_t xb_SysProp(int code, std::intptr_t value) {
    if (code == 65002) return XbArea(static_cast<int>(value)) ? 1 : 0; // asked once a call
    TXbArea* area = XbCurrentArea();
    TXbSettings& s = XbSettings();
    switch (code) {
    case 65000: return area ? reinterpret_cast<std::intptr_t>(area->Buffer()) : 0;
    case 65005: XbCloseAllAreas(); return 0;
    case 65006: return area && area->Driver() == xbNTX ? 1 : 0;
    case 65008: return reinterpret_cast<std::intptr_t>(WorkBlock().data());
    case 65010: return kWorkBlockSize;
    case 65012: {
        int index = -1;
        return FieldOf(static_cast<int>(value), area, index) && Def(*area, index).Type == 'V' ? 1
                                                                                              : 0;
    }
    case 65014: return area && area->Alone() && !area->ReadOnly() ? 1 : 0;
    case 65016: return area ? static_cast<std::intptr_t>(area->PackStamp()) : 0;
    case 3000: return area ? area->OrderCount() : 0;
    case 3002: {
        const TXbOrder* order = area ? area->Order(static_cast<int>(value)) : nullptr;
        return order && order->Descending() ? 1 : 0;
    }
    case 1000: return s.SoftSeek ? 1 : 0;
    case 1001: return SwapFlag(s.SoftSeek, static_cast<int>(value));
    case 1002: return s.Exact ? 1 : 0;
    case 1003: return SwapFlag(s.Exact, static_cast<int>(value));
    case 1006: return s.Deleted ? 1 : 0;
    case 1009: return area ? area->Driver() : 0;
    case 1305: {
        const LongInt old = FixedBlobLength();
        FixedBlobLength() = static_cast<LongInt>(std::max<std::intptr_t>(0, value));
        return old;
    }
    default: return 0;
    }
}

// ---- Creating ----

namespace {

int CreateTable(const std::string& path, const std::vector<TXbFieldDef>& fields, int driver) {
    if (driver < xbNTX || driver > xbNSX) return xbBadArgument;
    const std::string existing = XbFindFile(path);
    if (!existing.empty()) {
        // Never truncate a table that is open anywhere.
        TXbFile file;
        TXbLock lock;
        if (!file.Open(existing, true) || lock.Attach(file.Handle(), true) != xbOK)
            return xbSharing;
    }
    const std::string target = existing.empty() ? path : existing;
    const TXbMemoKind kind = driver == xbNTX ? TXbMemoKind::Dbt : TXbMemoKind::Fpt;
    if (const int status = TXbTable::Create(target, fields, kind); status != xbOK) return status;
    // A production index left from an earlier table of this name would not match the new one.
    for (const char* ext : {".CDX", ".NSX"})
        if (const std::string stale = XbFindFile(XbChangeExt(target, ext)); !stale.empty())
            XbRemove(stale);
    if (std::none_of(fields.begin(), fields.end(), [](const TXbFieldDef& f) {
            return std::toupper(static_cast<unsigned char>(f.Type)) == 'M';
        }))
        return xbOK;
    const std::string memoPath =
        XbCompanionPath(target, kind == TXbMemoKind::Dbt ? ".DBT" : ".FPT");
    const std::string oldMemo = XbFindFile(memoPath);
    const std::string memo = oldMemo.empty() ? memoPath : oldMemo;
    if (TXbMemo::Create(memo, kind, XbSettings().MemoBlockSize)) return xbOK;
    // A memo file the system refused goes with its table: neither is left half made.
    XbRemove(memo);
    XbRemove(target);
    return xbWriteFailed;
}

} // namespace

int xb_Create(const std::string& path, const std::vector<TXbFieldDef>& fields, int driver) {
    TXbCall call;
    return call.Status(CreateTable(path, fields, driver));
}

int xb_IndexCreate(const std::string& path, const std::string& tag, const std::string& key,
                   const std::string& condition, int unique, int descending) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    if (!area) return call.Status(xbNoTable), 0;
    TXbOrderDef def;
    def.Tag = tag;
    def.KeyExpr = key;
    def.ForExpr = condition;
    def.Unique = unique != 0;
    def.Descending = descending != 0;
    const int order = area->CreateOrder(path, def);
    if (order == 0) call.Failed();
    return order;
}

int xb_Reindex() {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->Reindex() : xbNoTable);
}

// ---- Work areas ----

int xb_Use(const std::string& path, const std::string& alias, int mode, int driver) {
    TXbCall call;
    const int area = XbUseArea(path, alias, mode, driver);
    if (area == 0) call.Failed();
    return area;
}

int xb_Select(int area) {
    return XbSelectArea(area);
}

int xb_WorkArea(const std::string& alias) {
    if (alias.empty()) return XbCurrentAreaNumber();
    TXbArea* area = XbFindAlias(alias);
    return area ? area->Number() : 0;
}

std::string xb_Alias() {
    TXbArea* area = XbCurrentArea();
    return Result(area ? area->Alias() : std::string());
}

std::string xb_BaseName() {
    TXbArea* area = XbCurrentArea();
    return Result(area ? area->Table().Path() : std::string());
}

int xb_Close() {
    TXbCall call;
    return call.Status(XbCloseArea(XbCurrentAreaNumber()));
}

void xb_CloseAll() {
    XbCloseAllAreas();
}

// ---- Structure ----

int xb_FieldCount() {
    TXbArea* area = XbCurrentArea();
    return area ? static_cast<int>(area->Table().Fields().size()) : 0;
}

int xb_RecSize() {
    TXbArea* area = XbCurrentArea();
    return area ? area->Table().RecordSize() : 0;
}

std::string xb_FieldName(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    return Result(FieldOf(field, area, i) ? Def(*area, i).Name : std::string());
}

int xb_FieldNum(const std::string& name) {
    TXbArea* area = XbCurrentArea();
    return area ? area->Table().FieldIndex(Trim(name)) + 1 : 0;
}

std::string xb_FieldType(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    return Result(FieldOf(field, area, i) ? std::string(1, Def(*area, i).Type) : std::string());
}

int xb_FieldWidth(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    return FieldOf(field, area, i) ? Def(*area, i).Width : 0;
}

int xb_FieldDecimals(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    return FieldOf(field, area, i) ? Def(*area, i).Decimals : 0;
}

int xb_FieldOffset(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    return FieldOf(field, area, i) ? Def(*area, i).Offset + 1 : 0;
}

// ---- Moving ----

namespace {

template <typename F>
int Move(F move) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? move(*area) : xbNoTable);
}

} // namespace

int xb_GoTop() {
    return Move([](TXbArea& a) { return a.GoTop(); });
}

int xb_GoBottom() {
    return Move([](TXbArea& a) { return a.GoBottom(); });
}

int xb_Skip(LongInt count) {
    return Move([count](TXbArea& a) { return a.Skip(count); });
}

int xb_Go(LongInt record) {
    return Move([record](TXbArea& a) { return a.Go(record); });
}

LongInt xb_RecNo() {
    TXbArea* area = XbCurrentArea();
    return area ? area->RecNo() : 0;
}

LongInt xb_RecCount() {
    TXbArea* area = XbCurrentArea();
    return area ? area->RecordCount() : 0;
}

int xb_Bof() {
    TXbArea* area = XbCurrentArea();
    return !area || area->Bof() ? 1 : 0;
}

int xb_Eof() {
    TXbArea* area = XbCurrentArea();
    return !area || area->Eof() ? 1 : 0;
}

int xb_Deleted() {
    TXbArea* area = XbCurrentArea();
    return area && area->Deleted() ? 1 : 0;
}

LongInt xb_OrderRecNo() {
    TXbArea* area = XbCurrentArea();
    return area ? area->OrderRecNo() : 0;
}

// ---- Records ----

std::string xb_GetRecord() {
    TXbArea* area = XbCurrentArea();
    return area ? std::string(area->Buffer(), static_cast<std::size_t>(area->Table().RecordSize()))
                : std::string();
}

int xb_PutRecord(const std::string& image) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->PutRecord(image) : xbNoTable);
}

int xb_AppendEx() {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    const int status = call.Status(area ? area->Append() : xbNoTable);
    return status <= xbNoTable ? status : xbWriteFailed; // the append reports 1..6
}

int xb_Delete() {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->Delete() : xbNoTable);
}

int xb_Commit() {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->Commit() : xbNoTable);
}

int xb_Pack() {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->Pack() : xbNoTable);
}

int xb_Rlock(LongInt record) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    if (area && area->LockRecord(record)) return 1;
    call.Failed();
    return 0;
}

int xb_Unlock(LongInt record) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    if (!area) return 0;
    // The locks go even when the change was refused.
    return call.Status(area->UnlockRecord(record)) == xbOK ? 1 : 0;
}

namespace {

int ReplaceText(int field, int kind, const std::string& text) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i)) return area ? xbBadArgument : xbNoTable;
    const TXbFieldDef& f = Def(*area, i);
    if (XbIsMemoField(f))
        return kind == xbReplaceMemo || kind == xbReplaceText ? area->WriteMemo(i, text, false)
                                                              : xbBadArgument;
    std::string bytes;
    if (kind == xbReplaceDateText && f.Type == 'D') {
        const std::string stored = XbTextToDate(text);
        if (Trim(stored).empty() && text.find_first_of("0123456789") != std::string::npos)
            return xbBadArgument;
        bytes = stored;
    } else if (kind != xbReplaceText || !TextForField(f, text, bytes)) {
        return xbBadArgument;
    }
    return area->SetFieldBytes(i, bytes);
}

int ReplaceDouble(int field, int kind, double value) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i)) return area ? xbBadArgument : xbNoTable;
    const TXbFieldDef& f = Def(*area, i);
    if (kind == xbReplaceDouble && XbIsDoubleField(f))
        return std::isfinite(value) ? area->SetFieldBytes(i, XbDoubleBytes(value)) : xbBadArgument;
    if (kind != xbReplaceDouble || (f.Type != 'N' && f.Type != 'F')) return xbBadArgument;
    const std::string bytes = XbStr(value, f.Width, f.Decimals);
    if (bytes.find('*') != std::string::npos || static_cast<int>(bytes.size()) != f.Width)
        return xbBadArgument;
    return area->SetFieldBytes(i, bytes);
}

int ReplaceLogical(int field, int kind, bool value) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i)) return area ? xbBadArgument : xbNoTable;
    if (kind != xbReplaceLogical || Def(*area, i).Type != 'L') return xbBadArgument;
    return area->SetFieldBytes(i, value ? "T" : "F");
}

} // namespace

int xb_Replace(int field, int kind, const std::string& text) {
    TXbCall call;
    return call.Status(ReplaceText(field, kind, text));
}

int xb_Replace(int field, int kind, const char* text) {
    return xb_Replace(field, kind, std::string(text ? text : ""));
}

int xb_Replace(int field, int kind, double value) {
    TXbCall call;
    return call.Status(ReplaceDouble(field, kind, value));
}

int xb_Replace(int field, int kind, bool value) {
    TXbCall call;
    return call.Status(ReplaceLogical(field, kind, value));
}

namespace {

// The memo of field of the current area; false (data empty) when the field is no memo or its
// memo cannot be read, which fails the running call.
bool ReadMemoField(int field, std::string& data, TXbCall& call) {
    data.clear();
    TXbArea* area = nullptr;
    int i = -1;
    bool binary = false;
    if (FieldOf(field, area, i) && XbIsMemoField(Def(*area, i)) && area->ReadMemo(i, data, binary))
        return true;
    call.Failed();
    return false;
}

} // namespace

std::string xb_GetString(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i)) return Result(std::string());
    const TXbFieldDef& f = Def(*area, i);
    // A text field, the common case, is read as it lies in the record buffer.
    if (IsTextField(f)) return Result(area->FieldBytes(i));
    if (std::string text; XbBinaryText(f, area->FieldBytes(i), text)) {
        ToWorkBlock(text);
        return text;
    }
    if (XbIsMemoField(f)) {
        TXbCall call;
        std::string data;
        ReadMemoField(field, data, call);
        ToWorkBlock(data);
        return data;
    }
    return Result(area->FieldBytes(i));
}

std::string xb_GetTrimString(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    // A text field, the common case, is trimmed where it lies in the record buffer.
    if (FieldOf(field, area, i) && IsTextField(Def(*area, i)))
        return Result(RTrim(area->FieldBytes(i)));
    return Result(RTrim(xb_GetString(field)));
}

std::string xb_GetDateString(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i) || Def(*area, i).Type != 'D') return Result(std::string());
    return Result(XbDateToText(std::string(area->FieldBytes(i))));
}

int xb_GetLogical(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i) || Def(*area, i).Type != 'L') return 0;
    const char c = area->FieldBytes(i)[0];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y' ? 1 : 0;
}

int xb_Empty(int field) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i)) return 1;
    const TXbFieldDef& f = Def(*area, i);
    const std::string bytes = XbIsDoubleField(f) ? XbDoubleText(f, area->FieldBytes(i))
                                                 : std::string(area->FieldBytes(i));
    if (XbIsMemoField(f)) {
        TXbCall call;
        std::string data;
        ReadMemoField(field, data, call);
        return data.empty() ? 1 : 0;
    }
    if (XbIsBinaryField(f) && !XbIsDoubleField(f)) // integer, currency, date-time: all zeros
        return bytes.find_first_not_of(std::string_view("\0 ", 2)) == std::string::npos ? 1 : 0;
    int decimals = 0;
    switch (f.Type) {
    case 'N':
    case 'F':
    case 'B': return XbVal(bytes, decimals) == 0 ? 1 : 0;
    case 'L': return xb_GetLogical(field) ? 0 : 1;
    default: return Trim(bytes).empty() ? 1 : 0;
    }
}

// ---- Memos ----

char* xb_GetMemo(int field, int) {
    TXbCall call;
    std::string data;
    if (!ReadMemoField(field, data, call)) return nullptr;
    auto* memory = static_cast<char*>(std::malloc(data.size() + 1));
    if (!memory) return nullptr;
    std::memcpy(memory, data.c_str(), data.size() + 1);
    return memory;
}

void xb_MemDealloc(char* memory) {
    std::free(memory);
}

LongInt xb_GetBlob(int field, std::string& buffer) {
    TXbCall call;
    ReadMemoField(field, buffer, call);
    return static_cast<LongInt>(buffer.size());
}

LongInt xb_GetBlobLength(int field) {
    std::string data;
    return xb_GetBlob(field, data);
}

namespace {

int PutBlob(int field, const char* data, LongInt length) {
    TXbArea* area = nullptr;
    int i = -1;
    if (!FieldOf(field, area, i)) return area ? xbBadArgument : xbNoTable;
    if (!XbIsMemoField(Def(*area, i)) || length < 0 || (length > 0 && !data)) return xbBadArgument;
    std::string bytes(data ? data : "", static_cast<std::size_t>(length));
    if (FixedBlobLength() > 0) bytes.resize(static_cast<std::size_t>(FixedBlobLength()), '\0');
    return area->WriteMemo(i, bytes, true);
}

} // namespace

int xb_PutBlob(int field, const char* data, LongInt length) {
    TXbCall call;
    return call.Status(PutBlob(field, data, length));
}

int xb_IsEncrypted(int) {
    return 0;
}

// ---- Orders ----

int xb_IndexOpen(const std::string& path) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    const int order = area ? area->OpenIndex(path) : 0;
    if (order == 0) call.Failed();
    return order;
}

int xb_IndexOrd() {
    TXbArea* area = XbCurrentArea();
    return area ? area->CurrentOrder() : 0;
}

int xb_SetOrder(int order) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return area ? area->SetOrder(order) : 0;
}

int xb_TagArea(const std::string& tag) {
    TXbArea* area = XbCurrentArea();
    if (!area) return 0;
    if (const int n = area->FindTag(tag)) return n;
    std::string name = XbFileName(tag);
    return area->FindTag(name.substr(0, name.find_last_of('.')));
}

namespace {

TXbOrder* OrderAt(int n) {
    TXbArea* area = XbCurrentArea();
    return area ? area->Order(n) : nullptr;
}

TXbOrder* CurrentOrder() {
    TXbArea* area = XbCurrentArea();
    return area ? area->Order(area->CurrentOrder()) : nullptr;
}

} // namespace

std::string xb_TagName(int order) {
    const TXbOrder* o = OrderAt(order);
    return Result(o ? o->Tag() : std::string());
}

std::string xb_IndexName(int order) {
    const TXbOrder* o = OrderAt(order);
    return Result(o ? o->File().Path() : std::string());
}

std::string xb_IndexKey() {
    const TXbOrder* o = CurrentOrder();
    return Result(o ? o->KeyExpr() : std::string());
}

std::string xb_IndexKeyField() {
    const TXbOrder* o = CurrentOrder();
    return Result(o ? o->KeyField() : std::string());
}

int xb_IndexType() {
    const TXbOrder* o = CurrentOrder();
    if (!o) return 0;
    return 1 + (o->Unique() ? 1 : 0) + (o->ForExpr().empty() ? 0 : 2);
}

std::string xb_IndexCondition() {
    const TXbOrder* o = CurrentOrder();
    return Result(o ? o->ForExpr() : std::string());
}

int xb_Seek(const std::string& key) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    const int found = area ? area->Seek(key) : 0;
    if (found < 0) call.Status(-found);
    return found;
}

int xb_SetScope(const std::string& low, const std::string& high) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->SetScope(low, high) : xbNoTable);
}

std::string xb_KeyData() {
    TXbArea* area = XbCurrentArea();
    return Result(area ? area->KeyData() : std::string());
}

// ---- Expressions ----

int xb_EvalTest(const std::string& expression) {
    TXbExpression compiled;
    return compiled.Compile(expression, ExpressionSource()) ? compiled.Type() : xtError;
}

std::string xb_EvalString(const std::string& expression) {
    const TXbValue value = Evaluate(expression);
    return Result(value.Type == xtError ? std::string() : XbValueText(value));
}

int xb_EvalLogical(const std::string& expression) {
    const TXbValue value = Evaluate(expression);
    return value.Type == xtLogical && value.Logical ? 1 : 0;
}

int xb_Query(const std::string& condition) {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return call.Status(area ? area->SetCondition(condition) : xbNoTable);
}

LongInt xb_QueryRecCount() {
    TXbCall call;
    TXbArea* area = XbCurrentArea();
    return area ? area->ConditionCount() : 0;
}

std::string xb_DBFilter() {
    TXbArea* area = XbCurrentArea();
    return Result(area ? area->Condition() : std::string());
}
