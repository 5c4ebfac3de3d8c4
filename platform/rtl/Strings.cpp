#include "platform/rtl/Strings.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace {

// Unicode of the Windows-1252 bytes 0x80..0x9F; the unassigned ones keep their own number.
constexpr std::array<char32_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t ByteToCodePoint(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? HighControls[b - 0x80] : b;
}

// The Windows-1252 byte of a code point, or '?' when there is none.
char CodePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    const auto it = std::find(HighControls.begin(), HighControls.end(), cp);
    if (it == HighControls.end()) return '?';
    return static_cast<char>(0x80 + (it - HighControls.begin()));
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes the UTF-8 sequence at text[i]; returns its length, or 0 when it is broken
// (bad lead byte, missing continuation, overlong form, surrogate or beyond U+10FFFF).
std::size_t DecodeUtf8(std::string_view text, std::size_t i, char32_t& cp) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    char32_t least = 0;
    if (lead < 0x80) {
        cp = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2;
        cp = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        cp = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        cp = lead & 0x07;
        least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return length;
}

bool IsAsciiLower(unsigned char b) {
    return b >= 'a' && b <= 'z';
}
bool IsAsciiUpper(unsigned char b) {
    return b >= 'A' && b <= 'Z';
}

// Accented lower-case letters 0xE0..0xFE pair with 0xC0..0xDE, except the division sign
// (0xF7, paired position 0xD7 the multiplication sign) and sharp s (0xDF, which has no pair).
bool IsAccentedLower(unsigned char b) {
    return b >= 0xE0 && b <= 0xFE && b != 0xF7;
}
bool IsAccentedUpper(unsigned char b) {
    return b >= 0xC0 && b <= 0xDE && b != 0xD7;
}

unsigned char UpperByte(unsigned char b) {
    if (IsAsciiLower(b) || IsAccentedLower(b)) return static_cast<unsigned char>(b - 0x20);
    switch (b) {
    case 0x9A: return 0x8A; // s caron
    case 0x9C: return 0x8C; // oe
    case 0x9E: return 0x8E; // z caron
    case 0xFF: return 0x9F; // y diaeresis
    default: return b;
    }
}

unsigned char LowerByte(unsigned char b) {
    if (IsAsciiUpper(b) || IsAccentedUpper(b)) return static_cast<unsigned char>(b + 0x20);
    switch (b) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return b;
    }
}

// The upper-case letter without accent that a Windows-1252 letter sorts with; other bytes
// stand for themselves.
unsigned char BaseLetter(unsigned char b) {
    static constexpr char Accented[] = // base letters of 0xC0..0xDF
        "AAAAAAACEEEEIIIIDNOOOOO\xD7OUUUUY\xDES";
    b = UpperByte(b);
    if (b >= 0xC0 && b <= 0xDF) return static_cast<unsigned char>(Accented[b - 0xC0]);
    switch (b) {
    case 0x8A: return 'S';
    case 0x8C: return 'O';
    case 0x8E: return 'Z';
    case 0x9F: return 'Y';
    default: return b;
    }
}

// Compares the texts character by character through key(), then by length.
template <typename Key>
int CompareBy(std::string_view a, std::string_view b, Key key) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int ka = key(static_cast<unsigned char>(a[i]));
        const int kb = key(static_cast<unsigned char>(b[i]));
        if (ka != kb) return ka < kb ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

int CompareLetters(std::string_view a, std::string_view b) {
    if (const int primary = CompareBy(a, b, BaseLetter)) return primary;
    return CompareBy(a, b, UpperByte);
}

template <typename Map>
std::string MapBytes(std::string_view text, Map map) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(map(static_cast<unsigned char>(c)));
    return out;
}

unsigned char AsciiUpper(unsigned char b) {
    return IsAsciiLower(b) ? static_cast<unsigned char>(b - 0x20) : b;
}
unsigned char AsciiLower(unsigned char b) {
    return IsAsciiUpper(b) ? static_cast<unsigned char>(b + 0x20) : b;
}

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string Win1252ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        AppendUtf8(out, ByteToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

std::string Utf8ToWin1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, i, cp);
        out += length == 0 ? '?' : CodePointToByte(cp);
        i += std::max<std::size_t>(length, 1);
    }
    return out;
}

bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        char32_t cp = 0;
        const std::size_t length = DecodeUtf8(text, i, cp);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

char AnsiUpperChar(char c) {
    return static_cast<char>(UpperByte(static_cast<unsigned char>(c)));
}
char AnsiLowerChar(char c) {
    return static_cast<char>(LowerByte(static_cast<unsigned char>(c)));
}
std::string AnsiUpperCase(std::string_view text) {
    return MapBytes(text, UpperByte);
}
std::string AnsiLowerCase(std::string_view text) {
    return MapBytes(text, LowerByte);
}
std::string UpperCase(std::string_view text) {
    return MapBytes(text, AsciiUpper);
}
std::string LowerCase(std::string_view text) {
    return MapBytes(text, AsciiLower);
}

int AnsiCompareText(std::string_view a, std::string_view b) {
    return CompareLetters(a, b);
}

int AnsiCompareStr(std::string_view a, std::string_view b) {
    if (const int letters = CompareLetters(a, b)) return letters;
    // Same letters: at the first difference of case the lower-case letter comes first.
    return CompareBy(a, b, [](unsigned char c) { return c == UpperByte(c) ? 1 : 0; });
}

bool AnsiSameText(std::string_view a, std::string_view b) {
    return AnsiCompareText(a, b) == 0;
}
int CompareText(std::string_view a, std::string_view b) {
    return CompareBy(a, b, AsciiUpper);
}
bool SameText(std::string_view a, std::string_view b) {
    return CompareText(a, b) == 0;
}

std::string Trim(std::string_view text) {
    return TrimRight(TrimLeft(text));
}

std::string TrimLeft(std::string_view text) {
    const auto first = std::find_if_not(text.begin(), text.end(), IsBlank);
    return std::string(first, text.end());
}

std::string TrimRight(std::string_view text) {
    const auto last = std::find_if_not(text.rbegin(), text.rend(), IsBlank);
    return std::string(text.begin(), last.base());
}

int Pos(std::string_view sub, std::string_view text) {
    if (sub.empty()) return 0;
    const std::size_t at = text.find(sub);
    return at == std::string_view::npos ? 0 : static_cast<int>(at) + 1;
}

std::string Copy(std::string_view text, int index, int count) {
    const std::size_t start = static_cast<std::size_t>(std::max(index, 1) - 1);
    if (start >= text.size() || count <= 0) return {};
    return std::string(text.substr(start, static_cast<std::size_t>(count)));
}

void Delete(std::string& text, int index, int count) {
    if (index < 1 || static_cast<std::size_t>(index) > text.size() || count <= 0) return;
    text.erase(static_cast<std::size_t>(index) - 1, static_cast<std::size_t>(count));
}

void Insert(std::string_view source, std::string& text, int index) {
    const std::size_t at = std::min(static_cast<std::size_t>(std::max(index, 1) - 1), text.size());
    text.insert(at, source);
}

std::string StringOfChar(char c, int count) {
    return std::string(static_cast<std::size_t>(std::max(count, 0)), c);
}

std::string QuotedStr(std::string_view text) {
    return AnsiQuotedStr(text, '\'');
}

std::string AnsiQuotedStr(std::string_view text, char quote) {
    std::string out(1, quote);
    for (char c : text) {
        out += c;
        if (c == quote) out += c;
    }
    return out + quote;
}

std::string AnsiExtractQuotedStr(std::string_view& text, char quote) {
    if (text.empty() || text[0] != quote) return {};
    std::string out;
    std::size_t i = 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 >= text.size() || text[i + 1] != quote) {
                ++i;
                break;
            }
            ++i;
        }
        out += text[i++];
    }
    text.remove_prefix(i);
    return out;
}

std::string StringReplace(std::string_view text, std::string_view oldPattern,
                          std::string_view newPattern, TReplaceFlags flags) {
    if (oldPattern.empty()) return std::string(text);
    const bool ignoreCase = flags.Contains(rfIgnoreCase);
    const std::string haystack = ignoreCase ? AnsiUpperCase(text) : std::string(text);
    const std::string needle = ignoreCase ? AnsiUpperCase(oldPattern) : std::string(oldPattern);
    std::string out;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = haystack.find(needle, from);
        if (at == std::string::npos) break;
        out.append(text.substr(from, at - from)).append(newPattern);
        from = at + needle.size();
        if (!flags.Contains(rfReplaceAll)) break;
    }
    return out.append(text.substr(from));
}

std::string ReadShortString(const Byte* slot, std::size_t slotSize) {
    if (slotSize == 0) return {};
    const std::size_t length = std::min<std::size_t>(slot[0], slotSize - 1);
    return std::string(reinterpret_cast<const char*>(slot + 1), length);
}

void WriteShortString(Byte* slot, std::size_t slotSize, std::string_view text) {
    if (slotSize == 0) return;
    const std::size_t length = std::min<std::size_t>({text.size(), slotSize - 1, 255});
    slot[0] = static_cast<Byte>(length);
    std::copy_n(text.data(), length, reinterpret_cast<char*>(slot + 1));
    std::fill(slot + 1 + length, slot + slotSize, Byte{0});
}

std::size_t LongestFitting(std::size_t length, const std::function<bool(std::size_t)>& fits) {
    std::size_t fitting = 0, beyond = length + 1;
    while (beyond - fitting > 1) {
        const std::size_t middle = fitting + (beyond - fitting) / 2;
        if (fits(middle))
            fitting = middle;
        else
            beyond = middle;
    }
    return fitting;
}
