#include "controls/entry/MessageTables.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

// The records of a message table as its resource holds them.
std::vector<Byte> Table(const std::vector<std::pair<int, std::string>>& records) {
    std::vector<Byte> data;
    for (const auto& [number, text] : records) {
        data.push_back(static_cast<Byte>(number & 0xFF));
        data.push_back(static_cast<Byte>(number >> 8));
        data.insert(data.end(), text.begin(), text.end());
        data.push_back(0);
    }
    return data;
}

TResourceModule ModuleWith(const std::string& name, const std::vector<Byte>& data) {
    return TResourceModule({{name, data.data(), data.size()}});
}

// Every "[NAME]" section of the message-table text, as number -> text.
std::map<std::string, std::map<int, std::string>> SourceTables() {
    std::ifstream in(std::string(VANTREL_SOURCE_DIR) + "/controls/entry/VcStrings.txt");
    std::map<std::string, std::map<int, std::string>> tables;
    std::string line, section;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (line.front() == '[') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t tab = line.find('\t');
        tables[section][std::stoi(line.substr(0, tab))] = line.substr(tab + 1);
    }
    return tables;
}

TEST(VcMsgTables, EveryMessageNumberReturnsItsText) {
    const auto tables = SourceTables();
    ASSERT_EQ(tables.size(), 2u);
    const auto& controls = tables.at("VC_STRINGS_ENGLISH");
    EXPECT_EQ(controls.size(), 76u + 16u + 73u + 25u + 4u + 1u);
    for (const auto& [number, text] : controls)
        EXPECT_EQ(GetVcString(number), text) << number;
    for (const auto& [number, text] : tables.at("VCRES_STRINGS"))
        EXPECT_EQ(LoaderStrings().GetString(number), text) << number;
}

TEST(VcMsgTables, SampleTexts) {
    EXPECT_EQ(GetVcString(33768), "ccNone");
    EXPECT_EQ(GetVcString(33768 + 75), "ccWordRight");
    EXPECT_EQ(GetVcString(33768 + 58), "ccSetMarker0");
    EXPECT_EQ(GetVcString(34068 + 15), "Time");
    EXPECT_EQ(GetVcString(34203), "Invalid range. Enter a value between (%d) and (%d)");
    EXPECT_EQ(GetVcString(34271), "Delete the \"%s\" table?");
    EXPECT_EQ(GetVcString(34285), " - Desc");
    EXPECT_EQ(GetVcString(34368), "Y");
    EXPECT_EQ(GetVcString(34371), "F");
    EXPECT_EQ(GetVcString(1), "");
    EXPECT_EQ(GetVcString(34167), "");
}

TEST(TpsStringResourceScan, StopsAtAnEmptyText) {
    const auto data = Table({{10, "A"}, {11, ""}, {12, "B"}});
    TResourceModule module = ModuleWith("T", data);
    TpsStringResource strings("T", "", module);
    EXPECT_EQ(strings.GetString(10), "A");
    EXPECT_EQ(strings.GetString(12), "");
    EXPECT_EQ(strings.GetString(11), "");
}

TEST(TpsStringResourceScan, BrokenDataStaysInside) {
    const std::vector<Byte> unterminated = {5, 0, 'a', 'b', 'c'};
    TResourceModule module = ModuleWith("T", unterminated);
    TpsStringResource strings("T", "", module);
    EXPECT_EQ(strings.GetString(5), "abc");
    EXPECT_EQ(strings.GetString(6), "");
    const std::vector<Byte> shortRecord = {5, 0, 'a', 0, 6};
    TResourceModule module2 = ModuleWith("T", shortRecord);
    TpsStringResource strings2("T", "", module2);
    EXPECT_EQ(strings2.GetString(6), "");
    TResourceModule empty = TResourceModule({{"T", nullptr, 0}});
    TpsStringResource strings3("T", "", empty);
    EXPECT_EQ(strings3.GetString(1), "");
}

TEST(TpsStringResourceCache, RepeatedNumbersDoNotRescan) {
    const auto data = Table({{1, "one"}, {2, "two"}});
    TResourceModule module = ModuleWith("T", data);
    TpsStringResource strings("T", "", module);
    EXPECT_EQ(strings.GetString(2), "two");
    EXPECT_EQ(strings.GetString(2), "two");
    EXPECT_EQ(module.LockCount(), 1);
    EXPECT_EQ(strings.GetString(3), "");
    EXPECT_EQ(strings.GetString(3), "");
    EXPECT_EQ(module.LockCount(), 3); // texts not found are not cached
}

TEST(TpsStringResourceCache, KeepsTheLatestTexts) {
    std::vector<std::pair<int, std::string>> records;
    for (int n = 1; n <= 60; ++n)
        records.push_back({n, "text " + std::to_string(n)});
    const auto data = Table(records);
    TResourceModule module = ModuleWith("T", data);
    TpsStringResource strings("T", "", module);
    for (int n = 1; n <= 50; ++n)
        strings.GetString(n);
    EXPECT_EQ(strings.CacheCount(), 50);
    EXPECT_EQ(strings.GetString(51), "text 51");
    EXPECT_EQ(strings.CacheCount(), 45);
    const int locks = module.LockCount();
    strings.GetString(7); // kept
    EXPECT_EQ(module.LockCount(), locks);
    strings.GetString(6); // among the first six, dropped
    EXPECT_EQ(module.LockCount(), locks + 1);
}

TEST(TpsStringResourceOpen, SuffixFallbackAndMissingTables) {
    const auto data = Table({{34368, "J"}});
    TResourceModule plain = ModuleWith("VC_STRINGS", data);
    TpsStringResource strings("VC_STRINGS", "_ENGLISH", plain);
    EXPECT_EQ(strings.GetString(34368), "J");
    TResourceModule none = ModuleWith("OTHER", data);
    try {
        TpsStringResource missing("VC_STRINGS", "_ENGLISH", none);
        FAIL() << "no exception";
    } catch (const ETpsStringResourceError& e) {
        EXPECT_STREQ(e.what(), "String resource not found: VC_STRINGS");
    }
    TpsStringResource unnamed("", "", none);
    EXPECT_EQ(unnamed.GetString(1), "");
}

TEST(TpsStringResourceOpen, ReportErrorRaisesForUnknownNumbers) {
    const auto data = Table({{1, "one"}});
    TResourceModule module = ModuleWith("T", data);
    TpsStringResource strings("T", "", module);
    strings.SetReportError(true);
    EXPECT_EQ(strings.GetString(1), "one");
    try {
        strings.GetString(99);
        FAIL() << "no exception";
    } catch (const ETpsStringResourceError& e) {
        EXPECT_STREQ(e.what(), "String not found: 99");
    }
}

TEST(VcMsgAlphaCharSet, LettersAndTheirCompanions) {
    const TCharSet& set = AlphaCharSet();
    for (unsigned char c : {' ', ',', '-', '.', 'A', 'Z', 'a', 'z'})
        EXPECT_TRUE(set.Contains(c));
    for (unsigned char c : {'0', '9', '!', '@', '_', '\0'})
        EXPECT_FALSE(set.Contains(c));
    for (int c : {0xC0, 0xC9, 0xD6, 0xD8, 0xDF, 0xE9, 0xFF, 0x8A, 0x9A, 0x9F, 0xAA, 0xBA})
        EXPECT_TRUE(set.Contains(static_cast<unsigned char>(c))) << c;
    for (int c : {0x80, 0xA3, 0xD7, 0xF7, 0xA9, 0xB0}) // euro, pound, times, divide, (c), degree
        EXPECT_FALSE(set.Contains(static_cast<unsigned char>(c))) << c;
}

} // namespace
