// The table's common types and the ground the table control stands on: the sparse array that
// holds pointer-sized items under indexes 0..319999 storing only the indexes in use (32 to a
// page); the sorted set of cells to repaint; the selection kept as row runs per column; the base
// of every cell component, which supplies a cell's attributes, paints it from the data the table
// fetches and edits it in place; the per-cell override store; and the shared check-glyph bitmap.
//
// Promises: the sparse array raises ESAEOutOfBounds for an index outside 0..319999 and
// ESAEAtMaxSize for an insert into a full array, and changes nothing then; it never owns its
// items. The cell array and the selection list ignore out-of-range cells and never raise. A
// cell component's questions to its table are answered 0 while the table has no window.
#pragma once

#include "controls/entry/TableCellLinks.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Graphics.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TVcBaseTableCell;

// ----- Common types

enum TVcTblAccess : Byte { otxDefault, otxNormal, otxReadOnly, otxInvisible };
enum TVcTblAdjust : Byte {
    otaDefault,
    otaTopLeft,
    otaTopCenter,
    otaTopRight,
    otaCenterLeft,
    otaCenter,
    otaCenterRight,
    otaBottomLeft,
    otaBottomCenter,
    otaBottomRight
};
enum TVcTextStyle : Byte { tsFlat, tsRaised, tsLowered };
enum TVcTblOption {
    otoBrowseRow,
    otoNoRowResizing,
    otoNoColResizing,
    otoTabToArrow,
    otoEnterToArrow,
    otoAlwaysEditing,
    otoNoSelection,
    otoMouseDragSelect,
    otoRowSelection,
    otoColSelection,
    otoThumbTrack,
    otoAllowColMoves,
    otoAllowRowMoves
};
using TVcTblOptionSet = TSet<TVcTblOption, 16>;
// What changed in a row or column list: the row limit, one row or column, everything, a column
// appended, deleted, or two exchanged.
enum TVcTblActions : Byte { tbaLimit, tbaSingle, tbaAll, tbaAppend, tbaDelete, tbaExchange };
// Why the table asks for a cell's data.
enum TVcCellDataPurpose : Byte { cdpPaint, cdpEdit, cdpSave };
// The border of an in-place editor: none, a single line, or the 3D look.
enum TVcTblEditorStyle : Byte { tesNone, tesSingle, tes3D };

// No colour set for a single cell.
constexpr TColor clVcCellNone = 0x02FFFFFF;

struct TVcCellAttributes {
    TVcTblAccess Access = otxDefault;
    TVcTblAdjust Adjust = otaDefault;
    TColor Color = clVcCellNone;
    TFont* Font = nullptr; // owned by whoever fills the record
    TColor FontColor = clWindowText;
    TColor FontHiColor = clBtnHighlight;
    TVcTextStyle TextStyle = tsFlat;
};

using TRowNotifyEvent = std::function<void(TObject* Sender, LongInt RowNum)>;
using TColNotifyEvent = std::function<void(TObject* Sender, LongInt ColNum)>;
using TCellNotifyEvent = std::function<void(TObject* Sender, LongInt RowNum, LongInt ColNum)>;
using TCellDataNotifyEvent = std::function<void(TObject* Sender, LongInt RowNum, LongInt ColNum,
                                                void*& Data, TVcCellDataPurpose Purpose)>;
using TCellAttrNotifyEvent = std::function<void(TObject* Sender, LongInt RowNum, LongInt ColNum,
                                                TVcCellAttributes& CellAttr)>;
using TCellPaintNotifyEvent = std::function<void(
    TObject* Sender, TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum, LongInt ColNum,
    const TVcCellAttributes& CellAttr, void* Data, bool& DoneIt)>;
using TCellBeginEditNotifyEvent =
    std::function<void(TObject* Sender, LongInt RowNum, LongInt ColNum, bool& AllowIt)>;
using TCellEndEditNotifyEvent = std::function<void(TObject* Sender, TVcBaseTableCell* Cell,
                                                   LongInt RowNum, LongInt ColNum, bool& AllowIt)>;
using TCellMoveNotifyEvent =
    std::function<void(TObject* Sender, Word Command, LongInt& RowNum, LongInt& ColNum)>;
using TCellChangeNotifyEvent = TCellNotifyEvent;
using TRowChangeNotifyEvent =
    std::function<void(TObject* Sender, LongInt RowNum1, LongInt RowNum2, TVcTblActions Action)>;
using TColChangeNotifyEvent =
    std::function<void(TObject* Sender, LongInt ColNum1, LongInt ColNum2, TVcTblActions Action)>;
using TSizeCellEditorNotifyEvent =
    std::function<void(TObject* Sender, LongInt RowNum, LongInt ColNum, TRect& CellRect,
                       TVcTblEditorStyle& CellStyle)>;
// The change handler of the row and column lists.
using TVcCfgChangedEvent =
    std::function<void(TObject* Sender, LongInt Num1, LongInt Num2, TVcTblActions Action)>;

// The table's private window messages.
constexpr UINT ctim_QueryOptions = 0x4945;
constexpr UINT ctim_QueryColor = 0x4946;
constexpr UINT ctim_QueryFont = 0x4947;
constexpr UINT ctim_QueryLockedCols = 0x4948;
constexpr UINT ctim_QueryLockedRows = 0x4949;
constexpr UINT ctim_QueryActiveCol = 0x494A;
constexpr UINT ctim_QueryActiveRow = 0x494B;
constexpr UINT ctim_RemoveCell = 0x494F;
constexpr UINT ctim_StartEdit = 0x4950;
constexpr UINT ctim_StartEditMouse = 0x4951;
constexpr UINT ctim_StartEditKey = 0x4952;
constexpr UINT ctim_EditorGotFocus = 0x4953;
constexpr UINT ctim_EditorLostFocus = 0x4954;
constexpr UINT ctim_LoadFinish = 0x4959;

// What a cell asks of its table directly; the table control implements it.
class TVcTableServices {
public:
    // The key's class for a cell editor: 0 the editor keeps it, 1 a movement, 2 the table's.
    virtual Byte TranslateTableKey(const TWMKey& Msg) = 0;
    // Refines a cell's attributes with the table's per-cell settings, colours and event.
    virtual void RefineCellAttributes(LongInt RowNum, LongInt ColNum,
                                      TVcCellAttributes& CellAttr) = 0;

protected:
    ~TVcTableServices() = default;
};

// ----- Sparse array

class TVcSparseArray : public TObject {
    VANTREL_CLASS(TVcSparseArray, TObject)

    static constexpr LongInt MaxIndex = 319999;
    static constexpr int PageSize = 32;
    using TAction = std::function<bool(LongInt Index, void* Item, void* ExtraData)>;

    TVcSparseArray();
    ~TVcSparseArray() override;
    TVcSparseArray(const TVcSparseArray&) = delete;
    TVcSparseArray& operator=(const TVcSparseArray&) = delete;

    void* Get(LongInt Index) const;
    // Stores an item (nullptr removes it).
    void Put(LongInt Index, void* Item);
    // Moves every item at Index and above one index up, then stores Item at Index.
    void Insert(LongInt Index, void* Item);
    // Removes the item at Index and moves every item above it one index down.
    void Delete(LongInt Index);
    void Exchange(LongInt Index1, LongInt Index2);
    // Calls Action for every index holding an item (descending when Backwards); returns the
    // index of the first call answering false, or -1.
    LongInt ForAll(const TAction& Action, bool Backwards, void* ExtraData) const;
    // One more than the highest index holding an item.
    LongInt Count() const { return count_; }
    LongInt ActiveCount() const;
    // Frees the pages whose slots are all empty.
    void Squeeze();
    void Clear();
    int PageCount() const { return static_cast<int>(pages_.size()); }

private:
    struct TPage {
        Word Number = 0;
        std::unique_ptr<std::array<void*, PageSize>> Slots;
    };
    static void CheckIndex(LongInt Index);
    // The directory position of a page, or -1 (then Insertion is where it belongs).
    int FindPage(Word Number, int* Insertion = nullptr) const;
    std::array<void*, PageSize>& MakePage(Word Number);
    void StoreItem(LongInt Index, void* Item);
    void RecomputeCount();
    // Takes every item out, renumbered by Map, and stores them again.
    void Renumber(const std::function<LongInt(LongInt)>& Map, LongInt Dropped);

    std::vector<TPage> pages_;
    LongInt count_ = 0;
};

// ----- Cell array

struct TVcCellAddr {
    LongInt Row = 0;
    LongInt Col = 0;
    bool operator==(const TVcCellAddr&) const = default;
    bool operator<(const TVcCellAddr& o) const { return Row != o.Row ? Row < o.Row : Col < o.Col; }
};

class TVcCellArray : public TObject {
    VANTREL_CLASS(TVcCellArray, TObject)

    void AddCell(LongInt Row, LongInt Col);
    // True when the pair was there.
    bool DeleteCell(LongInt Row, LongInt Col);
    // Set union; either side's "everything" stays.
    void Merge(const TVcCellArray& Other);
    void Clear();
    void MakeEverything() { everything_ = true; }
    bool Everything() const { return everything_; }
    bool IsEmpty() const { return cells_.empty() && !everything_; }
    int Count() const { return static_cast<int>(cells_.size()); }
    // The pair at a position; (0, 0) outside the pairs.
    TVcCellAddr GetCellAddr(int Index) const;
    std::size_t Capacity() const { return cells_.capacity(); }

private:
    static constexpr std::size_t Growth = 128;
    std::vector<TVcCellAddr> cells_;
    bool everything_ = false;
};

// ----- Selection list

class TVcSelectionList : public TObject {
    VANTREL_CLASS(TVcSelectionList, TObject)

    struct TRun {
        LongInt First = 0;
        LongInt Last = 0;
        bool operator==(const TRun&) const = default;
    };
    using TAction = std::function<bool(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2,
                                       LongInt ColNum2, void* ExtraData)>;

    TVcSelectionList(LongInt RowCount, LongInt ColCount);

    LongInt RowCount() const { return rowCount_; }
    LongInt ColCount() const { return static_cast<LongInt>(columns_.size()); }
    // Negative counts are ignored; shrinking drops what lies beyond the new count.
    void SetRowCount(LongInt N);
    void SetColCount(LongInt N);
    void Clear();
    void SelectAll();
    void SelectArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2);
    void DeselectArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2);
    void StartSelection(LongInt RowNum, LongInt ColNum, bool KeepExisting);
    void ExtendSelection(LongInt RowNum, LongInt ColNum, bool Select);
    bool IsCellSelected(LongInt RowNum, LongInt ColNum) const;
    bool HaveSelection() const { return !noPending_ || listCount_ > 0; }
    void Iterate(const TAction& Action, void* ExtraData);
    // The runs of a column (empty when it has none).
    std::vector<TRun> Runs(LongInt ColNum) const;
    LongInt AnchorRow() const { return anchorRow_; }
    LongInt AnchorCol() const { return anchorCol_; }
    LongInt ActionRow() const { return actionRow_; }
    LongInt ActionCol() const { return actionCol_; }
    // Moves the anchor (clamped into the bounds) without touching the selection.
    void SetAnchor(LongInt RowNum, LongInt ColNum);

private:
    using TRunList = std::vector<TRun>;
    bool Inside(LongInt RowNum, LongInt ColNum) const;
    void AddRuns(LongInt Col, LongInt First, LongInt Last);
    void RemoveRuns(LongInt Col, LongInt First, LongInt Last);
    void CommitPending();
    void ApplyArea(LongInt RowNum1, LongInt ColNum1, LongInt RowNum2, LongInt ColNum2, bool Select);

    std::vector<std::unique_ptr<TRunList>> columns_;
    LongInt listCount_ = 0;
    LongInt actionCol_ = 0;
    LongInt actionRow_ = 0;
    LongInt anchorCol_ = 0;
    LongInt anchorRow_ = 0;
    LongInt rowCount_ = 0;
    LongInt lowCol_ = 0;
    LongInt highCol_ = 0;
    LongInt lowRow_ = 0;
    LongInt highRow_ = 0;
    bool pendingSelects_ = true;
    bool noPending_ = true;
};

// ----- Cell components

using TVcOwnerDrawEvent = TCellPaintNotifyEvent;

class TVcBaseTableCell : public TVcTableCellAncestor {
    VANTREL_CLASS(TVcBaseTableCell, TVcTableCellAncestor)

    explicit TVcBaseTableCell(TComponent* AOwner);
    ~TVcBaseTableCell() override;

    // ----- Properties
    TColor Color();
    void SetColor(TColor Value);
    TFont* Font();
    void SetFont(TFont* Value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& Value) { hint_ = Value; }
    int Margin() const { return margin_; }
    void SetMargin(int Value);
    TColor TextHiColor() const { return textHiColor_; }
    void SetTextHiColor(TColor Value);
    TVcTblAccess Access() const { return access_; }
    void SetAccess(TVcTblAccess Value);
    TVcTblAdjust Adjust() const { return adjust_; }
    void SetAdjust(TVcTblAdjust Value);
    bool ShowHint() const { return showHint_; }
    void SetShowHint(bool Value);
    bool TableColor() const { return tableColor_; }
    void SetTableColor(bool Value);
    bool TableFont() const { return tableFont_; }
    void SetTableFont(bool Value);
    TVcTextStyle TextStyle() const { return textStyle_; }
    void SetTextStyle(TVcTextStyle Value);
    std::string Version() const { return "2.13.00"; }
    void SetVersion(const std::string&) {}
    // Colour and font are stored only when they are the cell's own.
    bool ColorStored() const { return !tableColor_; }
    bool FontStored() const { return !tableFont_; }

    // ----- Use counting and the table
    int References() const { return refs_; }
    void IncRefs();
    void DecRefs();
    TVcTableAncestor* CellTable() const { return table_; }
    void SetTable(TVcTableAncestor* Value);

    // ----- The protocol the table calls
    virtual void ApplyPending();
    virtual TWinControl* EditorControl() { return nullptr; }
    virtual void Paint(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum, LongInt ColNum,
                       const TVcCellAttributes& CellAttr, void* Data);
    virtual HWND EditHandle() = 0;
    virtual void EditHide() = 0;
    virtual void EditMove(const TRect& CellRect) = 0;
    virtual bool CanSaveEditedData(bool SaveValue);
    // The table's classification of a key for an editor: 0 keep, 1 movement, 2 table's.
    virtual Byte FilterTableKey(const TWMKey& Msg);
    virtual void SaveEditedData(void* Data) = 0;
    virtual void StartEditing(LongInt RowNum, LongInt ColNum, const TRect& CellRect,
                              const TVcCellAttributes& CellAttr, TVcTblEditorStyle CellStyle,
                              void* Data) = 0;
    virtual void StopEditing(bool SaveValue, void* Data) = 0;
    virtual bool DoOwnerDraw(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum,
                             LongInt ColNum, const TVcCellAttributes& CellAttr, void* Data);
    virtual void ResolveAttributes(LongInt RowNum, LongInt ColNum, TVcCellAttributes& CellAttr);
    // Owner drawing first, then Paint.
    void Draw(TCanvas* TableCanvas, const TRect& CellRect, LongInt RowNum, LongInt ColNum,
              const TVcCellAttributes& CellAttr, void* Data);

    void ChangeScale(int M, int D) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Events handed to the editor when editing starts.
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;
    TKeyEvent OnKeyUp;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;
    TDragDropEvent OnDragDrop;
    TDragOverEvent OnDragOver;
    TEndDragEvent OnEndDrag;
    TVcOwnerDrawEvent OnOwnerDraw;

    // ----- Questions to the table (0 / false without a window)
    TColor TableColorValue() const;
    TFont* TableFontValue() const;
    LongInt TableLockedCols() const;
    LongInt TableActiveCol() const;
    TVcTblOptionSet TableOptions() const;
    bool TableTabToArrow() const { return TableOptions().Contains(otoTabToArrow); }
    bool TableEnterToArrow() const { return TableOptions().Contains(otoEnterToArrow); }
    // Posts a WM_KEYDOWN with the message's key and flags to the table.
    void PostKeyToTable(const TWMKey& Msg) const;
    // Hands the cell's events to an editor control.
    void CopyEventsTo(TWinControl* Editor) const;

protected:
    // Stores a value and tells the table when it changed.
    template <typename T>
    void Change(T& Field, const T& Value) {
        if (Field == Value) return;
        Field = Value;
        DoCellChanged();
    }
    bool Designing() const { return ComponentState().Contains(csDesigning); }

private:
    LRESULT AskTable(UINT Msg) const;
    TVcTableServices* Services() const { return dynamic_cast<TVcTableServices*>(table_); }
    void FetchTableColor();
    void FetchTableFont();
    void FontChanged();

    TColor color_ = clBtnFace;
    TFont font_;
    std::string hint_;
    int margin_ = 4;
    int refs_ = 0;
    TVcTableAncestor* table_ = nullptr;
    TColor textHiColor_ = clBtnHighlight;
    TVcTblAccess access_ = otxDefault;
    TVcTblAdjust adjust_ = otaDefault;
    bool showHint_ = false;
    bool tableColor_ = true;
    bool tableFont_ = true;
    TVcTextStyle textStyle_ = tsFlat;
    bool colorPending_ = false;
    bool fontPending_ = false;
    bool fetchingFont_ = false;
};

// ----- Per-cell overrides

struct TVcCellStyle {
    TVcTblAccess Access = otxDefault;
    TVcTblAdjust Adjust = otaDefault;
    TColor Color = clVcCellNone;
    std::unique_ptr<TFont> Font;
    TVcBaseTableCell* Cell = nullptr;
};

class TVcTableCells : public TObject {
    VANTREL_CLASS(TVcTableCells, TObject)

    TVcTableCells();
    ~TVcTableCells() override;

    // A copy of the record's access, adjust, colour and cell (font through CellFont).
    TVcCellStyle GetCellAttr(LongInt Row, LongInt Col) const;
    TFont* CellFont(LongInt Row, LongInt Col) const;
    TVcBaseTableCell* Cell(LongInt Row, LongInt Col) const;
    void SetCellAccess(LongInt Row, LongInt Col, TVcTblAccess Value);
    void SetCellAdjust(LongInt Row, LongInt Col, TVcTblAdjust Value);
    void SetCellColor(LongInt Row, LongInt Col, TColor Value);
    // A copy of the font (nullptr removes it).
    void SetCellFont(LongInt Row, LongInt Col, TFont* Value);
    // The record takes one use of the cell.
    void SetCell(LongInt Row, LongInt Col, TVcBaseTableCell* Value);
    int RecordCount() const { return records_; }

    void InsertRow(LongInt Row);
    void DeleteRow(LongInt Row);
    void ExchangeRows(LongInt Row1, LongInt Row2);
    void InsertCol(LongInt Col);
    void DeleteCol(LongInt Col);
    void ExchangeCols(LongInt Col1, LongInt Col2);
    // Clears a cell component that is going away from every record.
    void RemoveCell(TVcBaseTableCell* Cell);
    // Calls Action for every record (row, column, record).
    void ForEach(const std::function<void(LongInt, LongInt, TVcCellStyle&)>& Action) const;

    TNotifyEvent OnChange;

private:
    TVcCellStyle* Find(LongInt Row, LongInt Col) const;
    TVcCellStyle& Need(LongInt Row, LongInt Col);
    void FreeRecord(TVcCellStyle* Record);
    void FreeRow(TVcSparseArray* Row);
    void Changed();
    TVcSparseArray rows_;
    int records_ = 0;
};

// ----- Check glyphs

// The shared bitmap of the check cells' glyphs, loaded once from the program's resource
// "VCTCCHECKGLYPHS" (an empty bitmap when the program holds none).
class TGlyphResourceManager : public TObject {
    VANTREL_CLASS(TGlyphResourceManager, TObject)

    TGlyphResourceManager();
    TBitmap* Glyphs() { return &bitmap_; }
    int RefCount() const { return refs_; }
    void AddRef() { ++refs_; }
    // Drops one reference; true when none is left.
    bool Release() { return --refs_ <= 0; }

private:
    TBitmap bitmap_;
    int refs_ = 1;
};

// The one instance, made on first use.
TGlyphResourceManager& GlyphManager();
