// The Win32 GDI calls and constants the components use directly: device contexts, pens,
// brushes and fonts as GDI objects, text output and metrics, shapes, mapping modes, clipping,
// saved states and the blit operations. Everything follows GDI's pixel rules.
#pragma once

#include "platform/rtl/Types.h"

#include <string>
#include <vector>

using COLORREF = Cardinal;
using UINT = unsigned int;
using DWORD = Cardinal;
using BOOL = int;

constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
inline constexpr COLORREF RGB(Byte r, Byte g, Byte b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) |
           (static_cast<COLORREF>(b) << 16);
}
inline constexpr Byte GetRValue(COLORREF c) {
    return static_cast<Byte>(c & 0xFF);
}
inline constexpr Byte GetGValue(COLORREF c) {
    return static_cast<Byte>((c >> 8) & 0xFF);
}
inline constexpr Byte GetBValue(COLORREF c) {
    return static_cast<Byte>((c >> 16) & 0xFF);
}

// System colour indexes.
enum : int {
    COLOR_SCROLLBAR = 0,
    COLOR_BACKGROUND = 1,
    COLOR_ACTIVECAPTION = 2,
    COLOR_INACTIVECAPTION = 3,
    COLOR_MENU = 4,
    COLOR_WINDOW = 5,
    COLOR_WINDOWFRAME = 6,
    COLOR_MENUTEXT = 7,
    COLOR_WINDOWTEXT = 8,
    COLOR_CAPTIONTEXT = 9,
    COLOR_ACTIVEBORDER = 10,
    COLOR_INACTIVEBORDER = 11,
    COLOR_APPWORKSPACE = 12,
    COLOR_HIGHLIGHT = 13,
    COLOR_HIGHLIGHTTEXT = 14,
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_GRAYTEXT = 17,
    COLOR_BTNTEXT = 18,
    COLOR_INACTIVECAPTIONTEXT = 19,
    COLOR_BTNHIGHLIGHT = 20,
    COLOR_3DDKSHADOW = 21,
    COLOR_3DLIGHT = 22,
    COLOR_INFOTEXT = 23,
    COLOR_INFOBK = 24,
    COLOR_3DFACE = COLOR_BTNFACE,
    COLOR_3DSHADOW = COLOR_BTNSHADOW,
    COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT,
};
constexpr int SystemColorCount = 25;
// The colour of a system colour index in the fixed classic palette (black when out of range).
COLORREF GetSysColor(int index);

// ---------------------------------------------------------------------------------------------
// Handles. A device context and each GDI object are objects of the layer; a handle that is not
// (or no longer) one of them is refused by every call.

struct TDeviceContext;
struct TGdiObject;
using HDC = TDeviceContext*;
using HGDIOBJ = TGdiObject*;
using HPEN = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HFONT = HGDIOBJ;
using HBITMAP = HGDIOBJ;

// Pen styles.
enum : UINT {
    PS_SOLID = 0,
    PS_DASH = 1,
    PS_DOT = 2,
    PS_DASHDOT = 3,
    PS_DASHDOTDOT = 4,
    PS_NULL = 5,
    PS_INSIDEFRAME = 6,
};
// Brush styles and hatches.
enum : UINT { BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_HATCHED = 2, BS_PATTERN = 3 };
enum : int {
    HS_HORIZONTAL = 0,
    HS_VERTICAL = 1,
    HS_FDIAGONAL = 2,
    HS_BDIAGONAL = 3,
    HS_CROSS = 4,
    HS_DIAGCROSS = 5,
};

struct LOGPEN {
    UINT lopnStyle = PS_SOLID;
    TPoint lopnWidth; // X is the width; 0 is one device pixel
    COLORREF lopnColor = 0;
};

struct LOGBRUSH {
    UINT lbStyle = BS_SOLID;
    COLORREF lbColor = 0;
    int lbHatch = 0;
};

// Font weights, character sets, precisions and pitch.
enum : int { FW_DONTCARE = 0, FW_NORMAL = 400, FW_BOLD = 700 };
enum : Byte {
    ANSI_CHARSET = 0,
    DEFAULT_CHARSET = 1,
    SYMBOL_CHARSET = 2,
    OEM_CHARSET = 255,
};
enum : Byte {
    OUT_DEFAULT_PRECIS = 0,
    OUT_STRING_PRECIS = 1,
    OUT_CHARACTER_PRECIS = 2,
    OUT_STROKE_PRECIS = 3,
    OUT_TT_PRECIS = 4,
    OUT_DEVICE_PRECIS = 5,
    OUT_RASTER_PRECIS = 6,
    OUT_TT_ONLY_PRECIS = 7,
};
enum : Byte { CLIP_DEFAULT_PRECIS = 0, DEFAULT_QUALITY = 0, PROOF_QUALITY = 2 };
enum : Byte { DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2 };
enum : Byte { FF_DONTCARE = 0, FF_ROMAN = 16, FF_SWISS = 32, FF_MODERN = 48 };

struct LOGFONT {
    int lfHeight = 0; // negative: character height; positive: cell height; 0: default
    int lfWidth = 0;
    int lfEscapement = 0; // tenths of a degree, counter-clockwise
    int lfOrientation = 0;
    int lfWeight = FW_NORMAL;
    Byte lfItalic = 0;
    Byte lfUnderline = 0;
    Byte lfStrikeOut = 0;
    Byte lfCharSet = DEFAULT_CHARSET;
    Byte lfOutPrecision = OUT_DEFAULT_PRECIS;
    Byte lfClipPrecision = CLIP_DEFAULT_PRECIS;
    Byte lfQuality = DEFAULT_QUALITY;
    Byte lfPitchAndFamily = DEFAULT_PITCH;
    std::string lfFaceName; // at most 31 characters are used
};

// Pitch-and-family bits of a text metric: TMPF_FIXED_PITCH set means a variable pitch font.
enum : Byte { TMPF_FIXED_PITCH = 1, TMPF_VECTOR = 2, TMPF_TRUETYPE = 4, TMPF_DEVICE = 8 };

struct TEXTMETRIC {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 0;
    int tmOverhang = 0;
    int tmDigitizedAspectX = 0;
    int tmDigitizedAspectY = 0;
    Byte tmFirstChar = 0x20;
    Byte tmLastChar = 0xFF;
    Byte tmDefaultChar = 0x1F;
    Byte tmBreakChar = 0x20;
    Byte tmItalic = 0;
    Byte tmUnderlined = 0;
    Byte tmStruckOut = 0;
    Byte tmPitchAndFamily = 0;
    Byte tmCharSet = 0;
};

enum : int { WHITE_BRUSH = 0, LTGRAY_BRUSH, GRAY_BRUSH, DKGRAY_BRUSH, BLACK_BRUSH, NULL_BRUSH };
enum : int { WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8 };
enum : int { SYSTEM_FONT = 13, DEFAULT_GUI_FONT = 17, ANSI_VAR_FONT = 12, ANSI_FIXED_FONT = 11 };

HPEN CreatePen(UINT style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN& pen);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH& brush);
// A brush repeating the top-left 8 x 8 pixels of a bitmap (a monochrome one draws in the text
// and background colours of the device context).
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HFONT CreateFontIndirect(const LOGFONT& font);
// A stock object: never deleted (DeleteObject on it succeeds and does nothing).
HGDIOBJ GetStockObject(int index);
// A solid brush of a system colour, owned by the layer like the stock objects (nullptr for an
// index out of range).
HBRUSH GetSysColorBrush(int index);
// Deletes a GDI object; a device context holding it keeps its own copy of its settings.
BOOL DeleteObject(HGDIOBJ object);
// Selects a pen, brush, font or (into a memory context) a bitmap; returns the previous object
// of that kind, or nullptr for a handle that is not a live GDI object.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT kind);
enum : UINT { OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_FONT = 6, OBJ_BITMAP = 7 };
// Copies the settings of a pen, brush or font into the matching record; false otherwise.
bool GetObject(HGDIOBJ object, LOGPEN& pen);
bool GetObject(HGDIOBJ object, LOGBRUSH& brush);
bool GetObject(HGDIOBJ object, LOGFONT& font);

// ---------------------------------------------------------------------------------------------
// Bitmaps.

// A 32-bit bitmap of the given size, filled white (monochrome: one that draws black and white).
HBITMAP CreateBitmap(int width, int height, bool monochrome);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
struct BITMAP {
    int bmWidth = 0;
    int bmHeight = 0;
    int bmBitsPixel = 0;
};
bool GetObject(HGDIOBJ object, BITMAP& bitmap);

// ---------------------------------------------------------------------------------------------
// Device contexts.

// A memory context (a 1 x 1 monochrome bitmap selected until another is selected). dc may be
// nullptr (the screen) or a context whose resolution the memory context takes.
HDC CreateCompatibleDC(HDC dc);
// The screen's information context (96 pixels per inch): measures, draws nothing.
HDC GetScreenDC();
BOOL DeleteDC(HDC dc);

enum : int {
    HORZSIZE = 4,
    VERTSIZE = 6,
    HORZRES = 8,
    VERTRES = 10,
    BITSPIXEL = 12,
    PLANES = 14,
    NUMCOLORS = 24,
    CLIPCAPS = 36,
    RASTERCAPS = 38,
    LOGPIXELSX = 88,
    LOGPIXELSY = 90,
    SIZEPALETTE = 104,
    PHYSICALWIDTH = 110,
    PHYSICALHEIGHT = 111,
    PHYSICALOFFSETX = 112,
    PHYSICALOFFSETY = 113,
    TECHNOLOGY = 2,
};
enum : int { DT_RASDISPLAY = 1, DT_RASPRINTER = 2 };
enum : int { CP_NONE = 0, CP_RECTANGLE = 1, CP_REGION = 2 };
enum : int { RC_BITBLT = 1, RC_BANDING = 2, RC_STRETCHBLT = 0x800, RC_PALETTE = 0x100 };
int GetDeviceCaps(HDC dc, int index);

// Text colours and modes.
enum : int { TRANSPARENT = 1, OPAQUE = 2 };
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
// The nearest colour the device shows: every colour on a colour device, black or white on a
// monochrome bitmap.
COLORREF GetNearestColor(HDC dc, COLORREF color);

// Drawing modes (ROP2).
enum : int {
    R2_BLACK = 1,
    R2_NOTMERGEPEN = 2,
    R2_MASKNOTPEN = 3,
    R2_NOTCOPYPEN = 4,
    R2_MASKPENNOT = 5,
    R2_NOT = 6,
    R2_XORPEN = 7,
    R2_NOTMASKPEN = 8,
    R2_MASKPEN = 9,
    R2_NOTXORPEN = 10,
    R2_NOP = 11,
    R2_MERGENOTPEN = 12,
    R2_COPYPEN = 13,
    R2_MERGEPENNOT = 14,
    R2_MERGEPEN = 15,
    R2_WHITE = 16,
};
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
enum : int { ALTERNATE = 1, WINDING = 2 };
int SetPolyFillMode(HDC dc, int mode);

// Text alignment.
enum : UINT {
    TA_NOUPDATECP = 0,
    TA_UPDATECP = 1,
    TA_LEFT = 0,
    TA_RIGHT = 2,
    TA_CENTER = 6,
    TA_TOP = 0,
    TA_BOTTOM = 8,
    TA_BASELINE = 24,
};
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
// Spreads extra pixels over the break characters of the next text output (0, 0 resets).
BOOL SetTextJustification(HDC dc, int breakExtra, int breakCount);

// Mapping.
enum : int { MM_TEXT = 1, MM_ANISOTROPIC = 8 };
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetWindowOrgEx(HDC dc, int x, int y, TPoint* previous);
BOOL SetWindowExtEx(HDC dc, int x, int y, TSize* previous);
BOOL SetViewportOrgEx(HDC dc, int x, int y, TPoint* previous);
BOOL SetViewportExtEx(HDC dc, int x, int y, TSize* previous);
BOOL GetWindowOrgEx(HDC dc, TPoint* p);
BOOL GetWindowExtEx(HDC dc, TSize* s);
BOOL GetViewportOrgEx(HDC dc, TPoint* p);
BOOL GetViewportExtEx(HDC dc, TSize* s);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, TPoint* previous);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, TPoint* previous);
BOOL LPtoDP(HDC dc, TPoint* points, int count);
BOOL DPtoLP(HDC dc, TPoint* points, int count);

// Saved states: SaveDC returns the new depth; RestoreDC with a negative level counts back.
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int savedDC);

// Clipping, in logical coordinates (kept by the context in device coordinates).
enum : int { ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3 };
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
// Clips to a device rectangle (nullptr removes the clipping).
int SelectClipRect(HDC dc, const TRect* deviceRect);
int GetClipBox(HDC dc, TRect* r);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const TRect* r);

// Lines and shapes.
BOOL MoveToEx(HDC dc, int x, int y, TPoint* previous);
BOOL GetCurrentPositionEx(HDC dc, TPoint* p);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const TPoint* points, int count);
BOOL Polygon(HDC dc, const TPoint* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
           int yEnd);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xStart, int yStart, int xEnd,
         int yEnd);
int FillRect(HDC dc, const TRect* r, HBRUSH brush);
int FrameRect(HDC dc, const TRect* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const TRect* r);
BOOL DrawFocusRect(HDC dc, const TRect* r);
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
enum : UINT { FLOODFILLBORDER = 0, FLOODFILLSURFACE = 1 };
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type);

// Edges.
enum : UINT {
    BDR_RAISEDOUTER = 1,
    BDR_SUNKENOUTER = 2,
    BDR_RAISEDINNER = 4,
    BDR_SUNKENINNER = 8,
    EDGE_RAISED = 5,
    EDGE_SUNKEN = 10,
    EDGE_ETCHED = 6,
    EDGE_BUMP = 9,
};
enum : UINT {
    BF_LEFT = 1,
    BF_TOP = 2,
    BF_RIGHT = 4,
    BF_BOTTOM = 8,
    BF_RECT = 15,
    BF_MIDDLE = 0x800,
    BF_FLAT = 0x4000,
    BF_MONO = 0x8000,
    BF_ADJUST = 0x2000,
};
BOOL DrawEdge(HDC dc, TRect* r, UINT edge, UINT flags);

// Text.
enum : UINT { ETO_OPAQUE = 2, ETO_CLIPPED = 4 };
BOOL TextOut(HDC dc, int x, int y, const std::string& text);
// dx, when given, holds the advance of each character in logical units.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const TRect* r, const std::string& text,
                const int* dx = nullptr);
BOOL GetTextExtentPoint(HDC dc, const std::string& text, TSize* size);
BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
BOOL GetTextFace(HDC dc, std::string* face);
enum : UINT {
    DT_TOP = 0,
    DT_LEFT = 0,
    DT_CENTER = 1,
    DT_RIGHT = 2,
    DT_VCENTER = 4,
    DT_BOTTOM = 8,
    DT_WORDBREAK = 0x10,
    DT_SINGLELINE = 0x20,
    DT_EXPANDTABS = 0x40,
    DT_NOCLIP = 0x100,
    DT_EXTERNALLEADING = 0x200,
    DT_CALCRECT = 0x400,
    DT_NOPREFIX = 0x800,
    DT_END_ELLIPSIS = 0x8000,
};
// Draws text formatted in a rectangle; returns the height of the text. With DT_CALCRECT the
// rectangle is widened or heightened to the text and nothing is drawn.
int DrawText(HDC dc, const std::string& text, TRect* r, UINT format);

// Blits with ternary raster operations.
enum : DWORD {
    SRCCOPY = 0x00CC0020,
    SRCPAINT = 0x00EE0086,
    SRCAND = 0x008800C6,
    SRCINVERT = 0x00660046,
    SRCERASE = 0x00440328,
    NOTSRCCOPY = 0x00330008,
    NOTSRCERASE = 0x001100A6,
    MERGECOPY = 0x00C000CA,
    MERGEPAINT = 0x00BB0226,
    PATCOPY = 0x00F00021,
    PATPAINT = 0x00FB0A09,
    PATINVERT = 0x005A0049,
    DSTINVERT = 0x00550009,
    BLACKNESS = 0x00000042,
    WHITENESS = 0x00FF0062,
};
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
            DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int xSrc, int ySrc,
                int widthSrc, int heightSrc, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
enum : int { BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4 };
int SetStretchBltMode(HDC dc, int mode);

// Fonts installed: family names with their pitch, sorted by name.
struct TFontFamily {
    std::string Name;
    bool FixedPitch = false;
};
std::vector<TFontFamily> FontFamilies();
// The family a GDI face name is drawn with: "Arial" -> "Liberation Sans", "Courier New" ->
// "Liberation Mono", "Times New Roman" -> "Liberation Serif"; a name the system has is kept;
// "MS Sans Serif", "System" and unknown names -> "DejaVu Sans".
std::string MappedFontFamily(const std::string& faceName);
// The families the mapping needs that are not installed (empty when all are there).
std::vector<std::string> MissingMappedFonts();
