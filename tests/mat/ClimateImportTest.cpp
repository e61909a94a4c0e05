#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/TableReader.h"
#include "mat/ClimateImport.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

const std::string kSite = kSiteNumberMessage;
const std::string kBlank = kBlankCellMessage;
const std::string kFormat = kFormatErrorMessage;

// A workspace whose reference set has the three sites A, B and C.
Workspace ThreeSites()
{
    Workspace ws;
    ws.refSiteCount = 3;
    ws.refSiteLabels = {"", "A", "B", "C"};
    return ws;
}

void ExpectNoClimate(const Workspace& ws)
{
    EXPECT_FALSE(ws.climateLoaded);
    EXPECT_EQ(ws.climateParamCount, 0);
    EXPECT_TRUE(ws.climateParamNames.empty());
    EXPECT_TRUE(ws.climateSiteNames.empty());
    EXPECT_TRUE(ws.climateValues.empty());
    EXPECT_TRUE(ws.climateFileName.empty());
}

// Answers every question with the same reply and keeps what was asked.
struct Asker {
    bool reply = true;
    std::vector<std::string> asked;
    SiteQuestionFn fn()
    {
        return [this](const std::string& q) {
            asked.push_back(q);
            return reply;
        };
    }
};

TEST(ClimateImportTest, MatchingTableImportsSilently)
{
    Workspace ws = ThreeSites();
    const std::string path =
        WriteTemp("climate_ok.csv", "Site,Tjan,Tjul,Pann\nA,-3.5,17,640\nB,1,18.25,0.5\nC,0,0,0\n");
    Asker ask;
    const ImportOutcome outcome = ImportClimateTable(ws, path, ask.fn());
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_TRUE(ask.asked.empty());
    EXPECT_TRUE(ws.climateLoaded);
    EXPECT_EQ(ws.climateParamCount, 3);
    EXPECT_EQ(ws.climateParamNames, (std::vector<std::string>{"Site", "Tjan", "Tjul", "Pann"}));
    EXPECT_EQ(ws.climateSiteNames, (std::vector<std::string>{"", "A", "B", "C"}));
    EXPECT_EQ(ws.climateFileName, path);
    ASSERT_EQ(ws.climateValues.rows(), 3);
    ASSERT_EQ(ws.climateValues.cols(), 3);
    EXPECT_EQ(ws.climateValues(1, 1), -3.5);
    EXPECT_EQ(ws.climateValues(1, 3), 640);
    EXPECT_EQ(ws.climateValues(2, 2), 18.25);
    EXPECT_EQ(ws.climateValues(2, 3), 0.5);
    // The reconstruction's results are not the import's to touch.
    EXPECT_TRUE(ws.reconValues.empty());
}

TEST(ClimateImportTest, NumberLabelsAreAskedAboutOneSiteAtATime)
{
    // 007 in the second row is kept as the text of its value; the third site's label 3
    // equals the reference label and is not asked about.
    const std::string path = WriteTemp("climate_numbers.csv", ",T,P\n1,1.5,2\n007,3,4\n3,5,6\n");
    const auto ThreeSitesLast3 = [] {
        Workspace ws;
        ws.refSiteCount = 3;
        ws.refSiteLabels = {"", "A", "B", "3"};
        return ws;
    };

    Workspace yes = ThreeSitesLast3();
    Asker all;
    ASSERT_TRUE(ImportClimateTable(yes, path, all.fn()).ok);
    EXPECT_EQ(all.asked, (std::vector<std::string>{"Name inconsistent.  [1] = [A]?",
                                                   "Name inconsistent.  [7] = [B]?"}));
    EXPECT_EQ(yes.climateSiteNames, (std::vector<std::string>{"", "1", "7", "3"}));
    EXPECT_EQ(yes.refSiteLabels, (std::vector<std::string>{"", "A", "B", "3"}));
    EXPECT_EQ(yes.climateValues(2, 2), 4);

    // "No" to the first question ends the import there: one question, then the format error
    // in the reconstruction window, nothing at all in the correlation window.
    for (const auto style : {ClimateImportStyle::Reconstruction, ClimateImportStyle::Correlation}) {
        Workspace no = ThreeSitesLast3();
        Asker refuse{false, {}};
        const ImportOutcome outcome = ImportClimateTable(no, path, refuse.fn(), style);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(refuse.asked.size(), 1u);
        EXPECT_EQ(outcome.messages, style == ClimateImportStyle::Reconstruction
                                        ? std::vector<std::string>{kFormat}
                                        : std::vector<std::string>{});
        ExpectNoClimate(no);
    }

    // Without anyone to ask a difference is refused.
    Workspace nobody = ThreeSitesLast3();
    EXPECT_FALSE(ImportClimateTable(nobody, path, {}).ok);
    ExpectNoClimate(nobody);
}

TEST(ClimateImportTest, NameQuestionIsExact)
{
    EXPECT_EQ(SiteNameQuestion("S 1", "s1"), "Name inconsistent.  [S 1] = [s1]?");
    EXPECT_EQ(SiteNameQuestion("", "A"), "Name inconsistent.  [] = [A]?");
}

TEST(ClimateImportTest, FailuresShowTheirMessagesAndStoreNothing)
{
    struct Case {
        const char* name;
        std::string table;
        std::vector<std::string> reconstruction;  // messages of the reconstruction window
        std::vector<std::string> correlation;     // messages of the correlation window
    };
    const Case cases[] = {
        {"one row too many", ",T,P\nA,1,2\nB,3,4\nC,5,6\nD,7,8\n", {kSite, kFormat}, {kSite}},
        // The fourth row is refused as it begins, before its blank cell is read.
        {"row beyond the sites refused before its cells",
         ",T,P\nA,1,2\nB,3,4\nC,5,6\nD,,8\n",
         {kSite, kFormat},
         {kSite}},
        {"one row too few", ",T,P\nA,1,2\nB,3,4\n", {kSite, kFormat}, {kSite}},
        {"number labels, one row too many",
         ",T,P\n1,1,2\n2,3,4\n3,5,6\n4,7,8\n",
         {kSite, kFormat},
         {kSite}},
        // A blank line at the end is a row that begins after the last site.
        {"blank line at the end", ",T,P\nA,1,2\nB,3,4\nC,5,6\n\n", {kSite, kFormat}, {kSite}},
        {"blank cell in the third row", ",T,P\nA,1,2\nB,3,4\nC,,6\n", {kBlank, kFormat}, {kBlank}},
        {"blank cell in the first row", ",T,P\nA,,2\nB,3,4\nC,5,6\n", {kFormat}, {}},
        {"text value in the first row", ",T,P\nA,x,2\nB,3,4\nC,5,6\n", {kFormat}, {}},
        // 12.50 fails the number test, so the header seems to run on to the 3: four columns
        // with number labels, whose first row then holds the text B.
        {"12.50 as the first value", ",T,P\nA,12.50,3\nB,1,2\nC,4,5\n", {kFormat}, {}},
        {"row cut short at the end", ",T,P\nA,1,2\nB,3,4\nC,5\n", {kFormat}, {}},
        {"header only", ",T,P\n", {kFormat}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = WriteTemp("climate_bad.csv", c.table);
        for (const auto style :
             {ClimateImportStyle::Reconstruction, ClimateImportStyle::Correlation}) {
            Workspace ws = ThreeSites();
            Asker ask;
            const ImportOutcome outcome = ImportClimateTable(ws, path, ask.fn(), style);
            EXPECT_FALSE(outcome.ok);
            EXPECT_EQ(outcome.messages, style == ClimateImportStyle::Reconstruction
                                            ? c.reconstruction
                                            : c.correlation);
            EXPECT_TRUE(ask.asked.empty()) << "no name question before the table reads";
            ExpectNoClimate(ws);
        }
    }

    Workspace ws = ThreeSites();
    ASSERT_TRUE(
        ImportClimateTable(ws, WriteTemp("climate_12_5.csv", ",T,P\nA,12.5,3\nB,1,2\nC,4,5\n"), {})
            .ok)
        << "written 12.5 the same table imports";
    EXPECT_EQ(ws.climateValues(1, 1), 12.5);
}

TEST(ClimateImportTest, UnreadableFileAndCancelGiveTheFormatErrorOnlyInTheReconstruction)
{
    for (const auto style : {ClimateImportStyle::Reconstruction, ClimateImportStyle::Correlation}) {
        const std::vector<std::string> expected = style == ClimateImportStyle::Reconstruction
                                                      ? std::vector<std::string>{kFormat}
                                                      : std::vector<std::string>{};
        Workspace ws = ThreeSites();
        const ImportOutcome missing =
            ImportClimateTable(ws, TempPath("climate_no_such_file.csv"), {}, style);
        EXPECT_FALSE(missing.ok);
        EXPECT_EQ(missing.messages, expected);
        ExpectNoClimate(ws);

        const ImportOutcome cancelled = CancelledClimateImport(style);
        EXPECT_FALSE(cancelled.ok);
        EXPECT_EQ(cancelled.messages, expected);
    }
}

TEST(ClimateImportTest, TextValuesAndLabelsAreReportedAndUtf16Refused)
{
    // The values stay what the grammar makes of them (text as 0, 0x10 as 0); the import
    // succeeds and says so once, for either window.
    Workspace ws = ThreeSites();
    const std::string path = WriteTemp(
        "climate_text.csv", "Site,Tjan,Tjul,Pann\nA,-3.5,12,600\nB,abc,warm,0x10\nC,nan,inf,5\n");
    const ImportOutcome outcome = ImportClimateTable(ws, path, {});
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(ws.climateValues(2, 3), 0);
    EXPECT_EQ(ws.climateValues(3, 2), 0);
    ASSERT_EQ(outcome.checks.size(), 2u);
    EXPECT_EQ(outcome.checks[0], "The climate table " + path +
                                     " was imported as the table format reads it, but some "
                                     "values need a look:");
    EXPECT_EQ(outcome.checks[1],
              "5 value cells are not a number and read as 0 (or as the number it starts with): "
              "site B, Tjan; site B, Tjul; site B, Pann; ...");
    EXPECT_EQ(ReadClimateTable(ThreeSites(), path).checks, outcome.checks);
    Workspace clean = ThreeSites();
    const std::string cleanPath = WriteTemp("climate_clean.csv", ",T\nA,-1\nB,-2\nC,-3\n");
    EXPECT_TRUE(ImportClimateTable(clean, cleanPath, {}).checks.empty());

    // A number-labelled table with a text label: kept as written, so the name check sees
    // the difference, and reported.
    Workspace numbered;
    numbered.refSiteCount = 3;
    numbered.refSiteLabels = {"", "1", "2", "3"};
    const ClimateReadOutcome read =
        ReadClimateTable(numbered, WriteTemp("climate_label.csv", ",T\n1,5\n2x,6\n3,7\n"));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.mismatchedSites, std::vector<int>{2});
    EXPECT_EQ(read.table.siteNames[2], "2x");
    ASSERT_EQ(read.checks.size(), 2u);
    EXPECT_EQ(read.checks[1],
              "1 site label is text in a table labelled by numbers: \"2x\" (data row 2)");

    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string(",T\r\nA,1\r\nB,2\r\nC,3\r\n")) utf16 += std::string{c, '\0'};
    const std::string utf16Path = WriteTemp("climate_utf16.csv", utf16);
    for (const auto style : {ClimateImportStyle::Reconstruction, ClimateImportStyle::Correlation}) {
        ws = ThreeSites();
        const ImportOutcome refused = ImportClimateTable(ws, utf16Path, {}, style);
        EXPECT_FALSE(refused.ok);
        EXPECT_EQ(refused.messages, std::vector<std::string>{kUtf16Message});
        EXPECT_NE(refused.reason.find("byte order mark"), std::string::npos);
        ExpectNoClimate(ws);
    }
}

// A table of `params` parameters over the three sites, text or number labels.
std::string WideTable(int params, bool textLabels)
{
    std::string text;
    for (int p = 1; p <= params; ++p) text += ",P" + std::to_string(p);
    text += "\n";
    for (int s = 1; s <= 3; ++s) {
        text += textLabels ? std::string(1, static_cast<char>('A' + s - 1)) : std::to_string(s);
        for (int p = 1; p <= params; ++p) text += "," + std::to_string(p % 7);
        text += "\n";
    }
    return text;
}

TEST(ClimateImportTest, DetectionBufferHoldsAThousandAndOneCells)
{
    struct Case {
        int params;
        bool textLabels;
        bool ok;
    };
    // Text labels: the second row's label sits at cell 2n + 2, which must be at most 1000.
    // Number labels: the probe is cell 2n.
    for (const Case c : {Case{499, true, true}, Case{500, true, false}, Case{500, false, true},
                         Case{501, false, false}}) {
        SCOPED_TRACE(std::to_string(c.params) + (c.textLabels ? " text" : " number"));
        Workspace ws = ThreeSites();
        const std::string path = WriteTemp("climate_wide.csv", WideTable(c.params, c.textLabels));
        const ImportOutcome outcome =
            ImportClimateTable(ws, path, [](const std::string&) { return true; });
        EXPECT_EQ(outcome.ok, c.ok);
        if (c.ok) {
            EXPECT_EQ(ws.climateParamCount, c.params);
            EXPECT_EQ(ws.climateValues(3, c.params), c.params % 7);
        } else {
            EXPECT_EQ(outcome.messages, std::vector<std::string>{kFormat});
            ExpectNoClimate(ws);
        }
    }
}

TEST(ClimateImportTest, ReadReportsDifferingSitesWithoutTouchingTheWorkspace)
{
    Workspace ws = ThreeSites();
    // Site names are compared exactly: case matters.
    const ClimateReadOutcome read =
        ReadClimateTable(ws, WriteTemp("climate_case.csv", ",T\nA,1\nb,2\nC,3\n"));
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(read.mismatchedSites, std::vector<int>{2});
    EXPECT_EQ(read.table.paramCount, 1);
    EXPECT_EQ(read.table.siteNames[2], "b");
    ExpectNoClimate(ws);

    CommitClimateTable(ws, read.table);
    EXPECT_TRUE(ws.climateLoaded);
    EXPECT_EQ(ws.climateSiteNames[2], "b");
    EXPECT_EQ(ws.climateValues(3, 1), 3);
}

TEST(ClimateImportTest, SingleReferenceSiteTakesOneNumberLabelledRow)
{
    Workspace ws;
    ws.refSiteCount = 1;
    ws.refSiteLabels = {"", "1"};
    const std::string one = WriteTemp("climate_one.csv", ",T,P\n1,4,5\n");
    ASSERT_TRUE(ImportClimateTable(ws, one, {}).ok);
    EXPECT_EQ(ws.climateValues(1, 2), 5);

    Workspace two;
    two.refSiteCount = 1;
    two.refSiteLabels = {"", "1"};
    const ImportOutcome outcome =
        ImportClimateTable(two, WriteTemp("climate_two.csv", ",T,P\n1,4,5\n2,6,7\n"), {});
    EXPECT_EQ(outcome.messages, (std::vector<std::string>{kSite, kFormat}));
    ExpectNoClimate(two);
}

}  // namespace
}  // namespace tarvex
