#include "dbcontrols/PictureValidator.h"

#include <gtest/gtest.h>

namespace {

struct Applied {
    Byte Result;
    std::string Text;
};

Applied Apply(const std::string& picture, std::string text, bool fill = false) {
    TdwPictureValidator v(picture, fill);
    const Byte r = v.ApplyPicture(text, fill);
    return {r, text};
}

} // namespace

TEST(PictureValidator, LiteralsAreFilledButNotDigits) {
    const Applied a = Apply("###-####", "555", true);
    EXPECT_EQ(a.Result, prIncomplete);
    EXPECT_EQ(a.Text, "555-");
    EXPECT_EQ(Apply("###-####", "555-1234").Result, prComplete);
    EXPECT_EQ(Apply("###-####", "555", false).Text, "555");
}

TEST(PictureValidator, CaseConversion) {
    const Applied a = Apply("&&&", "ab");
    EXPECT_EQ(a.Result, prIncomplete);
    EXPECT_EQ(a.Text, "AB");
    EXPECT_EQ(Apply("~~", "XY").Text, "xy");
    EXPECT_EQ(Apply("!@", "a1").Text, "A1");
    EXPECT_EQ(Apply("&", "1").Result, prError);
    EXPECT_EQ(Apply("?", "\xE9").Result, prComplete); // a letter above the ASCII range
}

TEST(PictureValidator, OptionalPartsAndRepetitions) {
    EXPECT_EQ(Apply("#[#]", "1").Result, prComplete);
    EXPECT_EQ(Apply("#[#]", "12").Result, prComplete);
    EXPECT_EQ(Apply("#[#]", "123").Result, prError);
    EXPECT_EQ(Apply("*#", "1234567").Result, prComplete);
    EXPECT_EQ(Apply("*#", "12a").Result, prError);
    EXPECT_EQ(Apply("*3#", "123").Result, prComplete);
    EXPECT_EQ(Apply("*3#", "12").Result, prIncomplete);
    EXPECT_EQ(Apply("*3#", "1234").Result, prError);
    EXPECT_EQ(Apply("*2[#]", "1").Result, prComplete);
    EXPECT_EQ(Apply("#*{;,###}", "1,234,567").Result, prComplete);
}

TEST(PictureValidator, AlternativesTakeTheFirstThatFits) {
    const Applied a = Apply("{Yes,No}", "n");
    EXPECT_EQ(a.Result, prIncomplete);
    EXPECT_EQ(a.Text, "N");
    EXPECT_EQ(Apply("{Yes,No}", "yes").Text, "Yes");
    EXPECT_EQ(Apply("{Yes,No}", "x").Result, prError);
    EXPECT_EQ(Apply("#,&", "A").Result, prComplete);
    EXPECT_EQ(Apply("{##,#}", "1").Result, prComplete);
}

TEST(PictureValidator, TrailingBlankStandsInForALiteral) {
    const Applied a = Apply("##-##", "12 ");
    EXPECT_EQ(a.Result, prIncomplete);
    EXPECT_EQ(a.Text, "12-");
    EXPECT_EQ(Apply("##-##", "12 3").Result, prError); // only as the last character
    // A blank typed for a blank of the picture before the last character leaves the last
    // one free to stand in.
    const Applied b = Apply("# -#", "1  ");
    EXPECT_EQ(b.Result, prIncomplete);
    EXPECT_EQ(b.Text, "1 -");
    EXPECT_EQ(Apply("#;*#", "1*2").Result, prComplete);
}

TEST(PictureValidator, EmptyTextsAndOverlongTexts) {
    EXPECT_EQ(Apply("###", "").Result, prEmpty);
    EXPECT_EQ(Apply("{Yes,No}", "").Result, prEmpty);
    EXPECT_EQ(Apply("###", "1234").Result, prError);
    EXPECT_EQ(Apply("*#", std::string(255, '1')).Result, prComplete);
    EXPECT_EQ(Apply("*#", std::string(300, '1')).Result, prError);
}

TEST(PictureValidator, BadPicturesGiveSyntaxForEveryText) {
    for (const char* picture : {"##;", "[#", "{#", "#]", "#*", "", "x;"}) {
        TdwPictureValidator v(picture, false);
        EXPECT_EQ(v.Status, 1) << picture;
        std::string text = "1";
        EXPECT_EQ(v.ApplyPicture(text, false), prSyntax) << picture;
        std::string empty;
        EXPECT_EQ(v.ApplyPicture(empty, false), prSyntax) << picture;
    }
    TdwPictureValidator longPicture(std::string(300, '#'), false);
    EXPECT_EQ(longPicture.Status, 1);
    TdwPictureValidator escapedStar("#;*", false);
    EXPECT_EQ(escapedStar.Status, 0);
    // An escaped bracket or brace is a literal and needs no partner.
    for (const char* picture : {"#;[", "#;]#", ";{##", "#;}"})
        EXPECT_TRUE(PictureSyntaxValid(picture)) << picture;
    for (const char* picture : {"#[", "#]#", "{##", "#}"})
        EXPECT_FALSE(PictureSyntaxValid(picture)) << picture;
    EXPECT_EQ(Apply("#;[#", "1[2").Result, prComplete);
}

TEST(PictureValidator, ValidateInputAndText) {
    TdwPictureValidator fill("###-####", true);
    std::string text = "555";
    EXPECT_TRUE(fill.ValidateInput(text, false));
    EXPECT_EQ(text, "555-");
    text = "555";
    EXPECT_TRUE(fill.ValidateInput(text, true));
    EXPECT_EQ(text, "555");
    text = "5a";
    EXPECT_FALSE(fill.ValidateInput(text, false));
    EXPECT_FALSE(fill.ValidateText("555"));
    EXPECT_TRUE(fill.ValidateText("555-1234"));
    EXPECT_TRUE(fill.ValidateText(""));
    TdwPictureValidator none("", false);
    EXPECT_TRUE(none.ValidateText("anything"));
}

TEST(PictureValidator, NestedGroupsAndEscapes) {
    EXPECT_EQ(Apply("{#[#],&&}-##", "1-23").Result, prComplete);
    EXPECT_EQ(Apply("{#[#],&&}-##", "ab-23").Text, "AB-23");
    EXPECT_EQ(Apply(";#;?##", "#?12").Result, prComplete);
    EXPECT_EQ(Apply(";#;?##", "1?12").Result, prError);
    EXPECT_EQ(Apply("*{&,#}", "a1b2").Text, "A1B2");
    EXPECT_EQ(Apply("[(###)]###-####", "555-1234").Result, prComplete);
    EXPECT_EQ(Apply("[(###)]###-####", "(555)555-1234").Result, prComplete);
}

TEST(PictureValidator, RandomPicturesAndTextsStayInBounds) {
    // Pictures from the language's own characters, texts of letters, digits and blanks: every
    // answer is a result code and the text never grows past the picture's limit.
    const std::string pictureChars = "#?&~!@;*[]{},1230aA- ";
    const std::string textChars = "a1B -9z";
    unsigned seed = 12345;
    auto next = [&seed](std::size_t n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<std::size_t>((seed >> 16) % n);
    };
    for (int round = 0; round < 3000; ++round) {
        std::string picture, text;
        for (std::size_t i = 0, n = 1 + next(12); i < n; ++i)
            picture += pictureChars[next(pictureChars.size())];
        for (std::size_t i = 0, n = next(10); i < n; ++i)
            text += textChars[next(textChars.size())];
        TdwPictureValidator v(picture, true);
        const Byte r = v.ApplyPicture(text, true);
        ASSERT_LE(r, prSyntax) << picture << " / " << text;
        ASSERT_LE(text.size(), kMaxPictureLength);
    }
}
