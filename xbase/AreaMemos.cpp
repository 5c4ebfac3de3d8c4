#include "xbase/AreaMemos.h"

namespace {

// Stand-ins are handed out from the top down, one process-wide sequence, so that an image
// kept by a caller never meets another memo under its number.
LongWord NextStandIn() {
    static LongWord next = TXbMemo::LastBlockNumber;
    const LongWord given = next;
    next = next == TXbMemo::PendingBase ? TXbMemo::LastBlockNumber : next - 1;
    return given;
}

} // namespace

LongWord TXbAreaMemos::BlockOf(const std::string& image, const TXbFieldDef& f) {
    LongWord block = 0;
    const std::string_view bytes(image.data() + f.Offset, static_cast<std::size_t>(f.Width));
    return TXbMemo::ParseBlock(bytes, block) ? block : 0;
}

LongWord TXbAreaMemos::Give(std::string_view data, bool binary, LongInt recno, LongWord previous) {
    if (const auto it = pending_.find(previous); it != pending_.end() && it->second.RecNo == recno)
        pending_.erase(it);
    if (data.empty()) return 0;
    const LongWord standIn = NextStandIn();
    pending_[standIn] = {std::string(data), binary, recno};
    return standIn;
}

bool TXbAreaMemos::Read(LongWord block, std::string& data, bool& binary) const {
    if (const auto it = pending_.find(block); it != pending_.end()) {
        data = it->second.Data;
        binary = it->second.Binary;
        return true;
    }
    if (const auto it = written_.find(block); it != written_.end()) block = it->second;
    return file_.IsOpen() && file_.Read(block, data, binary);
}

bool TXbAreaMemos::HasPending(const std::string& image, const TXbFields& fields) const {
    if (pending_.empty()) return false;
    for (const TXbFieldDef& f : fields)
        if (XbIsMemoField(f) && pending_.count(BlockOf(image, f)) > 0) return true;
    return false;
}

int TXbAreaMemos::Write(std::string& image, const std::string& old, LongInt recno,
                        const TXbFields& fields) {
    overwritten_.clear();
    for (const TXbFieldDef& f : fields) {
        if (!XbIsMemoField(f)) continue;
        const LongWord block = BlockOf(image, f);
        const LongWord stored = BlockOf(old, f);
        // Other programs read only zeros as no memo in a field of 4 bytes, never blanks.
        if (f.Width == 4 && block == 0)
            image.replace(static_cast<std::size_t>(f.Offset), 4, TXbMemo::FormatBlock(0, 4));
        // Numbers below the stand-ins are blocks; so is the number the record holds already.
        if (block < TXbMemo::PendingBase || block == stored) continue;
        LongWord real = 0;
        if (const auto done = written_.find(block); done != written_.end()) {
            real = done->second;
        } else {
            const auto it = pending_.find(block);
            if (it == pending_.end()) return xbBadArgument;
            const auto own = own_.find(stored);
            real = own != own_.end() && own->second == recno ? stored : 0;
            TOverwritten was{block, it->second, real, {}, false, 0};
            if (real != 0 && !file_.Read(real, was.Data, was.Binary, &was.Type)) real = 0;
            if (real != 0) overwritten_.push_back(std::move(was));
            if (!file_.Write(it->second.Data, it->second.Binary, real)) return xbWriteFailed;
            if (real != 0) own_[real] = recno;
            written_[block] = real;
            pending_.erase(it);
        }
        image.replace(static_cast<std::size_t>(f.Offset), static_cast<std::size_t>(f.Width),
                      TXbMemo::FormatBlock(real, f.Width));
    }
    return xbOK;
}

void TXbAreaMemos::TakeBack() {
    for (TOverwritten& was : overwritten_) {
        LongWord block = was.Block;
        file_.Write(was.Data, was.Binary, block, was.Type);
        written_.erase(was.StandIn);
        pending_[was.StandIn] = std::move(was.Given);
    }
    overwritten_.clear();
}

void TXbAreaMemos::Written(const std::string& image, LongInt recno, const TXbFields& fields) {
    overwritten_.clear();
    for (const TXbFieldDef& f : fields)
        if (XbIsMemoField(f))
            if (const auto own = own_.find(BlockOf(image, f));
                own != own_.end() && own->second != recno)
                own_.erase(own);
    std::erase_if(pending_, [recno](const auto& p) { return p.second.RecNo == recno; });
}

void TXbAreaMemos::Clear() {
    overwritten_.clear();
    pending_.clear();
    written_.clear();
    own_.clear();
}

bool TXbAreaMemos::StartsOf(const TXbTable& table, std::vector<LongWord>& starts) {
    std::string image(static_cast<std::size_t>(table.RecordSize()), ' ');
    for (LongInt r = 1; r <= table.RecordCount(); ++r) {
        if (!table.ReadRecord(r, image.data(), true)) return false;
        for (const TXbFieldDef& f : table.Fields())
            if (const LongWord block = XbIsMemoField(f) ? BlockOf(image, f) : 0;
                block != 0 && block < TXbMemo::PendingBase)
                starts.push_back(block);
    }
    return true;
}
