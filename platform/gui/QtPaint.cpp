#include "platform/gui/QtPaint.h"

#include "platform/gui/QtApp.h"
#include "platform/rtl/Strings.h"

#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

QString AnsiToQString(const std::string& text) {
    return QString::fromStdString(Win1252ToUtf8(text));
}

std::string QStringToAnsi(const QString& text) {
    return Utf8ToWin1252(text.toStdString());
}

QString PathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string QStringToPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QColor ToQColor(COLORREF color) {
    return QColor(GetRValue(color), GetGValue(color), GetBValue(color));
}

QColor TColorToQColor(TColor color) {
    return ToQColor(ColorToRGB(color));
}

COLORREF FromQColor(const QColor& color) {
    return RGB(static_cast<Byte>(color.red()), static_cast<Byte>(color.green()),
               static_cast<Byte>(color.blue()));
}

QFont MakeQFont(const LOGFONT& font, int emPixels, bool antialias) {
    EnsureQtApp();
    QFont q(QString::fromStdString(MappedFontFamily(font.lfFaceName)));
    q.setPixelSize(emPixels > 0 ? emPixels : 1);
    q.setWeight(font.lfWeight >= 600 ? QFont::Bold : QFont::Normal);
    q.setItalic(font.lfItalic != 0);
    q.setUnderline(font.lfUnderline != 0);
    q.setStrikeOut(font.lfStrikeOut != 0);
    q.setKerning(false);
    q.setHintingPreference(QFont::PreferNoHinting);
    q.setStyleStrategy(antialias ? QFont::PreferDefault : QFont::NoAntialias);
    return q;
}

QFont TFontToQFont(TFont& font) {
    LOGFONT lf = font.LogFont();
    return RealizeFont(lf, lf.lfHeight, 96, true).Font;
}

namespace {

// The character height for a cell height: cell * em / (ascent + descent) of the family.
int EmForCellHeight(const LOGFONT& font, int cell) {
    const int reference = 1000;
    QFontMetricsF fm(MakeQFont(font, reference, true));
    double units = fm.ascent() + fm.descent();
    return units > 0 ? static_cast<int>(std::lround(cell * reference / units)) : cell;
}

// The metrics and advances of r.Font.
void Measure(TRealizedFont& r, const LOGFONT& font, int em) {
    QFontMetricsF fm(r.Font);
    TEXTMETRIC& tm = r.Metrics;
    tm.tmAscent = static_cast<int>(std::lround(fm.ascent()));
    tm.tmDescent = static_cast<int>(std::lround(fm.descent()));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - em);
    tm.tmExternalLeading = std::max(0, static_cast<int>(std::lround(fm.leading())));
    tm.tmMaxCharWidth = 0;
    for (int c = 0; c < 256; ++c) {
        QString ch = AnsiToQString(std::string(1, static_cast<char>(c)));
        int advance = c < 0x20 ? 0 : static_cast<int>(std::lround(fm.horizontalAdvance(ch[0])));
        r.Advance[static_cast<std::size_t>(c)] = advance;
        tm.tmMaxCharWidth = std::max(tm.tmMaxCharWidth, advance);
    }
    // The average width: that of the lower-case letters and the space.
    int sum = r.Advance[' '];
    for (int c = 'a'; c <= 'z'; ++c)
        sum += r.Advance[static_cast<std::size_t>(c)];
    tm.tmAveCharWidth = static_cast<int>(std::lround(sum / 27.0));
    tm.tmWeight = font.lfWeight >= 600 ? FW_BOLD : FW_NORMAL;
    tm.tmItalic = font.lfItalic ? 1 : 0;
    tm.tmUnderlined = font.lfUnderline ? 1 : 0;
    tm.tmStruckOut = font.lfStrikeOut ? 1 : 0;
    tm.tmCharSet = font.lfCharSet == DEFAULT_CHARSET ? Byte(ANSI_CHARSET) : font.lfCharSet;
    bool fixed = QFontInfo(r.Font).fixedPitch();
    tm.tmPitchAndFamily = static_cast<Byte>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR |
                                            TMPF_TRUETYPE | (fixed ? FF_MODERN : FF_SWISS));
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    r.UnderlinePos = std::max(1, static_cast<int>(std::lround(fm.underlinePos())));
    r.StrikeOutPos = static_cast<int>(std::lround(fm.strikeOutPos()));
    r.LineWidth = std::max(1, static_cast<int>(std::lround(fm.lineWidth())));
}

// The glyph of each printable character of the code page, for drawing text as glyph runs (0
// for a character the font has no glyph of its own for).
void FindGlyphs(TRealizedFont& r) {
    r.Raw = QRawFont::fromFont(r.Font);
    if (!r.Raw.isValid()) return;
    for (int c = 0x21; c < 256; ++c) {
        const QString ch = AnsiToQString(std::string(1, static_cast<char>(c)));
        const QList<quint32> glyphs = r.Raw.glyphIndexesForString(ch);
        if (glyphs.size() == 1) r.Glyph[static_cast<std::size_t>(c)] = glyphs[0];
    }
}

TRealizedFont Realize(const LOGFONT& font, int em, bool antialias) {
    TRealizedFont r;
    r.Font = MakeQFont(font, em, antialias);
    Measure(r, font, em);
    // A width asked for stretches the glyphs until the average character is that wide.
    if (font.lfWidth > 0 && r.Metrics.tmAveCharWidth > 0) {
        double stretch = font.lfWidth * 100.0 / r.Metrics.tmAveCharWidth;
        r.Font.setStretch(static_cast<int>(std::clamp(std::lround(stretch), 1L, 4000L)));
        Measure(r, font, em);
    } else {
        FindGlyphs(r);
    }
    return r;
}

} // namespace

namespace {

// The fonts asked for last, with what was asked: text is measured and drawn a few faces at a
// time, and finding one here spares making the cache's key.
struct TRecentFont {
    std::string Face;
    int Height, DpiY, Weight, Width;
    Byte Italic, Underline, StrikeOut;
    bool Antialias;
    const TRealizedFont* Realized;
    bool Asks(const LOGFONT& f, int height, int dpiY, bool antialias) const {
        return Height == height && DpiY == dpiY && Antialias == antialias && Weight == f.lfWeight &&
               Width == f.lfWidth && Italic == f.lfItalic && Underline == f.lfUnderline &&
               StrikeOut == f.lfStrikeOut && Face == f.lfFaceName;
    }
};
constexpr std::size_t RecentFontsKept = 8;

const TRealizedFont& RealizeFontByKey(const LOGFONT& font, int deviceHeight, int dpiY,
                                      bool antialias);

} // namespace

const TRealizedFont& RealizeFont(const LOGFONT& font, int deviceHeight, int dpiY, bool antialias) {
    static std::vector<TRecentFont> recent;
    for (std::size_t i = 0; i < recent.size(); ++i)
        if (recent[i].Asks(font, deviceHeight, dpiY, antialias)) {
            if (i > 0) std::swap(recent[i], recent[i - 1]);
            return *recent[i > 0 ? i - 1 : 0].Realized;
        }
    const TRealizedFont& realized = RealizeFontByKey(font, deviceHeight, dpiY, antialias);
    if (recent.size() >= RecentFontsKept) recent.pop_back();
    recent.push_back({font.lfFaceName, deviceHeight, dpiY, font.lfWeight, font.lfWidth,
                      font.lfItalic, font.lfUnderline, font.lfStrikeOut, antialias, &realized});
    return realized;
}

namespace {

const TRealizedFont& RealizeFontByKey(const LOGFONT& font, int deviceHeight, int dpiY,
                                      bool antialias) {
    static std::map<std::string, TRealizedFont> cache;
    // Far beyond any size a page or screen shows; keeps glyph rendering bounded.
    const int largest = 8192;
    deviceHeight = std::clamp(deviceHeight, -largest, largest);
    int em = deviceHeight < 0 ? -deviceHeight : deviceHeight;
    if (deviceHeight == 0)
        em = (12 * std::clamp(dpiY, 1, largest) + 36) / 72;
    else if (deviceHeight > 0)
        em = std::min(EmForCellHeight(font, deviceHeight), largest);
    std::string key = MappedFontFamily(font.lfFaceName) + '|' + std::to_string(em) + '|' +
                      std::to_string(font.lfWeight >= 600) + std::to_string(font.lfItalic != 0) +
                      std::to_string(font.lfUnderline != 0) +
                      std::to_string(font.lfStrikeOut != 0) + std::to_string(antialias) + '|' +
                      std::to_string(std::clamp(font.lfWidth, 0, largest));
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, Realize(font, std::max(em, 1), antialias)).first;
    return it->second;
}

} // namespace

TImageCanvas::TImageCanvas(QImage* image) : image_(image), dc_(CreateImageDC(image)) {
    SetHandle(dc_);
}

TImageCanvas::~TImageCanvas() {
    SetHandle(nullptr);
    DeleteDC(dc_);
}

void TImageCanvas::SetImage(QImage* image) {
    image_ = image;
    SetDCImage(dc_, image);
}
