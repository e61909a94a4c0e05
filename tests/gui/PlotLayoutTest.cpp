#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <algorithm>

#include "app/App.h"
#include "app/frmMain.h"
#include "eof/frmCorrelVar.h"
#include "support/TestFiles.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

class PlotLayoutTest : public ::testing::Test {
protected:
    PlotLayoutTest() : app(dialogs)
    {
        app.endProgram = [] {};
    }
    ~PlotLayoutTest() override { m().hide(); }
    frmMain& m() { return app.main(); }
    void Settle() { QApplication::processEvents(); }
    void Analyse()
    {
        dialogs.QueueOpenFile(kExamples + "reference.csv");
        m().Command5->click();
        app.correlVar().Command1->click();
    }
    std::vector<PictureBox*> VisiblePlots()
    {
        std::vector<PictureBox*> plots;
        for (PictureBox* p : {m().Picture1[0], m().Picture1[1], m().Picture2[0], m().Picture2[1]})
            if (p->isVisible()) plots.push_back(p);
        return plots;
    }
    ScriptedDialogs dialogs;
    App app;
};

// The longest share of a row near the middle, and of a column, that is dark: the two axes
// run through the origin, which the square user scale puts in the middle of the surface.
// Dots lying on an axis break it up a little, never by half.
struct AxisShare {
    double row = 0, column = 0;
};
AxisShare AxesThroughTheMiddle(const QImage& image)
{
    AxisShare share;
    const int cx = image.width() / 2, cy = image.height() / 2;
    for (int d = -2; d <= 2; ++d) {
        int row = 0, column = 0;
        for (int i = 0; i < image.width(); ++i)
            row += image.pixelColor(i, cy + d).lightness() < 100 ? 1 : 0;
        for (int i = 0; i < image.height(); ++i)
            column += image.pixelColor(cx + d, i).lightness() < 100 ? 1 : 0;
        share.row = std::max(share.row, static_cast<double>(row) / image.width());
        share.column = std::max(share.column, static_cast<double>(column) / image.height());
    }
    return share;
}

TEST_F(PlotLayoutTest, PlotsAreSquareAtEverySizeAndInStereo)
{
    m().show();
    for (const QSize size :
         {QSize(1400, 760), QSize(1100, 900), QSize(1900, 600), QSize(1300, 700)}) {
        for (bool stereo : {false, true}) {
            SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()) +
                         (stereo ? " stereo" : ""));
            m().Check1->setChecked(stereo);
            m().resize(size);
            Settle();
            const std::vector<PictureBox*> plots = VisiblePlots();
            ASSERT_EQ(plots.size(), stereo ? 4u : 2u);
            for (PictureBox* p : plots) {
                EXPECT_NEAR(p->width(), p->height(), 1);
                EXPECT_EQ(p->size(), plots[0]->size()) << "all surfaces the same square";
                EXPECT_GE(p->width(), 240);
            }
        }
    }
}

TEST_F(PlotLayoutTest, ResizingDrawsThePlotsAgainForTheNewSize)
{
    Analyse();
    m().show();
    m().resize(1300, 700);
    Settle();
    for (const QSize size : {QSize(1700, 950), QSize(1250, 620), QSize(1500, 800)}) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        m().resize(size);
        Settle();
        for (PictureBox* p : {m().Picture1[0], m().Picture2[0]}) {
            const QImage image = p->picture();
            ASSERT_EQ(image.size(), p->size());
            const AxisShare axes = AxesThroughTheMiddle(image);
            EXPECT_GT(axes.row, 0.5) << "the x axis runs through the middle of the new surface";
            EXPECT_GT(axes.column, 0.5) << "the y axis runs through the middle";
        }
    }
}

TEST_F(PlotLayoutTest, StereoOffGivesBackTheWidthItTook)
{
    Analyse();
    m().show();
    for (const int width : {1400, 1600, 2000}) {
        m().resize(width, 760);
        Settle();
        const int before = m().width();
        m().Check1->setChecked(true);
        Settle();
        // It grows as far as the screen lets it, and at least to fit four squares.
        EXPECT_GE(m().width(), before) << width;
        EXPECT_EQ(m().Picture1[1]->size(), m().Picture1[0]->size());
        m().Check1->setChecked(false);
        Settle();
        EXPECT_EQ(m().width(), before) << width;
    }
}

}  // namespace
}  // namespace tarvex
