// The report printer component: the print loop with OnPrint and OnPrintPage, page selection,
// the page events and callbacks, aborts, jobs that cannot start, jobs without a printer, and
// one report's job left alone by others.
#include "RptTestSupport.h"

namespace {

using RptWriter = ReportTest;

// Counts the events of a report.
struct TEventCounts {
    int Before = 0, After = 0, NewPage = 0, Header = 0, Footer = 0, PageStart = 0, PageEnd = 0;
    explicit TEventCounts(TBaseReport& r) {
        r.OnBeforePrint = [this](TObject*) { ++Before; };
        r.OnAfterPrint = [this](TObject*) { ++After; };
        r.OnNewPage = [this](TObject*) { ++NewPage; };
        r.OnPrintHeader = [this](TObject*) { ++Header; };
        r.OnPrintFooter = [this](TObject*) { ++Footer; };
        r.AddPageStartCallback([this](TBaseReport*) { ++PageStart; });
        r.AddPageEndCallback([this](TBaseReport*) { ++PageEnd; });
    }
};

TEST_F(RptWriter, OnPrintWinsOverOnPrintPage) {
    TBitmapReport r;
    int printCalls = 0, pageCalls = 0;
    r.OnPrint = [&](TObject*) { ++printCalls; };
    r.OnPrintPage = [&](TObject*, int&) { return ++pageCalls < 3; };
    r.Execute();
    EXPECT_EQ(printCalls, 1);
    EXPECT_EQ(pageCalls, 0);
    EXPECT_FALSE(r.Printing());
}

TEST_F(RptWriter, PagesFollowOnPrintPage) {
    TBitmapReport r;
    TEventCounts events(r);
    std::vector<int> pages;
    r.OnPrintPage = [&](TObject*, int& page) {
        pages.push_back(page);
        return page < 3;
    };
    r.Execute();
    EXPECT_EQ(pages, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(LastDocument().Pages.size(), 3u);
    EXPECT_TRUE(LastDocument().Finished);
    EXPECT_EQ(events.Before, 1);
    EXPECT_EQ(events.After, 1);
    EXPECT_EQ(events.NewPage, 3);
    EXPECT_EQ(events.Header, 3);
    EXPECT_EQ(events.Footer, 3);
    EXPECT_EQ(events.PageStart, 3);
    EXPECT_EQ(events.PageEnd, 3);

    r.OnPrintPage = [](TObject*, int&) { return false; };
    r.Execute();
    EXPECT_EQ(LastDocument().Pages.size(), 1u);
}

TEST_F(RptWriter, PageRangeSuppressesPagesButRunsTheirEvents) {
    TBitmapReport r;
    r.SetFirstPage(2);
    r.SetLastPage(3);
    TEventCounts events(r);
    std::vector<bool> skipped;
    r.OnPrintPage = [&](TObject*, int& page) {
        skipped.push_back(r.PageSkipped());
        r.PrintLn("line of page " + std::to_string(page));
        return page < 4;
    };
    r.Execute();
    EXPECT_EQ(skipped, (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
    EXPECT_EQ(events.NewPage, 4);
    EXPECT_EQ(events.Footer, 4);
}

TEST_F(RptWriter, PageBreakStartsAtTheTopAgain) {
    TBitmapReport r;
    r.SetMarginTop(1.0);
    r.SetMarginBottom(1.0);
    r.Run([](TBaseReport& rep) {
        const double top = rep.YPos();
        while (rep.LinesLeft() > 0)
            rep.PrintLn("filler");
        EXPECT_EQ(rep.LineNum(), 55);
        rep.SetOriginX(1.0);
        rep.NewPage();
        EXPECT_EQ(rep.CurrentPage(), 2);
        EXPECT_EQ(rep.LineNum(), 1);
        EXPECT_DOUBLE_EQ(rep.YPos(), top);
        EXPECT_DOUBLE_EQ(rep.OriginX(), 0.0);
        EXPECT_EQ(rep.LinesLeft(), 54);
    });
    EXPECT_EQ(LastDocument().Pages.size(), 2u);
}

TEST_F(RptWriter, AbortFromOnPrintPageAbandonsTheDocument) {
    TBitmapReport r;
    TEventCounts events(r);
    r.OnPrintPage = [&](TObject*, int& page) {
        if (page == 2) r.Abort();
        return true;
    };
    r.Execute();
    EXPECT_TRUE(LastDocument().Aborted);
    EXPECT_FALSE(LastDocument().Finished);
    EXPECT_EQ(events.After, 1);
    EXPECT_EQ(events.Footer, 1); // page 1's, none at the end
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(RPDev()->Printing());
}

TEST_F(RptWriter, SilentAbortInAHandlerEndsTheJobQuietly) {
    TBitmapReport r;
    TEventCounts events(r);
    r.OnPrint = [&](TObject*) {
        r.PrintLn("before");
        r.Abort();
        r.PrintLn("after"); // raises the silent abort
        ADD_FAILURE() << "output after Abort went on";
    };
    EXPECT_NO_THROW(r.Execute());
    EXPECT_TRUE(LastDocument().Aborted);
    EXPECT_EQ(events.After, 1);
    EXPECT_TRUE(services.MessageBoxes.empty());

    r.OnPrint = [](TObject*) { throw EAbort(); };
    EXPECT_NO_THROW(r.Execute());
    EXPECT_TRUE(LastDocument().Aborted);
    EXPECT_EQ(backend->Documents().size(), 2u);
}

TEST_F(RptWriter, HandlerErrorsReachTheCallerAfterTheJobEnds) {
    TBitmapReport r;
    TEventCounts events(r);
    r.OnPrint = [](TObject*) { throw EReportWriter("handler failed"); };
    EXPECT_EQ(ErrorOf([&] { r.Execute(); }), "handler failed");
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(RPDev()->Printing());
    EXPECT_EQ(events.After, 1);
    EXPECT_TRUE(LastDocument().Finished);
}

TEST_F(RptWriter, FailureInTheFirstPageHeaderStillEndsTheJob) {
    TBitmapReport r;
    TEventCounts events(r);
    r.OnPrintHeader = [](TObject*) { throw EReportWriter("header failed"); };
    EXPECT_EQ(ErrorOf([&] { r.Execute(); }), "header failed");
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(RPDev()->Printing());
    EXPECT_EQ(events.After, 1);

    r.OnPrintHeader = [&](TObject*) {
        r.Abort();
        r.PrintLn("header");
    };
    EXPECT_NO_THROW(r.Execute());
    EXPECT_FALSE(RPDev()->Printing());
    EXPECT_TRUE(LastDocument().Aborted);
}

TEST_F(RptWriter, WithoutPrinterTheMessageIsShownOnce) {
    UseBackends({});
    TBitmapReport r;
    TEventCounts events(r);
    r.OnPrint = [&](TObject*) { r.PrintLn("text"); };
    EXPECT_EQ(ErrorOf([&] { r.Execute(); }), "Invalid method call.  ReportWriter is not printing.");
    ASSERT_EQ(services.MessageBoxes.size(), 1u);
    EXPECT_EQ(services.MessageBoxes[0].Text, "No printers are defined, aborting print job.");
    EXPECT_EQ(services.MessageBoxes[0].Type, mtError);
    EXPECT_EQ(events.Before, 0);
    EXPECT_EQ(events.After, 1);
    r.OnPrint = [&](TObject*) { r.SetFont("Arial", 12); };
    EXPECT_EQ(ErrorOf([&] { r.Execute(); }), "Error!  Canvas not yet active.");
    EXPECT_EQ(services.MessageBoxes.size(), 2u);
}

TEST_F(RptWriter, JobThatCannotStartRunsNoHandler) {
    TBitmapReport r;
    TEventCounts events(r);
    int printCalls = 0;
    r.OnPrint = [&](TObject*) { ++printCalls; };
    backend->FailNextStart();
    EXPECT_EQ(ErrorOf([&] { r.Execute(); }), "Unable to start the print job on Draft.");
    EXPECT_EQ(printCalls, 0);
    EXPECT_EQ(events.After, 0);
    EXPECT_EQ(events.Footer, 0);
    EXPECT_FALSE(r.Printing());
    EXPECT_FALSE(RPDev()->Printing());
    EXPECT_TRUE(services.MessageBoxes.empty());
    r.Execute();
    EXPECT_EQ(printCalls, 1);
    EXPECT_TRUE(LastDocument().Finished);
}

TEST_F(RptWriter, DestroyingAReportAbortsOnlyItsOwnJob) {
    auto* owner = new TBitmapReport;
    owner->StartJob();
    ASSERT_TRUE(RPDev()->Printing());
    { TBitmapReport bystander; }
    EXPECT_TRUE(RPDev()->Printing());
    delete owner;
    EXPECT_FALSE(RPDev()->Printing());
    EXPECT_TRUE(LastDocument().Aborted);
}

// The device is shared: a file one report prints to is that report's, each time it runs.
TEST_F(RptWriter, AnOutputFileServesTheReportThatNamedItOnly) {
    const std::string chosen = dir + "/chosen.pdf";
    TBitmapReport toFile, other;
    toFile.SetOutputFileName(chosen);
    std::vector<std::string> outputs;
    for (TBitmapReport* report : {&toFile, &other, &toFile}) {
        report->Run([](TBaseReport& rep) { rep.PrintLn("page"); });
        outputs.push_back(LastDocument().Settings.Output);
    }
    EXPECT_EQ(outputs, (std::vector<std::string>{chosen, "", chosen}));
}

TEST_F(RptWriter, ASecondReportCannotStartWhileOnePrints) {
    TBitmapReport first, second;
    int secondPrints = 0;
    second.OnPrint = [&](TObject*) { ++secondPrints; };
    std::string error;
    first.Run([&](TBaseReport& rep) {
        rep.PrintLn("first");
        error = ErrorOf([&] { second.Execute(); });
        rep.PrintLn("still printing");
    });
    EXPECT_EQ(error, "Invalid method call.  Device already printing.");
    EXPECT_EQ(secondPrints, 0);
    EXPECT_TRUE(LastDocument().Finished);
    EXPECT_EQ(backend->Documents().size(), 1u);
}

TEST_F(RptWriter, JobSettingsReachTheDevice) {
    TBitmapReport r;
    r.SetTitle("Loan schedule");
    r.SetCopies(9);
    r.SetOrientation(TOrientation::poLandScape);
    EXPECT_NEAR(r.PageWidth(), 11.0, 1e-9);
    r.Run([](TBaseReport&) {});
    const auto& document = LastDocument();
    EXPECT_EQ(document.Settings.DocName, "Loan schedule");
    EXPECT_EQ(document.Settings.DevMode.dmCopies, 9);
    EXPECT_EQ(document.Settings.DevMode.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_TRUE(r.SelectBin("manual"));
    EXPECT_FALSE(r.SelectBin("envelope"));
}

} // namespace
