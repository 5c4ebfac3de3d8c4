#include "db/EngineTextList.h"

#include "platform/rtl/Format.h"

#include <algorithm>

int TCStringList::Add(const std::string& Text) {
    if (count_ >= Capacity)
        throw EStringListError(Format("List index out of bounds (%d)", {count_}));
    auto& entry = entries_[static_cast<std::size_t>(count_)];
    const std::size_t length = std::min<std::size_t>(Text.size(), EntrySize - 1);
    std::copy_n(Text.begin(), length, entry.begin());
    entry[length] = '\0';
    return count_++;
}

const char* TCStringList::Items(int Index) const {
    if (Index < 0 || Index >= count_)
        throw EStringListError(Format("List index out of bounds (%d)", {Index}));
    return entries_[static_cast<std::size_t>(Index)].data();
}
