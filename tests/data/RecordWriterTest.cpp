#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "app/Workspace.h"
#include "data/RecordWriter.h"
#include "data/TableReader.h"
#include "eof/ScoreFiles.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

std::vector<std::string> CellsOf(const std::string& text)
{
    CellReader reader(text);
    std::vector<std::string> cells;
    std::string cell;
    while (reader.ReadCell(cell)) cells.push_back(cell);
    return cells;
}

// Labels and names come from the user's tables and may hold anything the cell reader let
// through; each must come back from the written file exactly.
const std::vector<std::string> kAwkwardTexts = {
    "plain",         "a\"b",     "\"",       "\"\"",    "say \"hi\"", "\"quoted\"", "x, y",
    "line\r\nbreak", "cr\ronly", "lf\nonly", "a\",\"b", " padded ",   "",           "end quote\"",
};

TEST(RecordWriterTest, TextFieldsReadBackThroughTheCellReader)
{
    RecordWriter w;
    for (const std::string& text : kAwkwardTexts) {
        w.Text(text).Number(1.5);
        w.EndRecord();
    }
    std::vector<std::string> expected;
    for (const std::string& text : kAwkwardTexts) {
        expected.push_back(text);
        expected.push_back("1.5");
    }
    EXPECT_EQ(CellsOf(w.str()), expected);
}

TEST(RecordWriterTest, QuoteInsideATextFieldIsDoubled)
{
    RecordWriter w;
    w.Text("a\"b").Text("x");
    w.EndRecord();
    EXPECT_EQ(w.str(), "\"a\"\"b\",\"x\"\r\n");
}

TEST(RecordWriterTest, NumberThatIsNotFiniteLeavesAnEmptyFieldAndAFlag)
{
    RecordWriter w;
    w.Number(1.5).Single(2.5f);
    EXPECT_TRUE(w.AllFinite());
    w.Number(std::numeric_limits<double>::quiet_NaN())
        .Single(-std::numeric_limits<float>::infinity());
    w.Number(3);
    w.EndRecord();
    EXPECT_FALSE(w.AllFinite());
    EXPECT_EQ(w.str(), "1.5,2.5,,,3\r\n");
}

// Many numbers appended in pieces give the text of one Number() each: separators across
// the pieces, non-finite values as empty fields, records that go on after them.
TEST(RecordWriterTest, NumbersInPiecesEqualOneNumberAtATime)
{
    std::vector<double> values;
    for (int i = 0; i < 200; ++i) values.push_back((i % 7 - 3) * 1.0e-3 * i + i / 3.0);
    values[64] = std::numeric_limits<double>::infinity();
    values[127] = std::numeric_limits<double>::quiet_NaN();
    values[128] = -0.0;
    for (const int count : {0, 1, 63, 64, 65, 129, 200}) {
        RecordWriter pieces, single;
        pieces.Text("label");
        single.Text("label");
        pieces.Numbers(values.data(), count).Number(7).EndRecord();
        for (int i = 0; i < count; ++i) single.Number(values[static_cast<std::size_t>(i)]);
        single.Number(7).EndRecord();
        EXPECT_EQ(pieces.str(), single.str()) << count;
        EXPECT_EQ(pieces.AllFinite(), count <= 64) << count;
    }
    // A record may also start with them.
    RecordWriter first;
    first.Numbers(values.data(), 2).EndRecord();
    EXPECT_EQ(first.str(), "0,0.331333333333333\r\n");
}

// Score rows are written in chunks of rows side by side and joined: every row in its place.
TEST(RecordWriterTest, ScoreFileRowsComeInOrderPastManyChunks)
{
    Workspace ws;
    ws.refTaxonCount = ws.taxonCount = 2;
    ws.refSiteCount = ws.basisRowCount = 1000;
    ws.refTaxonNames = {"", "a", "b"};
    ws.refSiteLabels.assign(1001, "");
    ws.eofContribution = {0, 60, 40};
    ws.taxonLoadings.resize(2, 2);
    ws.refScores.resize(1000, 2);
    for (int s = 1; s <= 1000; ++s) {
        ws.refSiteLabels[static_cast<std::size_t>(s)] = "S" + std::to_string(s);
        ws.refScores(s, 1) = s;
        ws.refScores(s, 2) = -s / 4.0;
    }
    bool finite = true;
    const std::vector<std::string> cells =
        CellsOf(ReferenceScoreFileText(ws, PretreatmentChoice{}, "d (t)", {}, &finite));
    EXPECT_TRUE(finite);
    ASSERT_GE(cells.size(), 3000u);
    const std::vector<std::string> rows(cells.end() - 3000, cells.end());
    for (int s = 1; s <= 1000; ++s) {
        const std::size_t at = static_cast<std::size_t>(s - 1) * 3;
        ASSERT_EQ(rows[at], "S" + std::to_string(s));
        ASSERT_EQ(rows[at + 1], std::to_string(s));
        ASSERT_EQ(std::stod(rows[at + 2]), -s / 4.0);
    }
    // One value that is not finite, in the last chunk, refuses the file.
    ws.refScores(999, 2) = std::numeric_limits<double>::quiet_NaN();
    ReferenceScoreFileText(ws, PretreatmentChoice{}, "d (t)", {}, &finite);
    EXPECT_FALSE(finite);
}

TEST(RecordWriterTest, ScoreFileLabelsWithQuotesCommasAndLineEndsReadBack)
{
    Workspace ws;
    ws.refFileName = "C:\\data\\\"odd\", name.csv";
    ws.refTaxonCount = ws.taxonCount = 1;
    ws.refSiteCount = ws.basisRowCount = 3;
    ws.refTaxonNames = {"corner", "Pinus \"sylvestris\", type"};
    ws.refSiteLabels = {"", "Lake \"A\"", "B,\r\nC", "\""};
    ws.eofContribution = {0, 100};
    ws.taxonLoadings.resize(1, 1);
    ws.refScores.resize(3, 1);
    ws.refScores(2, 1) = -2;

    const std::vector<std::string> loading = CellsOf(LoadingFileText(ws, "d (t)"));
    ASSERT_GE(loading.size(), 5u);
    const std::vector<std::string> loadingTail(loading.begin() + 5, loading.end());
    EXPECT_EQ(loading[4], ws.refFileName);
    EXPECT_EQ(loadingTail,
              (std::vector<std::string>{
                  "No. of reference taxa: ", "1", "No. of reference sites: ", "3", "EOF No.:", "1",
                  "Contribution:", "100", "Pinus \"sylvestris\", type", "0"}));

    const std::vector<std::string> scores =
        CellsOf(ReferenceScoreFileText(ws, PretreatmentChoice{}, "d (t)"));
    ASSERT_GE(scores.size(), 6u);
    const std::vector<std::string> rows(scores.end() - 6, scores.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"Lake \"A\"", "0", "B,\r\nC", "-2", "\"", "0"}));
}

bool IsValidUtf8(const std::string& text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int length = c < 0x80         ? 1
                           : (c >> 5) == 6  ? 2
                           : (c >> 4) == 14 ? 3
                           : (c >> 3) == 30 ? 4
                                            : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
        i += static_cast<std::size_t>(length);
    }
    return true;
}

TEST(DateTimeTextTest, DateIsKeptWholeAndTimeIsTheTwentyFourHourClock)
{
    std::tm morning{};
    morning.tm_hour = 3;
    morning.tm_min = 13;
    morning.tm_sec = 20;
    std::tm afternoon = morning;
    afternoon.tm_hour = 15;
    afternoon.tm_min = 4;
    afternoon.tm_sec = 5;
    EXPECT_EQ(DateTimeText("12/09/26", morning), "12/09/26 (03:13:20)");
    EXPECT_EQ(DateTimeText("12/09/26", afternoon), "12/09/26 (15:04:05)");
    // Dates of East-Asian locales end in multi-byte characters; nothing of them is cut.
    EXPECT_EQ(DateTimeText("2026\xe5\xb9\xb4"
                           "12\xe6\x9c\x88"
                           "09\xe6\x97\xa5",
                           morning),
              "2026\xe5\xb9\xb4"
              "12\xe6\x9c\x88"
              "09\xe6\x97\xa5 (03:13:20)");
    EXPECT_EQ(DateTimeText("", morning), " (03:13:20)");
}

// Sets TZ (and later the locale) for one test and puts both back afterwards.
class LocaleScope {
public:
    LocaleScope()
    {
        if (const char* tz = std::getenv("TZ")) oldTz_ = tz;
        hadTz_ = std::getenv("TZ") != nullptr;
        oldLocale_ = std::setlocale(LC_ALL, nullptr);
        setenv("TZ", "UTC", 1);
        tzset();
    }
    ~LocaleScope()
    {
        std::setlocale(LC_ALL, oldLocale_.c_str());
        if (hadTz_)
            setenv("TZ", oldTz_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::string oldLocale_;
    std::string oldTz_;
    bool hadTz_ = false;
};

// Locales whose time of day is not "HH:MM:SS": twelve-hour clocks and multi-byte unit
// characters. The machine may have none of them installed, so they are compiled from the
// system's locale sources into the build tree when localedef is there.
std::vector<std::string> TestLocales()
{
    const std::string dir = testing::TempPath("test-locales");
    std::filesystem::create_directories(dir);
    std::vector<std::string> names;
    for (const char* name : {"en_US", "ja_JP", "ko_KR", "zh_CN"}) {
        const std::string full = std::string(name) + ".UTF-8";
        if (!std::filesystem::exists(dir + "/" + full)) {
            const std::string command = "localedef -i " + std::string(name) + " -f UTF-8 " + dir +
                                        "/" + full + " >/dev/null 2>&1";
            if (std::system(command.c_str()) != 0) continue;
        }
        names.push_back(full);
    }
    setenv("LOCPATH", dir.c_str(), 1);
    return names;
}

TEST(DateTimeTextTest, TimeIsTheSameInEveryLocaleAndNoCharacterIsCut)
{
    LocaleScope scope;
    const std::time_t when = 20000 * 86400 + 3 * 3600 + 13 * 60 + 20;  // 03:13:20 UTC
    std::vector<std::string> used;
    for (const std::string& name : TestLocales()) {
        if (std::setlocale(LC_ALL, name.c_str()) == nullptr) continue;
        used.push_back(name);
        const std::string text = DateTimeText(when);
        SCOPED_TRACE(name + ": " + text);
        ASSERT_GE(text.size(), 11u);
        EXPECT_EQ(text.substr(text.size() - 11), " (03:13:20)");
        EXPECT_TRUE(IsValidUtf8(text));
        char date[256];
        std::tm local{};
        localtime_r(&when, &local);
        ASSERT_GT(std::strftime(date, sizeof date, "%x", &local), 0u);
        EXPECT_EQ(text.substr(0, text.size() - 11), date);
    }
    unsetenv("LOCPATH");
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(DateTimeText(when).substr(DateTimeText(when).size() - 11), " (03:13:20)");
    if (used.empty())
        GTEST_SKIP() << "no locale with a twelve-hour or multi-byte time could be set up "
                        "(localedef or the locale sources are missing); only the C locale was "
                        "checked";
}

}  // namespace
}  // namespace tarvex
