#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <functional>
#include <sstream>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/CalibModel.h"
#include "calib/CalibRegions.h"
#include "calib/frmAbout2.h"
#include "calib/frmCC.h"
#include "calib/frmCalib.h"
#include "data/NumberText.h"
#include "data/TableReader.h"
#include "eof/frmCorrelVar.h"
#include "mat/Histogram.h"
#include "mat/frmMAT.h"
#include "settings/frmColor.h"
#include "settings/frmPrintSetup.h"
#include "support/Batch.h"
#include "support/CalibrationPath.h"
#include "support/Pdf.h"
#include "support/Records.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// Vest-Vobs pairs around y = 0.8 x + 1 over the example's range of Tcold: an asymmetric
// error model, so that a transposed index shows.
std::string AsymmetricPairs()
{
    std::ostringstream s;
    s << "Estimated,Observed\r\n";
    for (int i = 0; i < 60; ++i) {
        const double x = -24 + 0.45 * i;
        const double wobble = ((i * 7) % 5 - 2) * 0.6;
        s << FormatNumber(x) << "," << FormatNumber(0.8 * x + 1 + wobble) << "\r\n";
    }
    return s.str();
}

class CalibTest : public ::testing::Test {
protected:
    CalibTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    Workspace& ws() { return app.ws(); }

    // The example data up to the error model of the reconstruction window.
    frmMAT& ErrorModel()
    {
        frmMAT& r = ReachErrorModel(app, dialogs);
        EXPECT_TRUE(ws().errorModelShown);
        return r;
    }
    frmCalib& Meridan()
    {
        frmMAT& r = ErrorModel();
        EXPECT_TRUE(r.Command6->isEnabled());
        r.Command6->click();
        EXPECT_TRUE(app.calibLoaded());
        return app.calib();
    }
    frmCalib& Generated()
    {
        frmCalib& c = Meridan();
        c.Check4->click();
        c.Command3->click();
        EXPECT_TRUE(c.stages().drawn[8]);
        return c;
    }
    static void Settle()
    {
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QApplication::processEvents();
    }
    static QRgb Pixel(PictureBox* p, double x, double y)
    {
        return p->picture().pixel(static_cast<int>(p->MapX(x)), static_cast<int>(p->MapY(y)));
    }
    static QRgb Rgb(Colour c) { return qRgb(RedOf(c), GreenOf(c), BlueOf(c)); }
    static void Edit(QLineEdit* box, const QString& text)
    {
        box->setText(text);
        emit box->textEdited(text);
        emit box->editingFinished();
    }

    ScriptedDialogs dialogs;
    App app;
};

TEST_F(CalibTest, MeridanOpensTheWindowWithTheReconstructionsPairs)
{
    frmCalib& c = Meridan();
    frmMAT& r = app.mat();
    EXPECT_TRUE(c.isVisible());
    EXPECT_EQ(c.windowTitle(), "Meridan 3.0");
    EXPECT_TRUE(ws().calibWindowOpen);
    ASSERT_EQ(ws().calibMatrices.size(), 9u);
    EXPECT_EQ(c.Text1->text(), r.Text1->text());
    EXPECT_EQ(c.Text2->text(), r.Text2->text());
    EXPECT_EQ(c.Label4[0]->text(), "68.2");
    EXPECT_EQ(c.Label4[1]->text(), "95.4");
    EXPECT_EQ(c.Slider1->value(), 682);
    EXPECT_EQ(c.Slider2->value(), 954);
    EXPECT_EQ(c.Slider3->value(), 10);
    EXPECT_EQ(c.Slider5->value(), 2);
    EXPECT_EQ(c.Slider6->value(), 1);
    EXPECT_EQ(c.Label7->text(), "10");
    EXPECT_EQ(c.Label23->text(), "Threshold: 2 sample(s)");
    EXPECT_EQ(c.Label24->text(), "Threshold: 1 sample(s)");
    EXPECT_EQ(c.Label14[0]->text(), "Tcold(Reconstructed)");
    EXPECT_EQ(c.Label15[0]->text(), "Tcold(Estimated)");
    EXPECT_EQ(c.Label12[0]->text().toInt(), c.pairs(0).pairCount);
    EXPECT_GT(c.pairs(0).pairCount, 100);
    EXPECT_EQ(c.Label12[1]->text(), "0");
    EXPECT_EQ(c.Label1[0]->text(), c.Text1->text());
    EXPECT_EQ(c.Label2[0]->text(), c.Text2->text());
    EXPECT_TRUE(c.Check2->isChecked());
    EXPECT_TRUE(c.Check6->isChecked());
    EXPECT_FALSE(c.Slider4->isVisible());
    EXPECT_FALSE(c.Label22->isVisible());

    // Figure 1 shows data set 0; nothing can run before data set 1 or a generated model.
    EXPECT_TRUE(c.stages().drawn[1]);
    EXPECT_TRUE(c.Check4->isEnabled());
    EXPECT_FALSE(c.Command3->isEnabled());
    EXPECT_FALSE(c.Command10->isEnabled());
    EXPECT_FALSE(c.Check1->isEnabled());
    for (int n = 2; n <= 8; ++n) EXPECT_FALSE(c.stages().drawn[n]) << n;
    for (PictureBox* p : c.Picture2) EXPECT_FALSE(p->isEnabled());
    for (QAction* a : {c.mnuSaveCommon, c.mnuSaveProb, c.mnuSaveConf}) EXPECT_FALSE(a->isEnabled());
    emit c.mnuCopy->aboutToShow();
    for (int n = 1; n <= 8; ++n) EXPECT_EQ(c.mnuCopyFig[n - 1]->isEnabled(), n == 1) << n;

    // Every complete pair is a dot at its place in the range.
    const double low = Val(c.Text1->text().toStdString());
    const double high = Val(c.Text2->text().toStdString());
    const calib::PairSet& set = c.pairs(0);
    int checked = 0;
    for (std::size_t i = 1; i < set.rows.size() && checked < 20; ++i) {
        const calib::PairRow& row = set.rows[i];
        if (!row.Complete() || row.x <= low || row.x >= high || row.y <= low || row.y >= high)
            continue;
        const double x = (row.x - low) * 1875 / (high - low);
        const double y = 1875 - (row.y - low) * 1875 / (high - low);
        EXPECT_EQ(Pixel(c.Picture1[0], x, y), Rgb(ws().colours.schemeColour6.Value())) << i;
        ++checked;
    }
    EXPECT_GT(checked, 5);

    // Opening it again keeps what it holds.
    r.Command6->click();
    EXPECT_EQ(&app.calib(), &c);
    EXPECT_TRUE(c.stages().drawn[1]);
}

TEST_F(CalibTest, GeneratedModelStartAndReturnPaintTheReconstructionWindow)
{
    frmCalib& c = Meridan();
    frmMAT& r = app.mat();
    c.Check4->click();
    EXPECT_TRUE(c.stages().generateModel);
    EXPECT_TRUE(c.Slider4->isVisibleTo(&c));
    EXPECT_EQ(c.Label22->text(), "Std.Dev.: 5 % of range");
    EXPECT_EQ(c.Label17->text(), "y = x");
    EXPECT_EQ(c.Label19->text().toStdString(), FormatSingle(ws().rangeWidth * 5 / 100));
    EXPECT_EQ(c.Label15[1]->text(), "Error model");
    EXPECT_EQ(c.Label21[1]->text(), "Generated error model");
    EXPECT_FALSE(c.Command1[1]->isEnabled());
    EXPECT_EQ(c.Command3->geometry(), c.Picture3[1]->geometry());
    EXPECT_TRUE(c.Command3->isEnabled());
    EXPECT_TRUE(c.stages().drawn[3]);
    EXPECT_TRUE(c.Picture2[1]->isEnabled());  // figure 4 is next

    c.Command3->click();
    for (int n : {1, 3, 4, 5, 6, 7, 8}) EXPECT_TRUE(c.stages().drawn[n]) << n;
    EXPECT_FALSE(c.Command3->isEnabled());
    EXPECT_TRUE(c.Command10->isEnabled());
    EXPECT_TRUE(c.Check2->isEnabled());
    for (QAction* a : {c.mnuSaveCommon, c.mnuSaveProb, c.mnuSaveConf}) EXPECT_TRUE(a->isEnabled());
    EXPECT_FALSE(c.ProgressBar1->isVisible());

    // The window computed exactly what the chain computes on the same data.
    Workspace copy = ws();
    calib::PairSet set1;
    calib::ChainSettings settings;
    settings.generateModel = true;
    ASSERT_TRUE(calib::RunChain(copy, c.pairs(0), set1, settings, false).ok);
    for (int slot : {calib::kErrorModel, calib::kProbability, calib::kRegionFlags})
        for (int a = 0; a <= 250; a += 5)
            for (int b = 0; b <= 250; ++b)
                ASSERT_EQ(ws().calibMatrices[slot](a, b), copy.calibMatrices[slot](a, b))
                    << slot << " " << a << " " << b;

    // Figure 8 shows the regions; the cell (125, b) of the inner region has region colour 1.
    int inner = -1;
    for (int b = 25; b <= 225 && inner < 0; ++b)
        if (std::fabs(ws().calibMatrices[calib::kRegionFlags](125, b)) == 2) inner = b;
    ASSERT_GT(inner, 0);
    PictureBox* fig8 = c.Picture2[5];
    fig8->ClearOverlay();
    EXPECT_EQ(Pixel(fig8, frmCalib::CellX(125), frmCalib::CellY(inner)),
              Rgb(static_cast<Colour>(ws().regionColour[0])));

    c.Command10->click();
    EXPECT_TRUE(ws().calibReturned);
    EXPECT_TRUE(r.Picture4->isVisible());
    EXPECT_TRUE(r.Command4->isEnabled());
    EXPECT_TRUE(r.mnuCopy4->isEnabled());
    EXPECT_TRUE(c.isVisible());  // the window stays open
    const auto& m = ws().calibMatrices;
    EXPECT_EQ(m[calib::kReturnedMatrix](125, inner),
              m[calib::kRegionFlags](125, inner) + m[calib::kProbability](125, inner));
    r.Command2->click();
    EXPECT_EQ(r.Command2->text(), "Calib: Yes");

    // "Confidence" paints the regions in their colours on the reconstruction window's panel.
    r.Option4[1]->click();
    const QImage panel = r.Picture4->persistentPicture();
    r.Picture4->Scale(25, 225, 200, -200);
    EXPECT_EQ(panel.pixel(static_cast<int>(r.Picture4->MapX(125)),
                          static_cast<int>(r.Picture4->MapY(inner))),
              Rgb(static_cast<Colour>(ws().regionColour[0])));

    // The enhancement slider recolours the probability display here and the calibration's
    // figures there.
    r.Option4[0]->click();
    const QRgb dim = r.Picture4->persistentPicture().pixel(
        static_cast<int>(r.Picture4->MapX(125)), static_cast<int>(r.Picture4->MapY(inner)));
    const QRgb fig3 = Pixel(c.Picture2[0], frmCalib::CellX(125), frmCalib::CellY(125));
    r.Slider5->setValue(150);
    EXPECT_FLOAT_EQ(ws().zEnhancement, 1.5f);
    r.Picture4->Scale(25, 225, 200, -200);
    EXPECT_NE(r.Picture4->persistentPicture().pixel(static_cast<int>(r.Picture4->MapX(125)),
                                                    static_cast<int>(r.Picture4->MapY(inner))),
              dim);
    EXPECT_NE(Pixel(c.Picture2[0], frmCalib::CellX(125), frmCalib::CellY(125)), fig3);
    EXPECT_TRUE(ws().calibReturned);

    // Any change in the calibration takes the returned result back.
    c.Slider6->setValue(3);
    EXPECT_TRUE(c.stages().drawn[8]);  // rerun at once
    EXPECT_FALSE(ws().calibReturned);
    EXPECT_FALSE(r.Picture4->isVisible());
    EXPECT_FALSE(r.Command4->isEnabled());
    EXPECT_FALSE(r.mnuCopy4->isEnabled());
    r.Command2->click();
    EXPECT_EQ(r.Command2->text(), "Calib: No");
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(CalibTest, AsymmetricVestVobsFileDrivesTheErrorModel)
{
    frmCalib& c = Meridan();
    const std::string path = WriteTemp("calib-asymmetric.csv", AsymmetricPairs());
    dialogs.QueueOpenFile(path);
    c.Command1[1]->click();
    EXPECT_TRUE(c.stages().drawn[2]);
    EXPECT_EQ(c.Label12[1]->text(), "60");
    EXPECT_EQ(c.Label21[1]->text().toStdString(), path);
    EXPECT_EQ(c.Label17->text().toStdString(), calib::FittedLineText(c.pairs(1).fit));
    EXPECT_NE(c.pairs(1).fit.slope, 1.0f);
    EXPECT_TRUE(c.Check1->isEnabled());
    EXPECT_TRUE(c.Picture2[0]->isEnabled());
    EXPECT_TRUE(c.Command3->isEnabled());

    // The fitted line runs from the left to the right edge of figure 2, in red.
    c.Check1->click();
    const double low = Val(c.Text1->text().toStdString());
    const double k = c.pairs(1).fit.slope, d = c.pairs(1).fit.intercept;
    const double y0 = (1 - (k * low + d - low) / ws().rangeWidth) * 1875;
    EXPECT_EQ(Pixel(c.Picture1[1], 0, y0), Rgb(RGB(255, 0, 0)));

    // A click on figure 3 runs the whole chain.
    c.FigureClicked(3);
    for (int n = 3; n <= 8; ++n) EXPECT_TRUE(c.stages().drawn[n]) << n;
    Workspace copy = ws();
    calib::PairSet set1 = c.pairs(1);
    ASSERT_TRUE(calib::RunChain(copy, c.pairs(0), set1, calib::ChainSettings(), false).ok);
    for (int a = 0; a <= 250; a += 3)
        for (int b = 0; b <= 250; ++b)
            ASSERT_EQ(ws().calibMatrices[calib::kProbability](a, b),
                      copy.calibMatrices[calib::kProbability](a, b));

    // Figure 3 peaks where the fitted line puts the observed value of each estimated one, not
    // at the transposed cell.
    const Matrix<float>& e = ws().calibMatrices[calib::kErrorModel];
    const int t = 60;
    int peak = 0;
    for (int s = 0; s <= 250; ++s)
        if (e(t, s) > e(t, peak)) peak = s;
    const double value = ws().gridOrigin + ws().gridStep * t;
    const int expected =
        static_cast<int>(std::lround(((k * value + d) - ws().gridOrigin) / ws().gridStep));
    EXPECT_NEAR(peak, expected, 1);
    EXPECT_NE(peak, t);
    const Colour peakColour =
        ColourOfValue(ws().colours, e(t, peak) * ws().rangeWidth / 20 * ws().zEnhancement);
    EXPECT_EQ(Pixel(c.Picture2[0], frmCalib::CellX(t), frmCalib::CellY(peak)), Rgb(peakColour));

    // Generating a model and leaving that mode again gives data set 1 back with its own fit.
    c.Check4->click();
    EXPECT_EQ(c.pairs(1).fit.slope, 1.0f);
    c.Check4->click();
    EXPECT_FALSE(c.stages().generateModel);
    EXPECT_EQ(c.pairs(1).fit.slope, static_cast<float>(k));
    EXPECT_EQ(c.Label17->text().toStdString(), calib::FittedLineText(c.pairs(1).fit));
    EXPECT_EQ(c.Label12[1]->text(), "60");
    EXPECT_EQ(c.Command3->geometry(), c.Picture3[0]->geometry());
    EXPECT_TRUE(c.Command1[1]->isEnabled());
    EXPECT_TRUE(c.stages().drawn[2]);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(CalibTest, ImportsThatCannotServeAreRefusedAndChangeNothing)
{
    frmCalib& c = Meridan();
    // Two pairs on a line leave no residual: no error model can be built from them.
    const std::string flat = WriteTemp("calib-perfect.csv", "E,O\r\n1,2\r\n3,4\r\n");
    dialogs.QueueOpenFile(flat);
    c.Command1[1]->click();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_FALSE(c.stages().drawn[2]);
    EXPECT_EQ(c.Label12[1]->text(), "0");
    EXPECT_FALSE(c.Command3->isEnabled());

    // Cells that are not pairs are refused before anything is read.
    const std::string three = WriteTemp("calib-three.csv", "E,O\r\n1,2,3\r\n");
    dialogs.QueueOpenFile(three);
    c.Command1[0]->click();
    ASSERT_EQ(dialogs.MessageTexts().size(), 2u);
    EXPECT_TRUE(c.stages().drawn[1]);
    EXPECT_EQ(c.Label14[0]->text(), "Tcold(Reconstructed)");

    // A cancelled dialog changes nothing and says nothing.
    const std::size_t shown = dialogs.records.size();
    dialogs.QueueOpenFile(std::nullopt);
    c.Command1[1]->click();
    EXPECT_EQ(dialogs.records.size(), shown + 1);  // the open dialog itself
    EXPECT_EQ(dialogs.MessageTexts().size(), 2u);
}

TEST_F(CalibTest, PairFileFindingsAreShownAfterTheImportAndUtf16IsRefused)
{
    frmCalib& c = Meridan();
    // Line 3 holds text, line 4 a value single precision cannot hold: the file is taken as
    // read, and the data check says so once, after the figure is drawn.
    const std::string flawed =
        WriteTemp("calib-flawed.csv", "E,O\r\n1,1.5\r\n2,warm\r\n3,1e39\r\n4,4.5\r\n5,4.8\r\n");
    dialogs.QueueOpenFile(flawed);
    c.Command1[1]->click();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.records.back().title, "Data check");
    const std::string text = dialogs.MessageTexts()[0];
    EXPECT_NE(text.find("line 3, \"warm\""), std::string::npos) << text;
    EXPECT_NE(text.find("1 line holds a value beyond the range of single precision and was left "
                        "out: line 4"),
              std::string::npos)
        << text;
    EXPECT_TRUE(c.stages().drawn[2]);
    EXPECT_EQ(c.Label12[1]->text(), "4");

    // UTF-16 is refused with its reason, and the data set stays as it was.
    std::string utf16 = "\xFF\xFE";
    for (const char ch : std::string("E,O\r\n1,2\r\n2,3\r\n3,5\r\n"))
        utf16 += std::string{ch, '\0'};
    dialogs.QueueOpenFile(WriteTemp("calib-utf16.csv", utf16));
    c.Command1[1]->click();
    ASSERT_EQ(dialogs.MessageTexts().size(), 2u);
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_EQ(dialogs.MessageTexts()[1].rfind(kUtf16Message, 0), 0u) << dialogs.MessageTexts()[1];
    EXPECT_EQ(c.Label12[1]->text(), "4");
}

TEST_F(CalibTest, RangeEditsInvalidateAndEqualEndsAreRefused)
{
    frmCalib& c = Generated();
    frmMAT& r = app.mat();
    c.Command10->click();
    ASSERT_TRUE(ws().calibReturned);
    const QString low = c.Text1->text(), high = c.Text2->text();

    // Typing the other end's value: the last texts come back at once, without a word.
    Edit(c.Text2, low);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
    EXPECT_EQ(c.Text2->text(), high);
    EXPECT_NE(ws().gridStep, 0);
    EXPECT_FALSE(ws().calibReturned);
    EXPECT_FALSE(r.Picture4->isVisible());
    for (int n = 3; n <= 8; ++n) EXPECT_FALSE(c.stages().drawn[n]) << n;
    // Leaving the model mode with the range change, Start waits for data set 1.
    EXPECT_FALSE(c.stages().generateModel);
    EXPECT_FALSE(c.Command3->isEnabled());

    // Equal ends left in a box: the message and the last texts back.
    c.Text2->setText(low);
    emit c.Text2->editingFinished();
    EXPECT_EQ(dialogs.MessageTexts(), std::vector<std::string>{"Please set valid range."});
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_EQ(c.Text2->text(), high);

    // An empty end keeps the model switch and the figures unavailable.
    c.Text1->setText("");
    emit c.Text1->textEdited("");
    EXPECT_FALSE(c.Command3->isEnabled());
    EXPECT_FALSE(c.Check4->isEnabled());
    for (PictureBox* p : c.Picture2) EXPECT_FALSE(p->isEnabled());

    // A new range gives a new grid once the box is left.
    Edit(c.Text1, "-30");
    dialogs.records.clear();
    EXPECT_FLOAT_EQ(static_cast<float>(ws().gridStep),
                    static_cast<float>((Val(high.toStdString()) + 30) / 200));
    EXPECT_EQ(c.Label1[0]->text(), "-30");
    EXPECT_TRUE(c.Check4->isEnabled());
    c.Check4->click();
    EXPECT_TRUE(c.Command3->isEnabled());
    c.Command3->click();
    EXPECT_TRUE(c.stages().drawn[8]);

    // That result belongs to another range than the reconstruction window shows: no return.
    c.Command10->click();
    EXPECT_FALSE(ws().calibReturned);
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.MessageTexts()[0].rfind("The calibration range (-30 to ", 0), 0u);

    // The reconstruction window's range reaches the open window and invalidates its result.
    r.Text1->setText("-20");
    emit r.Text1->textEdited("-20");
    EXPECT_EQ(c.Text1->text(), "-20");
    EXPECT_FALSE(c.stages().drawn[8]);
    EXPECT_FLOAT_EQ(static_cast<float>(ws().gridStep),
                    static_cast<float>((Val(high.toStdString()) + 20) / 200));
}

TEST_F(CalibTest, SettingsRerunTheirStagesAndCoefficientDialogsSetTheSliders)
{
    frmCalib& c = Generated();
    const float level = ws().regionLevel(125, 0);

    c.Slider3->setValue(4);
    EXPECT_EQ(c.Label7->text(), "4");
    EXPECT_TRUE(c.stages().drawn[8]);
    Workspace copy = ws();
    calib::PairSet set1;
    calib::ChainSettings settings;
    settings.generateModel = true;
    settings.smoothingLevel = 4;
    ASSERT_TRUE(calib::RunChain(copy, c.pairs(0), set1, settings, false).ok);
    for (int b = 0; b <= 250; ++b)
        ASSERT_EQ(ws().calibMatrices[calib::kSmoothedModel](125, b),
                  copy.calibMatrices[calib::kSmoothedModel](125, b));

    // "Skip": figure 6 stays empty and its flag clear, the rest is computed again.
    c.Check5->click();
    EXPECT_FALSE(c.stages().drawn[6]);
    EXPECT_TRUE(c.stages().drawn[8]);
    EXPECT_EQ(ws().calibMatrices[calib::kRowNormalised](125, 125),
              ws().calibMatrices[calib::kSmoothedModel](125, 125));
    c.Check5->click();
    c.Slider3->setValue(10);
    EXPECT_EQ(ws().regionLevel(125, 0), level);

    // Coefficient 1 typed as 90: label, slider and regions follow.
    c.OpenCoefficientDialog(0);
    ASSERT_TRUE(c.cc1());
    EXPECT_TRUE(c.coefficientDialogOpen(0));
    EXPECT_EQ(c.cc1()->windowTitle(), "New confidence coefficient (%)");
    EXPECT_EQ(c.cc1()->Label1->text(), "Coefficient 1 (default = 68.2)");
    EXPECT_EQ(c.cc1()->Text1->text(), "68.2");
    c.cc1()->Text1->setText("90");
    c.cc1()->Command1->click();
    EXPECT_FALSE(c.coefficientDialogOpen(0));
    EXPECT_EQ(c.Label4[0]->text(), "90");
    EXPECT_EQ(c.Slider1->value(), 900);
    copy = ws();
    calib::ComputeRegions(copy, 900, 954);
    EXPECT_EQ(ws().regionLevel(125, 0), copy.regionLevel(125, 0));
    EXPECT_NE(ws().regionLevel(125, 0), level);

    // 99.95 behaves as 100 %; the label keeps what was typed. Activating the window applies
    // the typed text as "OK" does.
    c.OpenCoefficientDialog(1);
    EXPECT_EQ(c.cc2()->Label1->text(), "Coefficient 2 (default = 95.4)");
    c.cc2()->Text1->setText("99.95");
    c.Activate();
    EXPECT_FALSE(c.coefficientDialogOpen(1));
    EXPECT_EQ(c.Label4[1]->text(), "99.95");
    EXPECT_EQ(c.Slider2->value(), 1000);
    ASSERT_NE(ws().modeIndex[125], -9999);
    for (int b = 25; b <= 225; ++b)
        ASSERT_GE(std::fabs(ws().calibMatrices[calib::kRegionFlags](125, b)), 1.0f) << b;

    // Text that is no number is 0 %; beyond 100 % is taken as 100 %.
    c.OpenCoefficientDialog(0);
    c.cc1()->Text1->setText("many");
    c.cc1()->close();
    EXPECT_EQ(c.Label4[0]->text(), "0");
    EXPECT_EQ(c.Slider1->value(), 0);
    c.OpenCoefficientDialog(0);
    c.cc1()->Text1->setText("150");
    c.cc1()->Command1->click();
    EXPECT_EQ(c.Label4[0]->text(), "100");
    EXPECT_EQ(c.Slider1->value(), 1000);

    // Unticking "Show mode" leaves the regions and takes the red line away.
    c.Check2->click();
    EXPECT_FALSE(c.Check2->isChecked());
    EXPECT_TRUE(c.stages().drawn[8]);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(CalibTest, SavedFileIsTheBatchFileAndFailuresAreReported)
{
    frmCalib& c = Generated();
    const std::string path = TempPath("calib-window.csv");
    std::remove(path.c_str());
    dialogs.QueueSaveFile(path);
    c.mnuSaveCommon->trigger();
    const std::string saved = ReadAll(path);
    ASSERT_FALSE(saved.empty());
    std::istringstream lines(saved);
    std::string line;
    int count = 0;
    std::vector<std::string> records;
    while (std::getline(lines, line)) records.push_back(line), ++count;
    EXPECT_EQ(count, 217);
    EXPECT_EQ(records[6], "\"Original file2: \",\"N/A\"\r");
    EXPECT_EQ(records[7], "\"Alternative: \",\"Model\"\r");
    EXPECT_EQ(records[8], "\"Std. Dev. (% of range): \",5\r");

    const std::string out = TempPath("calib-window-batch");
    const BatchResult b =
        Batch({"--reference", kExamples + "reference.csv", "--fossil", kExamples + "fossil.csv",
               "--climate", kExamples + "climate.csv", "--calibrate", "--out", out});
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(saved, ReadAll(out + "/calibration.csv"));

    // A folder that does not exist: the message, and nothing claimed.
    dialogs.QueueSaveFile(TempPath("no-such-folder/x.csv"));
    c.mnuFigSave[0]->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    EXPECT_EQ(dialogs.records.back().title, "Error");
    EXPECT_NE(dialogs.MessageTexts()[0].find("could not be written"), std::string::npos);
}

TEST_F(CalibTest, ResetsOfTheReconstructionWindowCloseTheCalibration)
{
    frmCalib& c = Generated();
    frmMAT& r = app.mat();
    c.Command10->click();
    c.mnuAbout->trigger();
    ASSERT_TRUE(c.aboutOpen());
    EXPECT_EQ(c.about()->windowTitle(), "About Meridan 3.0");
    EXPECT_NE(c.about()->findChild<QLabel*>("aboutTitle")->text().indexOf("Meridan 3.0"), -1);
    c.OpenCoefficientDialog(0);

    // Another parameter: the window, its dialogs and the returned result go.
    ASSERT_GT(r.Combo1->count(), 1);
    r.Combo1->setCurrentIndex(1);
    emit r.Combo1->activated(1);
    Settle();
    EXPECT_FALSE(app.calibLoaded());
    EXPECT_FALSE(ws().calibWindowOpen);
    EXPECT_FALSE(ws().calibReturned);
    EXPECT_FALSE(r.Picture4->isVisible());

    // Opened for the new parameter, it shows that parameter's pairs.
    r.Command3->click();
    r.Command6->click();
    ASSERT_TRUE(app.calibLoaded());
    EXPECT_EQ(app.calib().Label14[0]->text().toStdString(),
              ws().climateParamNames[2] + "(Reconstructed)");

    // A setting of the search resets the reconstruction window and unloads the calibration.
    r.Slider2->setValue(r.Slider2->value() + 5);
    Settle();
    EXPECT_FALSE(app.calibLoaded());
    EXPECT_FALSE(ws().calibWindowOpen);

    // "Close" and closing the reconstruction window.
    r.Command3->click();
    r.Command6->click();
    app.calib().Command2->click();
    Settle();
    EXPECT_FALSE(app.calibLoaded());
    EXPECT_FALSE(ws().calibWindowOpen);
    r.Command6->click();
    ASSERT_TRUE(app.calibLoaded());
    r.close();
    Settle();
    EXPECT_FALSE(app.calibLoaded());
    EXPECT_FALSE(app.matLoaded());
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(CalibTest, FiguresRefuseNothingTheyCannotDoAndSurviveResizing)
{
    frmCalib& c = Meridan();
    // Commands of the menus before any result: refused or disabled, never silent success.
    c.SaveMatrix();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    c.FigureClicked(5);
    c.FigureClicked(8);
    c.Start();
    c.Return();
    EXPECT_FALSE(ws().calibReturned);
    for (int n = 3; n <= 8; ++n) EXPECT_FALSE(c.stages().drawn[n]);

    c.Check4->click();
    c.Command3->click();
    // The trimmed probability of cell (125, 125), wherever the figure's size puts it.
    const Matrix<int32_t> colours = calib::TrimmedProbabilityColours(ws());
    const QRgb expected = Rgb(colours(100, 100));
    EXPECT_EQ(Pixel(c.Picture2[4], frmCalib::CellX(125), frmCalib::CellY(125)), expected);
    c.resize(c.width() + 200, c.height() + 150);
    QApplication::processEvents();
    EXPECT_GT(c.Picture2[4]->width(), 201);
    EXPECT_EQ(c.Picture2[4]->width(), c.Picture2[4]->height());
    PictureBox* fig7 = c.Picture2[4];
    const auto cellPixel = [fig7](int a, int b) {
        const double w = fig7->width() / 201.0, h = fig7->height() / 201.0;
        return fig7->picture().pixel(static_cast<int>((a - 25 + 0.5) * w),
                                     static_cast<int>((225 - b + 0.5) * h));
    };
    EXPECT_EQ(cellPixel(125, 125), expected);
    // Below one pixel per cell a neighbouring cell may stand for it.
    c.resize(c.minimumSize());
    QApplication::processEvents();
    bool neighbour = false;
    for (int a = 124; a <= 126; ++a)
        for (int b = 124; b <= 126; ++b)
            neighbour = neighbour || cellPixel(125, 125) == Rgb(colours(a - 25, b - 25));
    EXPECT_TRUE(neighbour);

    // Right button on figure 7: copy, save and details follow the drawn state.
    emit c.Picture2[4]->contextMenuRequested(QPoint(0, 0));
    EXPECT_TRUE(c.mnuFigCopy[6]->isEnabled());
    EXPECT_TRUE(c.mnuFigSave[0]->isEnabled());
    c.mnuFig[6]->hide();
    c.mnuFigCopy[6]->trigger();
    EXPECT_EQ(QApplication::clipboard()->image().size(), c.Picture2[4]->picture().size());
}

TEST_F(CalibTest, PrintOptionsApplyAtOnceAndCancelRestoresAllFive)
{
    frmCalib& c = Meridan();
    EXPECT_FLOAT_EQ(ws().print.printDotSize, 6);
    EXPECT_FLOAT_EQ(ws().print.printFrameThickness, 3);
    EXPECT_FLOAT_EQ(ws().print.printZoom, 1);
    EXPECT_FLOAT_EQ(ws().print.printFontSize, 10);
    c.mnuPrintOptions->trigger();
    frmPrintSetup* p = c.printSetup();
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->isVisible());
    EXPECT_TRUE(c.Check3->isChecked());
    EXPECT_EQ(p->windowTitle(), "Print options");
    EXPECT_EQ(p->Text3->text(), "100");
    const auto type = [](QLineEdit* box, const QString& text) {
        box->setText(text);
        emit box->textEdited(text);
    };
    type(p->Text3, "150");
    EXPECT_FLOAT_EQ(ws().print.printZoom, 1.5f);
    type(p->Text3, "");
    EXPECT_FLOAT_EQ(ws().print.printZoom, 0);
    type(p->Text1, "4");
    type(p->Text2, "2");
    type(p->Text4, "12");
    type(p->Text5, "Core V12-122");
    EXPECT_EQ(ws().print.printTitle, "Core V12-122");
    p->Command2->click();
    EXPECT_FALSE(p->isVisible());
    EXPECT_FLOAT_EQ(ws().print.printZoom, 1);
    EXPECT_FLOAT_EQ(ws().print.printDotSize, 6);
    EXPECT_FLOAT_EQ(ws().print.printFrameThickness, 3);
    EXPECT_FLOAT_EQ(ws().print.printFontSize, 10);
    EXPECT_EQ(ws().print.printTitle, "");

    c.mnuPrintOptions->trigger();
    type(p->Text5, "Tcold calibration");
    type(p->Text3, "80");
    p->Command1->click();
    c.mnuPrintOptions->trigger();
    EXPECT_EQ(p->Text5->text(), "Tcold calibration");
    EXPECT_EQ(p->Text3->text(), "80");
    c.Command2->click();  // closing the window closes the dialog, keeping its values
    EXPECT_FALSE(p->isVisible());
    EXPECT_EQ(ws().print.printTitle, "Tcold calibration");
}

TEST_F(CalibTest, PrintedPageHoldsTheTitleTheTextsAndTheFigures)
{
    frmCalib& c = Generated();
    ws().print.printTitle = "Tcold calibration, example core";
    const std::string pdf = TempPath("calib-print.pdf");
    std::remove(pdf.c_str());
    dialogs.QueuePrinterPdf(pdf);
    c.mnuPrint->trigger();
    ASSERT_TRUE(dialogs.MessageTexts().empty());

    const QString words = PdfText(pdf, true);
    EXPECT_TRUE(words.contains("Tcold calibration, example core"));
    // (Text extraction joins "fi" into one glyph and blanks into one.)
    EXPECT_TRUE(words.contains(QRegularExpression("1: +68.2 %")));
    EXPECT_TRUE(words.contains(QRegularExpression("Z-axis enhancement: +100 %")));
    EXPECT_TRUE(words.contains("Y: Error model"));
    EXPECT_TRUE(words.contains("N1 = " + c.Label12[0]->text()));
    // No caption is printed without its value: data set 0 came from the reconstruction window,
    // not from a file, and a generated model has no pair count or correlation. The groups of
    // the two figures and of the settings stand apart.
    const QStringList lines = words.split('\n');
    int figure2 = -1, settings = -1;
    for (int k = 0; k < lines.size(); ++k) {
        const QString line = lines[k].trimmed();
        EXPECT_NE(line, "File:");
        EXPECT_NE(line, "N2 =");
        EXPECT_NE(line, "R2 =");
        if (line == "Figure 2") figure2 = k;
        if (line.startsWith("Smoothing level:")) settings = k;
    }
    ASSERT_GT(figure2, 0);
    ASSERT_GT(settings, 0);
    EXPECT_TRUE(lines[figure2 - 1].trimmed().isEmpty()) << lines[figure2 - 1].toStdString();
    EXPECT_TRUE(lines[settings - 1].trimmed().isEmpty()) << lines[settings - 1].toStdString();
    EXPECT_TRUE(lines[figure2 + 1].contains("File: Generated error model"));

    EXPECT_EQ(PdfPageCount(pdf), 1);

    // The figures: the inner region's colour is on the page, and nothing touches its edges.
    const QImage page = PdfFirstPage(pdf, 50, TempPath("calib-print"));
    ASSERT_FALSE(page.isNull());
    int inner = 0;
    int left = page.width(), right = 0, top = page.height(), bottom = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb p = page.pixel(x, y);
            if (std::abs(qRed(p) - 200) < 12 && qGreen(p) > 240 && std::abs(qBlue(p) - 200) < 12)
                ++inner;
            if (qGray(p) < 250) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    EXPECT_GT(inner, 50);
    EXPECT_GT(left, 0);
    EXPECT_GT(top, 0);
    EXPECT_LT(right, page.width() - 1);
    EXPECT_LT(bottom, page.height() - 1);

    // A cancelled printer dialog prints nothing and says nothing.
    dialogs.QueuePrinterCancel();
    c.mnuPrint->trigger();
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(CalibTest, StrativBuildsTheHistogramAndTheMatrixFilesMatchTheBatch)
{
    frmCalib& c = Generated();
    frmMAT& r = app.mat();
    EXPECT_FALSE(r.Command4->isEnabled());
    r.SaveStrativ();  // nothing to save yet: refused
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    c.Command10->click();
    ASSERT_TRUE(r.Command4->isEnabled());
    r.Command4->click();
    EXPECT_TRUE(ws().histBuilt);
    EXPECT_FALSE(r.Command4->isEnabled());
    EXPECT_TRUE(r.mnuSaveStrativ->isEnabled());
    EXPECT_TRUE(r.mnuCopy3->isEnabled());
    EXPECT_EQ(ws().histLevels, 200 * r.Picture3->height() / r.Picture3->width());
    r.Command5->click();
    EXPECT_EQ(r.Command5->text(), "Hist: Yes");

    // Both files are the batch's for the same settings, but for the time they were written.
    const std::string meridan = TempPath("window-meridan.csv");
    const std::string strativ = TempPath("window-strativ.csv");
    dialogs.QueueSaveFile(meridan);
    r.mnuSaveMeridan->trigger();
    dialogs.QueueSaveFile(strativ);
    r.mnuSaveStrativ2->trigger();
    ASSERT_EQ(dialogs.MessageTexts().size(), 1u);
    const std::string out = TempPath("window-matrices-batch");
    const BatchResult b =
        Batch({"--reference", kExamples + "reference.csv", "--fossil", kExamples + "fossil.csv",
               "--climate", kExamples + "climate.csv", "--calibrate", "--out", out});
    ASSERT_EQ(b.status, 0) << b.err;
    for (const auto& [mine, theirs] : {std::pair{meridan, out + "/meridan-matrix.csv"},
                                       {strativ, out + "/strativ-matrix.csv"}}) {
        std::istringstream a(ReadAll(mine)), e(ReadAll(theirs));
        std::string la, le;
        int lines = 0, differing = 0;
        while (std::getline(e, le)) {
            ASSERT_TRUE(std::getline(a, la)) << mine;
            ++lines;
            if (la != le) ++differing;
        }
        EXPECT_FALSE(std::getline(a, la)) << mine;
        EXPECT_GT(lines, 200) << mine;
        EXPECT_LE(differing, 1) << mine;  // the date and time
    }

    // A new smoothing takes only the histogram back; Strativ builds it again.
    r.Slider6->setValue(r.Slider6->value() + 1);
    EXPECT_FALSE(ws().histBuilt);
    EXPECT_TRUE(ws().calibReturned);
    EXPECT_TRUE(r.Command4->isEnabled());
    EXPECT_FALSE(r.mnuSaveStrativ->isEnabled());
    r.Command4->click();
    EXPECT_TRUE(ws().histBuilt);

    // "Confidence" paints the histogram's cells in the region colours.
    r.Option4[1]->click();
    const QImage panel = r.Picture3->persistentPicture();
    int inner = 0;
    for (int y = 0; y < panel.height(); ++y)
        for (int x = 0; x < panel.width(); ++x)
            if (panel.pixel(x, y) == Rgb(static_cast<Colour>(ws().regionColour[0]))) ++inner;
    EXPECT_GT(inner, 100);

    // A change in the calibration takes both back.
    c.Slider5->setValue(3);
    EXPECT_FALSE(ws().histBuilt);
    EXPECT_FALSE(ws().calibReturned);
    EXPECT_FALSE(r.Command4->isEnabled());
}

TEST_F(CalibTest, ColourSettingsCloseWithTheCalibrationWindow)
{
    struct Case {
        const char* what;
        std::function<void(frmCalib&)> close;
    };
    const Case cases[] = {
        {"Close", [](frmCalib& c) { c.Command2->click(); }},
        {"&Quit", [](frmCalib& c) { c.mnuQuit->trigger(); }},
        {"Return", [](frmCalib& c) { c.Command10->click(); }},
        {"unload", [](frmCalib& c) { c.close(); }},
    };
    for (const Case& k : cases) {
        ScriptedDialogs script;
        App fresh(script);
        fresh.endProgram = [] {};
        frmCalib& c = ReachCalibration(fresh, script);
        ASSERT_TRUE(c.stages().drawn[8]) << k.what;
        c.mnuColour->trigger();
        ASSERT_TRUE(fresh.colourLoaded()) << k.what;
        ASSERT_TRUE(fresh.colour().isVisible()) << k.what;
        k.close(c);
        Settle();
        EXPECT_FALSE(fresh.colour().isVisible()) << k.what;
        EXPECT_TRUE(script.MessageTexts().empty()) << k.what;
    }
}

TEST_F(CalibTest, MatrixFilesReportTheSmoothingSlidersWhenTheyAreWritten)
{
    // The smoothing as the two header lines of both matrix files give it.
    const auto smoothing = [this](frmMAT& r, bool strativ) {
        const std::string path =
            TempPath(strativ ? "smoothing-strativ.csv" : "smoothing-meridan.csv");
        dialogs.QueueSaveFile(path);
        if (strativ)
            r.SaveStrativ();
        else
            r.SaveMeridan();
        std::pair<std::string, std::string> xy;
        for (const std::vector<std::string>& rec : ReadRecords(ReadAll(path))) {
            if (rec.size() == 2 && rec[0] == "X-smoothing (%): ") xy.first = rec[1];
            if (rec.size() == 2 && rec[0] == "Y-smoothing (%): ") xy.second = rec[1];
        }
        return xy;
    };
    frmCalib& c = Meridan();
    frmMAT& r = app.mat();
    dialogs.QueueOpenFile(WriteTemp("calib-smoothing-pairs.csv", AsymmetricPairs()));
    c.Command1[1]->click();
    c.Slider3->setValue(7);
    c.Command3->click();
    ASSERT_TRUE(c.stages().drawn[8]);
    c.Command10->click();
    r.Command4->click();
    ASSERT_TRUE(ws().histBuilt);

    // The deviation slider belongs to the generated model and takes nothing back outside it:
    // the files give its value at the time they are written.
    c.Slider4->setValue(9);
    ASSERT_TRUE(ws().calibReturned);
    for (bool strativ : {false, true})
        EXPECT_EQ(smoothing(r, strativ), std::make_pair(std::string("7"), std::string("9")))
            << strativ;

    // A closed calibration window is not loaded again with its defaults: the files keep the
    // sliders as they were.
    c.Command2->click();
    Settle();
    ASSERT_FALSE(app.calibLoaded());
    ASSERT_TRUE(ws().calibReturned);
    for (bool strativ : {false, true})
        EXPECT_EQ(smoothing(r, strativ), std::make_pair(std::string("7"), std::string("9")))
            << strativ;
    EXPECT_FALSE(app.calibLoaded());
    EXPECT_TRUE(ws().calibReturned);
    EXPECT_TRUE(dialogs.MessageTexts().empty());
}

TEST_F(CalibTest, StrativMarksTheLevelsTheDisplayRangeCutsOff)
{
    // On the example core the warm upper samples calibrate to values beyond the proposed
    // display range's upper end; the panel marks those levels at its right edge.
    frmCalib& c = Generated();
    frmMAT& r = app.mat();
    c.Command10->click();
    r.Command4->click();
    ASSERT_TRUE(ws().histBuilt);
    const HistogramEdgeLevels cut = HistogramCutLevels(ws());
    ASSERT_FALSE(cut.upper.empty());
    const QImage panel = r.Picture3->picture();
    const QImage cells = r.Picture3->persistentPicture();
    const int x = r.Picture3->PixelWidth() - 2;
    // The panel's scale in levels while the histogram is drawn (the curve's scale is put back).
    const PanelScale v = HistogramVerticalScale(ws());
    const auto row = [&](int level) {
        return static_cast<int>((level - v.top) / v.height * panel.height());
    };
    std::vector<bool> nearCut(static_cast<std::size_t>(panel.height()), false);
    int marked = 0;
    for (int level : cut.upper) {
        const int y = row(level);
        if (y >= 0 && y < panel.height() && panel.pixel(x, y) == qRgb(0, 0, 0)) ++marked;
        for (int dy = -3; dy <= 3; ++dy)
            if (y + dy >= 0 && y + dy < panel.height())
                nearCut[static_cast<std::size_t>(y + dy)] = true;
    }
    EXPECT_GE(marked, static_cast<int>(cut.upper.size()) * 9 / 10);
    // Away from the cut levels the edge shows the cells alone.
    int stray = 0;
    for (int y = 0; y < panel.height(); ++y)
        if (!nearCut[static_cast<std::size_t>(y)] && panel.pixel(x, y) != cells.pixel(x, y) &&
            panel.pixel(x, y) == qRgb(0, 0, 0))
            ++stray;
    EXPECT_EQ(stray, 0);
    EXPECT_TRUE(r.Picture3->toolTip().contains("beyond the display range"));

    // Without a histogram there is nothing to mark.
    r.Slider6->setValue(r.Slider6->value() + 1);
    EXPECT_FALSE(ws().histBuilt);
    EXPECT_TRUE(r.Picture3->toolTip().isEmpty());
}

}  // namespace
}  // namespace tarvex
