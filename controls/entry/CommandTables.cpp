#include "controls/entry/CommandTables.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/EntryText.h"
#include "controls/entry/MessageTables.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace {

constexpr int MsgUnknownTable = 34277;
constexpr int MsgDefaultTable = 34275;
constexpr int MsgWordStarTable = 34276;
constexpr int MsgGridTable = 34284;

constexpr Byte S = ssShiftBit;
constexpr Byte C = ssCtrlBit;
constexpr Byte A = ssAltBit;

TVcCommandRec Key(Word key, Byte shift, Word cmd) {
    return {static_cast<Byte>(key), shift, 0, 0, cmd};
}
TVcCommandRec Seq(Word key1, Byte shift1, Word key2, Word cmd) {
    return {static_cast<Byte>(key1), shift1, static_cast<Byte>(key2), ssCtrlOrNone, cmd};
}

void Append(std::vector<TVcCommandRec>& t, std::initializer_list<TVcCommandRec> more) {
    t.insert(t.end(), more);
}

// The selection-extending keys shared by the "Default" and "Grid" tables, in their order.
void AppendExtendKeys(std::vector<TVcCommandRec>& t) {
    Append(t, {
                  Key(VK_LEFT, S, ccExtendLeft),
                  Key(VK_RIGHT, S, ccExtendRight),
                  Key(VK_HOME, S, ccExtendHome),
                  Key(VK_END, S, ccExtendEnd),
                  Key(VK_LEFT, S | C, ccExtWordLeft),
                  Key(VK_RIGHT, S | C, ccExtWordRight),
                  Key(VK_PRIOR, S, ccExtendPgUp),
                  Key(VK_NEXT, S, ccExtendPgDn),
                  Key(VK_UP, S, ccExtendUp),
                  Key(VK_DOWN, S, ccExtendDown),
                  Key(VK_HOME, S | C, ccExtFirstPage),
                  Key(VK_END, S | C, ccExtLastPage),
                  Key(VK_PRIOR, S | C, ccExtTopOfPage),
                  Key(VK_NEXT, S | C, ccExtBotOfPage),
              });
}

std::vector<TVcCommandRec> DefaultEntries() {
    std::vector<TVcCommandRec> t = {
        Key(VK_LEFT, 0, ccLeft),       Key(VK_RIGHT, 0, ccRight),    Key(VK_LEFT, C, ccWordLeft),
        Key(VK_RIGHT, C, ccWordRight), Key(VK_HOME, 0, ccHome),      Key(VK_END, 0, ccEnd),
        Key(VK_DELETE, 0, ccDel),      Key(VK_BACK, 0, ccBack),      Key(VK_BACK, S, ccBack),
        Key(VK_PRIOR, C, ccTopOfPage), Key(VK_NEXT, C, ccBotOfPage), Key(VK_INSERT, 0, ccIns),
        Key('Z', C, ccUndo),           Key(VK_BACK, A, ccRestore),   Key(VK_UP, 0, ccUp),
        Key(VK_DOWN, 0, ccDown),       Key(VK_RETURN, C, ccNewLine),
    };
    AppendExtendKeys(t);
    Append(t, {
                  Key(VK_DELETE, S, ccCut),
                  Key('X', C, ccCut),
                  Key(VK_INSERT, C, ccCopy),
                  Key('C', C, ccCopy),
                  Key(VK_INSERT, S, ccPaste),
                  Key('V', C, ccPaste),
                  Key(VK_PRIOR, 0, ccPrevPage),
                  Key(VK_NEXT, 0, ccNextPage),
                  Key(VK_HOME, C, ccFirstPage),
                  Key(VK_END, C, ccLastPage),
                  Key(VK_TAB, 0, ccTab),
                  Key(VK_TAB, C, ccTab),
                  Key('Z', S | C, ccRedo),
              });
    for (int i = 0; i < 10; ++i)
        t.push_back(Key('0' + i, C, ccGotoMarker0 + i));
    for (int i = 0; i < 10; ++i)
        t.push_back(Key('0' + i, S | C, ccSetMarker0 + i));
    return t;
}

std::vector<TVcCommandRec> WordStarEntries() {
    std::vector<TVcCommandRec> t = {
        Key('S', C, ccLeft),        Key('D', C, ccRight),        Key('E', C, ccUp),
        Key('X', C, ccDown),        Key('R', C, ccPrevPage),     Key('C', C, ccNextPage),
        Key('W', C, ccScrollUp),    Key('Z', C, ccScrollDown),   Key('A', C, ccWordLeft),
        Key('F', C, ccWordRight),   Seq('Q', C, 'S', ccHome),    Seq('Q', C, 'D', ccEnd),
        Key('G', C, ccDel),         Key('H', C, ccBack),         Key('Y', C, ccDelLine),
        Seq('Q', C, 'Y', ccDelEol), Key('V', C, ccIns),          Key('T', C, ccDelWord),
        Key('P', C, ccCtrlChar),    Seq('Q', C, 'L', ccRestore),
    };
    for (int i = 0; i < 10; ++i)
        t.push_back(Seq('Q', C, '0' + i, ccGotoMarker0 + i));
    for (int i = 0; i < 10; ++i)
        t.push_back(Seq('K', C, '0' + i, ccSetMarker0 + i));
    return t;
}

std::vector<TVcCommandRec> GridEntries() {
    std::vector<TVcCommandRec> t = {
        Key(VK_LEFT, 0, ccLeft),       Key(VK_RIGHT, 0, ccRight), Key(VK_LEFT, C, ccPageLeft),
        Key(VK_RIGHT, C, ccPageRight), Key(VK_HOME, 0, ccHome),   Key(VK_END, 0, ccEnd),
        Key(VK_DELETE, 0, ccDel),      Key(VK_BACK, 0, ccBack),   Key(VK_NEXT, C, ccBotOfPage),
        Key(VK_PRIOR, C, ccTopOfPage), Key(VK_INSERT, 0, ccIns),  Key('Z', C, ccRestore),
        Key(VK_UP, 0, ccUp),           Key(VK_DOWN, 0, ccDown),
    };
    AppendExtendKeys(t);
    Append(t, {
                  Key('X', C, ccCut),
                  Key('C', C, ccCopy),
                  Key('V', C, ccPaste),
                  Key(VK_PRIOR, 0, ccPrevPage),
                  Key(VK_HOME, C, ccFirstPage),
                  Key(VK_NEXT, 0, ccNextPage),
                  Key(VK_END, C, ccLastPage),
                  Key(VK_UP, C, ccTopLeftCell),
                  Key(VK_DOWN, C, ccBotRightCell),
                  Key(VK_F2, 0, ccTableEdit),
              });
    return t;
}

bool IsModifierKey(Word key) {
    return key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU || key == VK_CAPITAL ||
           key == VK_NUMLOCK || key == VK_SCROLL;
}

[[noreturn]] void BadTableData(const std::string& what) {
    throw EInOutError("Invalid command table data: %s", {what});
}

// Little-endian fields of the stored form; every read is checked against the stream's end.
void WriteLong(TStream& s, LongInt v) {
    Byte b[4];
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<Byte>(static_cast<LongWord>(v) >> (8 * i));
    s.WriteBuffer(b, 4);
}
LongInt ReadLong(TStream& s) {
    Byte b[4];
    if (s.Read(b, 4) != 4) BadTableData("cut short");
    LongWord v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | b[i];
    return static_cast<LongInt>(v);
}
void WriteText(TStream& s, const std::string& text) {
    WriteLong(s, static_cast<LongInt>(text.size()));
    if (!text.empty()) s.WriteBuffer(text.data(), static_cast<LongInt>(text.size()));
}
std::string ReadText(TStream& s) {
    const LongInt n = ReadLong(s);
    if (n < 0 || n > 255 || n > s.Size() - s.Position()) BadTableData("name length");
    std::string text(static_cast<std::size_t>(n), '\0');
    if (n > 0 && s.Read(text.data(), n) != n) BadTableData("cut short");
    return text;
}
Word CheckedCommand(Int64 cmd) {
    if (cmd < 0 || cmd > 0xFFFF) BadTableData("command " + IntToStr(cmd));
    return static_cast<Word>(cmd);
}

} // namespace

LongInt TVcCommandRec::Keys() const {
    return static_cast<LongInt>(static_cast<LongWord>(Key1) | static_cast<LongWord>(Shift1) << 8 |
                                static_cast<LongWord>(Key2) << 16 |
                                static_cast<LongWord>(Shift2) << 24);
}

TVcCommandRec TVcCommandRec::FromKeys(LongInt keys, Word cmd) {
    const LongWord k = static_cast<LongWord>(keys);
    return {static_cast<Byte>(k), static_cast<Byte>(k >> 8), static_cast<Byte>(k >> 16),
            static_cast<Byte>(k >> 24), cmd};
}

bool BuiltInCommands(const std::string& Name, std::vector<TVcCommandRec>& Entries) {
    if (SameText(Name, GetVcString(MsgDefaultTable)))
        Entries = DefaultEntries();
    else if (SameText(Name, GetVcString(MsgWordStarTable)))
        Entries = WordStarEntries();
    else if (SameText(Name, GetVcString(MsgGridTable)))
        Entries = GridEntries();
    else
        return false;
    return true;
}

Byte ShiftStateToBits(TShiftState Shift) {
    Byte bits = 0;
    if (Shift.Contains(ssShift)) bits |= ssShiftBit;
    if (Shift.Contains(ssCtrl)) bits |= ssCtrlBit;
    if (Shift.Contains(ssAlt)) bits |= ssAltBit;
    return bits;
}

// ---------------------------------------------------------------------------------------------
// TVcCommandTable

TVcCommandTable::TVcCommandTable() : tableName_(GetVcString(MsgUnknownTable)) {}

int TVcCommandTable::AddCommand(const TVcCommandRec& Entry) {
    entries_.push_back(Entry);
    return Count() - 1;
}

void TVcCommandTable::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
}

void TVcCommandTable::Delete(int Index) {
    CheckIndex(Index);
    entries_.erase(entries_.begin() + Index);
}

int TVcCommandTable::IndexOf(const TVcCommandRec& Entry) const {
    for (int i = 0; i < Count(); ++i)
        if (entries_[static_cast<std::size_t>(i)].SameKeys(Entry)) return i;
    return -1;
}

const TVcCommandRec& TVcCommandTable::Commands(int Index) const {
    CheckIndex(Index);
    return entries_[static_cast<std::size_t>(Index)];
}

void TVcCommandTable::SetCommand(int Index, Word Cmd) {
    CheckIndex(Index);
    entries_[static_cast<std::size_t>(Index)].Cmd = Cmd;
}

void TVcCommandTable::SaveToFile(const std::string& FileName) const {
    std::ofstream out(FileName, std::ios::binary | std::ios::trunc);
    if (!out) throw EInOutError("Cannot create file %s", {FileName});
    out << tableName_ << "\r\n";
    for (const TVcCommandRec& e : entries_)
        out << Format("%4d%4d%4d%4d%6d", {e.Key1, e.Shift1, e.Key2, e.Shift2, e.Cmd}) << "\r\n";
    if (!out.flush()) throw EInOutError("Cannot write file %s", {FileName});
}

void TVcCommandTable::LoadFromFile(const std::string& FileName) {
    std::ifstream in(FileName, std::ios::binary);
    if (!in) throw EInOutError("Cannot open file %s", {FileName});
    std::string name;
    std::getline(in, name);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    std::vector<TVcCommandRec> read;
    std::string line;
    int lineNo = 1;
    while (std::getline(in, line)) {
        ++lineNo;
        std::istringstream fields(line);
        long long v[5];
        int n = 0;
        while (n < 5 && fields >> v[n])
            ++n;
        if (n == 0 && Trim(line).empty()) continue;
        std::string rest;
        if (n < 5 || (fields >> rest))
            throw EInOutError("Invalid command table file %s (line %d)", {FileName, lineNo});
        for (int i = 0; i < 4; ++i)
            if (v[i] < 0 || v[i] > 255)
                throw EInOutError("Invalid command table file %s (line %d)", {FileName, lineNo});
        if (v[4] < 0 || v[4] > 0xFFFF)
            throw EInOutError("Invalid command table file %s (line %d)", {FileName, lineNo});
        read.push_back({static_cast<Byte>(v[0]), static_cast<Byte>(v[1]), static_cast<Byte>(v[2]),
                        static_cast<Byte>(v[3]), static_cast<Word>(v[4])});
    }
    tableName_ = name;
    entries_ = std::move(read);
}

void TVcCommandTable::WriteCommandList(TStream& Stream) const {
    WriteText(Stream, tableName_);
    const Byte active = isActive_ ? 1 : 0;
    Stream.WriteBuffer(&active, 1);
    std::vector<std::pair<LongInt, LongInt>> pairs;
    std::vector<TVcCommandRec> builtIn;
    if (BuiltInCommands(tableName_, builtIn)) {
        for (const TVcCommandRec& b : builtIn)
            if (IndexOf(b) < 0) pairs.emplace_back(b.Keys(), 0);
        for (const TVcCommandRec& e : entries_) {
            const bool same = std::any_of(builtIn.begin(), builtIn.end(), [&](const auto& b) {
                return b.SameKeys(e) && b.Cmd == e.Cmd;
            });
            if (!same) pairs.emplace_back(e.Keys(), e.Cmd);
        }
    } else {
        for (const TVcCommandRec& e : entries_)
            pairs.emplace_back(e.Keys(), e.Cmd);
    }
    WriteLong(Stream, static_cast<LongInt>(pairs.size()));
    for (const auto& [keys, cmd] : pairs) {
        WriteLong(Stream, keys);
        WriteLong(Stream, cmd);
    }
}

void TVcCommandTable::ReadCommandList(TStream& Stream) {
    const std::string name = ReadText(Stream);
    Byte active = 0;
    if (Stream.Read(&active, 1) != 1 || active > 1) BadTableData("active flag");
    const LongInt count = ReadLong(Stream);
    if (count < 0 || count > (Stream.Size() - Stream.Position()) / 8) BadTableData("entry count");
    TVcCommandTable read;
    const bool differences = BuiltInCommands(name, read.entries_);
    for (LongInt i = 0; i < count; ++i) {
        const LongInt keys = ReadLong(Stream);
        const Word cmd = CheckedCommand(ReadLong(Stream));
        const TVcCommandRec entry = TVcCommandRec::FromKeys(keys, cmd);
        const int at = differences ? read.IndexOf(entry) : -1;
        if (at < 0)
            read.AddCommand(entry);
        else if (cmd == ccNone)
            read.Delete(at);
        else
            read.SetCommand(at, cmd);
    }
    tableName_ = name;
    isActive_ = active != 0;
    entries_ = std::move(read.entries_);
}

// ---------------------------------------------------------------------------------------------
// TVcCommandProcessor

TVcCommandProcessor::TVcCommandProcessor() {
    CreateCommandTable(GetVcString(MsgDefaultTable), true);
    CreateCommandTable(GetVcString(MsgWordStarTable), false);
    CreateCommandTable(GetVcString(MsgGridTable), false);
    ResetCommandProcessor();
}

TVcCommandProcessor::~TVcCommandProcessor() = default;

int TVcCommandProcessor::CreateCommandTable(const std::string& Name, bool Active) {
    auto table = std::make_unique<TVcCommandTable>();
    table->SetTableName(Name);
    table->SetIsActive(Active);
    std::vector<TVcCommandRec> entries;
    if (BuiltInCommands(Name, entries))
        for (const TVcCommandRec& e : entries)
            table->AddCommand(e);
    return Add(table.release());
}

std::string TVcCommandProcessor::UniqueName(const std::string& Name) const {
    std::string stripped = Name;
    while (stripped.size() >= 2 && std::isdigit(static_cast<unsigned char>(stripped.back())))
        stripped.pop_back();
    // A name nobody has keeps its digits; a taken one is numbered from its stem.
    if (!FindTable(stripped) && !FindTable(Name)) return Name;
    for (int n = 1;; ++n) {
        const std::string candidate = stripped + IntToStr(n);
        if (!FindTable(candidate)) return candidate;
    }
}

int TVcCommandProcessor::Add(TVcCommandTable* Table) {
    std::unique_ptr<TVcCommandTable> owned(Table);
    owned->SetTableName(UniqueName(owned->TableName()));
    tables_.push_back(std::move(owned));
    return Count() - 1;
}

TVcCommandTable* TVcCommandProcessor::FindTable(const std::string& Name) const {
    for (const auto& t : tables_)
        if (SameText(t->TableName(), Name)) return t.get();
    return nullptr;
}

void TVcCommandProcessor::AddCommandRec(const std::string& TableName, const TVcCommandRec& Entry) {
    TVcCommandTable* table = FindTable(TableName);
    if (!table) throw ETableNotFound();
    if (table->IndexOf(Entry) >= 0) throw EDuplicateCommand();
    table->AddCommand(Entry);
}

void TVcCommandProcessor::Delete(int Index) {
    if (Index < 0 || Index >= Count()) throw ETableNotFound();
    tables_.erase(tables_.begin() + Index);
}

TVcCommandTable* TVcCommandProcessor::Tables(int Index) const {
    if (Index < 0 || Index >= Count()) throw ETableNotFound();
    return tables_[static_cast<std::size_t>(Index)].get();
}

int TVcCommandProcessor::LoadCommandTable(const std::string& FileName) {
    auto table = std::make_unique<TVcCommandTable>();
    table->LoadFromFile(FileName);
    return Add(table.release());
}

void TVcCommandProcessor::SaveCommandTable(const std::string& TableName,
                                           const std::string& FileName) const {
    if (TVcCommandTable* table = FindTable(TableName)) table->SaveToFile(FileName);
}

void TVcCommandProcessor::ResetCommandProcessor() {
    state_ = 0;
    pendingKey_ = 0;
    pendingShift_ = 0;
}

std::vector<TVcCommandTable*> TVcCommandProcessor::ActiveTables() const {
    std::vector<TVcCommandTable*> active;
    for (const auto& t : tables_)
        if (t->IsActive()) active.push_back(t.get());
    return active;
}

Word TVcCommandProcessor::Match(const TVcCommandTable& Table, Word Key, Byte Shift) {
    for (int i = 0; i < Table.Count(); ++i) {
        const TVcCommandRec& e = Table.Commands(i);
        bool hit;
        if (state_ == 0) {
            hit = e.Key1 == Key && e.Shift1 == Shift;
        } else {
            hit = e.Key1 == pendingKey_ && e.Shift1 == pendingShift_ && e.Key2 == Key &&
                  (e.Shift2 == Shift ||
                   (e.Shift2 == ssCtrlOrNone && (Shift == 0 || Shift == ssCtrlBit)));
        }
        if (!hit) continue;
        if (state_ == 0 && e.Key2 != 0) {
            state_ = 1;
            pendingKey_ = static_cast<Byte>(Key);
            pendingShift_ = Shift;
            return ccSequencePending;
        }
        if (e.Cmd == ccCtrlChar) {
            state_ = 2;
            return ccCtrlChar;
        }
        state_ = 0;
        return e.Cmd;
    }
    return ccNone;
}

Word TVcCommandProcessor::TranslateIn(const std::vector<TVcCommandTable*>& Tables, Word Key,
                                      Byte Shift) {
    if (IsModifierKey(Key)) return state_ == 1 ? ccSequencePending : ccNoCommand;
    if (state_ == 2) {
        state_ = 0;
        return ccNoCommand;
    }
    if (Key <= 0xFF) {
        for (TVcCommandTable* table : Tables)
            if (const Word cmd = Match(*table, Key, Shift); cmd != ccNone) return cmd;
    }
    const Word result = state_ == 1 ? ccIgnore : ccNoCommand;
    state_ = 0;
    return result;
}

Word TVcCommandProcessor::Translate(const TWMKey& Msg) {
    return TranslateIn(ActiveTables(), Msg.CharCode, GetShiftFlags());
}

Word TVcCommandProcessor::TranslateKey(Word Key, TShiftState Shift) {
    return TranslateIn(ActiveTables(), Key, ShiftStateToBits(Shift));
}

Word TVcCommandProcessor::TranslateUsing(const std::vector<std::string>& TableNames,
                                         const TWMKey& Msg) {
    std::vector<TVcCommandTable*> named;
    for (const std::string& name : TableNames)
        if (TVcCommandTable* t = FindTable(name)) named.push_back(t);
    return TranslateIn(named, Msg.CharCode, GetShiftFlags());
}

void TVcCommandProcessor::WriteTableList(TStream& Stream) const {
    WriteLong(Stream, Count());
    for (const auto& t : tables_)
        t->WriteCommandList(Stream);
}

void TVcCommandProcessor::ReadTableList(TStream& Stream) {
    const LongInt count = ReadLong(Stream);
    if (count < 0 || count > (Stream.Size() - Stream.Position()) / 9) BadTableData("table count");
    std::vector<std::unique_ptr<TVcCommandTable>> read;
    for (LongInt i = 0; i < count; ++i) {
        auto table = std::make_unique<TVcCommandTable>();
        table->ReadCommandList(Stream);
        read.push_back(std::move(table));
    }
    tables_.clear();
    for (auto& t : read)
        Add(t.release());
    ResetCommandProcessor();
}
