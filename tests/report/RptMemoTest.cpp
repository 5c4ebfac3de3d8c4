// Printing a memo buffer: word wrap between the margins, lines moving down the page, a new page
// when the section is full, words wider than a line, the part of the text asked for, printing a
// few lines at a time, and the misuses refused.
#include "RptTestSupport.h"

#include <map>
#include <sstream>

namespace {

using RptMemo = ReportTest;

// A line printed on a page: its position in device pixels and its text.
struct TLine {
    int Page = 0;
    int X = 0;
    int Y = 0;
    std::string Text;
    int Width = 0; // printed width in device pixels
};

// Collects the text outputs of each page of a bitmap report as the page ends.
class TMemoReport : public TBitmapReport {
public:
    TMemoReport() {
        SetMarginLeft(1.0);
        SetMarginRight(1.0);
        SetMarginTop(1.0);
        SetMarginBottom(1.0);
        AddPageEndCallback([this](TBaseReport*) {
            for (const auto& call : Calls("TextOut"))
                Lines.push_back(
                    {CurrentPage(), call.Args[0], call.Args[1], call.Text, TextPixels(call.Text)});
            Clear();
        });
    }
    // The texts of the lines, in order.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TLine& line : Lines)
            texts.push_back(line.Text);
        return texts;
    }
    std::vector<TLine> Lines;
};

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

std::string Paragraph(int words) {
    std::string text;
    for (int i = 1; i <= words; ++i)
        text += (i > 1 ? " " : "") + std::string(i % 7 == 0 ? "installment" : "paid") +
                std::to_string(i);
    return text;
}

TEST_F(RptMemo, ALongMemoWrapsBetweenTheMarginsAndGoesOnOnTheNextPage) {
    TMemoReport r;
    const std::string first = Paragraph(700);
    const std::string longWord(400, 'W');
    TMemoBuf memo(first + "\r\n\r\n" + longWord + "\r\nlast line");
    int room = 0;
    int blank = 0;
    std::map<std::string, int> wordWidths;
    r.Run([&](TBaseReport& rep) {
        rep.PrintLn("Notes:");
        room = rep.XI2D(rep.SectionRight()) - rep.XI2D(rep.SectionLeft());
        rep.PrintMemo(memo);
        blank = rep.TextPixels(" ");
        for (const std::string& word : Words(first))
            wordWidths[word] = rep.TextPixels(word);
    });
    EXPECT_EQ(memo.PrintStart, memo.PrintEnd);
    ASSERT_GE(LastDocument().Pages.size(), 2u);
    std::vector<TLine> lines = r.Lines;
    ASSERT_GT(lines.size(), 60u);
    EXPECT_EQ(lines[0].Text, "Notes:");
    // A full first page: 6 lines to the inch over the 9 inches between the margins.
    int onFirst = 0;
    for (const TLine& line : lines)
        onFirst += line.Page == 1 ? 1 : 0;
    EXPECT_EQ(onFirst, 54);
    // The memo's lines start at the left margin, one line height (100 / 6 pixels) apart (two
    // over the blank line, which prints nothing), and the second page starts again at the top.
    const TLine& top = lines[static_cast<std::size_t>(onFirst)];
    EXPECT_EQ(top.Page, 2);
    EXPECT_EQ(top.Y, lines[0].Y);
    std::size_t longStart = 1;
    while (longStart < lines.size() && lines[longStart].Text[0] != 'W')
        ++longStart;
    ASSERT_LT(longStart + 1, lines.size());
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].X, lines[0].X) << i;
        const double gap = (i == longStart ? 2 : 1) * 100.0 / 6.0;
        if (lines[i].Page == lines[i - 1].Page) {
            EXPECT_NEAR(lines[i].Y - lines[i - 1].Y, gap, 1.0) << i;
        }
    }
    // Every line is no wider than the room, and none could have taken the next line's first
    // word (widths add up: each character has its own advance).
    for (std::size_t i = 1; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].Width, room) << lines[i].Text;
        if (i + 1 < longStart) {
            const std::string next = Words(lines[i + 1].Text).front();
            EXPECT_GT(lines[i].Width + blank + wordWidths[next], room) << lines[i].Text;
        }
    }
    // The paragraph's words come back in order, nothing lost; then the long word cut into
    // lines as wide as the room, and the last line.
    std::string joined;
    for (std::size_t i = 1; i < longStart; ++i)
        joined += lines[i].Text + " ";
    EXPECT_EQ(Words(joined), Words(first));
    std::string cut;
    for (std::size_t i = longStart; i + 1 < lines.size(); ++i)
        cut += lines[i].Text;
    EXPECT_EQ(cut, longWord);
    EXPECT_EQ(lines.back().Text, "last line");
}

TEST_F(RptMemo, APartOfTheMemoAFewLinesAtATime) {
    TMemoReport r;
    TMemoBuf memo("skipped\nfirst line\nsecond line\nthird line\nnot printed");
    memo.PrintStart = 8;
    memo.PrintEnd = static_cast<LongInt>(memo.Text.find("not"));
    r.Run([&](TBaseReport& rep) {
        rep.PrintMemo(memo, 2);
        EXPECT_EQ(memo.PrintStart, static_cast<LongInt>(memo.Text.find("third")));
        rep.PrintMemo(memo, 2);
        EXPECT_EQ(memo.PrintStart, memo.PrintEnd);
    });
    EXPECT_EQ(r.Texts(), (std::vector<std::string>{"first line", "second line", "third line"}));
}

// A line exactly as wide as the column still holds its last word, and a word wider than the
// column is cut into pieces exactly as wide as the column.
TEST_F(RptMemo, TextExactlyAsWideAsTheColumnFillsALine) {
    for (int less : {0, 1}) {
        TMemoReport r;
        TMemoBuf memo("AAAA BBBB CCCC");
        r.Run([&](TBaseReport& rep) {
            const int fit = rep.TextPixels("AAAA BBBB") - less;
            rep.SetSectionRight(rep.SectionLeft() + fit / 100.0);
            rep.SetColumns(1);
            ASSERT_EQ(rep.XI2D(rep.SectionRight()) - rep.XI2D(rep.SectionLeft()), fit);
            rep.PrintMemo(memo);
        });
        const std::vector<std::string> texts = r.Texts();
        ASSERT_GE(texts.size(), 2u) << less;
        if (less == 0) {
            EXPECT_EQ(texts[0], "AAAA BBBB");
            EXPECT_EQ(texts[1], "CCCC");
        } else {
            EXPECT_EQ(texts[0], "AAAA");
        }
    }
    // Pieces of a long word: the column as wide as three of its letters takes three a line.
    TMemoReport r;
    TMemoBuf memo("WWWWWWWWW");
    r.Run([&](TBaseReport& rep) {
        // Each letter has its own advance: three letters are a third of nine.
        ASSERT_EQ(rep.TextPixels("WWW") * 3, rep.TextPixels("WWWWWWWWW"));
        rep.SetSectionRight(rep.SectionLeft() + rep.TextPixels("WWW") / 100.0);
        rep.SetColumns(1);
        rep.PrintMemo(memo);
    });
    EXPECT_EQ(r.Texts(), (std::vector<std::string>{"WWW", "WWW", "WWW"}));
}

TEST_F(RptMemo, MisusesAreRefused) {
    TMemoReport r;
    TMemoBuf memo("text");
    EXPECT_EQ(ErrorOf([&] { r.PrintMemo(memo); }),
              "Invalid method call.  ReportWriter is not printing.");
    std::vector<std::string> errors;
    r.Run([&](TBaseReport& rep) {
        for (auto [start, end] : {std::pair{2, 2}, std::pair{3, 1}}) {
            memo.PrintStart = start;
            memo.PrintEnd = end;
            errors.push_back(ErrorOf([&] { rep.PrintMemo(memo); }));
        }
    });
    EXPECT_EQ(errors, (std::vector<std::string>(
                          2, "TMemoBuf.PrintEnd must be greater than TMemoBuf.PrintStart")));
    EXPECT_TRUE(r.Lines.empty());
}

} // namespace
