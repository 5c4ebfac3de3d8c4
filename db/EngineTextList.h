// TCStringList: the small fixed buffer through which the engine components hand texts to the
// engine. It holds at most four zero-terminated texts of up to 255 characters each (a longer
// text is cut); the address of an entry stays valid while the list lives. A fifth text is
// refused with EStringListError rather than written past the buffer.
#pragma once

#include "platform/rtl/Classes.h"

#include <array>
#include <string>

class TCStringList : public TComponent {
    VANTREL_CLASS(TCStringList, TComponent)

    static constexpr int Capacity = 4;
    static constexpr int EntrySize = 256;

    explicit TCStringList(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

    // Copies the text into the next entry; answers its index.
    int Add(const std::string& Text);
    int Count() const { return count_; }
    // The zero-terminated text of entry Index (0..Count - 1).
    const char* Items(int Index) const;
    void Clear() { count_ = 0; }

private:
    int count_ = 0;
    std::array<std::array<char, EntrySize>, Capacity> entries_{};
};
