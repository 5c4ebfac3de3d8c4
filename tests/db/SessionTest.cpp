// Sessions, databases and engine errors over a real folder of tables.
#include "DbMessages.h"

#include "db/DBTables.h"
#include "db/EngineTables.h"
#include "db/EngineWorkAreas.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/rtl/Clock.h"
#include "tests/rtl/TestFolder.h"
#include "xbase/Xbase.h"

#include <gtest/gtest.h>

namespace {

class SessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitApplication();
        ASSERT_EQ(xb_Create(folder_ / "ACCNTS.DBF", {{"NAME", 'C', 10, 0, 0}}, xbCDX), xbOK);
    }
    void TearDown() override { DoneDBTables(); }

    TTestFolder folder_;
    TRecordedServices services_;
};

// A dataset stand-in: it leaves its database when told to disconnect.
class TFakeDataSet : public TDatabaseClient {
public:
    TFakeDataSet(TDatabase* database, std::vector<std::string>& log, std::string name)
        : database_(database), log_(log), name_(std::move(name)) {
        database_->AddDataSet(this);
    }
    void Disconnect() override {
        log_.push_back(name_);
        database_->RemoveDataSet(this);
        database_->Session()->CloseDatabase(database_);
    }

private:
    TDatabase* database_;
    std::vector<std::string>& log_;
    std::string name_;
};

TEST_F(SessionTest, TheDefaultSessionStartsOnFirstNeed) {
    ASSERT_NE(Session(), nullptr);
    EXPECT_EQ(Session()->SessionName(), "Default");
    EXPECT_TRUE(Session()->IsDefault());
    EXPECT_FALSE(Session()->Active());
    EXPECT_EQ(Sessions()->FindSession(""), Session());
    EXPECT_EQ(Sessions()->FindSession("default"), Session());
    EXPECT_EQ(MessageOf([] { Sessions()->List("Other"); }), "Invalid session name Other");

    auto* second = new TSession(nullptr);
    EXPECT_FALSE(second->IsDefault());
    EXPECT_EQ(MessageOf([&] { second->SetSessionName("Default"); }),
              "Duplicate session name 'Default'");
    EXPECT_EQ(MessageOf([&] { second->Open(); }), "Session name missing");
    second->SetSessionName("Second");
    second->Open();
    EXPECT_TRUE(Session()->Active()); // the default session starts first
    EXPECT_EQ(MessageOf([&] { second->SetSessionName("Third"); }),
              "Cannot perform this operation on an active session");
    delete second;
    EXPECT_EQ(Sessions()->Count(), 1);
}

TEST_F(SessionTest, EngineErrorsCarryTidiedTexts) {
    EXPECT_EQ(EDBEngineError(dbiTableOpenFailed).Message(),
              "An error occurred while attempting to initialize the Database Engine (error $2B03)");
    Session()->Open();
    const EDBEngineError error(8706);
    EXPECT_EQ(error.Message(), "Engine Error : 8706");
    ASSERT_EQ(error.ErrorCount(), 1);
    EXPECT_EQ(error.Errors(0).ErrorCode, 8706);
    EXPECT_EQ(error.Errors(0).Message, "Engine Error : 8706");
    EXPECT_EQ(TidyEngineText("  Key  violation \t in\r\n table."), "Key violation in table");
    EXPECT_EQ(MessageOf([] { CheckEngineResult(dbiTableOpenFailed); }), "File Open Error");
    EXPECT_NO_THROW(CheckEngineResult(dbiOK));
}

TEST_F(SessionTest, ADirectoryNameOpensThatDirectory) {
    auto* db = new TDatabase(nullptr);
    db->SetDatabaseName(folder_.Path());
    db->SetConnected(true);
    EXPECT_TRUE(Session()->Active());
    std::string full;
    ASSERT_EQ(DbiFormFullName(db->Handle(), "ACCNTS.DBF", nullptr, &full), dbiOK);
    EXPECT_EQ(full, folder_ / "ACCNTS.DBF");
    TCursorHandle cursor = 0;
    EXPECT_EQ(DbiOpenTable(db->Handle(), "ACCNTS.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false,
                           nullptr, &cursor),
              dbiOK);
    EXPECT_FALSE(db->IsSQLBased());
    delete db;
}

TEST_F(SessionTest, ThePathParameterReachesTheEngine) {
    auto* db = new TDatabase(nullptr);
    db->SetName("AliasDataBase");
    db->SetDatabaseName("XBaseAlias");
    db->Params()->Clear();
    db->Params()->Add("path=" + folder_.Path());
    db->SetConnected(true);
    ASSERT_TRUE(db->Connected());
    TCursorHandle cursor = 0;
    EXPECT_EQ(DbiOpenTable(db->Handle(), "ACCNTS.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false,
                           nullptr, &cursor),
              dbiOK);
    EXPECT_EQ(MessageOf([&] { db->Params()->Add("x=1"); }),
              "Cannot perform this operation on an open database");
    EXPECT_EQ(MessageOf([&] { db->SetDatabaseName("Other"); }),
              "Cannot perform this operation on an open database");
    db->SetConnected(false);
    EXPECT_EQ(db->Handle(), 0u);
    db->Params()->Add("x=1");
    delete db;
}

TEST_F(SessionTest, NamesOfDatabasesAreUniqueInTheirSession) {
    auto* a = new TDatabase(nullptr);
    a->SetDatabaseName("Loans");
    auto* b = new TDatabase(nullptr);
    EXPECT_EQ(MessageOf([&] { b->SetDatabaseName("LOANS"); }), "Duplicate database name 'LOANS'");
    TDatabase unnamed(nullptr);
    EXPECT_EQ(MessageOf([&] { unnamed.Open(); }), "Database name missing");
    EXPECT_EQ(Session()->DoFindDatabase("loans"), a);
    delete a;
    delete b;
}

TEST_F(SessionTest, TemporaryDatabaseGoesWithItsLastDataSet) {
    Session()->SetKeepConnections(false);
    TDatabase* db = Session()->OpenDatabase(folder_.Path());
    EXPECT_TRUE(db->Temporary());
    EXPECT_TRUE(db->Connected());
    EXPECT_EQ(db->RefCount(), 1);
    EXPECT_EQ(Session()->OpenDatabase(folder_.Path()), db);
    EXPECT_EQ(db->RefCount(), 2);
    std::vector<std::string> log;
    TFakeDataSet first(db, log, "first");
    TFakeDataSet second(db, log, "second");
    second.Disconnect();
    EXPECT_EQ(Session()->DoFindDatabase(folder_.Path()), db);
    first.Disconnect();
    EXPECT_EQ(Session()->DoFindDatabase(folder_.Path()), nullptr);
}

TEST_F(SessionTest, LoginCallbacksOpenAndReleaseDatabases) {
    Session()->SetKeepConnections(false);
    Session()->Open();
    TEngineCallback* login = nullptr;
    for (int i = 0; i < Session()->CallbackCount(); ++i)
        if (Session()->Callbacks(i)->Kind() == cbDatabaseLogin) login = Session()->Callbacks(i);
    ASSERT_NE(login, nullptr);
    const auto data = reinterpret_cast<std::intptr_t>(login);
    TLoginRequest request;
    request.DatabaseName = folder_.Path();
    EXPECT_EQ(TEngineCallback::Entry(cbDatabaseLogin, data, &request), cbrContinue);
    TDatabase* db = Session()->DoFindDatabase(folder_.Path());
    ASSERT_NE(db, nullptr);
    EXPECT_EQ(request.Database, db->Handle());
    EXPECT_TRUE(request.CloseByCallback);
    EXPECT_EQ(TEngineCallback::Entry(cbDatabaseLogin, data, &request), cbrContinue);
    EXPECT_EQ(Session()->DoFindDatabase(folder_.Path()), nullptr);
    EXPECT_EQ(TEngineCallback::Entry(cbDatabaseLogin, 0, &request), 0);
    EXPECT_EQ(TEngineCallback::Entry(cbDatabaseLogin, data, nullptr), cbrNotHandled);
}

TEST_F(SessionTest, ClosingADatabaseDisconnectsItsDataSetsLastFirst) {
    auto* db = new TDatabase(nullptr);
    db->SetDatabaseName(folder_.Path());
    db->Open();
    db->AddRef();
    db->AddRef();
    std::vector<std::string> log;
    TFakeDataSet first(db, log, "first");
    TFakeDataSet second(db, log, "second");
    db->Close();
    EXPECT_EQ(log, (std::vector<std::string>{"second", "first"}));
    EXPECT_EQ(db->DataSetCount(), 0);
    delete db;
}

TEST_F(SessionTest, StoppingTheDefaultSessionClosesTheEngine) {
    auto* db = new TDatabase(nullptr);
    db->SetDatabaseName(folder_.Path());
    db->Open();
    TCursorHandle cursor = 0;
    ASSERT_EQ(DbiOpenTable(db->Handle(), "ACCNTS.DBF", nullptr, nullptr, nullptr, 0, 0, 0, 2, false,
                           nullptr, &cursor),
              dbiOK);
    Session()->Close();
    EXPECT_FALSE(db->Connected());
    EXPECT_EQ(xb_WorkArea("ACCNTS"), 0);
    EXPECT_EQ(EngineWorkArea(cursor), nullptr);
    delete db;
}

TEST_F(SessionTest, UnsupportedSessionCallsRaise) {
    Session()->Open();
    EXPECT_EQ(MessageOf([] { Session()->AddPassword("secret"); }), "Engine Error : 12033");
    ASSERT_EQ(services_.MessageBoxes.size(), 1u);
    EXPECT_EQ(services_.MessageBoxes[0].Text,
              "This engine function is not supported: DbiAddPassword");
    bool asked = false;
    Session()->OnPassword = [&](TObject*, bool& retry) {
        asked = true;
        retry = true;
    };
    EXPECT_TRUE(Session()->GetPassword());
    EXPECT_TRUE(asked);
}

TEST_F(SessionTest, ServerCallsShowTheWaitCursorAfterHalfASecond) {
    TManualClock clock;
    TClockOverride use(clock);
    ServerCallStarted();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    clock.Advance(300);
    ServerCallStarted();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    clock.Advance(300);
    ServerCallStarted();
    EXPECT_EQ(Screen->Cursor(), crSQLWait);
    clock.Advance(1000);
    Application->ProcessMessages();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    // A new run of calls counts from its own first call.
    ServerCallStarted();
    clock.Advance(300);
    ServerCallStarted();
    EXPECT_EQ(Screen->Cursor(), crDefault);
    // A raised engine error puts the cursor back too.
    clock.Advance(300);
    ServerCallStarted();
    EXPECT_EQ(Screen->Cursor(), crSQLWait);
    EXPECT_THROW(DbiError(8706), EDBEngineError);
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(SessionTest, DriversOtherThanStandardAskForALogin) {
    TDatabase db(nullptr);
    db.SetDatabaseName("Remote");
    db.SetDriverName("SQLSRV");
    db.Params()->SetValues("USER NAME", "ann");
    std::vector<std::string> offered;
    const TModalHook previous = SetModalHook([&](TCustomForm* form) {
        std::vector<TEdit*> edits;
        for (int i = 0; i < form->ComponentCount(); ++i)
            if (auto* edit = dynamic_cast<TEdit*>(form->Components(i))) edits.push_back(edit);
        ASSERT_EQ(edits.size(), 2u);
        offered.push_back(form->Caption() + "|" + edits[0]->Text());
        edits[1]->SetText("secret");
        form->SetModalResult(offered.size() == 1 ? mrOk : mrCancel);
    });
    db.Open();
    EXPECT_TRUE(db.Connected());
    EXPECT_EQ(db.Params()->Values("PASSWORD"), "secret");
    EXPECT_EQ(db.Params()->Values("USER NAME"), "ann");
    db.Close();
    EXPECT_EQ(MessageOf([&] { db.Open(); }), "Cannot connect to database 'Remote'");
    EXPECT_FALSE(db.Connected());
    SetModalHook(previous);
    EXPECT_EQ(offered, (std::vector<std::string>{"Database Login|ann", "Database Login|ann"}));
    // Without a login prompt the password of the parameters is used as it is.
    db.SetLoginPrompt(false);
    db.Open();
    EXPECT_TRUE(db.Connected());
}

TEST_F(SessionTest, TheDatabasesOfAFreedSessionGoToTheDefaultOne) {
    auto* other = new TSession(nullptr);
    other->SetSessionName("Other");
    auto* db = new TDatabase(nullptr);
    db->SetSessionName("Other");
    db->SetDatabaseName("Loans");
    db->Params()->Add("PATH=" + folder_.Path());
    db->Open();
    EXPECT_EQ(db->Session(), other);
    delete other;
    EXPECT_EQ(db->Session(), Session());
    EXPECT_EQ(db->SessionName(), "Default");
    EXPECT_EQ(Session()->DoFindDatabase("Loans"), db);
    delete db;
}

TEST_F(SessionTest, SharedRoutines) {
    int pos = 1;
    EXPECT_EQ(ExtractFieldName("NAME;AMOUNT", pos), "NAME");
    EXPECT_EQ(ExtractFieldName("NAME;AMOUNT", pos), "AMOUNT");
    EXPECT_EQ(ExtractFieldName("NAME;AMOUNT", pos), "");
    EXPECT_EQ(pos, 12);
    pos = 0;
    EXPECT_EQ(ExtractFieldName("", pos), "");
    EXPECT_EQ(pos, 1);
    EXPECT_TRUE(IsDirectory(""));
    EXPECT_TRUE(IsDirectory("/home/loans"));
    EXPECT_FALSE(IsDirectory("XBaseAlias"));
    TStringList dest, source;
    dest.SetText("PATH=\r\nDEFAULT DRIVER=PARADOX\r\n");
    source.SetText("PATH=/data\r\nOTHER=1\r\n");
    MergeParams(&dest, &source);
    EXPECT_EQ(dest.Text(), "PATH=/data\r\nDEFAULT DRIVER=PARADOX\r\n");
    TStringList params;
    Session()->GetDriverParams("STANDARD", &params);
    EXPECT_EQ(params.Text(), "PATH=\r\nDEFAULT DRIVER=PARADOX\r\nENABLE BCD=FALSE\r\n");
    EXPECT_EQ(MessageOf([] { Session()->AddAlias("bad name", "STANDARD", nullptr); }),
              "Invalid alias name bad name");
    // Of an alias only its path has an effect: it becomes the default folder.
    const std::string before = DefaultDirectory();
    TStringList alias;
    alias.Add("PATH=" + folder_.Path());
    Session()->AddAlias("LOANS", "STANDARD", &alias);
    EXPECT_EQ(DefaultDirectory(), folder_.Path());
    DefaultDirectory() = before;
    // Databases here are folders: no name is an alias.
    EXPECT_EQ(MessageOf([&] { Session()->GetAliasParams("LOANS", &params); }),
              "Invalid alias name LOANS");
    EXPECT_EQ(MessageOf([] { Session()->GetAliasDriverName("LOANS"); }),
              "Invalid alias name LOANS");
}

} // namespace
