#include "xbase/XbMemo.h"

#include "platform/rtl/Streams.h"
#include "xbase/XbError.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr int kHeaderSize = 512;
constexpr int kDbtBlock = 512;
constexpr char kMemoEnd = 0x1A;
constexpr unsigned char kBinaryMark[4] = {0xFF, 0xFF, 0x08, 0x00};
constexpr int kFptText = 1;
constexpr int kFptBinary = 0;

Int64 BlocksFor(Int64 bytes, int blockSize) {
    return (bytes + blockSize - 1) / blockSize;
}

} // namespace

bool TXbMemo::Create(const std::string& path, TXbMemoKind kind, int blockSize) {
    if (kind == TXbMemoKind::None ||
        (kind == TXbMemoKind::Fpt && (blockSize < 1 || blockSize > 16384)))
        return false;
    std::string header(kHeaderSize, '\0');
    if (kind == TXbMemoKind::Dbt) {
        EncodeLE<LongWord>(&header[0], 1);
        header[16] = 0x03;
    } else {
        PutBE32(&header[0], static_cast<LongWord>(BlocksFor(kHeaderSize, blockSize)));
        header[6] = static_cast<char>((blockSize >> 8) & 0xFF);
        header[7] = static_cast<char>(blockSize & 0xFF);
    }
    TXbFile file;
    return file.Create(path) && file.WriteAt(0, header) && file.Flush();
}

bool TXbMemo::ParseBlock(std::string_view fieldBytes, LongWord& block) {
    block = 0;
    if (fieldBytes.size() == 4) {
        if (fieldBytes != "    ") block = DecodeLE<LongWord>(fieldBytes.data());
        return true;
    }
    bool digits = false;
    for (char c : fieldBytes) {
        if (c == ' ' || c == '\0') {
            if (digits) break;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c)) || block > 99999999u) return false;
        block = block * 10 + static_cast<LongWord>(c - '0');
        digits = true;
    }
    return true;
}

std::string TXbMemo::FormatBlock(LongWord block, int width) {
    if (width == 4) {
        std::string bytes(4, '\0');
        EncodeLE<LongWord>(bytes.data(), block);
        return bytes;
    }
    std::string text = block == 0 ? std::string() : std::to_string(block);
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

int TXbMemo::Open(const std::string& path, TXbMemoKind kind, bool writable) {
    Close();
    kind_ = kind;
    if (!file_.Open(path, writable)) return xbNotFound;
    char header[8];
    if (file_.Size() < kHeaderSize || !file_.ReadAt(0, header, sizeof header)) {
        XbSetReason(xbErrDamagedMemo, path);
        Close();
        return xbDamaged;
    }
    blockSize_ = kDbtBlock;
    if (kind == TXbMemoKind::Fpt) {
        blockSize_ =
            (static_cast<unsigned char>(header[6]) << 8) | static_cast<unsigned char>(header[7]);
        if (blockSize_ == 0) {
            XbSetReason(xbErrDamagedMemo, path);
            Close();
            return xbDamaged;
        }
    }
    return xbOK;
}

bool TXbMemo::Read(LongWord block, std::string& data, bool& binary, LongWord* type) const {
    data.clear();
    binary = false;
    if (type) *type = kFptText;
    if (block == 0) return true;
    const Int64 at = static_cast<Int64>(block) * blockSize_;
    if (at < kHeaderSize || at >= file_.Size()) return false;
    if (kind_ == TXbMemoKind::Fpt) return ReadFpt(at, data, binary, type);
    const bool read = ReadDbt(at, data, binary);
    if (type) *type = binary ? kFptBinary : kFptText;
    return read;
}

bool TXbMemo::ReadDbt(Int64 at, std::string& data, bool& binary) const {
    const Int64 size = file_.Size();
    char head[8];
    if (at + 8 <= size && file_.ReadAt(at, head, sizeof head) &&
        std::equal(head, head + 4, reinterpret_cast<const char*>(kBinaryMark))) {
        const Int64 length = static_cast<Int64>(DecodeLE<LongWord>(head + 4)) - 8;
        if (length < 0 || at + 8 + length > size) return false;
        binary = true;
        return file_.ReadAt(at + 8, data, static_cast<std::size_t>(length));
    }
    bool found = false;
    const Int64 first = std::min(size, at + kDbtBlock);
    if (!ReadToMark(at, first, data, found)) return false;
    if (found || first == size) return true;
    // A memo of more blocks, or one whose end mark is gone: it ends before the next memo, and
    // without its end mark also before the next free block.
    if (!ReadToMark(first, NextStart(at, size), data, found)) return false;
    char header[4];
    if (!found && file_.ReadAt(0, header, sizeof header))
        if (const Int64 free = Int64{DecodeLE<LongWord>(header)} * kDbtBlock; free > at)
            data.resize(std::min(data.size(), static_cast<std::size_t>(free - at)));
    return true;
}

bool TXbMemo::ReadToMark(Int64 from, Int64 to, std::string& data, bool& found) const {
    constexpr Int64 kChunk = 64 * kDbtBlock;
    std::string chunk;
    found = false;
    for (Int64 pos = from; pos < to && !found; pos += kChunk) {
        if (!file_.ReadAt(pos, chunk, static_cast<std::size_t>(std::min(kChunk, to - pos))))
            return false;
        const auto end = chunk.find(kMemoEnd);
        data.append(chunk, 0, end);
        found = end != std::string::npos;
    }
    return true;
}

Int64 TXbMemo::NextStart(Int64 at, Int64 size) const {
    // Memos written since the starts were gathered lie past the end the file had then.
    if (!startsKnown_ || at >= startsSize_) GatherStarts(size);
    if (!startsKnown_) return size;
    const auto next = std::upper_bound(starts_.begin(), starts_.end(), at / kDbtBlock);
    const Int64 end = std::min(size, startsSize_);
    return next == starts_.end() ? end : std::min(end, Int64{*next} * kDbtBlock);
}

bool TXbMemo::GatherStarts(Int64 size) const {
    std::vector<LongWord> starts;
    if (!startsSource_ || !startsSource_(starts)) return false;
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    starts_ = std::move(starts);
    startsKnown_ = true;
    startsSize_ = size;
    return true;
}

bool TXbMemo::ReadFpt(Int64 at, std::string& data, bool& binary, LongWord* type) const {
    char head[8];
    if (at + 8 > file_.Size() || !file_.ReadAt(at, head, sizeof head)) return false;
    const Int64 length = GetBE32(head + 4);
    if (at + 8 + length > file_.Size()) return false;
    binary = GetBE32(head) != kFptText;
    if (type) *type = GetBE32(head);
    return file_.ReadAt(at + 8, data, static_cast<std::size_t>(length));
}

bool TXbMemo::NextFreeBlock(LongWord& block) const {
    char header[4];
    if (!file_.ReadAt(0, header, sizeof header)) return false;
    // New memos go at the end of the file. A header that hands out blocks beyond the file is
    // damaged (or another writer's guess) and is not followed: it could send a memo terabytes
    // past the end.
    const Int64 next = BlocksFor(std::max<Int64>(file_.Size(), kHeaderSize), blockSize_);
    if (next > 0xFFFFFFFFLL) return false;
    block = static_cast<LongWord>(next);
    return true;
}

Int64 TXbMemo::BlocksOf(LongWord block) const {
    std::string data;
    bool binary = false;
    if (block == 0 || !Read(block, data, binary)) return 0;
    return BlocksFor(static_cast<Int64>(StoredBytes(data, binary).size()), blockSize_);
}

bool TXbMemo::Accepts(std::string_view data) const {
    return kind_ != TXbMemoKind::Dbt || data.find(kMemoEnd) == std::string_view::npos;
}

std::string TXbMemo::StoredBytes(std::string_view data, bool binary,
                                 std::optional<LongWord> type) const {
    std::string bytes;
    if (kind_ == TXbMemoKind::Dbt && binary && !Accepts(data)) {
        bytes.assign(8, '\0');
        std::copy(kBinaryMark, kBinaryMark + 4, bytes.begin());
        EncodeLE<LongWord>(bytes.data() + 4, static_cast<LongWord>(data.size() + 8));
        bytes.append(data);
    } else if (kind_ == TXbMemoKind::Dbt) {
        bytes.assign(data);
        bytes.append(2, kMemoEnd);
    } else {
        bytes.assign(8, '\0');
        PutBE32(bytes.data(), type.value_or(binary ? kFptBinary : kFptText));
        PutBE32(bytes.data() + 4, static_cast<LongWord>(data.size()));
        bytes.append(data);
    }
    const Int64 blocks = BlocksFor(static_cast<Int64>(bytes.size()), blockSize_);
    bytes.resize(static_cast<std::size_t>(blocks * blockSize_), '\0');
    return bytes;
}

bool TXbMemo::Write(std::string_view data, bool binary, LongWord& block,
                    std::optional<LongWord> type) {
    const LongWord old = block;
    block = 0;
    if (data.empty()) return true;
    if (data.size() > 0x7FFFFF00u) return false;
    const std::string bytes = StoredBytes(data, binary, type);
    const Int64 blocks = static_cast<Int64>(bytes.size()) / blockSize_;
    if (old != 0 && blocks <= BlocksOf(old)) {
        if (!file_.WriteAt(static_cast<Int64>(old) * blockSize_, bytes)) return false;
        block = old;
        return true;
    }
    LongWord next = 0;
    if (!NextFreeBlock(next)) return false;
    const Int64 after = static_cast<Int64>(next) + blocks;
    if (after > static_cast<Int64>(PendingBase)) return false;
    char header[4];
    if (kind_ == TXbMemoKind::Dbt)
        EncodeLE<LongWord>(header, static_cast<LongWord>(after));
    else
        PutBE32(header, static_cast<LongWord>(after));
    // The memo's blocks first, then the header that hands them out.
    if (!file_.WriteAt(static_cast<Int64>(next) * blockSize_, bytes) ||
        !file_.WriteAt(0, header, sizeof header))
        return false;
    block = next;
    if (startsKnown_ && next == BlocksFor(startsSize_, blockSize_)) { // the next memo known
        starts_.insert(std::upper_bound(starts_.begin(), starts_.end(), next), next);
        startsSize_ = static_cast<Int64>(next) * blockSize_ + static_cast<Int64>(bytes.size());
    }
    return true;
}
