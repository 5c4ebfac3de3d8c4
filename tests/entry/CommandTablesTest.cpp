#include "controls/entry/CommandTables.h"

#include "controls/entry/EntryExceptions.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

struct TKeyStroke {
    Word Key;
    TShiftState Shift;
};

// Presses the keys in turn through the processor's key-message translation, with the key-state
// table holding the modifiers as the keyboard would.
std::vector<Word> Script(TVcCommandProcessor& p, const std::vector<TKeyStroke>& keys) {
    std::vector<Word> result;
    for (const TKeyStroke& k : keys) {
        ResetKeyState();
        SetKeyDown(VK_SHIFT, k.Shift.Contains(ssShift));
        SetKeyDown(VK_CONTROL, k.Shift.Contains(ssCtrl));
        SetKeyDown(VK_MENU, k.Shift.Contains(ssAlt));
        TWMKey msg{WM_KEYDOWN, k.Key, 0, 0};
        result.push_back(p.Translate(msg));
    }
    ResetKeyState();
    return result;
}

const TShiftState none;
const TShiftState ctrl{ssCtrl};
const TShiftState shift{ssShift};
const TShiftState alt{ssAlt};

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vc-cmd-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~TempDir() { std::filesystem::remove_all(path); }
    std::string path;
};

TEST(VcCommandTranslation, BuiltInTablesAndDefaultKeys) {
    TVcCommandProcessor p;
    ASSERT_EQ(p.Count(), 3);
    EXPECT_EQ(p.Tables(0)->TableName(), "Default");
    EXPECT_EQ(p.Tables(0)->Count(), 64);
    EXPECT_TRUE(p.Tables(0)->IsActive());
    EXPECT_EQ(p.Tables(1)->TableName(), "WordStar");
    EXPECT_EQ(p.Tables(1)->Count(), 40);
    EXPECT_FALSE(p.Tables(1)->IsActive());
    EXPECT_EQ(p.Tables(2)->TableName(), "Grid");
    EXPECT_EQ(p.Tables(2)->Count(), 38);
    EXPECT_EQ(Script(p, {{'Z', ctrl},
                         {VK_BACK, alt},
                         {VK_F7, none},
                         {VK_LEFT, shift + ctrl},
                         {'5', ctrl},
                         {'5', shift + ctrl}}),
              (std::vector<Word>{ccUndo, ccRestore, ccNoCommand, ccExtWordLeft, ccGotoMarker0 + 5,
                                 ccSetMarker0 + 5}));
    EXPECT_EQ(p.TranslateKey(VK_INSERT, shift), ccPaste);
}

TEST(VcCommandTranslation, WordStarSequences) {
    TVcCommandProcessor p;
    p.FindTable("wordstar")->SetIsActive(true);
    p.FindTable("Default")->SetIsActive(false);
    EXPECT_EQ(Script(p, {{'Q', ctrl}, {'S', none}}),
              (std::vector<Word>{ccSequencePending, ccHome}));
    EXPECT_EQ(Script(p, {{'Q', ctrl}, {'S', ctrl}}),
              (std::vector<Word>{ccSequencePending, ccHome}));
    EXPECT_EQ(Script(p, {{'Q', ctrl}, {'S', shift}}),
              (std::vector<Word>{ccSequencePending, ccIgnore}));
    // A modifier pressed alone keeps the sequence waiting.
    EXPECT_EQ(Script(p, {{'Q', ctrl}, {VK_SHIFT, shift}, {'D', none}}),
              (std::vector<Word>{ccSequencePending, ccSequencePending, ccEnd}));
    EXPECT_EQ(Script(p, {{'K', ctrl}, {'3', none}, {'Y', ctrl}}),
              (std::vector<Word>{ccSequencePending, ccSetMarker0 + 3, ccDelLine}));
    // After the literal-character command the next key is not looked up, even Ctrl+S.
    EXPECT_EQ(Script(p, {{'P', ctrl}, {'S', ctrl}, {'S', ctrl}}),
              (std::vector<Word>{ccCtrlChar, ccNoCommand, ccLeft}));
    EXPECT_EQ(Script(p, {{'Q', ctrl}}), (std::vector<Word>{ccSequencePending}));
    p.ResetCommandProcessor();
    EXPECT_EQ(Script(p, {{'S', none}}), (std::vector<Word>{ccNoCommand}));
}

TEST(VcCommandTranslation, TranslateUsingNamedTablesOnly) {
    TVcCommandProcessor p;
    TWMKey f2{WM_KEYDOWN, VK_F2, 0, 0};
    EXPECT_EQ(p.Translate(f2), ccNoCommand);
    EXPECT_EQ(p.TranslateUsing({"Grid"}, f2), ccTableEdit);
    EXPECT_EQ(p.TranslateUsing(f2, {"Missing", "Grid"}), ccTableEdit);
    SetKeyDown(VK_CONTROL, true);
    TWMKey ctrlZ{WM_KEYDOWN, 'Z', 0, 0};
    EXPECT_EQ(p.TranslateUsing({"Grid", "Default"}, ctrlZ), ccRestore);
    EXPECT_EQ(p.TranslateUsing({"Default", "Grid"}, ctrlZ), ccUndo);
    ResetKeyState();
}

TEST(VcCommandTranslation, GridTableMovesByPagesAndCells) {
    TVcCommandProcessor p;
    p.FindTable("Default")->SetIsActive(false);
    p.FindTable("Grid")->SetIsActive(true);
    EXPECT_EQ(Script(p, {{VK_PRIOR, none},
                         {VK_NEXT, none},
                         {VK_PRIOR, ctrl},
                         {VK_NEXT, ctrl},
                         {VK_HOME, ctrl},
                         {VK_END, ctrl},
                         {VK_LEFT, ctrl},
                         {VK_RIGHT, ctrl},
                         {VK_UP, ctrl},
                         {VK_DOWN, ctrl},
                         {VK_F2, none},
                         {'Z', ctrl}}),
              (std::vector<Word>{ccPrevPage, ccNextPage, ccTopOfPage, ccBotOfPage, ccFirstPage,
                                 ccLastPage, ccPageLeft, ccPageRight, ccTopLeftCell, ccBotRightCell,
                                 ccTableEdit, ccRestore}));
    // The same keys with Shift are not the grid's page moves.
    EXPECT_NE(p.TranslateKey(VK_NEXT, shift), ccNextPage);
    EXPECT_NE(p.TranslateKey(VK_PRIOR, shift), ccPrevPage);
}

TEST(VcCommandTables, UniqueNamesAndLookups) {
    TVcCommandProcessor p;
    auto named = [](const std::string& name) {
        auto* t = new TVcCommandTable;
        t->SetTableName(name);
        return t;
    };
    EXPECT_EQ(p.Tables(p.Add(named("Grid")))->TableName(), "Grid1");
    EXPECT_EQ(p.Tables(p.Add(named("Grid7")))->TableName(), "Grid2");
    EXPECT_EQ(p.Tables(p.Add(named("Keys7")))->TableName(), "Keys7");
    // The name itself is taken although its stem is free: numbered from the stem.
    EXPECT_EQ(p.Tables(p.Add(named("Keys7")))->TableName(), "Keys1");
    EXPECT_EQ(p.Tables(p.Add(named("7")))->TableName(), "7");
    EXPECT_EQ(TVcCommandTable().TableName(), "(Unknown)");

    TVcCommandRec rec{VK_F9, 0, 0, 0, ccUserFirst};
    EXPECT_THROW(p.AddCommandRec("Nowhere", rec), ETableNotFound);
    p.AddCommandRec("default", rec);
    rec.Cmd = ccUserFirst + 1;
    EXPECT_THROW(p.AddCommandRec("Default", rec), EDuplicateCommand);
    EXPECT_EQ(p.TranslateKey(VK_F9, none), ccUserFirst);
    p.Delete(0);
    EXPECT_EQ(p.FindTable("Default"), nullptr);
    EXPECT_THROW(p.Delete(99), ETableNotFound);
}

TEST(VcCommandTables, StoredFormHoldsDifferences) {
    TVcCommandProcessor p;
    TMemoryStream same;
    p.FindTable("Default")->WriteCommandList(same);
    // name (4 + 7), active flag, count 0
    EXPECT_EQ(same.Size(), 4 + 7 + 1 + 4);

    TVcCommandTable* def = p.FindTable("Default");
    def->Delete(def->IndexOf({VK_INSERT, 0, 0, 0, 0}));
    def->SetCommand(def->IndexOf({'Z', ssCtrlBit, 0, 0, 0}), ccRestore);
    def->AddCommand({VK_F9, 0, 0, 0, ccUserFirst + 4});
    TMemoryStream diff;
    def->WriteCommandList(diff);
    EXPECT_EQ(diff.Size(), 4 + 7 + 1 + 4 + 3 * 8);

    diff.SetPosition(0);
    TVcCommandTable back;
    back.ReadCommandList(diff);
    EXPECT_EQ(back.TableName(), "Default");
    EXPECT_TRUE(back.IsActive());
    EXPECT_EQ(back.Count(), 64);
    EXPECT_EQ(back.IndexOf({VK_INSERT, 0, 0, 0, 0}), -1);
    EXPECT_EQ(back.Commands(back.IndexOf({'Z', ssCtrlBit, 0, 0, 0})).Cmd, ccRestore);
    EXPECT_EQ(back.Commands(back.IndexOf({VK_F9, 0, 0, 0, 0})).Cmd, ccUserFirst + 4);

    TMemoryStream all;
    p.WriteTableList(all);
    all.SetPosition(0);
    TVcCommandProcessor q;
    q.FindTable("WordStar")->SetIsActive(true);
    q.ReadTableList(all);
    EXPECT_EQ(q.Count(), 3);
    EXPECT_FALSE(q.FindTable("WordStar")->IsActive());
    EXPECT_EQ(q.FindTable("Default")->Count(), 64);
}

TEST(VcCommandTables, DamagedStoredFormIsRefused) {
    TVcCommandTable t;
    t.SetTableName("Mine");
    t.AddCommand({'A', 0, 0, 0, 7});
    TMemoryStream good;
    t.WriteCommandList(good);
    // Cut short
    TMemoryStream cut;
    good.SetPosition(0);
    cut.CopyFrom(good, good.Size() - 2);
    cut.SetPosition(0);
    TVcCommandTable r;
    EXPECT_THROW(r.ReadCommandList(cut), EInOutError);
    // A command beyond 16 bits
    TMemoryStream bad;
    const Byte data[] = {4, 0, 0, 0, 'M', 'i', 'n', 'e', 1, 1, 0, 0, 0, 65, 0, 0, 0, 0, 0, 1, 0};
    bad.WriteBuffer(data, sizeof data);
    bad.SetPosition(0);
    EXPECT_THROW(r.ReadCommandList(bad), EInOutError);
    // A huge count
    TMemoryStream count;
    const Byte many[] = {1, 0, 0, 0, 'X', 0, 0xFF, 0xFF, 0xFF, 0x7F};
    count.WriteBuffer(many, sizeof many);
    count.SetPosition(0);
    EXPECT_THROW(r.ReadCommandList(count), EInOutError);
    EXPECT_EQ(r.Count(), 0);
}

TEST(VcCommandTables, StoredNamesUpTo255Characters) {
    for (const std::string& name : {std::string(), std::string(255, 'n')}) {
        TVcCommandTable t;
        t.SetTableName(name);
        t.AddCommand({'A', 0, 0, 0, 7});
        TMemoryStream stored;
        t.WriteCommandList(stored);
        stored.SetPosition(0);
        TVcCommandTable back;
        back.ReadCommandList(stored);
        EXPECT_EQ(back.TableName(), name);
        EXPECT_EQ(back.Count(), 1);
    }
    TVcCommandTable longer;
    longer.SetTableName(std::string(256, 'n'));
    TMemoryStream stored;
    longer.WriteCommandList(stored);
    stored.SetPosition(0);
    TVcCommandTable back;
    EXPECT_THROW(back.ReadCommandList(stored), EInOutError);
}

TEST(VcCommandTables, TextFileRoundTripAndBadFiles) {
    TempDir dir;
    TVcCommandProcessor p;
    const std::string file = dir.path + "/ws.txt";
    p.SaveCommandTable("WordStar", file);
    std::ifstream in(file);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_EQ(first, "WordStar\r");
    EXPECT_EQ(second, "  83   4   0   0    46\r");
    const int index = p.LoadCommandTable(file);
    EXPECT_EQ(p.Tables(index)->TableName(), "WordStar1");
    EXPECT_EQ(p.Tables(index)->Count(), 40);
    EXPECT_EQ(p.Tables(index)->Commands(10).Key2, 'S');

    TVcCommandTable t;
    EXPECT_THROW(t.LoadFromFile(dir.path + "/missing.txt"), EInOutError);
    for (const char* text : {"Bad\n 300   0   0   0    46\n", "Bad\n  83   4   0   0 70000\n",
                             "Bad\n  83   4\n", "Bad\n  83   4   0   0   46  9\n"}) {
        std::ofstream(dir.path + "/bad.txt") << text;
        EXPECT_THROW(t.LoadFromFile(dir.path + "/bad.txt"), EInOutError) << text;
        EXPECT_EQ(t.TableName(), "(Unknown)");
    }
}

} // namespace
