#include "xbase/XbTable.h"

#include "platform/rtl/Clock.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Streams.h"
#include "xbase/XbError.h"
#include "xbase/XbExpr.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <strings.h>
#include <sys/mman.h>

namespace {

constexpr int kPrefixSize = 32;
constexpr int kDescriptorSize = 32;
constexpr char kFieldEnd = 0x0D;
constexpr char kEndOfFile = 0x1A;
constexpr int kMaxFields = 255;
constexpr int kMaxRecordSize = 65535;
constexpr Byte kLanguageAnsi = 0x03;
constexpr int kStampAt = 16;                 // the update stamp in the header's reserved bytes
constexpr int kHeaderWritten = kStampAt + 4; // bytes 1.. of a header write
constexpr Int64 kBlockSize = 1 << 16;        // bytes a shared open reads at once
constexpr std::size_t kGatherSize = 1 << 16; // appended bytes a sole user gathers
constexpr Int64 kMapRoom = 1 << 24;          // bytes mapped past the end of the file
constexpr auto kMoment = std::chrono::milliseconds(20); // a header read this recently is current

// Writes of every table of this process: a shared open's block and header read before the
// latest write may be out of date.
std::uint64_t& ProcessWrites() {
    static std::uint64_t writes = 0;
    return writes;
}

bool KnownVersion(Byte v) {
    switch (v) {
    case 0x03:
    case 0x83:
    case 0x86:
    case 0xF5:
    case 0xF6:
    case 0x30:
    case 0xE5:
    case 0xE6: return true;
    default: return false;
    }
}

TXbMemoKind MemoKindOfVersion(Byte v) {
    switch (v) {
    case 0x83:
    case 0x86: return TXbMemoKind::Dbt;
    case 0x03: return TXbMemoKind::None;
    default: return TXbMemoKind::Fpt;
    }
}

bool ValidName(const std::string& name) {
    if (name.empty() || name.size() > 10 || !std::isalpha(static_cast<unsigned char>(name[0])))
        return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

// The width a type must have, or 0 when the caller chooses it within the type's limits.
bool ValidWidth(const TXbFieldDef& f) {
    switch (f.Type) {
    case 'C': return f.Width >= 1 && f.Width <= 254 && f.Decimals == 0;
    case 'N':
    case 'F':
        return f.Width >= 1 && f.Width <= 19 && f.Decimals >= 0 && f.Decimals <= 15 &&
               (f.Decimals == 0 || f.Decimals <= f.Width - 2);
    case 'D': return f.Width == 8 && f.Decimals == 0;
    case 'L': return f.Width == 1 && f.Decimals == 0;
    case 'M': return f.Width == 10 && f.Decimals == 0;
    default: return false;
    }
}

void PutHeaderDate(char* p) {
    const TSystemTime now = Clock().LocalTime();
    p[0] = static_cast<char>((now.Year - 1900) & 0xFF);
    p[1] = static_cast<char>(now.Month);
    p[2] = static_cast<char>(now.Day);
}

} // namespace

namespace {

double DoubleOf(std::string_view bytes) {
    const auto bits = static_cast<std::uint64_t>(DecodeLE<LongWord>(bytes.data())) |
                      static_cast<std::uint64_t>(DecodeLE<LongWord>(bytes.data() + 4)) << 32;
    return std::bit_cast<double>(bits);
}

// The shortest text that reads back as the double (an exponent where that is shorter).
std::string FullDoubleText(std::string_view bytes) {
    const double value = DoubleOf(bytes);
    if (!std::isfinite(value)) return {};
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace

std::string XbDoubleText(const TXbFieldDef& f, std::string_view bytes) {
    return bytes.size() == 8 ? XbFixed(DoubleOf(bytes), f.Decimals) : std::string();
}

namespace {

constexpr std::uint64_t kCurrencyScale = 10000; // 10^XbCurrencyDecimals
constexpr LongInt kDayMilliseconds = 86400000;

std::string CurrencyText(Int64 value) {
    const auto magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::string fraction = std::to_string(magnitude % kCurrencyScale);
    return (value < 0 ? "-" : "") + std::to_string(magnitude / kCurrencyScale) + "." +
           std::string(XbCurrencyDecimals - fraction.size(), '0') + fraction;
}

std::string DateTimeText(LongInt day, LongInt milliseconds) {
    const std::string date = XbDateToStored(day);
    if (date[0] == ' ' || milliseconds < 0 || milliseconds >= kDayMilliseconds) return {};
    const LongInt seconds = milliseconds / 1000;
    std::string text =
        Format("%s %.2d:%.2d:%.2d", {date, seconds / 3600, seconds / 60 % 60, seconds % 60});
    if (milliseconds % 1000 != 0) text += Format(".%.3d", {milliseconds % 1000});
    return text;
}

} // namespace

bool XbBinaryText(const TXbFieldDef& f, std::string_view bytes, std::string& text,
                  bool fullDouble) {
    if (XbIsDoubleField(f))
        text = fullDouble ? FullDoubleText(bytes) : XbDoubleText(f, bytes);
    else if (f.Type == 'I' && bytes.size() == 4)
        text = std::to_string(DecodeLE<LongInt>(bytes.data()));
    else if (f.Type == 'Y' && bytes.size() == 8)
        text = CurrencyText(DecodeLE<Int64>(bytes.data()));
    else if (f.Type == 'T' && bytes.size() == 8)
        text = DateTimeText(DecodeLE<LongInt>(bytes.data()), DecodeLE<LongInt>(bytes.data() + 4));
    else
        return false;
    return true;
}

std::string XbDoubleBytes(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    std::string bytes(8, '\0');
    EncodeLE<LongWord>(bytes.data(), static_cast<LongWord>(bits & 0xFFFFFFFFu));
    EncodeLE<LongWord>(bytes.data() + 4, static_cast<LongWord>(bits >> 32));
    return bytes;
}

int TXbTable::CheckFields(std::vector<TXbFieldDef>& fields) {
    if (fields.empty() || fields.size() > kMaxFields) return xbBadArgument;
    int offset = 1;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TXbFieldDef& f = fields[i];
        std::transform(f.Name.begin(), f.Name.end(), f.Name.begin(), [](char c) {
            return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        });
        f.Type = static_cast<char>(std::toupper(static_cast<unsigned char>(f.Type)));
        if (f.Type == 'D')
            f.Width = f.Width ? f.Width : 8;
        else if (f.Type == 'L')
            f.Width = f.Width ? f.Width : 1;
        else if (f.Type == 'M')
            f.Width = f.Width ? f.Width : 10;
        if (!ValidName(f.Name) || !ValidWidth(f)) return xbBadArgument;
        for (std::size_t j = 0; j < i; ++j)
            if (fields[j].Name == f.Name) return xbBadArgument;
        f.Offset = offset;
        offset += f.Width;
    }
    return offset > kMaxRecordSize ? xbBadArgument : xbOK;
}

int TXbTable::Create(const std::string& path, std::vector<TXbFieldDef> fields,
                     TXbMemoKind memoKind) {
    if (const int status = CheckFields(fields); status != xbOK) return status;
    const bool memo = std::any_of(fields.begin(), fields.end(),
                                  [](const TXbFieldDef& f) { return f.Type == 'M'; });
    if (memo && memoKind == TXbMemoKind::None) return xbBadArgument;
    const Byte version = !memo ? 0x03 : memoKind == TXbMemoKind::Dbt ? 0x83 : 0xF5;
    const int headerSize = kPrefixSize + kDescriptorSize * static_cast<int>(fields.size()) + 1;
    std::string header(static_cast<std::size_t>(headerSize) + 1, '\0');
    header[0] = static_cast<char>(version);
    PutHeaderDate(&header[1]);
    EncodeLE<LongWord>(&header[4], 0);
    EncodeLE<Word>(&header[8], static_cast<Word>(headerSize));
    EncodeLE<Word>(&header[10], static_cast<Word>(fields.back().Offset + fields.back().Width));
    header[29] = static_cast<char>(kLanguageAnsi);
    for (std::size_t i = 0; i < fields.size(); ++i) {
        char* d = &header[kPrefixSize + kDescriptorSize * i];
        std::copy(fields[i].Name.begin(), fields[i].Name.end(), d);
        d[11] = fields[i].Type;
        EncodeLE<LongWord>(d + 12, static_cast<LongWord>(fields[i].Offset));
        d[16] = static_cast<char>(fields[i].Width);
        d[17] = static_cast<char>(fields[i].Decimals);
    }
    header[static_cast<std::size_t>(headerSize) - 1] = kFieldEnd;
    header[static_cast<std::size_t>(headerSize)] = kEndOfFile;
    TXbFile file;
    if (!file.Create(path)) return xbWriteFailed;
    if (file.WriteAt(0, header) && file.Flush()) return xbOK;
    // A table the system refused leaves no file, which would read as a damaged table.
    XbRemove(path);
    return xbWriteFailed;
}

int TXbTable::Open(const std::string& path, bool writable) {
    Close();
    if (!file_.Open(path, writable)) return xbNotFound;
    const int status = ReadHeader();
    if (status != xbOK) {
        XbSetReason(xbErrDamagedHeader, path);
        Close();
    }
    return status;
}

int TXbTable::ReadHeader() {
    // The count before the size: another user appending writes the records before the count,
    // so a count read first never runs past the size read after it.
    std::string prefix;
    if (!file_.ReadAt(0, prefix, kPrefixSize)) return xbDamaged;
    const Int64 size = file_.Size();
    if (size < kPrefixSize + 1) return xbDamaged;
    const auto version = static_cast<Byte>(prefix[0]);
    if (!KnownVersion(version)) return xbDamaged;
    memoKind_ = MemoKindOfVersion(version);
    const LongInt count = static_cast<LongInt>(DecodeLE<LongWord>(&prefix[4]));
    headerSize_ = DecodeLE<Word>(&prefix[8]);
    recordSize_ = DecodeLE<Word>(&prefix[10]);
    if (count < 0 || headerSize_ < kPrefixSize + kDescriptorSize + 1 || headerSize_ > size ||
        recordSize_ < 2)
        return xbDamaged;
    if (static_cast<Int64>(headerSize_) + static_cast<Int64>(count) * recordSize_ > size)
        return xbDamaged;
    count_ = count;
    stamp_ = DecodeLE<LongWord>(&prefix[kStampAt]);
    sizeSeen_ = size;
    refreshed_ = std::chrono::steady_clock::now();
    refreshedWrites_ = ProcessWrites();
    touched_ = false;
    prefix_ = prefix;
    std::string header;
    if (!file_.ReadAt(0, header, static_cast<std::size_t>(headerSize_))) return xbDamaged;
    return ReadFields(header);
}

int TXbTable::ReadFields(const std::string& header) {
    // The fields are kept only when the whole list is sound: a damaged header leaves none, so
    // nothing reads a field past the record's end.
    fields_.clear();
    std::vector<TXbFieldDef> fields;
    int offset = 1;
    std::size_t pos = kPrefixSize;
    for (;;) {
        if (pos >= header.size()) return xbDamaged; // no field terminator inside the header
        if (header[pos] == kFieldEnd) break;
        if (pos + kDescriptorSize > header.size()) return xbDamaged;
        const char* d = &header[pos];
        TXbFieldDef f;
        f.Name.assign(d, static_cast<std::size_t>(std::find(d, d + 11, '\0') - d));
        f.Type = static_cast<char>(std::toupper(static_cast<unsigned char>(d[11])));
        f.Width = static_cast<unsigned char>(d[16]);
        f.Decimals = static_cast<unsigned char>(d[17]);
        f.Offset = offset;
        if (f.Name.empty() || f.Width == 0 || !std::isgraph(static_cast<unsigned char>(f.Type)))
            return xbDamaged;
        if (XbIsMemoField(f) && memoKind_ == TXbMemoKind::None) memoKind_ = TXbMemoKind::Fpt;
        offset += f.Width;
        fields.push_back(std::move(f));
        pos += kDescriptorSize;
    }
    if (fields.empty() || offset != recordSize_) return xbDamaged;
    fields_ = std::move(fields);
    return xbOK;
}

bool TXbTable::HasMemoFields() const {
    return std::any_of(fields_.begin(), fields_.end(),
                       [](const TXbFieldDef& f) { return XbIsMemoField(f); });
}

std::string TXbTable::BlankRecord() const {
    std::string image(static_cast<std::size_t>(recordSize_), ' ');
    for (const TXbFieldDef& f : fields_)
        if (XbIsBinaryField(f))
            image.replace(static_cast<std::size_t>(f.Offset), static_cast<std::size_t>(f.Width),
                          static_cast<std::size_t>(f.Width), '\0');
    return image;
}

int TXbTable::FieldIndex(const std::string& name) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (::strcasecmp(fields_[i].Name.c_str(), name.c_str()) == 0) return static_cast<int>(i);
    return -1;
}

bool TXbTable::RefreshCount() {
    char bytes[kStampAt];
    if (!file_.ReadAt(4, bytes, sizeof bytes)) return false;
    refreshed_ = std::chrono::steady_clock::now();
    refreshedWrites_ = ProcessWrites();
    const auto count = static_cast<LongInt>(DecodeLE<LongWord>(bytes));
    stamp_ = DecodeLE<LongWord>(bytes + kStampAt - 4);
    // The size is asked only when the count reaches past the size seen last.
    const Int64 end = static_cast<Int64>(headerSize_) + static_cast<Int64>(count) * recordSize_;
    if (end > sizeSeen_) sizeSeen_ = file_.Size();
    if (count < 0 || end > sizeSeen_) return false;
    count_ = count;
    return true;
}

bool TXbTable::RefreshRecentCount() {
    if (refreshedWrites_ == ProcessWrites() &&
        std::chrono::steady_clock::now() - refreshed_ < kMoment)
        return true;
    return RefreshCount();
}

char* TXbTable::Pending(LongInt recno) const {
    if (pending_.empty()) return nullptr;
    const auto gathered = static_cast<LongInt>(pending_.size() / recordSize_);
    if (recno <= count_ - gathered || recno > count_) return nullptr;
    return pending_.data() + static_cast<std::size_t>(recno - (count_ - gathered) - 1) *
                                 static_cast<std::size_t>(recordSize_);
}

bool TXbTable::ReadRecord(LongInt recno, char* image, bool stepping) const {
    if (recno < 1 || recno > count_) return false;
    const auto size = static_cast<std::size_t>(recordSize_);
    if (const char* gathered = Pending(recno)) {
        std::copy_n(gathered, size, image);
        return true;
    }
    if (!exclusive_) return ReadShared(recno, image, stepping);
    const Int64 at = At(recno);
    // A walk in record order reads each page of the file once and in sequence, where the
    // mapping serves as well as memory would without copying the records first.
    const char* kept = stepping ? memory_.Held(at, size) : memory_.Read(file_, at, size);
    if (!kept && !MapUpTo(at + recordSize_)) return file_.ReadAt(at, image, size);
    std::copy_n(kept ? kept : map_ + at, size, image);
    return true;
}

void TXbTable::Prefetch(LongInt recno) const {
    if (recno < 1 || recno > count_) return;
    if (const char* kept = memory_.Held(At(recno), static_cast<std::size_t>(recordSize_)))
        __builtin_prefetch(kept);
    else if (At(recno) + recordSize_ <= mapSize_)
        __builtin_prefetch(map_ + At(recno));
}

bool TXbTable::ReadShared(LongInt recno, char* image, bool stepping) const {
    const auto size = static_cast<std::size_t>(recordSize_);
    const bool forward = recno == lastRead_ + 1;
    const bool backward = recno == lastRead_ - 1;
    lastRead_ = recno;
    if (!stepping) return file_.ReadAt(At(recno), image, size);
    const bool current =
        blockStamp_ == stamp_ && blockCount_ == count_ && blockWrites_ == ProcessWrites();
    if (current && recno >= blockFirst_ && recno < blockFirst_ + blockRecords_) {
        std::copy_n(block_.data() + static_cast<std::size_t>(recno - blockFirst_) * size, size,
                    image);
        return true;
    }
    if (!forward && !backward) return file_.ReadAt(At(recno), image, size);
    const LongInt fit = std::max<LongInt>(1, static_cast<LongInt>(kBlockSize / recordSize_));
    const LongInt first = forward ? recno : std::max<LongInt>(1, recno - fit + 1);
    const LongInt records = forward ? std::min(fit, count_ - recno + 1) : recno - first + 1;
    block_.resize(static_cast<std::size_t>(records) * size);
    blockRecords_ = 0;
    if (!file_.ReadAt(At(first), block_.data(), block_.size()))
        return file_.ReadAt(At(recno), image, size);
    blockFirst_ = first;
    blockRecords_ = records;
    blockCount_ = count_;
    blockStamp_ = stamp_;
    blockWrites_ = ProcessWrites();
    std::copy_n(block_.data() + static_cast<std::size_t>(recno - first) * size, size, image);
    return true;
}

bool TXbTable::MapUpTo(Int64 end) const {
    if (end <= mapSize_) return true;
    Unmap();
    const Int64 size = file_.Size();
    if (size < end) return false;
    // Room to grow: records appended later are read through the same mapping. Only records on
    // disk are read through it, so no byte past the end of the file is touched.
    const Int64 length = size + size / 2 + kMapRoom;
    void* map =
        ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_SHARED, file_.Handle(), 0);
    if (map == MAP_FAILED) return false;
    map_ = static_cast<const char*>(map);
    mapSize_ = length;
    return true;
}

void TXbTable::Unmap() const {
    if (map_) ::munmap(const_cast<char*>(map_), static_cast<std::size_t>(mapSize_));
    map_ = nullptr;
    mapSize_ = 0;
}

bool TXbTable::WriteRecord(LongInt recno, const std::string& image) {
    ++ProcessWrites();
    if (recno < 1 || recno > count_ || image.size() != static_cast<std::size_t>(recordSize_))
        return false;
    if (char* gathered = Pending(recno)) {
        std::copy(image.begin(), image.end(), gathered);
        return true;
    }
    return Touch() && WriteBytes(At(recno), image);
}

bool TXbTable::AppendRecord(const std::string& image) {
    ++ProcessWrites();
    if (image.size() != static_cast<std::size_t>(recordSize_)) return false;
    if (exclusive_) {
        if (!MakeRoom()) return false;
        pending_ += image;
        ++count_;
        // Without room set aside for it (MakeRoom) the record is written at once.
        if ((roomEnd_ > 0 && pending_.size() < kGatherSize) || FlushAppends()) return true;
        pending_.resize(pending_.size() - image.size()); // the others wait for the next flush
        --count_;
        return false;
    }
    std::string bytes = image;
    bytes += kEndOfFile;
    const bool touched = touched_;
    if (WriteBytes(At(count_ + 1), bytes)) {
        // The header takes the record in and raises the stamp in one write.
        if (!touched_) ++stamp_;
        touched_ = true;
        ++count_;
        if (WriteHeader()) return true;
        --count_;
        touched_ = touched;
    }
    CutAfter(count_);
    return false;
}

bool TXbTable::FlushAppends() {
    if (pending_.empty()) return true;
    ++ProcessWrites();
    const LongInt held = count_ - static_cast<LongInt>(pending_.size()) / recordSize_;
    pending_ += kEndOfFile;
    const bool written = WriteBytes(At(held + 1), pending_);
    pending_.pop_back();
    if (written) {
        if (exclusive_ && keepAppends_) memory_.Appended(file_, At(held + 1), pending_.size());
        const bool touched = touched_;
        if (!touched_) ++stamp_;
        touched_ = true;
        if (WriteHeader()) {
            pending_.clear();
            return true;
        }
        if (!touched) --stamp_;
        touched_ = touched;
    }
    CutAfter(held); // the records wait in memory for another try
    return false;
}

void TXbTable::DropAppends() {
    count_ -= static_cast<LongInt>(pending_.size()) / recordSize_;
    pending_.clear();
}

bool TXbTable::MakeRoom() {
    if (!exclusive_) return true;
    const Int64 end = At(count_ + 2) + 1; // the next record and the end-of-file mark
    if (end <= roomEnd_) return true;
    // From the first record not on disk: a refused flush cut the file, and its room with it.
    const Int64 from = At(count_ + 1) - static_cast<Int64>(pending_.size());
    // Room for the records of a whole flush at once, else for this record alone.
    for (const Int64 to : {end + static_cast<Int64>(kGatherSize), end}) {
        const TXbFile::TRoom room = file_.Reserve(from, to - from);
        if (room == TXbFile::TRoom::Taken) roomEnd_ = to;
        if (room != TXbFile::TRoom::Refused) return true;
    }
    return false;
}

bool TXbTable::Sync() {
    if (!FlushAppends()) return false;
    GiveBackRoom();
    return file_.Flush();
}

bool TXbTable::Touch() {
    if (touched_) return true;
    if (!FlushAppends()) return false;
    if (touched_) return true;
    ++stamp_;
    touched_ = true;
    if (exclusive_ ? WriteHeader() : WriteStamp()) return true;
    touched_ = false;
    return false;
}

bool TXbTable::RemoveLastRecord() {
    ++ProcessWrites();
    if (count_ < 1) return false;
    if (Pending(count_)) {
        pending_.resize(pending_.size() - static_cast<std::size_t>(recordSize_));
        --count_;
        return true;
    }
    if (!touched_) ++stamp_;
    touched_ = true;
    --count_;
    Unmap(); // the file gets shorter
    memory_.Clear();
    return WriteHeader() && CutAfter(count_);
}

bool TXbTable::TakeBack(const TMark& mark) {
    if (count_ == mark.Count && stamp_ == mark.Stamp) { // nothing was written
        touched_ = mark.Touched;
        return true;
    }
    const bool appended = count_ > mark.Count;
    stamp_ = mark.Stamp;
    touched_ = true; // the stamp written is that of mark
    const bool done = appended ? RemoveLastRecord() : WriteStamp();
    touched_ = mark.Touched;
    return done;
}

bool TXbTable::CutAfter(LongInt count) {
    // The byte of the mark stays in the file while it is cut, so that writing the mark needs no
    // room that a full disk may no longer have. The cut gives back the room reserved past it.
    roomEnd_ = 0;
    const Int64 end = At(count + 1);
    const char eof = kEndOfFile;
    return file_.Truncate(end + 1) && WriteBytes(end, {&eof, 1});
}

bool TXbTable::WriteHeader() {
    ++ProcessWrites();
    // Bytes 1..19 in one write: date, count, the sizes and reserved bytes as read, the stamp.
    std::string bytes = prefix_.substr(1, kHeaderWritten - 1);
    PutHeaderDate(bytes.data());
    EncodeLE<LongWord>(bytes.data() + 3, static_cast<LongWord>(count_));
    EncodeLE<LongWord>(bytes.data() + kStampAt - 1, stamp_);
    return WriteBytes(1, bytes);
}

bool TXbTable::WriteStamp() {
    ++ProcessWrites();
    char stamp[4];
    EncodeLE<LongWord>(stamp, stamp_);
    char date[3];
    PutHeaderDate(date);
    return WriteBytes(kStampAt, {stamp, sizeof stamp}) && WriteBytes(1, {date, sizeof date});
}

bool TXbTable::WriteBytes(Int64 at, std::string_view bytes) {
    if (file_.WriteAt(at, bytes)) {
        memory_.Written(at, bytes);
        return true;
    }
    memory_.Forget(at, bytes.size()); // the file may hold some of them
    return false;
}
