// The windows' side of the import checks, the matching by name and the analogue quality:
// what is asked and shown, and that nothing else changes while they are left alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/FossilImport.h"
#include "data/TableChecks.h"
#include "diagram/DiagramLayout.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class ChecksWindowTest : public ::testing::Test {
protected:
    ChecksWindowTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    frmMain& m() { return app.main(); }
    Workspace& ws() { return app.ws(); }
    void ImportReference(const std::string& path)
    {
        dialogs.QueueOpenFile(path);
        m().Command5->click();
    }
    std::vector<DialogKind> Kinds() const
    {
        std::vector<DialogKind> kinds;
        for (const DialogRecord& r : dialogs.records) kinds.push_back(r.kind);
        return kinds;
    }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(ChecksWindowTest, OneWarningAfterAReferenceImportWithFindings)
{
    const std::string path =
        WriteTemp("gui_checks_ref.csv", ",a,b,c\nA,10,20,70\nB,5,5,90\nC,x,50,50\nD,5,5,90\n");
    ImportReference(path);
    ASSERT_EQ(dialogs.records.size(), 2u);
    const DialogRecord& w = dialogs.records[1];
    EXPECT_EQ(w.kind, DialogKind::Warn);
    EXPECT_EQ(w.title, kTableCheckTitle);
    EXPECT_EQ(w.icon, DialogIcon::Warning);
    EXPECT_EQ(w.text,
              "The reference table " + path +
                  " was imported as the table format reads it, but some values need a look:\n\n"
                  "1 value cell is not a number and read as 0 (or as the number it starts with): "
                  "site C, a\n"
                  "1 site repeats an earlier site value for value: D = B");
    // The import went through with the values the table format gives.
    EXPECT_EQ(ws().refSiteCount, 4);
    EXPECT_EQ(ws().refData(3, 1), 0.0);
    EXPECT_TRUE(app.correlVar().isVisible());
}

TEST_F(ChecksWindowTest, ExampleDataImportWithoutAnyNewMessage)
{
    ImportReference(kExamples + "reference.csv");
    app.correlVar().Command1->click();
    dialogs.QueueOpenFile(kExamples + "fossil.csv");
    m().Command6->click();
    ASSERT_TRUE(ws().projectionDone);
    EXPECT_EQ(Kinds(), (std::vector<DialogKind>{DialogKind::Open, DialogKind::Open}));
    EXPECT_TRUE(ws().fossilColumnOfTaxon.empty());
}

// The example sequence with its first two taxa swapped.
std::string SwappedFossil()
{
    const std::string text = ReadAll(kExamples + "fossil.csv");
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(at, end - at);
        const std::size_t c1 = line.find(','), c2 = line.find(',', c1 + 1),
                          c3 = line.find(',', c2 + 1);
        out += line.substr(0, c1 + 1) + line.substr(c2 + 1, c3 - c2 - 1) + "," +
               line.substr(c1 + 1, c2 - c1 - 1) + line.substr(c3) + "\n";
        at = end + 1;
    }
    return WriteTemp("gui_swapped_fossil.csv", out);
}

TEST_F(ChecksWindowTest, NameQuestionComesFirstAndNoKeepsThePositionQuestions)
{
    ImportReference(kExamples + "reference.csv");
    app.correlVar().Command1->click();
    const std::string fossil = SwappedFossil();

    // No, then No to the first position question: the import ends silently, as it always did.
    dialogs.QueueOpenFile(fossil);
    dialogs.QueueAnswer(false);
    dialogs.QueueAnswer(false);
    m().Command6->click();
    ASSERT_EQ(dialogs.records.size(), 4u);
    EXPECT_EQ(dialogs.records[2].text, kMatchByNameQuestion);
    EXPECT_EQ(dialogs.records[2].title, kMatchByNameTitle);
    EXPECT_EQ(dialogs.records[3].text, NameQuestion(ws().refTaxonNames[2], ws().refTaxonNames[1]));
    EXPECT_EQ(dialogs.records[3].title, "Error");
    EXPECT_FALSE(ws().projectionDone);
    EXPECT_TRUE(m().Command6->isEnabled());

    // Yes: one question, and the sequence is the example one.
    dialogs.QueueOpenFile(fossil);
    dialogs.QueueAnswer(true);
    m().Command6->click();
    ASSERT_EQ(dialogs.records.size(), 6u);
    EXPECT_EQ(dialogs.records[5].text, kMatchByNameQuestion);
    ASSERT_TRUE(ws().projectionDone);
    EXPECT_EQ(ws().fossilColumnOfTaxon[1], 2);
    EXPECT_EQ(ws().fossilColumnOfTaxon[2], 1);
    EXPECT_EQ(ws().fossilTaxonNames[1], ws().refTaxonNames[1]);
    EXPECT_EQ(ws().taxonNameMatches, std::vector<std::string>{"0"});
}

TEST_F(ChecksWindowTest, QualityLineAndMarksOnlyWhenAsked)
{
    ImportReference(kExamples + "reference.csv");
    app.correlVar().Command1->click();
    dialogs.QueueOpenFile(kExamples + "fossil.csv");
    m().Command6->click();
    m().Command8->click();
    frmMAT& r = app.mat();
    dialogs.QueueOpenFile(kExamples + "climate.csv");
    r.Command1->click();
    ASSERT_TRUE(ws().reconShown);

    EXPECT_FALSE(r.CheckQuality->isChecked());
    EXPECT_TRUE(r.CheckQuality->isEnabled());
    const int c = ws().currentFossilSample;
    const std::string line = r.QualityLabel->text().toStdString();
    EXPECT_EQ(line.rfind("Closest site: ", 0), 0u) << line;
    EXPECT_NE(line.find("(" + ws().refSiteLabels[ws().closestSite[c]] + ")"), std::string::npos)
        << line;
    EXPECT_NE(line.find("5 % cut-off"), std::string::npos) << line;

    // Off, the curve is the one drawn without any quality figures at all.
    const QImage shown = r.Picture1->picture();
    const std::vector<int> sites = ws().closestSite;
    ws().closestSite.assign(sites.size(), 0);
    r.DrawReconCurve();
    EXPECT_EQ(r.Picture1->picture(), shown);
    ws().closestSite = sites;

    // On, with a cut-off every sample exceeds, each non-empty sample gets its tick.
    ws().analogueCutoffs[1] = 0;
    r.CheckQuality->click();
    const QImage marked = r.Picture1->picture();
    const SampleAxis axis(ws().fossilSampleLabels, ws().fossilSampleCount, ws().fossilTextLabels);
    const double hi = std::stod(r.Text2->text().toStdString());
    const double lo = std::stod(r.Text1->text().toStdString());
    int ticks = 0;
    for (int i = 1; i <= ws().fossilSampleCount; ++i) {
        if (ws().fossilSampleEmpty[i]) continue;
        const QColor at = marked.pixelColor(r.Picture1->PixelX(hi - (hi - lo) * 0.02),
                                            r.Picture1->PixelY(axis.Y(i)));
        ticks += at == QColor(200, 0, 0);
    }
    EXPECT_GE(ticks, ws().fossilSampleCount - 3);  // the curve may cross a tick or two
    r.CheckQuality->click();
    EXPECT_NE(r.Picture1->picture(), marked);
}

}  // namespace
}  // namespace tarvex
