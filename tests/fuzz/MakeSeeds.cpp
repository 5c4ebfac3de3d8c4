// Writes the seed corpora of the fuzz targets: small valid files made by the program's own
// writers (tables, memos and indexes by the engine, pictures by the graphics layer, command
// tables, INI and registry files by their classes), each prefixed with the selector bytes its
// target reads first. Run as `fuzz_seeds <corpus folder>`; each target's seeds go to the folder
// of its name. The help seed is the program's help file, the auto.bin seed the program's limits
// file; both are given as the second and third arguments.
#include "advisors/LeaseBuyAdvisor.h"
#include "controls/entry/CommandTables.h"
#include "platform/gui/Graphics.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Profile.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/Streams.h"
#include "report/RptFiler.h"
#include "tests/advisors/AdvisorTestSupport.h"
#include "tests/fuzz/FuzzReport.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/FuzzXbase.h"
#include "xbase/XbMemo.h"
#include "xbase/Xbase.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path corpus;

void Seed(const std::string& target, const std::string& name, const std::string& bytes) {
    fs::create_directories(corpus / target);
    std::ofstream out(corpus / target / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string Selector(int value) {
    return std::string(1, static_cast<char>(value));
}

std::string LE32(std::uint32_t value) {
    std::string bytes(4, '\0');
    EncodeLE<std::uint32_t>(bytes.data(), value);
    return bytes;
}

std::string StreamBytes(TMemoryStream& stream) {
    return std::string(static_cast<const char*>(stream.Memory()),
                       static_cast<std::size_t>(stream.Size()));
}

// ----- Tables, memos, indexes and expressions

void TableSeeds() {
    const std::string folder = FuzzFolder() + "/seeds";
    for (int driver : {xbNTX, xbCDX}) {
        const std::string base = folder + "/S" + std::to_string(driver);
        MakeSampleTable(base + ".DBF", driver);
        const std::string table = ReadWholeFile(base + ".DBF");
        Seed("dbf", driver == xbNTX ? "sample-dbt.dbf" : "sample-fpt.dbf", table);
        // The memo blocks the first four records point to, then the memo file.
        xb_Use(base + ".DBF", "", xbModeReadOnly, driver);
        std::string memo = Selector(driver == xbNTX ? 0 : 1);
        for (int record = 1; record <= 4; ++record) {
            xb_Go(record);
            LongWord block = 0;
            TXbMemo::ParseBlock(xb_GetString(sfNote), block);
            memo += LE32(block);
        }
        xb_CloseAll();
        memo += ReadWholeFile(base + (driver == xbNTX ? ".DBT" : ".FPT"));
        Seed("memo", driver == xbNTX ? "sample.dbt" : "sample.fpt", memo);
    }
    const std::string plain = folder + "/PLAIN.DBF";
    xb_Create(plain, {{"CODE", 'C', 4, 0}, {"PAID", 'N', 9, 2}, {"DUE", 'D', 8, 0}}, xbCDX);
    Seed("dbf", "empty.dbf", ReadWholeFile(plain));
    xb_Use(plain, "", xbModeExclusive, xbCDX);
    xb_AppendEx();
    xb_Replace(1, xbReplaceText, "A1");
    xb_Replace(2, xbReplaceDouble, -12.5);
    xb_Replace(3, xbReplaceText, "20241231");
    xb_CloseAll();
    Seed("dbf", "plain.dbf", ReadWholeFile(plain));
}

void IndexSeeds() {
    const std::string folder = FuzzFolder() + "/indexes";
    struct TIndexSeed {
        int Selector;
        int Driver;
        const char* File;
    };
    for (const TIndexSeed& s : {TIndexSeed{0, xbNTX, "I.NTX"}, TIndexSeed{1, xbCDX, "I.IDX"},
                                TIndexSeed{2, xbCDX, "I.CDX"}, TIndexSeed{3, xbNSX, "I.NSX"}}) {
        const std::string table = folder + "/I" + std::to_string(s.Selector) + ".DBF";
        MakeSampleTable(table, s.Driver);
        xb_Use(table, "", xbModeExclusive, s.Driver);
        const std::string index = folder + "/" + s.File;
        if (s.Selector < 2) {
            xb_IndexCreate(index, "", s.Selector == 0 ? "NAME" : "AMOUNT", "", 0, 0);
        } else {
            xb_IndexCreate(index, "NAME", "UPPER(NAME)", "", 0, 0);
            xb_IndexCreate(index, "AMOUNT", "AMOUNT", "AMOUNT > 0", 0, 1);
            xb_IndexCreate(index, "BORN", "BORN", "", 1, 0);
            xb_IndexCreate(index, "ACTIVE", "ACTIVE", "", 0, 0);
        }
        xb_CloseAll();
        Seed("index", std::string(s.File).substr(2) + ".seed",
             Selector(s.Selector) + ReadWholeFile(index));
    }
}

void ExpressionSeeds() {
    const char* const texts[] = {
        "NAME = \"B\"",
        "AMOUNT > 100 .AND. ACTIVE",
        "DTOS(BORN) >= \"20240222\" .OR. EMPTY(BORN)",
        "UPPER(LEFT(NAME, 2)) $ \"ADCLBA\"",
        "IIF(ACTIVE, STR(AMOUNT, 10, 2), SUBSTR(NAME, 2, 3)) <> \"\"",
        "VAL(\"12.5\") + RATE * 2 - RECNO() / 3",
        "CTOD(\"02/29/24\") - 1 < DATE() .AND. .NOT. DELETED()",
        "YEAR(BORN) + MONTH(BORN) + DAY(BORN) > 2000",
        "PADL(TRIM(NAME), 12) + LOWER(DTOC(BORN)) + LTRIM(STR(LEN(ALLTRIM(NAME))))",
        "S->NAME == RIGHT(RTRIM(NAME), 5) .OR. STOD(\"20240101\") = BORN",
    };
    int n = 0;
    for (const char* text : texts)
        Seed("xbexpr", "expr" + std::to_string(++n), text);
}

// ----- Command tables, INI files, the profile and the registry

void CommandTableSeeds() {
    TVcCommandProcessor processor;
    for (int i = 0; i < processor.Count(); ++i) {
        const std::string file = FuzzFolder() + "/table.tbl";
        processor.SaveCommandTable(processor.Tables(i)->TableName(), file);
        Seed("vccmd", "file-" + processor.Tables(i)->TableName(),
             Selector(0) + ReadWholeFile(file));
    }
    TMemoryStream builtIn;
    processor.WriteTableList(builtIn);
    Seed("vccmd", "stored-builtin", Selector(1) + StreamBytes(builtIn));
    processor.CreateCommandTable("Calculator", true);
    processor.AddCommandRec("Calculator", {0x71, 0, 0, 0, ccUserFirst});
    processor.AddCommandRec("Calculator", {'K', ssCtrlBit, 'B', ssCtrlOrNone, ccUserFirst + 1});
    processor.AddCommandRec("Default", {0x25, ssAltBit, 0, 0, ccNone});
    TMemoryStream own;
    processor.WriteTableList(own);
    Seed("vccmd", "stored-own", Selector(1) + StreamBytes(own));
}

void IniSeeds() {
    const std::string path = FuzzFolder() + "/seed.ini";
    {
        TIniFile ini(path);
        ini.WriteString("Loan", "Name", "House on Elm Street");
        ini.WriteFloat("Loan", "Rate", 8.25);
        ini.WriteInteger("Loan", "Term", 360);
        ini.WriteBool("Loan", "Balloon", true);
        ini.WriteDate("Dates", "First", 45351);
        ini.WriteTime("Dates", "Reminder", 0.75);
        ini.WriteDateTime("Dates", "Saved", 45351.5);
        ini.WriteString("Window", "Left", "'120'");
    }
    Seed("inifiles", "settings.ini", Selector(0) + ReadWholeFile(path));

    TRegistry reg;
    reg.OpenKey("\\Software\\Vantrel\\Window", true);
    reg.WriteInteger("Left", 120);
    reg.WriteString("Title", "Loan \"A\"");
    reg.WriteBool("Maximized", false);
    reg.OpenKey("\\Software\\Vantrel", false);
    reg.WriteString("", "default value");
    TRegIniFile settings("Software\\Vantrel");
    settings.WriteString("Options", "Printer", "PDF");
    settings.WriteInteger("Options", "Copies", 2);
    Seed("inifiles", "registry.ini", Selector(1) + ReadWholeFile(FuzzFolder() + "/registry.ini"));
}

void ProfileSeeds() {
    Seed("winini", "posix.ini", ReadWholeFile(ProfileFileName()));
    // A German-style setting with a currency after the amount and no AM/PM text.
    const char* const german[][3] = {{"intl", "sDecimal", ","},
                                     {"intl", "sThousand", "."},
                                     {"intl", "sShortDate", "dd.MM.yyyy"},
                                     {"intl", "sLongDate", "dddd, d'. 'MMMM yyyy"},
                                     {"intl", "sCurrency", "EUR"},
                                     {"intl", "iCurrency", "3"},
                                     {"intl", "iNegCurr", "8"},
                                     {"intl", "iTime", "1"},
                                     {"intl", "s1159", ""},
                                     {"intl", "iCountry", "49"},
                                     {"windows", "device", "PDF,vantrel,FILE:"},
                                     {"devices", "PDF", "vantrel,FILE:"}};
    for (const auto& [section, key, value] : german)
        WriteProfileString(section, std::string(key), std::string(value));
    Seed("winini", "german.ini", ReadWholeFile(ProfileFileName()));
}

// ----- Pictures and help

void PictureSeeds() {
    TBitmap bitmap;
    bitmap.SetSize(8, 6);
    TCanvas& canvas = *bitmap.Canvas();
    canvas.Brush()->SetColor(clYellow);
    canvas.FillRect(TRect{0, 0, 8, 6});
    canvas.Pen()->SetColor(clNavy);
    canvas.MoveTo(0, 0);
    canvas.LineTo(7, 5);
    TMemoryStream bmp;
    bitmap.SaveToStream(bmp);
    Seed("picture", "color.bmp", Selector(0) + StreamBytes(bmp));
    bitmap.SetMonochrome(true);
    TMemoryStream mono;
    bitmap.SaveToStream(mono);
    Seed("picture", "mono.bmp", Selector(0) + StreamBytes(mono));

    // The layer writes icons of the images it loaded; the first is drawn here.
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.fillRect(2, 2, 12, 12, Qt::darkGreen);
    painter.end();
    QByteArray ico;
    QBuffer buffer(&ico);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "ICO");
    TIcon icon;
    TMemoryStream icoStream;
    icoStream.Write(ico.constData(), static_cast<LongInt>(ico.size()));
    icoStream.SetPosition(0);
    icon.LoadFromStream(icoStream);
    TMemoryStream icoSaved;
    icon.SaveToStream(icoSaved);
    Seed("picture", "square.ico", Selector(1) + StreamBytes(icoSaved));

    TMetafile metafile;
    metafile.SetWidth(100);
    metafile.SetHeight(60);
    {
        std::unique_ptr<TCanvas> mc = metafile.CreateCanvas();
        mc->Pen()->SetColor(clRed);
        mc->Rectangle(5, 5, 95, 55);
        mc->Ellipse(10, 10, 40, 40);
        mc->TextOut(45, 20, "Loan");
        mc->Polygon({{50, 50}, {60, 40}, {70, 55}});
    }
    TMemoryStream wmf;
    metafile.SaveToStream(wmf);
    Seed("picture", "drawing.wmf", Selector(2) + StreamBytes(wmf));
}

void HelpSeeds(const std::string& helpFile) {
    Seed("helptopic", "program-help", LE32(106) + ReadWholeFile(helpFile));
    Seed("helptopic", "contents",
         LE32(0xFFFFFFFFu) + "# comment\r\n@@ 1 First\r\nline one\r\n@@ 2 Second\r\n");
}

void AutoBinSeeds(const std::string& autoBin) {
    Seed("autobin", "auto.bin", ReadWholeFile(autoBin));
}

// ----- The data-aware controls' filters and masked edit

void DataAwareSeeds() {
    const char* const filters[] = {
        "NAME = \"Adams\"",
        "AMOUNT > 100 AND ACTIVE = t",
        "(BORN >= 02/22/2024 OR NAME <> \"Baker\") AND NOT (RATE < 0.125)",
        "COUNT >= -7 OR QTY = 12",
        "AMOUNT * 2 + 1 > RATE - 3",
    };
    int n = 0;
    for (const char* text : filters)
        Seed("dwfilter", "filter" + std::to_string(++n), text);
    using namespace std::string_literals;
    const std::string masks[] = {
        "\x01###-####\0"
        "555"s,
        "\x00{Yes,No}\0n"s,
        "\x05#*{;,###}\0"
        "1,234,567"s,
        "\x10[(###) ]###-####\0(555) 123"s,
        "\x00&*?\0"
        "02/29/2024 1:45 PM"s,
        "\x24!@~\0"
        "12:30:15 AM"s,
    };
    n = 0;
    for (const std::string& seed : masks)
        Seed("dwpicture", "mask" + std::to_string(++n), seed);
}

// ----- Lease-versus-buy files

void LeaseBuySeeds() {
    TLeaseBuyData d = SampleLeaseBuyData();
    d.BuyerLessee = "Jane Q. Public";
    const auto bytes = [](const TLeaseBuyData& data) {
        const auto file = EncodeLeaseBuyFile(data);
        return std::string(file.begin(), file.end());
    };
    Seed("lbfile", "van.LB", bytes(d));
    d.Depreciate = true;
    d.Auto = true;
    d.DepreciationMthd = dmAuto150DB;
    d.PurchasePmtPYR = 4;
    d.LeasePmtPYR = 6;
    d.Life = 0;
    d.DeductSalesTaxWhen = dtAmortize;
    Seed("lbfile", "car.LB", bytes(d));
}

// ----- Report streams

std::string RecordReport(int pages) {
    UseFuzzPrinter();
    TMemoryStream stream;
    TReportFiler filer(nullptr);
    filer.SetStreamMode(smUser);
    filer.SetStream(&stream);
    TBitmap bitmap;
    bitmap.SetSize(4, 3);
    bitmap.Canvas()->Brush()->SetColor(clTeal);
    bitmap.Canvas()->FillRect(TRect{0, 0, 4, 3});
    filer.OnPrint = [&](TObject*) {
        for (int page = 1; page <= pages; ++page) {
            filer.SetFont("Arial", 12);
            filer.PrintLeft("Loan schedule, page " + std::to_string(page), 1.0);
            filer.PrintCenter("Centred", 4.25);
            filer.PrintRight("1,234.56", 7.5);
            filer.PrintBlock("A block of words", 1.0, 2.0);
            if (page == 1) {
                filer.SetBrush(clYellow, bsSolid, nullptr);
                filer.SetPen(clNavy, psDash, 2, pmCopy);
                filer.Rectangle(1.0, 2.0, 3.0, 3.0);
                filer.Ellipse(3.5, 2.0, 4.5, 3.0);
                filer.MoveTo(1.0, 4.0);
                filer.LineTo(6.0, 4.5);
                filer.Polygon({{100, 500}, {150, 450}, {200, 520}});
                filer.PrintBitmap(5.0, 5.0, 1.0, 1.0, &bitmap);
                filer.SetFontRotation(90);
                filer.SetBold(true);
                filer.PrintLeft("Turned", 7.0);
            }
            if (page < pages) filer.NewPage();
        }
    };
    filer.Execute();
    return StreamBytes(stream);
}

void ReportSeeds() {
    const std::string twoPages = RecordReport(2);
    Seed("rptstream", "print", Selector(0) + twoPages);
    Seed("rptstream", "preview", Selector(1) + twoPages);
    Seed("rptstream", "one-page", Selector(1) + RecordReport(1));
}

// ----- Formatting and picture masks

void FormatSeeds() {
    const std::pair<int, const char*> seeds[] = {
        {0, "%d %s %5.2f %-8x %*d %1:s %e %g %n %m %p %u %.3d"},
        {1, "#,##0.00;(#,##0.00);'zero'"},
        {1, "0.###E+00 \"units\""},
        {2, "dddd, mmmm d, yyyy hh:nn:ss am/pm"},
        {2, "ddddd t c yy/m/d z \"literal\""},
        {3, "-1,234.5e3"},
        {3, "  $FF"},
        {4, "2/29/2024 13:45:10"},
        {4, "12:30 PM"},
    };
    int n = 0;
    for (const auto& [routine, text] : seeds)
        Seed("format", "seed" + std::to_string(++n), Selector(routine) + text);
}

void PictureMaskSeeds() {
    using namespace std::string_literals;
    const std::string seeds[] = {
        "\x00\x01Vantrel\0abc\x02x"s, // text, "XXXXXXXX"
        "\x1c\x00"
        "02/29/2024\0\x06\x07\x01"
        "3"s, // date, "mm/dd/yyyy"
        "\x1e\x05"
        "13:45:10\0\x06\x02"s, // time, "hh:mm:ss"
        "\x0f\x02"
        "1234.5\0"
        "9\x04"s, // numeric double, "$###,###.##"
        "\x08\xff"
        "999-XX\0"
        "123ab\x05"s, // long integer, a mask of the input
    };
    int n = 0;
    for (const std::string& seed : seeds)
        Seed("picturemask", "seed" + std::to_string(++n), seed);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder> <help file> <auto.bin>\n");
        return 2;
    }
    corpus = argv[1];
    TableSeeds();
    IndexSeeds();
    ExpressionSeeds();
    CommandTableSeeds();
    IniSeeds();
    ProfileSeeds();
    PictureSeeds();
    HelpSeeds(argv[2]);
    AutoBinSeeds(argv[3]);
    FormatSeeds();
    PictureMaskSeeds();
    ReportSeeds();
    DataAwareSeeds();
    LeaseBuySeeds();
    return 0;
}
