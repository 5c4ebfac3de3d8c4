// Printing: the built-in "PDF" printer checked with the PDF tools, failures to start a document,
// the printer list in the profile, device modes and capabilities, and TPrinter on a recording
// test backend.
#include "platform/gui/PrinterBackend.h"
#include "platform/gui/Printers.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtPaint.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/gui/PdfTools.h"
#include "tests/rtl/ChildProcesses.h"
#include "tests/rtl/RaisedMessage.h"
#include "tests/rtl/RefusedFolder.h"
#include "tests/rtl/TestFolder.h"

#include <QImage>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/syscall.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

namespace {

class Printing : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureQtApp();
        saved = PrinterBackends();
        test = std::make_shared<TTestPrinterBackend>();
        test->AddPrinter(TTestPrinterBackend::StandardPrinter());
    }
    void TearDown() override { SetPrinterBackends(saved); }
    TTestFolder folder;
    std::string dir = folder.Path();
    TEnvironmentOverride home{"VANTREL_HOME", dir};
    std::vector<std::shared_ptr<TPrinterBackend>> saved;
    std::shared_ptr<TTestPrinterBackend> test;
};

// Whether the PDF tools read the file as a whole PDF of the pages given.
::testing::AssertionResult WholePdf(const std::string& file, const std::string& pages) {
    const std::string info = RunTool("pdfinfo " + ShellQuoted(file));
    const std::string check = RunTool("qpdf --check " + ShellQuoted(file));
    if (PdfInfoField(info, "Pages") == pages && check.find("status=0") != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << file << ":\n" << info << check;
}

void PrintTwoPages(TPrinter& printer) {
    printer.BeginDoc();
    TCanvas* c = printer.Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(14);
    c->TextOut(300, 300, "Monthly payment schedule");
    c->Pen()->SetWidth(3);
    c->Brush()->SetColor(clSilver);
    c->Rectangle(300, 500, 1500, 900);
    c->Ellipse(1600, 500, 2200, 900);
    printer.NewPage();
    c->Font()->SetName("Courier New");
    c->TextOut(300, 300, "Totals on page two");
    c->Pie(300, 500, 900, 1100, 900, 800, 600, 500);
    c->MoveTo(300, 1200);
    c->LineTo(2000, 1200);
    printer.EndDoc();
}

TEST_F(Printing, ThePdfPrinterWritesLetterPagesWithTitleAndText) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    TPrinter printer;
    EXPECT_EQ(printer.Printers()->Strings(printer.PrinterIndex()), "PDF on FILE:");
    EXPECT_EQ(printer.PageWidth(), 2550);
    EXPECT_EQ(printer.PageHeight(), 3300);
    EXPECT_EQ(GetDeviceCaps(printer.Handle(), LOGPIXELSY), 300);
    printer.SetTitle("Loan amortization report");
    std::string file = dir + "/report.pdf";
    printer.SetFileName(file);
    printer.BeginDoc();
    EXPECT_EQ(Escape(printer.Handle(), PASSTHROUGH, "raw"), 0); // a PDF takes no raw data
    printer.Abort();
    EXPECT_FALSE(std::filesystem::exists(file));
    PrintTwoPages(printer);
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(LastPrintOutput(), file);

    std::string info = RunTool("pdfinfo " + ShellQuoted(file));
    EXPECT_EQ(PdfInfoField(info, "Title"), "Loan amortization report") << info;
    EXPECT_EQ(PdfInfoField(info, "Page size"), "612 x 792 pts (letter)") << info;
    std::string text = RunTool("pdftotext " + ShellQuoted(file) + " -");
    EXPECT_NE(text.find("Monthly payment schedule"), std::string::npos) << text;
    EXPECT_NE(text.find("Totals on page two"), std::string::npos) << text;
    EXPECT_NE(text.find('\f'), std::string::npos); // a page break between them
    EXPECT_TRUE(WholePdf(file, "2"));

    // A long document reaches the disk in far fewer writes than it has pages.
    const long before = IoCount("syscw:");
    printer.BeginDoc();
    for (int page = 1; page < 50; ++page)
        printer.NewPage();
    printer.EndDoc();
    if (before < 0)
        std::printf("[ NOT RUN  ] the count of writes: the system counts none\n");
    else
        EXPECT_LT(IoCount("syscw:") - before, 10);
}

// The x (in device pixels of 300 per inch) where pdftotext's bounding-box report places the
// origin of a word; -1 when the word is not there.
double WordX(const std::string& bbox, const std::string& word) {
    const std::size_t at = bbox.find(">" + word + "</word>");
    if (at == std::string::npos) return -1;
    const std::size_t x = bbox.rfind("xMin=\"", at);
    return x == std::string::npos ? -1 : std::stod(bbox.substr(x + 6)) * 300.0 / 72.0;
}

TEST_F(Printing, PdfTextIsOneTextObjectPerOutputAtTheCharactersPositions) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    TPrinter printer;
    const std::string file = dir + "/text.pdf";
    printer.SetFileName(file);
    printer.BeginDoc();
    TCanvas* c = printer.Canvas();
    c->Font()->SetName("Arial");
    c->Font()->SetSize(10);
    const std::string line = "Balance 98,765.43 due";
    c->TextOut(300, 600, line);
    c->TextOut(300, 800,
               "Z\xFCrich \xA3"
               "12 \x80"
               "5");
    const int dueX = 300 + c->TextWidth("Balance 98,765.43 ");
    const int amountX = 300 + c->TextWidth("Balance ");
    printer.EndDoc();

    const std::string text = RunTool("pdftotext " + ShellQuoted(file) + " -");
    EXPECT_NE(text.find(line), std::string::npos) << text;
    EXPECT_NE(text.find("Zürich £12 €5"), std::string::npos) << text;
    // Each text output is one text object, not one per character.
    const std::string expanded = dir + "/expanded.pdf";
    RunTool("qpdf --qdf --object-streams=disable " + ShellQuoted(file) + " " +
            ShellQuoted(expanded));
    const std::string content = RunTool("grep -a -c '^BT' " + ShellQuoted(expanded));
    EXPECT_EQ(content.substr(0, content.find('\n')), "2") << content;
    // Each character stands where the device's own advances put it.
    const std::string bbox = RunTool("pdftotext -bbox " + ShellQuoted(file) + " -");
    EXPECT_NEAR(WordX(bbox, "Balance"), 300.0, 0.5) << bbox;
    EXPECT_NEAR(WordX(bbox, "98,765.43"), amountX, 0.5) << bbox;
    EXPECT_NEAR(WordX(bbox, "due"), dueX, 0.5) << bbox;
}

TEST_F(Printing, BitmapsArePrintedWithoutLosingAColour) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    // Three colours in stripes and a checkerboard, hard for a lossy encoding.
    TBitmap bitmap;
    bitmap.SetSize(48, 32);
    const TColor colours[] = {clRed, clNavy, clWhite};
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            bitmap.Canvas()->SetPixels(x, y, colours[y < 16 ? x / 16 : (x + y) % 3]);
    TPrinter printer;
    const std::string file = dir + "/bitmap.pdf";
    printer.SetFileName(file);
    printer.BeginDoc();
    printer.Canvas()->Draw(300, 300, &bitmap);
    printer.EndDoc();

    RunTool("pdfimages -png " + ShellQuoted(file) + " " + ShellQuoted(dir + "/image"));
    QImage extracted(QString::fromStdString(dir + "/image-000.png"));
    ASSERT_EQ(extracted.size(), QSize(48, 32));
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 48; ++x)
            ASSERT_EQ(extracted.pixel(x, y), TColorToQColor(bitmap.Canvas()->Pixels(x, y)).rgb())
                << x << "," << y;
}

TEST_F(Printing, WithoutAFileNameThePdfGoesToANewNumberedFile) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    TPrinter printer;
    printer.SetTitle("First");
    PrintTwoPages(printer);
    EXPECT_EQ(LastPrintOutput(), dir + "/printed/print0001.pdf");
    printer.SetTitle("Second");
    PrintTwoPages(printer);
    EXPECT_EQ(LastPrintOutput(), dir + "/printed/print0002.pdf");
    EXPECT_TRUE(std::filesystem::exists(dir + "/printed/print0001.pdf"));
    EXPECT_EQ(PdfInfoField(RunTool("pdfinfo " + ShellQuoted(LastPrintOutput())), "Title"),
              "Second");

    // A settings folder whose name is not plain ASCII: the file is made there and reported in
    // the program's character set.
    const std::string home = dir + "/Pr\303\274fung";
    setenv("VANTREL_HOME", home.c_str(), 1);
    PrintTwoPages(printer);
    EXPECT_EQ(LastPrintOutput(), dir + "/Pr\374fung/printed/print0001.pdf");
    EXPECT_TRUE(std::filesystem::exists(home + "/printed/print0001.pdf"));
}

TEST_F(Printing, EachDocumentWrittenToAFileIsAnnouncedByItsFullPath) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    std::vector<std::string> announced;
    TPrintedToFileEvent previous =
        SetPrintedToFileHandler([&](const std::string& file) { announced.push_back(file); });
    TPrinter printer;
    PrintTwoPages(printer);
    // A name given relative to the current folder is told in full.
    const std::filesystem::path saved = std::filesystem::current_path();
    std::filesystem::current_path(dir);
    printer.SetFileName("chosen.pdf");
    PrintTwoPages(printer);
    std::filesystem::current_path(saved);
    // An abandoned document is told of nowhere.
    printer.SetFileName(dir + "/abandoned.pdf");
    printer.BeginDoc();
    printer.Abort();
    SetPrintedToFileHandler(std::move(previous));
    EXPECT_EQ(announced,
              (std::vector<std::string>{dir + "/printed/print0001.pdf", dir + "/chosen.pdf"}));
    EXPECT_EQ(LastPrintOutput(), dir + "/chosen.pdf");
}

TEST_F(Printing, AnUnwritableOutputMakesStartDocFail) {
    SetPrinterBackends({CreatePdfPrinterBackend()});
    HDC dc = CreateDC("PDF", "PDF", "FILE:", nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(StartDoc(dc, {"Report", dir + "/no/such/folder/out.pdf"}), SP_ERROR);
    // The file and the system's cause are kept for the caller to tell.
    EXPECT_EQ(LastStartDocFailure().Place, dir + "/no/such/folder/out.pdf");
    EXPECT_EQ(LastStartDocFailure().Error, ENOENT);
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    EXPECT_EQ(EndDoc(dc), SP_ERROR);
    DeleteDC(dc);

    TPrinter printer;
    printer.SetFileName(dir + "/no/such/folder/out.pdf");
    EXPECT_EQ(RaisedMessage<EPrinter>([&] { printer.BeginDoc(); }),
              "The print job could not be started on \"" + dir +
                  "/no/such/folder/out.pdf\". The file cannot be written: no such file or "
                  "directory.\n\nNothing was printed.");
    EXPECT_FALSE(printer.Printing());
    // An information context measures but cannot print.
    HDC ic = CreateIC("PDF", "PDF", "FILE:", nullptr);
    EXPECT_EQ(GetDeviceCaps(ic, HORZRES), 2550);
    EXPECT_EQ(StartDoc(ic, {"Report", dir + "/out.pdf"}), SP_ERROR);
    EXPECT_EQ(LastStartDocFailure().Error, 0); // no output file was tried
    DeleteDC(ic);
    EXPECT_EQ(CreateDC("PDF", "No such printer", "FILE:", nullptr), nullptr);
}

// A full disk fails a document at its end: EndDoc tells the file and the system's cause, and
// the file named keeps what it held. A device named (the system's always-full one) is written as
// it is and never removed, and the printer says the cause.
TEST_F(Printing, AFullDiskMakesEndDocFail) {
    RUN_IN_FRESH_PROCESS();
    SetPrinterBackends({CreatePdfPrinterBackend()});
    TPrinter printer;
    printer.PrinterIndex(); // the printer list is in the profile before the disk fills
    const std::string file = dir + "/schedule.pdf";
    WriteAll(file, "an earlier printout");
    printer.SetFileName(file);
    const auto print = [&] { return RaisedMessage<EPrinter>([&] { PrintTwoPages(printer); }); };
    if (Ran(InRefusedFolder(dir, TRefusal::FullDisk, print, 4096), "a full disk")) {
        EXPECT_EQ(LastEndDocFailure().Place, file);
        EXPECT_EQ(LastEndDocFailure().Error, ENOSPC);
        EXPECT_EQ(ReadAll(file), "an earlier printout");
    }
    // A write the system refuses for the process' limit of file sizes fails the print alike.
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_IGN);
    const rlimit small{8192, limit.rlim_max};
    ::setrlimit(RLIMIT_FSIZE, &small);
    const std::string tooLarge = print();
    ::setrlimit(RLIMIT_FSIZE, &limit);
    EXPECT_EQ(tooLarge, "The print job could not be completed. The file " + file +
                            " could not be written: file too large.\n\nNothing was printed.");
    EXPECT_EQ(ReadAll(file), "an earlier printout");
    if (Ran(std::filesystem::is_character_file("/dev/full") ? std::optional<std::string>("")
                                                            : std::nullopt,
            "printing to the system's full device")) {
        printer.SetFileName("/dev/full");
        EXPECT_EQ(print(), "The print job could not be completed. The file /dev/full could not be "
                           "written: no space left on device.\n\nNothing was printed.");
        EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    }
}

// Set, in the child processes of the tests below, to what the child prints: the settings folder
// to print in, then on a line each the file it prints into (an empty line: a numbered printout).
const std::string kKilledPrint = "VANTREL_KILLED_PRINT";

// The child: prints pages of each output of request (see kKilledPrint), says so in "started" in
// its settings folder and waits to be killed.
[[noreturn]] void PrintUntilKilled(const std::string& request) {
    std::istringstream outputs(request);
    std::string home, output;
    std::getline(outputs, home);
    setenv("VANTREL_HOME", home.c_str(), 1);
    SetPrinterBackends({CreatePdfPrinterBackend()});
    while (std::getline(outputs, output)) {
        HDC dc = CreateDC("PDF", "PDF", "FILE:", nullptr);
        if (StartDoc(dc, {"Long", output}) <= 0) std::_Exit(1);
        for (int line = 0; line < 3000; ++line) {
            if (line % 40 == 0) StartPage(dc);
            TextOut(dc, 300, 300 + 60 * (line % 40), Format("Line %d", {line}));
            if (line % 40 == 39) EndPage(dc);
        }
    }
    WriteAll(home + "/started", "");
    for (;;)
        ::pause();
}

// Starts the test again as the print of request (see kKilledPrint), its output in log, and
// waits until it has written its pages: its id; -1 when it ends or overruns a bound before.
pid_t StartPrintUntilKilled(const std::string& request, const std::string& log) {
    const std::string started = request.substr(0, request.find('\n')) + "/started";
    const pid_t child = fresh_process::StartAgain(log, kKilledPrint + "=" + request);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    bool ended = child < 0;
    while (!ended && !std::filesystem::exists(started) &&
           std::chrono::steady_clock::now() < deadline) {
        ended = ::waitpid(child, nullptr, WNOHANG) != 0;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!ended && std::filesystem::exists(started)) return child;
    if (!ended && ::kill(child, SIGKILL) == 0) ::waitpid(child, nullptr, 0);
    return -1;
}

// A user B of group G prints over shared files: A's longer file in G (660, folder 2775), B's own
// files (one of two names, one of 640 with an ACL for C), and a file B may write in a folder he
// may not (555) keep their owner, group, mode, ACL and names, and hold the whole printout and
// nothing after it. A full disk stops a print before the file is touched; a file closed to B is
// refused before anything is written. With the umask of group work (002), a settings folder of G
// (2775) takes the numbered printouts of A and of B alike, and B's print removes a part A's
// killed print left. Parts of B's prints killed midway (umask 022 or 002) are read by A and C
// only as their files let them: one copied into its file is B's alone.
TEST_F(Printing, PrintingOverASharedFileKeepsItsOwnerGroupModeAndNames) {
    constexpr uid_t kOwner = fresh_process::kUserA, kPrinting = fresh_process::kUserB,
                    kOutsider = 61003;
    constexpr gid_t kShared = fresh_process::kSharedGroup;
    if (const char* request = std::getenv(kKilledPrint.c_str())) {
        std::filesystem::remove_all(dir); // the child's own folder: it ends killed
        const fresh_process::TPlainUser as(kPrinting, kPrinting, {kShared});
        PrintUntilKilled(request);
    }
    RUN_AS_TWO_USERS("printing over files that two users share (also on a full disk)");
    const std::string shared = dir + "/shared", closed = dir + "/closed", temp = dir + "/temp";
    const std::string others = shared + "/others.pdf", own = shared + "/own.pdf",
                      mine = shared + "/mine.pdf", locked = shared + "/locked.pdf",
                      inClosed = closed + "/loan.pdf", longer(1 << 20, 'x');
    for (const std::string& folder : {shared, closed, temp})
        std::filesystem::create_directory(folder);
    for (const std::string& file : {own, mine, locked, inClosed})
        WriteAll(file, "an earlier printout");
    WriteAll(others, longer);
    std::filesystem::create_hard_link(own, shared + "/own second name.pdf");
    ASSERT_TRUE(fresh_process::ShareFolder(shared, 02775, kOwner, kShared, 0664) &&
                fresh_process::ShareFolder(closed, 0555, kOwner, kShared, 0664));
    ASSERT_EQ(::chown(own.c_str(), kPrinting, kShared) + ::chown(mine.c_str(), kPrinting, kShared) +
                  ::chmod(mine.c_str(), 0640) + ::chmod(locked.c_str(), 0644) +
                  ::chmod(temp.c_str(), 01777) + ::chmod(others.c_str(), 0660) +
                  std::system(("setfacl -m u:61003:r " + ShellQuoted(mine)).c_str()),
              0);
    const std::string list = CommandOutput("getfacl -cp " + ShellQuoted(mine));
    SetPrinterBackends({CreatePdfPrinterBackend()});
    TPrinter printer;
    printer.PrinterIndex(); // the printer list is in the profile, which B may not write
    TEnvironmentOverride tempFolder("TMPDIR", temp);
    // What a print over file as B answers, and whether the files beside it stayed as they were.
    const auto printAs = [&](const std::string& file) {
        printer.SetFileName(file);
        return fresh_process::AsUserKeepingOwners(
            std::filesystem::path(file).parent_path(), kPrinting, kPrinting,
            [&] { return RaisedMessage<EPrinter>([&] { PrintTwoPages(printer); }); }, {kShared});
    };
    for (const std::string& file : {others, own, mine, inClosed}) {
        EXPECT_EQ(printAs(file), "no error") << file;
        EXPECT_TRUE(WholePdf(file, "2"));
    }
    EXPECT_EQ(ReadAll(others).find(longer.substr(0, 64)), std::string::npos);
    EXPECT_EQ(CommandOutput("getfacl -cp " + ShellQuoted(mine)), list);
    EXPECT_EQ(ReadAll(shared + "/own second name.pdf"), ReadAll(own));
    EXPECT_EQ(printAs(locked), "The print job could not be started on \"" + locked +
                                   "\". The file cannot be written: permission denied.\n\n"
                                   "Nothing was printed.");
    EXPECT_EQ(ReadAll(locked), "an earlier printout");

    WriteAll(inClosed, "an earlier printout");
    const auto full = InRefusedFolder(closed, TRefusal::FullDisk, [&] {
        const bool given = fresh_process::ShareFolder(closed, 0555, kOwner, kShared, 0664);
        return given ? printAs(inClosed) : "not given to the owner";
    });
    if (Ran(full, "printing over a file in a closed folder on a full disk")) {
        EXPECT_EQ(*full, "The print job could not be completed. The file " + inClosed +
                             " could not be written: no space left on device.\n\nNothing was "
                             "printed.");
        EXPECT_EQ(ReadAll(inClosed), "an earlier printout");
    }
    EXPECT_TRUE(std::filesystem::is_empty(temp)); // nothing is left of the printouts written apart

    ::umask(002);
    const std::string settings = dir + "/settings", printed = settings + "/printed";
    std::filesystem::create_directory(settings);
    ASSERT_TRUE(fresh_process::ShareFolder(settings, 02775, kOwner, kShared, 0664));
    TEnvironmentOverride sharedHome("VANTREL_HOME", settings);
    printer.SetFileName("");
    const auto printNumbered = [&](uid_t user, gid_t group, const std::vector<gid_t>& others) {
        const fresh_process::TPlainUser as(user, group, others);
        const std::string said = RaisedMessage<EPrinter>([&] { PrintTwoPages(printer); });
        return said + " " + LastPrintOutput();
    };
    EXPECT_EQ(printNumbered(kOwner, kShared, {}), "no error " + printed + "/print0001.pdf");
    if (const fresh_process::TPlainUser a(kOwner, kShared); a.Taken()) {
        WriteAll(printed + "/print0002.pdf.part", "cut by a kill");
        ::chmod((printed + "/print0002.pdf.part").c_str(), 0644); // as the umask 022 leaves it
    }
    EXPECT_EQ(printNumbered(kPrinting, kPrinting, {kShared}),
              "no error " + printed + "/print0002.pdf");
    EXPECT_EQ(
        fresh_process::OwnersAndModes(printed),
        (std::set<std::string>{"print0001.pdf 61001:61000 664", "print0002.pdf 61002:61000 664"}));
    EXPECT_EQ(fresh_process::OwnersAndModes(settings).count("printed 61001:61000 2775"), 1u);

    const auto reads = [](const std::string& path, uid_t user, gid_t group) {
        const fresh_process::TPlainUser as(user, group);
        return !ReadAll(path).empty();
    };
    ASSERT_TRUE(fresh_process::ShareFolder(closed, 0555, kOwner, kShared, 0664)); // copied back
    for (const mode_t mask : {022, 002}) {
        ::umask(mask);
        const pid_t child = StartPrintUntilKilled(
            temp + "\n" + others + "\n" + own + "\n" + inClosed + "\n" + mine, dir + "/child.log");
        ASSERT_GT(child, 0) << ReadAll(dir + "/child.log");
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        std::filesystem::remove(temp + "/started");
        for (const std::string& file : {others, own, inClosed, mine}) {
            const std::string part =
                file == inClosed ? temp + "/printed/loan.pdf.1.part" : file + ".1.part";
            EXPECT_GT(StatOf(part).st_size, 0) << part;
            for (const auto& [user, group] : {std::pair{kOwner, kShared}, {kOutsider, kOutsider}})
                EXPECT_EQ(reads(part, user, group), file == mine && reads(file, user, group))
                    << part << " read by " << user << " under umask " << std::oct << mask;
        }
        EXPECT_EQ(CommandOutput("getfacl -cp " + ShellQuoted(mine + ".1.part")), list);
    }
}

// A print killed midway leaves nothing that looks like a printout: a numbered printout and a
// file named take their names only when complete. What the killed print leaves is removed by
// the next print in its folder, never while the print that writes it runs.
TEST_F(Printing, APrintKilledMidwayLeavesNoCutPrintout) {
    if (const char* request = std::getenv(kKilledPrint.c_str())) {
        std::filesystem::remove_all(dir); // the child's own folder: it ends killed
        PrintUntilKilled(request);
    }
    SetPrinterBackends({CreatePdfPrinterBackend()});
    const std::string printed = dir + "/printed", named = dir + "/schedule.pdf";
    WriteAll(named, "an earlier printout");
    TPrinter printer;
    PrintTwoPages(printer);
    pid_t child = StartPrintUntilKilled(dir + "\n\n" + named, dir + "/child.log");
    ASSERT_GT(child, 0) << ReadAll(dir + "/child.log");
    const auto reaped = MakeScopeGuard([&child] {
        if (child > 0 && ::kill(child, SIGKILL) == 0) ::waitpid(child, nullptr, 0);
    });
    EXPECT_GT(ReadAll(printed + "/print0002.pdf.part").size(), 0u); // written in part
    // A print meanwhile leaves the running print's parts alone.
    PrintTwoPages(printer);
    EXPECT_EQ(LastPrintOutput(), printed + "/print0003.pdf");

    ::kill(child, SIGKILL);
    ::waitpid(std::exchange(child, -1), nullptr, 0);
    for (const auto& entry : std::filesystem::directory_iterator(printed))
        if (entry.path().extension() == ".pdf") {
            EXPECT_TRUE(WholePdf(entry.path(), "2"));
        }
    EXPECT_EQ(ReadAll(named), "an earlier printout");
    // The next prints remove the dead parts; the number held is free again.
    PrintTwoPages(printer);
    EXPECT_EQ(LastPrintOutput(), printed + "/print0002.pdf");
    printer.SetFileName(named);
    PrintTwoPages(printer);
    EXPECT_TRUE(WholePdf(named, "2"));
    EXPECT_EQ(std::ranges::distance(std::filesystem::directory_iterator(printed)), 3);
    EXPECT_FALSE(std::filesystem::exists(named + ".1.part"));
}

// Set, to the file to print into, in the child processes of the test below.
const std::string kPrintInPlace = "VANTREL_PRINT_IN_PLACE";

// Whether the process waits for a lock of the file at path: the system tells it is in the call
// that waits for a lock, on a descriptor of that file.
bool WaitsForLock(pid_t process, const std::string& path) {
    const std::string proc = "/proc/" + std::to_string(process);
    long call = -1, fd = -1, command = -1; // no numbers while it runs
    std::istringstream(ReadAll(proc + "/syscall")) >> call >> std::hex >> fd >> command;
    const struct stat file = StatOf(path), opened = StatOf(proc + "/fd/" + std::to_string(fd));
    return call == SYS_fcntl && command == F_OFD_SETLKW && opened.st_dev == file.st_dev &&
           opened.st_ino == file.st_ino;
}

// Two prints into one file at once, on the road that writes the file in place (it has a second
// name), each copy under the file's lock: while another holds it both wait, and the file then
// holds one whole printout.
TEST_F(Printing, PrintsIntoOneFileInPlaceTakeTurns) {
    if (const char* file = std::getenv(kPrintInPlace.c_str())) {
        SetPrinterBackends({CreatePdfPrinterBackend()});
        TPrinter printer;
        printer.SetFileName(file);
        EXPECT_EQ(RaisedMessage<EPrinter>([&] { PrintTwoPages(printer); }), "no error");
        return;
    }
    const std::string file = dir + "/schedule.pdf";
    WriteAll(file, "an earlier printout");
    std::filesystem::create_hard_link(file, dir + "/second name.pdf");
    const int held = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    struct flock whole {};
    whole.l_type = F_WRLCK;
    ASSERT_EQ(::fcntl(held, F_OFD_SETLK, &whole), 0);
    std::vector<pid_t> children;
    for (const std::string child : {"/child1.log", "/child2.log"})
        children.push_back(fresh_process::StartAgain(dir + child, kPrintInPlace + "=" + file));
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!(WaitsForLock(children[0], file) && WaitsForLock(children[1], file)) &&
           std::chrono::steady_clock::now() < deadline && ::waitpid(-1, nullptr, WNOHANG) == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(WaitsForLock(children[0], file) && WaitsForLock(children[1], file));
    EXPECT_TRUE(ReadAll(file) == "an earlier printout");
    ::close(held);
    for (const pid_t child : children) {
        int status = -1;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << ReadAll(dir + "/child1.log") << ReadAll(dir + "/child2.log");
    }
    EXPECT_TRUE(WholePdf(file, "2"));
    EXPECT_EQ(ReadAll(dir + "/second name.pdf"), ReadAll(file));
}

TEST_F(Printing, TheProfileListsThePrintersAndTheDefault) {
    SetPrinterBackends({test, CreatePdfPrinterBackend()});
    std::vector<TPrinterEntry> printers = EnumPrinters();
    ASSERT_EQ(printers.size(), 2u);
    EXPECT_EQ(printers[0].Device, "Test Printer");
    EXPECT_EQ(printers[0].Driver, "TEST");
    EXPECT_EQ(printers[0].Port, "LPT1:");
    EXPECT_EQ(printers[1].Device, "PDF");
    EXPECT_EQ(GetProfileString("devices", "Test Printer", ""), "TEST,LPT1:");
    // No default anywhere: "PDF".
    EXPECT_EQ(DefaultPrinterName(), "PDF");
    EXPECT_EQ(GetProfileString("windows", "device", ""), "PDF,PDF,FILE:");
    // A default the user set is kept while it names an installed printer.
    WriteProfileString("windows", "device", "Test Printer,TEST,LPT1:");
    EXPECT_EQ(DefaultPrinterName(), "Test Printer");
    WriteProfileString("windows", "device", "Gone,TEST,LPT9:");
    test->SetDefault("Test Printer");
    EXPECT_EQ(DefaultPrinterName(), "Test Printer");
    EXPECT_EQ(GetProfileString("windows", "device", ""), "Test Printer,TEST,LPT1:");

    // Once written, the sections are read as they stand: a device on two ports is two entries.
    WriteProfileString("devices", "Test Printer", "TEST, LPT1:, LPT2:");
    printers = EnumPrinters();
    ASSERT_EQ(printers.size(), 3u);
    EXPECT_EQ(printers[0].Port, "LPT1:");
    EXPECT_EQ(printers[1].Port, "LPT2:");
    EXPECT_EQ(printers[1].Driver, "TEST");
    // New backends write them again, and so do a lost "devices" section and a new settings folder.
    SetPrinterBackends({CreatePdfPrinterBackend()});
    EXPECT_EQ(EnumPrinters().size(), 1u);
    EXPECT_EQ(DefaultPrinterName(), "PDF");
    WriteProfileString("devices", std::nullopt, std::nullopt);
    EXPECT_EQ(EnumPrinters().size(), 1u);
    const std::string other = dir + "/other";
    setenv("VANTREL_HOME", other.c_str(), 1);
    EXPECT_EQ(EnumPrinters().size(), 1u);
    EXPECT_EQ(GetProfileString("devices", "PDF", ""), "PDF,FILE:");
}

// Programs sharing one settings folder each write the printer sections for their own printers
// while others read them: every list read is one program's whole list, never a half-written one.
TEST_F(Printing, ProgramsSharingTheProfileReadWholePrinterLists) {
    auto printersOf = [](int program) {
        TPrinterInfo p = TTestPrinterBackend::StandardPrinter();
        p.Device = program % 2 ? "Odd Printer" : "Even Printer";
        auto backend = std::make_shared<TTestPrinterBackend>();
        backend->AddPrinter(p);
        return std::vector<std::shared_ptr<TPrinterBackend>>{backend, CreatePdfPrinterBackend()};
    };
    auto run = [&](int program) {
        int wrong = 0;
        for (int round = 0; round < 25; ++round) {
            SetPrinterBackends(printersOf(program + round));
            std::vector<TPrinterEntry> list = EnumPrinters();
            const bool whole =
                list.size() == 2 && list[1].Device == "PDF" &&
                (list[0].Device == "Odd Printer" || list[0].Device == "Even Printer");
            const std::string fallback = DefaultPrinterName();
            if (!whole || (fallback != "PDF" && fallback != list[0].Device)) ++wrong;
        }
        return wrong;
    };
    EXPECT_TRUE(RunTogether(4, [&](int program) { return run(program) == 0; }));
}

TEST_F(Printing, DeviceModesAndCapabilities) {
    SetPrinterBackends({test, CreatePdfPrinterBackend()});
    DEVMODE dm;
    ASSERT_TRUE(DocumentProperties("test printer", dm));
    EXPECT_EQ(dm.dmDeviceName, "Test Printer");
    EXPECT_TRUE(dm.dmFields & DM_DUPLEX);
    EXPECT_TRUE(dm.dmFields & DM_COLLATE);
    EXPECT_EQ(dm.dmDefaultSource, DMBIN_UPPER);
    EXPECT_FALSE(DocumentProperties("nothing", dm));

    std::vector<std::string> names;
    std::vector<int> values;
    EXPECT_EQ(DeviceCapabilities("Test Printer", "LPT1:", DC_BINNAMES, &names), 2);
    EXPECT_EQ(names, (std::vector<std::string>{"Upper tray", "Manual feed"}));
    EXPECT_EQ(DeviceCapabilities("Test Printer", "LPT1:", DC_BINS, nullptr, &values), 2);
    EXPECT_EQ(values, (std::vector<int>{DMBIN_UPPER, DMBIN_MANUAL}));
    EXPECT_EQ(DeviceCapabilities("Test Printer", "LPT1:", DC_COPIES), 99);
    EXPECT_EQ(DeviceCapabilities("Test Printer", "LPT1:", DC_DUPLEX), 1);
    EXPECT_EQ(DeviceCapabilities("PDF", "FILE:", DC_DUPLEX), 0);
    EXPECT_EQ(DeviceCapabilities("PDF", "FILE:", DC_COPIES), 1);
    EXPECT_EQ(DeviceCapabilities("Test Printer", "LPT1:", DC_PAPERSIZE, nullptr, &values), 3);
    EXPECT_EQ(values[0], 2159); // Letter, tenths of a millimetre
    EXPECT_EQ(DeviceCapabilities("None", "LPT1:", DC_COPIES), -1);

    // Landscape A4: the sides swap, the offsets are the margins.
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    dm.dmPaperSize = DMPAPER_A4;
    dm.dmFields |= DM_ORIENTATION | DM_PAPERSIZE;
    HDC dc = CreateDC("TEST", "Test Printer", "LPT1:", &dm);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetDeviceCaps(dc, TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(GetDeviceCaps(dc, LOGPIXELSX), 600);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 7016);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 4961);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALOFFSETX), 150);
    EXPECT_EQ(GetDeviceCaps(dc, HORZRES), 7016 - 300);
    EXPECT_EQ(GetDeviceCaps(dc, HORZSIZE), 284);
    // A custom size overrides the paper.
    dm.dmOrientation = DMORIENT_PORTRAIT;
    dm.dmPaperWidth = 1000;
    dm.dmPaperLength = 2000;
    dm.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    ASSERT_EQ(ResetDC(dc, dm), dc);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALWIDTH), 2362);
    EXPECT_EQ(GetDeviceCaps(dc, PHYSICALHEIGHT), 4724);
    DeleteDC(dc);
}

TEST_F(Printing, TheTestBackendRecordsTheSettingsADocumentStartedWith) {
    SetPrinterBackends({test});
    DEVMODE dm;
    ASSERT_TRUE(DocumentProperties("Test Printer", dm));
    dm.dmCopies = 3;
    dm.dmDuplex = DMDUP_VERTICAL;
    dm.dmCollate = DMCOLLATE_TRUE;
    dm.dmDefaultSource = DMBIN_MANUAL;
    dm.dmPaperSize = DMPAPER_LEGAL;
    HDC dc = CreateDC("TEST", "Test Printer", "LPT1:", &dm);
    int asked = 0;
    SetAbortProc(dc, [&](HDC, int) {
        ++asked;
        return true;
    });
    ASSERT_GT(StartDoc(dc, {"A document name of more than thirty-one characters", ""}), 0);
    for (int page = 0; page < 2; ++page) {
        ASSERT_GT(StartPage(dc), 0);
        TextOut(dc, 100, 100, "page");
        EXPECT_EQ(Escape(dc, PASSTHROUGH,
                         "\x1b"
                         "E"),
                  2);
        ASSERT_GT(EndPage(dc), 0);
    }
    ASSERT_GT(EndDoc(dc), 0);
    DeleteDC(dc);
    EXPECT_EQ(asked, 2);

    ASSERT_EQ(test->Documents().size(), 1u);
    const TTestPrinterBackend::TDocument& doc = test->Documents()[0];
    EXPECT_EQ(doc.Printer, "Test Printer");
    EXPECT_EQ(doc.Settings.DocName, "A document name of more than th");
    EXPECT_EQ(doc.Settings.DevMode.dmCopies, 3);
    EXPECT_EQ(doc.Settings.DevMode.dmDuplex, DMDUP_VERTICAL);
    EXPECT_EQ(doc.Settings.DevMode.dmCollate, DMCOLLATE_TRUE);
    EXPECT_EQ(doc.Settings.DevMode.dmDefaultSource, DMBIN_MANUAL);
    EXPECT_EQ(doc.Settings.DevMode.dmPaperSize, DMPAPER_LEGAL);
    EXPECT_EQ(doc.Settings.Page.PhysicalHeight, 8400);
    EXPECT_EQ(doc.Pages.size(), 2u);
    EXPECT_EQ(doc.Pages[1].RawData, "\x1b"
                                    "E");
    EXPECT_EQ(Escape(dc, PASSTHROUGH, "late"), SP_ERROR); // the context is gone
    EXPECT_TRUE(doc.Finished);
    EXPECT_FALSE(doc.Aborted);

    // Copies beyond the printer's limit are cut to it; unknown bins and papers are ignored.
    dm.dmCopies = 500;
    dm.dmDefaultSource = 77;
    dm.dmPaperSize = 999;
    dc = CreateDC("TEST", "Test Printer", "LPT1:", &dm);
    ASSERT_GT(StartDoc(dc, {"x", ""}), 0);
    EndDoc(dc);
    DeleteDC(dc);
    EXPECT_EQ(test->Documents()[1].Settings.DevMode.dmCopies, 99);
    EXPECT_EQ(test->Documents()[1].Settings.DevMode.dmDefaultSource, DMBIN_UPPER);
    EXPECT_EQ(test->Documents()[1].Settings.DevMode.dmPaperSize, DMPAPER_LETTER);
}

TEST_F(Printing, TheTestBackendRecordsTextAndKeepsPageImages) {
    TPrinterInfo small = TTestPrinterBackend::StandardPrinter();
    small.DpiX = small.DpiY = 100;
    small.MarginLeft = small.MarginTop = small.MarginRight = small.MarginBottom = 25;
    test = std::make_shared<TTestPrinterBackend>();
    test->AddPrinter(small);
    test->SetKeepPageImages(true);
    SetPrinterBackends({test});
    HDC dc = CreateDC("TEST", "Test Printer", "LPT1:", nullptr);
    ASSERT_GT(StartDoc(dc, {"Images", ""}), 0);
    StartPage(dc);
    SetTextAlign(dc, TA_BASELINE | TA_RIGHT);
    LOGFONT lf;
    lf.lfFaceName = "Arial";
    lf.lfHeight = -14;
    lf.lfWeight = FW_BOLD;
    HFONT font = CreateFontIndirect(lf);
    SelectObject(dc, font);
    TextOut(dc, 400, 100, "Total");
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    TRect box = Rect(10, 20, 30, 40);
    FillRect(dc, &box, red);
    EndPage(dc);
    EndDoc(dc);
    DeleteDC(dc);
    DeleteObject(font);
    DeleteObject(red);

    const TTestPrinterBackend::TPage& page = test->Documents()[0].Pages[0];
    ASSERT_EQ(page.Texts.size(), 1u);
    EXPECT_EQ(page.Texts[0].Text, "Total");
    EXPECT_EQ(page.Texts[0].X, 400);
    EXPECT_EQ(page.Texts[0].Y, 100);
    EXPECT_EQ(page.Texts[0].Align, static_cast<UINT>(TA_BASELINE | TA_RIGHT));
    EXPECT_EQ(page.Texts[0].Font.lfWeight, FW_BOLD);
    ASSERT_NE(page.Image, nullptr);
    EXPECT_EQ(page.Image->Width(), 850 - 50);
    EXPECT_EQ(page.Image->Canvas()->Pixels(10, 20), clRed);
    EXPECT_EQ(page.Image->Canvas()->Pixels(30, 40), clWhite);
    // The text ends at x 400 and stands on the baseline at y 100.
    int inked = 0, outside = 0;
    for (int y = 70; y < 110; ++y)
        for (int x = 330; x < 420; ++x)
            if (page.Image->Canvas()->Pixels(x, y) == clBlack)
                ++(x < 400 && y < 100 ? inked : outside);
    EXPECT_GT(inked, 20);
    EXPECT_EQ(outside, 0);
}

TEST_F(Printing, TheAbortCallbackAndAbortDocEndTheDocument) {
    SetPrinterBackends({test});
    HDC dc = CreateDC("TEST", "Test Printer", "LPT1:", nullptr);
    SetAbortProc(dc, [](HDC, int) { return false; });
    ASSERT_GT(StartDoc(dc, {"Stopped", ""}), 0);
    StartPage(dc);
    EXPECT_EQ(EndPage(dc), SP_APPABORT);
    EXPECT_EQ(StartPage(dc), SP_ERROR);
    DeleteDC(dc);
    EXPECT_TRUE(test->Documents()[0].Aborted);

    test->FailNextStart();
    dc = CreateDC("TEST", "Test Printer", "LPT1:", nullptr);
    EXPECT_EQ(StartDoc(dc, {"Unreachable", ""}), SP_ERROR);
    // A context deleted in the middle of a document drops it.
    ASSERT_GT(StartDoc(dc, {"Dropped", ""}), 0);
    StartPage(dc);
    DeleteDC(dc);
    EXPECT_TRUE(test->Documents().back().Aborted);
}

TEST_F(Printing, TPrinterOnTheTestBackend) {
    test->SetDefault("Test Printer");
    SetPrinterBackends({test, CreatePdfPrinterBackend()});
    TPrinter printer;
    EXPECT_EQ(printer.Printers()->Count(), 2);
    EXPECT_EQ(printer.PrinterIndex(), 0);
    EXPECT_EQ(printer.PageWidth(), 5100 - 300);
    printer.SetOrientation(poLandscape);
    EXPECT_EQ(printer.Orientation(), poLandscape);
    EXPECT_GT(printer.PageWidth(), printer.PageHeight());
    printer.SetCopies(1000);
    EXPECT_EQ(printer.Copies(), 99);
    EXPECT_THROW(printer.SetPrinterIndex(5), EPrinter);
    EXPECT_THROW(printer.NewPage(), EPrinter);
    printer.SetTitle("Chart");
    printer.BeginDoc();
    EXPECT_TRUE(printer.Printing());
    EXPECT_THROW(printer.SetOrientation(poPortrait), EPrinter);
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    // The canvas font is measured at the printer's resolution.
    printer.Canvas()->Font()->SetSize(12);
    EXPECT_EQ(printer.Canvas()->Font()->Height(), -100);
    EXPECT_GT(printer.Canvas()->TextHeight("Xy"), 100);
    printer.NewPage();
    EXPECT_EQ(printer.PageNumber(), 2);
    printer.EndDoc();
    ASSERT_EQ(test->Documents().size(), 1u);
    EXPECT_EQ(test->Documents()[0].Settings.DocName, "Chart");
    EXPECT_EQ(test->Documents()[0].Settings.DevMode.dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(test->Documents()[0].Settings.DevMode.dmCopies, 99);
    EXPECT_EQ(test->Documents()[0].Pages.size(), 2u);

    printer.BeginDoc();
    printer.Abort();
    EXPECT_FALSE(printer.Printing());
    EXPECT_TRUE(test->Documents()[1].Aborted);

    // Switching to the second printer takes its settings.
    printer.SetPrinterIndex(1);
    EXPECT_EQ(printer.Orientation(), poPortrait);
    EXPECT_EQ(printer.PageWidth(), 2550);
}

} // namespace
