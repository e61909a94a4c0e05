#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/FossilImport.h"
#include "support/TestFiles.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

Workspace AnalysedReference()
{
    Workspace ws;
    ws.refTaxonCount = ws.taxonCount = 3;
    ws.refTaxonNames = {"", "Pinus", "Betula", "Poaceae"};
    ws.eofVectors.resize(4, 3);
    ws.basisMeans.resize(4, 3);
    ws.basisSDs.resize(4, 3);
    return ws;
}

const std::vector<std::string> kRef = {"", "Pinus", "Betula", "Poaceae"};

TEST(FossilByNameTest, WhichTablesMatchByName)
{
    struct Case {
        std::vector<std::string> fossil;
        std::vector<int> expected;
    };
    const std::vector<Case> cases = {
        {{"", "Betula", "Poaceae", "Pinus"}, {0, 3, 1, 2}},  // another order
        {{"", " poaceae ", "PINUS"}, {0, 2, 0, 1}},          // a subset, case and blanks
        {{"", "Pinus", "Betula"}, {0, 1, 2, 0}},             // a subset in order
        {{"", "Pinus", "Betula", "Poaceae"}, {}},            // already by position
        {{"", "pinus", "betula", "poaceae"}, {}},            // by position, other case
        {{"", "Betula", "Pinus", "Corylus"}, {}},            // a name the reference lacks
        {{"", "Betula", "betula", "Pinus"}, {}},             // one taxon twice
        {{"", "Pinus-1", "Betula", "Poaceae"}, {}},          // nothing but case and blanks
        {{"", "Betula", "Pinus", "Poaceae", "Alnus"}, {}},   // more columns
    };
    for (const Case& c : cases)
        EXPECT_EQ(MatchTaxaByName(kRef, 3, c.fossil, static_cast<int>(c.fossil.size()) - 1),
                  c.expected)
            << c.fossil[1] << "," << c.fossil[2];
    // A reference naming one taxon twice cannot say which column a fossil name means.
    EXPECT_TRUE(
        MatchTaxaByName({"", "Pinus", "PINUS", "Betula"}, 3, {"", "Betula", "Pinus"}, 2).empty());
}

TEST(FossilByNameTest, YesReordersAndRecordsTheMatching)
{
    Workspace ws = AnalysedReference();
    const std::string path = WriteTemp("fossil_byname.csv", ",poaceae,Pinus\n10,50,50\n20,30,10\n");
    std::vector<std::string> asked;
    const ImportOutcome outcome = ImportFossilTable(
        ws, path, PretreatmentChoice{},
        [&](const std::string& q) { return asked.push_back(q), true; },
        [&](const std::string& q) { return asked.push_back(q), true; });
    ASSERT_TRUE(outcome.ok);
    EXPECT_TRUE(outcome.messages.empty());
    EXPECT_EQ(asked, std::vector<std::string>{kMatchByNameQuestion});
    EXPECT_EQ(ws.fossilTaxonCount, 3);
    EXPECT_EQ(ws.fossilTaxonNames, (std::vector<std::string>{"", "Pinus", "Betula", "poaceae"}));
    EXPECT_EQ(ws.fossilColumnOfTaxon, (std::vector<int>{0, 2, 0, 1}));
    EXPECT_EQ(ws.taxonNameMatches,
              (std::vector<std::string>{"2", "[]/[Betula]", "[poaceae]/[Poaceae]"}));
    EXPECT_EQ(ws.fossilData(2, 1), 10.0);
    EXPECT_EQ(ws.fossilData(2, 2), 0.0);
    EXPECT_EQ(ws.fossilData(2, 3), 30.0);
    EXPECT_EQ(ws.fossilProportions(2, 3), 0.75);
}

TEST(FossilByNameTest, NoContinuesExactlyAsByPosition)
{
    // Another order: No brings the position questions of every differing column, as before.
    const std::string permuted =
        WriteTemp("fossil_permuted.csv", ",Betula,Pinus,Poaceae\n10,1,2,3\n20,4,5,6\n");
    std::vector<std::string> withNo, without;
    Workspace a = AnalysedReference(), b = AnalysedReference();
    ASSERT_TRUE(ImportFossilTable(
                    a, permuted, PretreatmentChoice{},
                    [&](const std::string& q) { return withNo.push_back(q), true; },
                    [&](const std::string& q) { return withNo.push_back(q), false; })
                    .ok);
    ASSERT_TRUE(ImportFossilTable(b, permuted, PretreatmentChoice{}, [&](const std::string& q) {
                    return without.push_back(q), true;
                }).ok);
    ASSERT_FALSE(withNo.empty());
    EXPECT_EQ(withNo.front(), kMatchByNameQuestion);
    EXPECT_EQ(std::vector<std::string>(withNo.begin() + 1, withNo.end()), without);
    EXPECT_EQ(without, (std::vector<std::string>{NameQuestion("Betula", "Pinus"),
                                                 NameQuestion("Pinus", "Betula")}));
    EXPECT_EQ(a.fossilData(2, 1), 4.0);  // by position
    EXPECT_EQ(a.taxonNameMatches, b.taxonNameMatches);
    EXPECT_TRUE(a.fossilColumnOfTaxon.empty());

    // A subset: No ends in the count message, as a table of fewer taxa always did.
    Workspace c = AnalysedReference();
    const ImportOutcome subset =
        ImportFossilTable(c, WriteTemp("fossil_subset.csv", ",Betula,Pinus\n10,1,2\n20,4,5\n"),
                          PretreatmentChoice{}, {}, [](const std::string&) { return false; });
    EXPECT_FALSE(subset.ok);
    EXPECT_EQ(subset.messages, std::vector<std::string>{kParameterNumberMessage});
    EXPECT_EQ(c.fossilTaxonCount, 0);
}

}  // namespace
}  // namespace tarvex
