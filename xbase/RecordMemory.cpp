#include "xbase/RecordMemory.h"

#include "xbase/IndexPages.h"
#include "xbase/PageArena.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kBlock = XbPageArena::BlockSize;

// The block's share of the budget, counted in kept index pages.
std::size_t BudgetPages() {
    const std::size_t page = TXbPageCache::KeptPageBytes();
    return (kBlock + page - 1) / page;
}

} // namespace

const char* TXbRecordMemory::Read(const TXbFile& file, Int64 at, std::size_t size) {
    if (at < 0) return nullptr;
    const std::size_t index = static_cast<std::size_t>(at) / kBlock;
    const std::size_t offset = static_cast<std::size_t>(at) % kBlock;
    if (offset + size > kBlock) return nullptr;
    if (index >= blocks_.size()) blocks_.resize(index + 1);
    if (offset + size > blocks_[index].Filled && !Fill(file, index)) return nullptr;
    const TBlock& block = blocks_[index];
    return offset + size <= block.Filled ? block.Data + offset : nullptr;
}

const char* TXbRecordMemory::Held(Int64 at, std::size_t size) const {
    if (at < 0) return nullptr;
    const std::size_t index = static_cast<std::size_t>(at) / kBlock;
    const std::size_t offset = static_cast<std::size_t>(at) % kBlock;
    if (index >= blocks_.size() || offset + size > blocks_[index].Filled) return nullptr;
    return blocks_[index].Data + offset;
}

bool TXbRecordMemory::Fill(const TXbFile& file, std::size_t index) {
    TBlock& block = blocks_[index];
    const Int64 start = static_cast<Int64>(index * kBlock);
    const Int64 size = file.Size();
    if (size <= start + static_cast<Int64>(block.Filled)) return false;
    if (!block.Data) {
        const std::size_t pages = BudgetPages();
        if (const std::size_t taken = XbPageBudget().Take(pages); taken < pages) {
            XbPageBudget().Give(taken);
            return false;
        }
        try {
            block.Data = static_cast<char*>(XbPageArena::MapBlock());
        } catch (const std::bad_alloc&) {
            XbPageBudget().Give(pages);
            return false;
        }
    }
    const std::size_t end = static_cast<std::size_t>(std::min<Int64>(size - start, kBlock));
    if (!file.ReadAt(start + static_cast<Int64>(block.Filled), block.Data + block.Filled,
                     end - block.Filled))
        return false;
    block.Filled = end;
    return true;
}

void TXbRecordMemory::Written(Int64 at, std::string_view bytes) {
    if (at < 0) return;
    auto from = static_cast<std::size_t>(at);
    const std::size_t to = from + bytes.size();
    for (std::size_t index = from / kBlock; index < blocks_.size() && from < to; ++index) {
        TBlock& block = blocks_[index];
        const std::size_t start = index * kBlock;
        const std::size_t end = std::min(to, start + kBlock);
        // Bytes that follow the block's filled ones extend them; a gap leaves them to a read.
        if (block.Data && from - start <= block.Filled) {
            std::memcpy(block.Data + (from - start),
                        bytes.data() + (from - static_cast<std::size_t>(at)), end - from);
            block.Filled = std::max(block.Filled, end - start);
        }
        from = end;
    }
}

void TXbRecordMemory::Appended(const TXbFile& file, Int64 at, std::size_t size) {
    if (at < 0 || size == 0) return;
    const auto from = static_cast<std::size_t>(at);
    const std::size_t last = (from + size - 1) / kBlock;
    if (last >= blocks_.size()) blocks_.resize(last + 1);
    for (std::size_t index = from / kBlock; index <= last; ++index)
        if (!blocks_[index].Data && !Fill(file, index)) return; // no block: the mapping serves
}

void TXbRecordMemory::Forget(Int64 at, std::size_t size) {
    if (at < 0) return;
    const auto from = static_cast<std::size_t>(at);
    for (std::size_t index = from / kBlock; index < blocks_.size() && index * kBlock < from + size;
         ++index)
        Drop(blocks_[index]);
}

void TXbRecordMemory::Clear() {
    for (TBlock& block : blocks_)
        Drop(block);
    blocks_.clear();
}

void TXbRecordMemory::Drop(TBlock& block) {
    if (!block.Data) return;
    XbPageArena::UnmapBlock(block.Data);
    XbPageBudget().Give(BudgetPages());
    block = TBlock{};
}
