// Basic types shared by every layer: fixed-size integers under their usual names,
// small sets over enumerations or bytes, and points, sizes and rectangles.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

using Byte = std::uint8_t;
using ShortInt = std::int8_t;
using Word = std::uint16_t;
using SmallInt = std::int16_t;
using LongInt = std::int32_t;
using Cardinal = std::uint32_t;
using LongWord = std::uint32_t;
using Int64 = std::int64_t;

// A set of up to N small ordinal values (enumerators or bytes), with value semantics.
template <typename E, std::size_t N = 256>
class TSet {
public:
    constexpr TSet() = default;
    TSet(std::initializer_list<E> items) {
        for (E e : items)
            Include(e);
    }

    bool Contains(E e) const { return bits_.test(Index(e)); }
    TSet& Include(E e) {
        bits_.set(Index(e));
        return *this;
    }
    TSet& Exclude(E e) {
        bits_.reset(Index(e));
        return *this;
    }
    bool Empty() const { return bits_.none(); }
    std::size_t Count() const { return bits_.count(); }

    TSet operator+(const TSet& o) const { return TSet(bits_ | o.bits_); }
    TSet operator-(const TSet& o) const { return TSet(bits_ & ~o.bits_); }
    TSet operator*(const TSet& o) const { return TSet(bits_ & o.bits_); }
    TSet& operator+=(const TSet& o) {
        bits_ |= o.bits_;
        return *this;
    }
    TSet& operator-=(const TSet& o) {
        bits_ &= ~o.bits_;
        return *this;
    }
    bool operator==(const TSet& o) const { return bits_ == o.bits_; }
    // True when every member of this set is in o.
    bool SubsetOf(const TSet& o) const { return (bits_ & ~o.bits_).none(); }

private:
    explicit TSet(const std::bitset<N>& b) : bits_(b) {}
    static std::size_t Index(E e) { return static_cast<std::size_t>(e) % N; }
    std::bitset<N> bits_;
};

using TCharSet = TSet<unsigned char>;

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

// A rectangle whose right and bottom edges lie outside it, as window rectangles are.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    TPoint TopLeft() const { return {Left, Top}; }
    TPoint BottomRight() const { return {Right, Bottom}; }
    bool operator==(const TRect&) const = default;
};

inline TPoint Point(int x, int y) {
    return {x, y};
}
inline TRect Rect(int left, int top, int right, int bottom) {
    return {left, top, right, bottom};
}
inline TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

bool PtInRect(const TRect& r, const TPoint& p);
bool IsRectEmpty(const TRect& r);
// Sets dst to the overlap of a and b; returns false (and an empty dst) when they do not meet.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
// Sets dst to the smallest rectangle holding a and b; empty rectangles are ignored.
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
void OffsetRect(TRect& r, int dx, int dy);
void InflateRect(TRect& r, int dx, int dy);
