#include "dbcontrols/Dwtable.h"

#include "db/DBTables.h"
#include "db/DbiFilters.h"
#include "dbcontrols/DwParser.h"
#include "platform/rtl/Modules.h"
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

// ---- TdwRecordFilter ----

TdwRecordFilter::~TdwRecordFilter() {
    if (handle_ != 0 && dataSet_->Handle() != 0) DbiDropFilter(dataSet_->Handle(), handle_);
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
    const TCursorHandle cursor = dataSet_->Handle();
    if (handle_ != 0 && cursor != 0) DbiDropFilter(cursor, handle_);
    handle_ = 0;
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
    Event(accept);
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
