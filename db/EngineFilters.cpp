#include "db/EngineFilters.h"

#include "db/EngineRecords.h"
#include "db/EngineWorkAreas.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// The engine condition of a work area: its active expression filters joined in slot order.
std::string BuildFilterQuery(const TEngineWorkArea& area) {
    std::string query;
    for (const TEngineFilter& f : area.Filters)
        if (f.Active && !f.IsCallback && !f.Text.empty() && f.Kind != filterKindSearch)
            query += (query.empty() ? "(" : " .and. (") + f.Text + ")";
    return query;
}

// Hands the condition to the engine; a refusal is the result, with the condition as reason.
DBIResult Query(const std::string& condition) {
    const int status = xb_Query(condition);
    if (status == xbBadArgument)
        return LayerFailure(dbiBadParameter, "Filter condition cannot be used: " + condition);
    return ResultOfEngineStatus(status);
}

// Hands the work area's condition to the engine.
DBIResult SetQuery(const TEngineWorkArea& area) {
    return Query(BuildFilterQuery(area));
}

// A one-shot search condition: the cursor goes before the first record that meets it and the
// work area's own condition and that the active callback filters accept. A condition the
// engine refuses, or a move that fails, is the result; the work area's condition stays.
DBIResult RunSearch(const TEngineFilter& f, TEngineWorkArea& area) {
    const std::string current = xb_DBFilter();
    const DBIResult refused =
        Query(current.empty() ? f.Text : "(" + f.Text + ") .and. (" + current + ")");
    if (refused != dbiOK) return refused;
    int status = xb_GoTop();
    while (status == xbOK && !xb_Eof() && !RunFilterCallbacks(xb_GetRecord().data(), area))
        status = xb_Skip(1);
    const LongInt recno = xb_RecNo();
    const bool none = xb_Eof();
    xb_Query(current);
    if (status != xbOK) return ResultOfEngineStatus(status);
    if (none) return DbiSetToEnd(area.Area);
    xb_Go(recno);
    xb_Skip(-1);
    return dbiOK;
}

// ---- Filter trees ----

// Text as a string constant of the condition. A text that holds every closing delimiter
// (', " and ]) is cut into pieces, each delimited by the closer it lacks that reaches farthest,
// and the pieces are joined with "+" in balanced parentheses, so any text keeps its meaning and
// a long one stays shallow.
std::string JoinedPieces(const std::vector<std::string>& pieces, std::size_t from, std::size_t to) {
    if (to - from == 1) return pieces[from];
    const std::size_t middle = from + (to - from) / 2;
    return "(" + JoinedPieces(pieces, from, middle) + " + " + JoinedPieces(pieces, middle, to) +
           ")";
}

std::string QuotedText(const std::string& value) {
    static constexpr std::array<std::pair<char, char>, 3> kDelimiters{
        {{'\'', '\''}, {'"', '"'}, {'[', ']'}}};
    std::vector<std::string> pieces;
    std::size_t start = 0;
    do {
        std::size_t end = start;
        std::pair<char, char> chosen = kDelimiters[0];
        for (const auto& delimiters : kDelimiters) {
            const std::size_t closer = std::min(value.find(delimiters.second, start), value.size());
            if (closer > end) {
                end = closer;
                chosen = delimiters;
            }
        }
        pieces.push_back(chosen.first + value.substr(start, end - start) + chosen.second);
        start = end;
    } while (start < value.size());
    return JoinedPieces(pieces, 0, pieces.size());
}

// Shortest decimal digits of a finite value that read back as it, laid out without an exponent
// (the engine reads none in a seek): "100000000000000000000", "-0.00000025".
std::string ShortestPlain(double value) {
    const TFloatRec rec = ShortestDecimal(value);
    if (rec.Digits.empty()) return "0";
    const std::string& digits = rec.Digits;
    const int whole = rec.Exponent; // digits before the point
    const auto size = static_cast<int>(digits.size());
    std::string text;
    if (whole <= 0)
        text = "0." + std::string(static_cast<std::size_t>(-whole), '0') + digits;
    else if (whole >= size)
        text = digits + std::string(static_cast<std::size_t>(whole - size), '0');
    else
        text = digits.substr(0, static_cast<std::size_t>(whole)) + "." +
               digits.substr(static_cast<std::size_t>(whole));
    return (rec.Negative ? "-" : "") + text;
}

// A finite number as condition text in plain decimal that the engine reads back as the same
// number. A field of `decimals` places (-1: not known) that holds more digits than a double
// compares by its stored digits, so the number is written as such a field holds it when that
// text reads back as the same number ("999999999999999.88" for the double nearest to it);
// otherwise it gets the shortest digits that do ("0.125", "100000"). False for a value that
// is not finite.
bool PlainDecimal(double value, int decimals, std::string& text) {
    if (!std::isfinite(value)) return false;
    if (decimals >= 0) {
        char buffer[400]; // the longest fixed form of a double: 1 + 309 + 1 + decimals
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, value,
                                     std::chars_format::fixed, std::min(decimals, 15));
        double back = 0;
        if (r.ec == std::errc() && std::from_chars(buffer, r.ptr, back).ec == std::errc() &&
            back == value) {
            text.assign(buffer, r.ptr);
            if (text.find('.') != std::string::npos) text.erase(text.find_last_not_of('0') + 1);
            if (text.back() == '.') text.pop_back();
            return true;
        }
    }
    text = ShortestPlain(value);
    return true;
}

constexpr int kMaxDepth = 64;

// A reader of one filter-tree blob that checks every offset it follows; the work area, when
// known, gives the decimals of the numeric fields its numbers are compared with.
class TTreeReader {
public:
    TTreeReader(const unsigned char* blob, const TEngineWorkArea* area)
        : blob_(blob), area_(area) {}

    bool Open() {
        // Version 2 blocks come from the dataset's filter builder, version 1 from the
        // data-aware controls' parser; both share the node and literal layout.
        if (Word16(0) != 1 && Word16(0) != 2) return false;
        size_ = Word16(2);
        nodes_ = Word16(6);
        literals_ = Word16(8);
        return size_ >= 10 && nodes_ >= 10 && nodes_ <= literals_ && literals_ <= size_;
    }

    bool Node(std::size_t ref, int depth, std::string& text) const {
        const std::size_t at = nodes_ + ref;
        if (depth > kMaxDepth || at + 8 > literals_) return false;
        const LongWord kind = Word32(at);
        const LongWord op = Word32(at + 4);
        switch (kind) {
        case 1: return Unary(op, Operand(at, 0), depth, text);
        case 2: return Binary(op, Operand(at, 0), Operand(at, 1), depth, text);
        case 3: return Compare(at, op, text);
        default: return false;
        }
    }

private:
    Word Word16(std::size_t at) const {
        return static_cast<Word>(blob_[at] | (blob_[at + 1] << 8));
    }
    LongWord Word32(std::size_t at) const {
        return static_cast<LongWord>(Word16(at)) | (static_cast<LongWord>(Word16(at + 2)) << 16);
    }
    // Operand i of the node at offset at; an offset past the node area when out of bounds.
    std::size_t Operand(std::size_t at, int i) const {
        const std::size_t pos = at + 8 + 2 * static_cast<std::size_t>(i);
        return pos + 2 <= literals_ ? Word16(pos) : size_;
    }

    bool Unary(LongWord op, std::size_t ref, int depth, std::string& text) const {
        std::string operand;
        if (op == 1 || op == 2) {
            if (!Field(ref, operand)) return false;
            text = std::string(op == 2 ? ".NOT. " : "") + "EMPTY(" + operand + ")";
            return true;
        }
        if (op != 9 || !Node(ref, depth + 1, operand)) return false;
        text = ".NOT. (" + operand + ")";
        return true;
    }

    bool Binary(LongWord op, std::size_t left, std::size_t right, int depth,
                std::string& text) const {
        if (op == 10 || op == 11) {
            std::string a, b;
            if (!Node(left, depth + 1, a) || !Node(right, depth + 1, b)) return false;
            text = "(" + a + (op == 10 ? ") .and. (" : ") .or. (") + b + ")";
            return true;
        }
        std::string field;
        char type = 0;
        std::string value;
        if (op < 3 || op > 8 || !Field(left, field) ||
            !Constant(right, FieldDecimals(field), type, value))
            return false;
        static const char* const kOps[] = {"=", "<>", ">", "<", ">=", "<="};
        const std::string relation = kOps[op - 3];
        switch (type) {
        case 'L':
            if (op != 3 && op != 4) return false;
            text = ((value == ".T.") == (op == 3) ? "" : ".NOT. ") + field;
            return true;
        case 'D': text = "DTOS(" + field + ") " + relation + " " + value; return true;
        case 'C':
            if (op == 3 || op == 4) {
                text = Equality("RTRIM(" + field + ")", value, op == 3);
                return true;
            }
            [[fallthrough]];
        default: text = field + " " + relation + " " + value; return true;
        }
    }

    bool Compare(std::size_t at, LongWord op, std::string& text) const {
        if (at + 16 > literals_ || (op != 3 && op != 4)) return false;
        const bool caseless = Word16(at + 8) != 0;
        const Word partial = Word16(at + 10);
        std::string field;
        char type = 0;
        std::string value;
        if (!Field(Word16(at + 12), field) || !Constant(Word16(at + 14), -1, type, value) ||
            type != 'C')
            return false;
        if (partial > 0) field = "LEFT(" + field + ", " + std::to_string(partial) + ")";
        field = "RTRIM(" + field + ")";
        if (caseless) {
            field = "UPPER(" + field + ")";
            value = UpperCase(value);
        }
        text = Equality(field, value, op == 3);
        return true;
    }

    // Whole-text equality of strings, whatever the engine's exact setting.
    static std::string Equality(const std::string& field, const std::string& value, bool equal) {
        const std::string test = field + " == " + value;
        return equal ? test : ".NOT. (" + test + ")";
    }

    bool Literal(std::size_t ref, std::size_t size, const unsigned char*& data) const {
        const std::size_t at = literals_ + ref;
        if (at > size_ || size > size_ - at) return false;
        data = blob_ + at;
        return true;
    }

    bool LiteralText(std::size_t ref, std::string& text) const {
        const unsigned char* data = nullptr;
        if (!Literal(ref, 0, data)) return false;
        const std::size_t room = size_ - (literals_ + ref);
        const std::size_t length = strnlen(reinterpret_cast<const char*>(data), room);
        if (length == room) return false; // no terminating zero inside the blob
        text.assign(reinterpret_cast<const char*>(data), length);
        return true;
    }

    bool Field(std::size_t ref, std::string& name) const {
        const std::size_t at = nodes_ + ref;
        if (at + 12 > literals_ || Word32(at) != 4) return false;
        return LiteralText(Word16(at + 10), name) && !name.empty() &&
               name.find_first_of(" ()'\"") == std::string::npos;
    }

    // The decimals of the work area's numeric field of that name; -1 when not known.
    int FieldDecimals(const std::string& name) const {
        if (!area_) return -1;
        for (const TFieldDescriptor& desc : area_->Logical)
            if (desc.FieldType == fldFloat && SameText(desc.Name.data(), name)) return desc.Units2;
        return -1;
    }

    // The constant as xBase text; type 'C' string, 'N' number (compared with a field of
    // `decimals` places), 'D' date, 'L' logical.
    bool Constant(std::size_t ref, int decimals, char& type, std::string& text) const {
        const std::size_t at = nodes_ + ref;
        if (at + 14 > literals_ || Word32(at) != 5) return false;
        const Word dataType = Word16(at + 8);
        const Word size = Word16(at + 10);
        const unsigned char* data = nullptr;
        if (dataType == 1) {
            type = 'C';
            std::string value;
            return LiteralText(Word16(at + 12), value) && Quoted(value, text);
        }
        if (!Literal(Word16(at + 12), size, data)) return false;
        return Scalar(dataType, size, data, decimals, type, text);
    }

    static bool Scalar(Word dataType, Word size, const unsigned char* data, int decimals,
                       char& type, std::string& text) {
        auto fits = [size](std::size_t n) { return size >= n; };
        switch (dataType) {
        case 2: {
            LongInt days = 0;
            if (!fits(4)) return false;
            std::memcpy(&days, data, 4);
            type = 'D';
            text = "'" + FormatDateTime("yyyymmdd", days - dbiDateDelta) + "'";
            return days > 0;
        }
        case 4: {
            SmallInt value = 0;
            if (!fits(2)) return false;
            std::memcpy(&value, data, 2);
            type = 'L';
            text = value ? ".T." : ".F.";
            return true;
        }
        case 5:
        case 12: {
            if (!fits(2)) return false;
            Word value = 0;
            std::memcpy(&value, data, 2);
            type = 'N';
            text = dataType == 5 ? std::to_string(static_cast<SmallInt>(value))
                                 : std::to_string(value);
            return true;
        }
        case 6: {
            LongInt value = 0;
            if (!fits(4)) return false;
            std::memcpy(&value, data, 4);
            type = 'N';
            text = std::to_string(value);
            return true;
        }
        case 7: {
            double value = 0;
            if (!fits(8)) return false;
            std::memcpy(&value, data, 8);
            type = 'N';
            return PlainDecimal(value, decimals, text);
        }
        default: return false;
        }
    }

    static bool Quoted(const std::string& value, std::string& text) {
        text = QuotedText(value);
        return true;
    }

    const unsigned char* blob_;
    const TEngineWorkArea* area_;
    std::size_t size_ = 0;
    std::size_t nodes_ = 0;
    std::size_t literals_ = 0;
};

} // namespace

bool FilterTreeCondition(const void* blob, std::string& condition, TCursorHandle cursor) {
    if (!blob) return false;
    TTreeReader reader(static_cast<const unsigned char*>(blob), EngineWorkArea(cursor));
    return reader.Open() && reader.Node(0, 0, condition);
}

DBIResult DbiAddFilter(TCursorHandle cursor, std::intptr_t clientData, int priority, bool,
                       const void* expression, TFilterCallback callback, TFilterHandle* filter) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    const TFilterHandle slot = area->FindFreeFilterSlot();
    if (slot == 0) return dbiNoMemory;
    TEngineFilter& f = *area->Filter(slot);
    f = TEngineFilter{};
    f.Kind = priority;
    if (expression) {
        const auto* text = reinterpret_cast<const char*>(clientData);
        if (text && *text)
            f.Text = text;
        else if (!FilterTreeCondition(expression, f.Text, cursor) || f.Text.empty())
            return dbiBadParameter;
    } else {
        if (!callback) return dbiBadParameter;
        f.IsCallback = true;
        f.Callback = callback;
        f.ClientData = clientData;
        area->CallbackFilters = true;
    }
    if (filter) *filter = slot;
    return dbiOK;
}

DBIResult DbiActivateFilter(TCursorHandle cursor, TFilterHandle filter) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (filter == 0) {
        std::vector<TEngineFilter*> activated;
        for (TEngineFilter& f : area->Filters)
            if (!f.Free() && !f.Active) {
                f.Active = true;
                activated.push_back(&f);
            }
        const DBIResult result = SetQuery(*area);
        if (result != dbiOK) {
            for (TEngineFilter* f : activated)
                f->Active = false;
            SetQuery(*area);
        }
        return result;
    }
    TEngineFilter* f = area->Filter(filter);
    if (!f || f->Free()) return dbiBadParameter;
    if (f->Active) return dbiOK;
    if (f->IsCallback) {
        f->Active = true;
        return dbiOK;
    }
    DBIResult result = dbiOK;
    if (f->Kind == filterKindSearch) {
        result = RunSearch(*f, *area);
    } else {
        f->Active = true;
        result = SetQuery(*area);
    }
    f->Active = result == dbiOK;
    f->Refused = !f->Active;
    return result;
}

DBIResult DbiDeactivateFilter(TCursorHandle cursor, TFilterHandle filter) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    if (filter == 0) {
        for (TEngineFilter& f : area->Filters)
            if (!f.Free()) f.Active = false;
        return ResultOfEngineStatus(xb_Query(""));
    }
    TEngineFilter* f = area->Filter(filter);
    if (!f || f->Free()) return dbiBadParameter;
    if (!f->Active) return dbiOK;
    f->Active = false;
    return !f->IsCallback && f->Kind != filterKindSearch ? SetQuery(*area) : dbiOK;
}

DBIResult DbiDropFilter(TCursorHandle cursor, TFilterHandle filter) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    TEngineFilter* f = area->Filter(filter);
    if (!f || (!f->Active && !f->Refused)) return dbiOK;
    const bool expressionFilter = !f->IsCallback;
    const bool search = f->Kind == filterKindSearch;
    if (!expressionFilter) area->CallbackFilters = false;
    const bool inCondition = expressionFilter && !search && f->Active;
    *f = TEngineFilter{};
    return inCondition ? SetQuery(*area) : dbiOK;
}

DBIResult DbiRestoreFilterCondition(TCursorHandle cursor) {
    TWA wa(cursor);
    TEngineWorkArea* area = EngineWorkArea(cursor);
    if (wa.Failed() || !area) return dbiBadHandle;
    return SetQuery(*area);
}
