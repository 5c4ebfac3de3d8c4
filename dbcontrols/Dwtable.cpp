#include "dbcontrols/Dwtable.h"

#include "db/DBTables.h"
#include "db/DbiFilters.h"
#include "dbcontrols/DwParser.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Modules.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/SysUtils.h"
#include "xbase/XbModule.h"

#include <algorithm>
#include <limits>

// ---- The dwFilter text ----

std::string dwJoinFilterLines(const TStrings* Lines) {
    std::string text;
    for (int i = 0; Lines != nullptr && i < Lines->Count(); ++i) {
        std::string line = (*Lines)[i];
        while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
            line.pop_back();
        if (line.empty()) continue;
        text += text.empty() ? line : " AND (" + line + ")";
    }
    return text;
}

namespace {

// Hands an xBase condition to the engine through its module's entry points.
bool QueryThroughModule(const std::string& Text, TCursorHandle Cursor) {
    if (Text.size() > kMaxXBaseFilterLength) return false;
    TModuleHandle module = 0;
    for (const char* name : kXBaseModules)
        if ((module = GetModuleHandle(name)) != 0) break;
    if (module == 0) return false;
    const auto select = reinterpret_cast<TXbSelectProc>(GetProcAddress(module, "XB_SELECT"));
    const auto query = reinterpret_cast<TXbQueryProc>(GetProcAddress(module, "XB_QUERY"));
    if (select == nullptr || query == nullptr) return false;
    const auto area = static_cast<Word>(Cursor & 0xFFFF);
    const Word previous = select(area);
    char buffer[kMaxXBaseFilterLength + 1] = {};
    Text.copy(buffer, kMaxXBaseFilterLength);
    const Word result = query(buffer);
    if (previous != area) select(previous);
    return result == 0;
}

bool ApplyXBaseText(const std::string& Text, TDataSet* DataSet) {
    const TCursorHandle cursor = DataSet->Handle();
    if (Text.empty()) {
        if (cursor != 0) DbiRestoreFilterCondition(cursor);
    } else if (!QueryThroughModule(Text, cursor)) {
        return false;
    }
    if (DataSet->Active()) DataSet->Refresh();
    return true;
}

void DropExpressionFilter(TDataSet* DataSet, TFilterHandle& Handle) {
    if (Handle != 0 && DataSet->Handle() != 0) DbiDropFilter(DataSet->Handle(), Handle);
    Handle = 0;
}

bool ApplyParsedText(const std::string& Text, TDataSet* DataSet, TFilterHandle& Handle) {
    if (Text.empty()) {
        DropExpressionFilter(DataSet, Handle);
        if (DataSet->Active()) DataSet->Refresh();
        return true;
    }
    std::vector<Byte> block;
    try {
        block = BuildFilterExpr(Text, DataSet);
    } catch (const EConvertError&) {
        block.clear();
    }
    if (block.empty()) {
        Handle = 0;
        return false;
    }
    DropExpressionFilter(DataSet, Handle);
    TFilterHandle filter = 0;
    if (DbiAddFilter(DataSet->Handle(), 0, 1, false, block.data(), nullptr, &filter) != dbiOK) {
        Handle = 0;
        return false;
    }
    Handle = filter;
    DbiActivateFilter(DataSet->Handle(), filter);
    if (DataSet->Active()) DataSet->Refresh();
    return true;
}

} // namespace

bool dwApplyFilterText(const std::string& Text, TDataSet* DataSet, TFilterHandle& Handle,
                       bool Opening, bool XBaseText) {
    if (!DataSet->Active() && !Opening) {
        Handle = 0;
        return true;
    }
    return XBaseText ? ApplyXBaseText(Text, DataSet) : ApplyParsedText(Text, DataSet, Handle);
}

// ---- The value search ----

namespace {

bool TextMatches(const std::string& FieldText, const std::string& Wanted, Byte MatchType) {
    switch (MatchType) {
    case dwMatchWhole: return FieldText == Wanted;
    case dwMatchStart: return FieldText.compare(0, Wanted.size(), Wanted) == 0;
    case dwMatchAnywhere: return FieldText.find(Wanted) != std::string::npos;
    default: return false;
    }
}

bool IsMemo(const TField* Field) {
    return Field->DataType() == ftMemo || Field->DataType() == ftFmtMemo;
}

// The first 32767 bytes of the memo, as the field's stream delivers them.
std::string MemoText(TField* Field) {
    std::string text(static_cast<std::size_t>(kMemoSearchLength), '\0');
    TdwMemoStream stream(Field);
    text.resize(static_cast<std::size_t>(stream.Read(text.data(), kMemoSearchLength)));
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

bool RecordMatches(TField* Field, const std::string& Wanted, Byte MatchType, bool CaseSensitive) {
    const TFieldType type = Field->DataType();
    if ((type == ftFloat || type == ftCurrency || type == ftBCD) && MatchType == dwMatchWhole &&
        !Wanted.empty()) {
        double value = 0;
        return TextToFloat(Wanted, value) && !Field->IsNull() && Field->AsFloat() == value;
    }
    std::string text;
    if (!IsMemo(Field)) {
        text = Field->AsString();
    } else {
        try {
            text = MemoText(Field);
        } catch (const EDatabaseError&) {
            MessageDlg("Fail to create blob", mtInformation, {mbOK}, 0);
            return false;
        }
    }
    if (!CaseSensitive) text = AnsiUpperCase(text);
    return TextMatches(text, Wanted, MatchType);
}

// Scans from the first record; on no match the dataset goes back to Bookmark.
bool ScanForValue(TDataSet* DataSet, TField* Field, const std::string& Wanted, Byte MatchType,
                  bool CaseSensitive) {
    const std::vector<char> bookmark = DataSet->GetBookmark();
    TWaitCursor wait;
    DataSet->DisableControls();
    bool found = false;
    try {
        for (DataSet->First(); !DataSet->Eof() && !found;) {
            found = RecordMatches(Field, Wanted, MatchType, CaseSensitive);
            if (!found) DataSet->Next();
        }
        if (!found && !bookmark.empty()) DataSet->GotoBookmark(bookmark);
    } catch (...) {
        DataSet->EnableControls();
        throw;
    }
    DataSet->EnableControls();
    return found;
}

} // namespace

bool dwFindValue(TDataSet* DataSet, const std::string& Value, const std::string& FieldName,
                 Byte MatchType, bool CaseSensitive, const TdwIndexSearch& IndexSearch) {
    TField* field = DataSet->FindField(FieldName);
    if (field == nullptr) {
        MessageDlg("Field " + FieldName + " not found.", mtWarning, {mbOK}, 0);
        return false;
    }
    const std::string current = field->AsString();
    if (CaseSensitive ? current == Value : AnsiLowerCase(current) == AnsiLowerCase(Value))
        return true;
    DataSet->CheckBrowseMode();
    DataSet->UpdateCursorPos();
    const std::string wanted = CaseSensitive ? Value : AnsiUpperCase(Value);
    bool found = false;
    if (IndexSearch && !IsMemo(field) && IndexSearch(field, Value, found)) return found;
    return ScanForValue(DataSet, field, wanted, MatchType, CaseSensitive);
}

// ---- TdwRecordFilter ----

TdwRecordFilter::~TdwRecordFilter() {
    Drop();
}

void TdwRecordFilter::Drop() {
    if (handle_ != 0 && dataSet_->Handle() != 0) DbiDropFilter(dataSet_->Handle(), handle_);
    handle_ = 0;
}

void TdwRecordFilter::SetOptions(TdwOnFilterOptions Value) {
    const bool switchedOff = options_.Contains(ofoEnabled) && !Value.Contains(ofoEnabled);
    options_ = Value;
    if (switchedOff && !inCallback_ && dataSet_->Active() && Event) {
        dataSet_->UpdateCursorPos();
        dataSet_->Resync(0);
    }
}

bool TdwRecordFilter::Install(bool On) {
    Drop();
    const TCursorHandle cursor = dataSet_->Handle();
    if (On && cursor != 0) {
        TFilterHandle filter = 0;
        if (DbiAddFilter(cursor, reinterpret_cast<std::intptr_t>(this), 1, false, nullptr,
                         &TdwRecordFilter::Callback, &filter) != dbiOK ||
            filter == 0)
            return false;
        handle_ = filter;
        DbiActivateFilter(cursor, filter);
    }
    Reread();
    return true;
}

void TdwRecordFilter::Reread() {
    if (!dataSet_->Active()) return;
    if (dataSet_->GetIndexFieldCount() > 0) {
        dataSet_->Refresh();
    } else {
        dataSet_->UpdateCursorPos();
        dataSet_->Resync(0);
    }
}

bool TdwRecordFilter::Callback(std::intptr_t ClientData, const char* Record, LongInt) {
    return reinterpret_cast<TdwRecordFilter*>(ClientData)->Accept(Record);
}

bool TdwRecordFilter::Accept(const char* Record) {
    if (dataSet_->ComponentState().Contains(csDestroying) || !Event || running_ ||
        !options_.Contains(ofoEnabled))
        return true;
    struct TGuard {
        TdwRecordFilter& f;
        ~TGuard() {
            f.running_ = false;
            f.inCallback_ = false;
            f.record_ = nullptr;
        }
    } guard{*this};
    inCallback_ = true;
    running_ = true;
    record_ = Record;
    bool accept = true;
    dataSet_->ReadFilterRecord(Record, [&] { Event(accept); });
    running_ = false;
    record_ = nullptr;
    if (options_.Contains(ofoCancelOnEscape)) {
        escapeCounter_ = escapeCounter_ + 1 >= 32000 ? 0 : escapeCounter_ + 1;
        if (escapeCounter_ % 100 == 0 && dwTakeEscapeKey()) {
            TdwOnFilterOptions options = options_;
            options.Exclude(ofoEnabled);
            SetOptions(options);
            if (OnFilterEscape) OnFilterEscape(dataSet_);
        }
    }
    return accept;
}

// ---- TdwMemoStream ----

TdwMemoStream::TdwMemoStream(TField* Field) {
    auto* blob = dynamic_cast<TBlobField*>(Field);
    if (blob != nullptr && blob->DataSet() != nullptr)
        blob_ = std::make_unique<TBlobStream>(blob, bmRead);
}

TdwMemoStream::~TdwMemoStream() = default;

LongInt TdwMemoStream::Read(void* Buffer, LongInt Count) {
    if (!blob_ || Count <= 0) return 0;
    constexpr LongInt kRequest = 32768;
    auto* out = static_cast<char*>(Buffer);
    LongInt total = 0;
    while (total < Count) {
        blob_->Seek(position_, soFromBeginning);
        const LongInt got = blob_->Read(out + total, std::min(kRequest, Count - total));
        if (got <= 0) break;
        total += got;
        position_ += got;
    }
    return total;
}

Int64 TdwMemoStream::Seek(Int64 Offset, Word Origin) {
    const Int64 size = blob_ ? blob_->Seek(0, soFromEnd) : 0;
    Int64 target = Offset;
    if (Origin == soFromCurrent) target += position_;
    if (Origin == soFromEnd) target += size;
    if (target >= 0 && target <= std::numeric_limits<LongInt>::max())
        position_ = static_cast<LongInt>(target);
    return position_;
}

// ---- TdwDataSetParts ----

void TdwDataSetParts::ValidateBeforePost() {
    if (!ValidateWithMask) return;
    dwValidateRecordMasks(dataSet_, OnInvalidValue, [this](TField* field) {
        return dwGetPictureMask(dataSet_, field->FieldName()).Mask;
    });
}

void TdwDataSetParts::CleanDefinitions() {
    dwCleanLookupDefinitions(dataSet_, &LookupFields, &LookupLinks, &ControlType);
}
