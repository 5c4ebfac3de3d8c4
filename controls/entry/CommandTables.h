// Keyboard command tables of the entry controls: a key, or a sequence of two keys, with its
// modifiers becomes an editing command. A processor holds several tables in priority order and
// remembers where a two-key sequence or a literal key stands between key presses.
#pragma once

#include "platform/gui/Controls.h"
#include "platform/gui/Messages.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <string>
#include <vector>

// Editing commands; the order is alphabetical and gives the numbers.
enum : Word {
    ccNone,
    ccBack,
    ccBotOfPage,
    ccBotRightCell,
    ccCompleteDate,
    ccCompleteTime,
    ccCopy,
    ccCtrlChar,
    ccCut,
    ccDec,
    ccDel,
    ccDelBol,
    ccDelEol,
    ccDelLine,
    ccDelWord,
    ccDown,
    ccEnd,
    ccExtendDown,
    ccExtendEnd,
    ccExtendHome,
    ccExtendLeft,
    ccExtendPgDn,
    ccExtendPgUp,
    ccExtendRight,
    ccExtendUp,
    ccExtBotOfPage,
    ccExtFirstPage,
    ccExtLastPage,
    ccExtTopOfPage,
    ccExtWordLeft,
    ccExtWordRight,
    ccFirstPage,
    ccGotoMarker0,
    ccGotoMarker9 = ccGotoMarker0 + 9,
    ccHome,
    ccInc,
    ccIns,
    ccLastPage,
    ccLeft,
    ccNewLine,
    ccNextPage,
    ccPageLeft,
    ccPageRight,
    ccPaste,
    ccPrevPage,
    ccRedo,
    ccRestore,
    ccRight,
    ccScrollDown,
    ccScrollUp,
    ccSetMarker0,
    ccSetMarker9 = ccSetMarker0 + 9,
    ccTab,
    ccTableEdit,
    ccTopLeftCell,
    ccTopOfPage,
    ccUndo,
    ccUp,
    ccWordLeft,
    ccWordRight,
    // Internal signals
    ccTypedChar = 249,
    ccMouseDown = 250,
    ccMouseDrag = 251,
    ccNoCommand = 252,
    ccDoubleClick = 253,
    ccIgnore = 254,
    ccSequencePending = 255,
    // The first of the program's own commands.
    ccUserFirst = 256
};

// Modifier bits of a command entry.
constexpr Byte ssShiftBit = 2;
constexpr Byte ssCtrlBit = 4;
constexpr Byte ssAltBit = 8;
// As the second key's modifiers: none or Ctrl alone.
constexpr Byte ssCtrlOrNone = 128;

// One table entry: a key with its modifiers, an optional second key (0 = none), the command.
struct TVcCommandRec {
    Byte Key1 = 0;
    Byte Shift1 = 0;
    Byte Key2 = 0;
    Byte Shift2 = 0;
    Word Cmd = ccNone;
    // The four key bytes as one little-endian integer.
    LongInt Keys() const;
    bool SameKeys(const TVcCommandRec& other) const { return Keys() == other.Keys(); }
    static TVcCommandRec FromKeys(LongInt keys, Word cmd);
};

class TVcCommandTable : public TPersistent {
    VANTREL_CLASS(TVcCommandTable, TPersistent)

    TVcCommandTable();

    bool IsActive() const { return isActive_; }
    void SetIsActive(bool Value) { isActive_ = Value; }
    const std::string& TableName() const { return tableName_; }
    void SetTableName(const std::string& Value) { tableName_ = Value; }

    int AddCommand(const TVcCommandRec& Entry);
    void Clear() { entries_.clear(); }
    // Raises EListError for an index out of range.
    void Delete(int Index);
    // The first entry with the same four key bytes, or -1.
    int IndexOf(const TVcCommandRec& Entry) const;
    const TVcCommandRec& Commands(int Index) const;
    void SetCommand(int Index, Word Cmd);
    int Count() const { return static_cast<int>(entries_.size()); }

    // The text form: the name on the first line, then one line per entry with the four key
    // bytes in fields 4 wide and the command in a field 6 wide. Loading a file that cannot be
    // read, or holds a value out of range, raises EInOutError and leaves the table as it was.
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;

    // The stored property "CommandList": the name, the active flag and the entries as pairs of
    // (keys, command); the tables named like a built-in one store only their differences from
    // it. Reading data that is cut short or out of range raises EInOutError.
    bool HasStoredData() const { return !entries_.empty(); }
    void WriteCommandList(TStream& Stream) const;
    void ReadCommandList(TStream& Stream);

private:
    void CheckIndex(int Index) const;
    bool isActive_ = false;
    std::string tableName_;
    std::vector<TVcCommandRec> entries_;
};

// The entries of the built-in table with this name ("Default", "WordStar", "Grid", any case);
// false for any other name.
bool BuiltInCommands(const std::string& Name, std::vector<TVcCommandRec>& Entries);

class TVcCommandProcessor : public TPersistent {
    VANTREL_CLASS(TVcCommandProcessor, TPersistent)

    // Builds "Default" (active), "WordStar" and "Grid".
    TVcCommandProcessor();
    ~TVcCommandProcessor() override;

    int CreateCommandTable(const std::string& Name, bool Active);
    // Takes ownership; renames the table when its name (or its name without trailing digits)
    // is taken, and returns its index.
    int Add(TVcCommandTable* Table);
    TVcCommandTable* FindTable(const std::string& Name) const;
    void AddCommandRec(const std::string& TableName, const TVcCommandRec& Entry);
    void Delete(int Index);
    int Count() const { return static_cast<int>(tables_.size()); }
    TVcCommandTable* Tables(int Index) const;
    int LoadCommandTable(const std::string& FileName);
    void SaveCommandTable(const std::string& TableName, const std::string& FileName) const;

    void ResetCommandProcessor();
    // The command of a key message (WM_KEYDOWN), looked up in the active tables.
    Word Translate(const TWMKey& Msg);
    Word TranslateKey(Word Key, TShiftState Shift);
    // Looks only in the named tables (active or not), in the list's order.
    Word TranslateUsing(const std::vector<std::string>& TableNames, const TWMKey& Msg);
    Word TranslateUsing(const TWMKey& Msg, const std::vector<std::string>& TableNames) {
        return TranslateUsing(TableNames, Msg);
    }

    // The stored property "TableList" (written only when there are tables); reading frees the
    // tables first.
    bool HasStoredData() const { return !tables_.empty(); }
    void WriteTableList(TStream& Stream) const;
    void ReadTableList(TStream& Stream);

    Byte State() const { return state_; }

private:
    Word TranslateIn(const std::vector<TVcCommandTable*>& Tables, Word Key, Byte Shift);
    Word Match(const TVcCommandTable& Table, Word Key, Byte Shift);
    std::string UniqueName(const std::string& Name) const;
    std::vector<TVcCommandTable*> ActiveTables() const;

    std::vector<std::unique_ptr<TVcCommandTable>> tables_;
    Byte state_ = 0;
    Byte pendingKey_ = 0;
    Byte pendingShift_ = 0;
};

// The modifier bits (Shift 2, Ctrl 4, Alt 8) of a shift state.
Byte ShiftStateToBits(TShiftState Shift);
