#include "controls/entry/EntryText.h"

#include "platform/gui/WinGdi.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cstdint>

namespace {

std::size_t Clamp(const std::string& s, int pos) {
    if (pos < 0) return 0;
    return std::min(static_cast<std::size_t>(pos), s.size());
}

bool IsBlank(char c) {
    return c == ' ';
}

// Writes the low `digits` groups of `bits` bits of n, most significant first.
void DigitsOf(std::string& dest, std::uint32_t n, int digits, int bits) {
    static const char hex[] = "0123456789ABCDEF";
    dest.assign(static_cast<std::size_t>(digits), '0');
    const std::uint32_t mask = (1u << bits) - 1;
    for (int i = digits - 1; i >= 0; --i) {
        dest[static_cast<std::size_t>(i)] = hex[n & mask];
        n >>= bits;
    }
}

} // namespace

bool HasChar(const std::string& s, char c) {
    return s.find(c) != std::string::npos;
}

bool PCharFindChar(const std::string& s, char c, int& pos) {
    const std::size_t at = s.find(c);
    if (at == std::string::npos) return false;
    pos = static_cast<int>(at);
    return true;
}

bool PCharFindStr(const std::string& s, const std::string& t, int& pos) {
    if (t.empty() || s.size() < t.size()) return false;
    const std::size_t at = s.find(t);
    if (at == std::string::npos) return false;
    pos = static_cast<int>(at);
    return true;
}

void PCharInsertChar(std::string& s, char c, int pos) {
    s.insert(Clamp(s, pos), 1, c);
}

void PCharInsertStr(std::string& s, const std::string& t, int pos) {
    s.insert(Clamp(s, pos), t);
}

void PCharInsertChars(std::string& s, char c, int count, int pos) {
    if (count > 0) s.insert(Clamp(s, pos), static_cast<std::size_t>(count), c);
}

void PCharDeleteChar(std::string& s, int pos) {
    if (pos >= 0 && static_cast<std::size_t>(pos) < s.size()) s.erase(pos, 1);
}

void PCharDelete(std::string& s, int pos, int count) {
    if (pos < 0 || count <= 0 || static_cast<std::size_t>(pos) >= s.size()) return;
    s.erase(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
}

void PCharCopy(std::string& dest, const std::string& s, int pos, int count) {
    dest.clear();
    if (pos < 0 || count <= 0 || static_cast<std::size_t>(pos) >= s.size()) return;
    dest = s.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(count));
}

void PCharFill(std::string& dest, char c, int count) {
    dest.assign(static_cast<std::size_t>(std::max(count, 0)), c);
}

void PCharTrim(std::string& s) {
    while (!s.empty() && IsBlank(s.back()))
        s.pop_back();
    const std::size_t first = s.find_first_not_of(' ');
    s.erase(0, first == std::string::npos ? s.size() : first);
}

void PCharTrimRight(std::string& s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) < 33)
        s.pop_back();
}

void PCharTrimZeros(std::string& s) {
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    PCharTrim(s);
}

int PCharCompare(const std::string& a, const std::string& b, int count) {
    for (int i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i);
        const int ca = at < a.size() ? static_cast<unsigned char>(a[at]) : 0;
        const int cb = at < b.size() ? static_cast<unsigned char>(b[at]) : 0;
        if (ca != cb) return ca < cb ? -1 : 1;
        if (ca == 0) return 0;
    }
    return 0;
}

void BinaryLToPChar(std::string& dest, LongInt n) {
    DigitsOf(dest, static_cast<std::uint32_t>(n), 32, 1);
}

void OctalLToPChar(std::string& dest, LongInt n) {
    DigitsOf(dest, static_cast<std::uint32_t>(n), 12, 3);
}

void HexWToPChar(std::string& dest, Word w) {
    DigitsOf(dest, w, 4, 4);
}

void HexLToPChar(std::string& dest, LongInt n) {
    DigitsOf(dest, static_cast<std::uint32_t>(n), 8, 4);
}

void TrimExponentZeros(std::string& s) {
    const std::size_t e = s.find('E');
    if (e == std::string::npos) return;
    // Zeros before the "E" are decimals only after a point; "100E+5" keeps them.
    std::size_t mantissaEnd = e;
    const std::size_t point = s.rfind('.', e);
    if (point != std::string::npos) {
        while (mantissaEnd > point + 1 && s[mantissaEnd - 1] == '0')
            --mantissaEnd;
        if (mantissaEnd == point + 1) --mantissaEnd;
    }
    s.erase(mantissaEnd, e - mantissaEnd);
    std::size_t digits = mantissaEnd + 1;
    if (digits < s.size() && (s[digits] == '+' || s[digits] == '-')) ++digits;
    std::size_t zerosEnd = digits;
    while (zerosEnd + 1 < s.size() && s[zerosEnd] == '0')
        ++zerosEnd;
    s.erase(digits, zerosEnd - digits);
}

void FixFloatText(std::string& s, char decimalSeparator) {
    PCharTrim(s);
    if (s.empty()) {
        s = "0";
        return;
    }
    if (s.back() == decimalSeparator) s.pop_back();
    if (s.empty()) {
        s = "0";
        return;
    }
    if (s.front() == decimalSeparator) s.insert(s.begin(), '0');
    const std::size_t sep = s.find(decimalSeparator, 1);
    if (sep != std::string::npos) s[sep] = '.';
    if (s.back() == '.') s.push_back('0');
    if (s.size() > 1 && s[0] == '-' && s[1] == '.') s.insert(1, 1, '0');
    std::size_t e = s.find('E', 1);
    if (e != std::string::npos) {
        std::size_t point = s.find('.');
        if (point == std::string::npos) {
            s.insert(e, 1, '.');
            point = e++;
        }
        if (point < e && e - point - 1 < 12) s.insert(e, "00000");
    }
    const std::size_t point = s.find('.');
    if (point == std::string::npos) return;
    std::size_t after = point + 1;
    while (after < s.size() && IsBlank(s[after]))
        ++after;
    s.erase(point + 1, after - point - 1);
    std::size_t before = point;
    while (before > 0 && IsBlank(s[before - 1]))
        --before;
    s.erase(before, point - before);
}

char LowCaseChar(char c) {
    return AnsiLowerChar(c);
}

char UpCaseChar(char c) {
    return AnsiUpperChar(c);
}

bool PCharToLong(const std::string& s, LongInt& n) {
    std::string text = s.substr(0, 255);
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    const std::size_t hex = text.find("0x");
    if (hex != std::string::npos) text.replace(hex, 2, "$");
    int value = 0;
    int code = 0;
    Val(text, value, code);
    if (code != 0) {
        n = code - 1;
        return false;
    }
    n = value;
    return true;
}

namespace {

// The system metric that is non-zero when the mouse buttons are swapped.
constexpr int SwapButtonMetric = 23;

} // namespace

int CharHeight(HGDIOBJ font) {
    const HDC dc = GetScreenDC();
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRIC metrics;
    GetTextMetrics(dc, &metrics);
    SelectObject(dc, previous);
    return metrics.tmHeight;
}

Byte GetShiftFlags() {
    Byte flags = 0;
    if (GetKeyState(VK_SHIFT) < 0) flags |= 2;
    if (GetKeyState(VK_CONTROL) < 0) flags |= 4;
    if (GetKeyState(VK_MENU) < 0) flags |= 8;
    return flags;
}

Word PrimaryMouseButton() {
    return GetSystemMetrics(SwapButtonMetric) != 0 ? VK_RBUTTON : VK_LBUTTON;
}

HFONT CreateRotatedFont(TFont& font, int angle) {
    LOGFONT logFont;
    logFont.lfHeight = font.Height();
    logFont.lfEscapement = angle * 10;
    logFont.lfWeight = font.Style().Contains(fsBold) ? 700 : 400;
    logFont.lfItalic = font.Style().Contains(fsItalic) ? 1 : 0;
    logFont.lfUnderline = font.Style().Contains(fsUnderline) ? 1 : 0;
    logFont.lfStrikeOut = font.Style().Contains(fsStrikeOut) ? 1 : 0;
    logFont.lfCharSet = DEFAULT_CHARSET;
    logFont.lfQuality = DEFAULT_QUALITY;
    logFont.lfFaceName = font.Name();
    logFont.lfPitchAndFamily = font.Pitch() == fpFixed      ? FIXED_PITCH
                               : font.Pitch() == fpVariable ? VARIABLE_PITCH
                                                            : DEFAULT_PITCH;
    return CreateFontIndirect(logFont);
}

int TextTopOffset(TFont& font, TBorderStyle borderStyle, int height, bool ctl3D) {
    const int smaller =
        std::min(CharHeight(GetStockObject(SYSTEM_FONT)), CharHeight(font.Handle()));
    const int parity = (height - smaller) % 2;
    if (borderStyle == bsNone)
        return smaller < height - 2 ? 0 : (height - smaller - 2) / 2 - parity;
    if (ctl3D) return smaller < height - 4 ? 1 : (height - smaller - 4) / 2 - 1;
    return smaller < height - 4 ? 1 : (height - smaller - 4) / 2 - parity;
}
