// Drives the windows with scripted dialogs and saves what they show as PNG files, for
// looking at the program on real data without clicking through it by hand.
//   shots OUTDIR REFERENCE FOSSIL [corr|-] [CLIMATE.csv]
#include <QApplication>
#include <QMessageBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <chrono>
#include <cstdio>
#include <string>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmECC.h"
#include "diagram/frmTest.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "settings/frmColor.h"
#include "ui/PictureBox.h"
#include "ui/PictureExport.h"
#include "ui/ScriptedDialogs.h"

using namespace tarvex;

static void Save(QWidget& w, const std::string& path)
{
    QApplication::processEvents();
    w.grab().save(QString::fromStdString(path));
    std::printf("%s\n", path.c_str());
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: shots OUTDIR REFERENCE FOSSIL [corr] [CLIMATE.csv]\n");
        return 2;
    }
    const std::string out = argv[1];
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    frmMain& m = app.main();
    m.show();
    dialogs.QueueOpenFile(std::string(argv[2]));
    m.Command5->click();
    if (argc > 4 && std::string(argv[4]) == "corr") app.correlVar().Option1[0]->setChecked(true);
    app.correlVar().Command1->click();
    dialogs.QueueOpenFile(std::string(argv[3]));
    m.Command6->click();
    m.Command11->click();
    Save(m, out + "/main.png");
    m.Command14->click();
    frmDiagram& d = app.diagram();
    d.Slider1->setValue(d.Slider1->maximum() / 3);
    Save(d, out + "/diagram.png");
    d.SetStyle(DiagramStyle::Curve);
    d.DrawDiagram();
    Save(d, out + "/diagram-curve.png");
    d.resize(700, 480);
    Save(d, out + "/diagram-small.png");
    d.resize(1400, 900);
    Save(d, out + "/diagram-large.png");
    d.resize(1100, 720);
    d.nmuConiss->trigger();
    app.test().RunClustering();
    Save(app.test(), out + "/test-1.png");
    app.test().RunClassicZonation();
    Save(app.test(), out + "/test-classic.png");
    Save(d, out + "/diagram-zones.png");
    std::string climate;
    for (int i = 4; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.size() > 4 && a.substr(a.size() - 4) == ".csv") climate = a;
    }
    if (!climate.empty()) {
        m.Command8->click();
        frmMAT& r = app.mat();
        dialogs.QueueOpenFile(climate);
        r.Command1->click();
        Save(r, out + "/recon.png");
        r.Slider2->setValue(r.Slider2->value() + 10);
        r.Command3->click();
        Save(r, out + "/recon-error-model.png");
        r.Command6->click();
        frmCalib& c = app.calib();
        Save(c, out + "/calib-loaded.png");
        c.Check4->click();
        const auto t0 = std::chrono::steady_clock::now();
        c.Command3->click();
        const auto t1 = std::chrono::steady_clock::now();
        std::printf("calibration Start: %.1f ms\n",
                    std::chrono::duration<double, std::milli>(t1 - t0).count());
        Save(c, out + "/calib-start.png");
        c.Command10->click();
        Save(r, out + "/recon-returned.png");
        r.Command4->click();
        Save(r, out + "/recon-strativ.png");
        r.Option4[1]->click();
        Save(r, out + "/recon-returned-confidence.png");
        // Vector exports of two panels, rendered back to images to set beside the screen's.
        for (const auto& [panel, name] :
             {std::pair{r.Picture1, std::string("curve")}, {r.Picture3, std::string("strativ")},
              {c.Picture2[5], std::string("fig8")}}) {
            panel->picture().save(QString::fromStdString(out + "/export-" + name + "-screen.png"));
            ExportPanelPicture(*panel, out + "/export-" + name + ".svg");
            ExportPanelPicture(*panel, out + "/export-" + name + ".pdf");
            QSvgRenderer svg(QString::fromStdString(out + "/export-" + name + ".svg"));
            QImage image(panel->picture().size(), QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            svg.render(&painter);
            painter.end();
            image.save(QString::fromStdString(out + "/export-" + name + "-svg.png"));
        }
        c.mnuColour->trigger();
        Save(app.colour(), out + "/colour.png");
        app.colour().accept();
        c.Slider3->setValue(4);
        Save(c, out + "/calib-smoothing-4.png");
        c.resize(1100, 1000);
        Save(c, out + "/calib-large.png");
        c.resize(c.minimumWidth(), c.minimumHeight());
        Save(c, out + "/calib-small.png");
        r.resize(r.width(), 480);
        Save(r, out + "/recon-small.png");

        // The chart of figure 7, then its confidence view, with a section off the middle.
        c.FigureClicked(7);
        if (app.chartLoaded()) {
            frmOutPut2& ch = app.chart();
            const auto s0 = std::chrono::steady_clock::now();
            ch.Slider1->setValue(40);
            const auto s1 = std::chrono::steady_clock::now();
            ch.RedrawAll();
            const auto s2 = std::chrono::steady_clock::now();
            std::printf("chart section move: %.1f ms, whole redraw: %.1f ms\n",
                        std::chrono::duration<double, std::milli>(s1 - s0).count(),
                        std::chrono::duration<double, std::milli>(s2 - s1).count());
            Save(ch, out + "/chart.png");
            ch.Option1[1]->click();
            ch.Check1->click();
            ch.Check4->click();
            Save(ch, out + "/chart-confidence.png");
            ch.resize(ch.width() + 300, ch.height() + 200);
            Save(ch, out + "/chart-large.png");
            ch.resize(ch.minimumSize());
            Save(ch, out + "/chart-small.png");
            app.ws().print.printTitle = "Example core: Tcold calibration";
            dialogs.QueuePrinterPdf(out + "/chart-print.pdf");
            ch.PrintClicked();
            dialogs.QueuePrinterPdf(out + "/calib-print.pdf");
            c.PrintWindow();
            std::printf("%s/chart-print.pdf\n%s/calib-print.pdf\n", out.c_str(), out.c_str());
            ch.Close();
        }

        d.mnuECC->trigger();
        frmECC& e = app.ecc();
        Save(e, out + "/ecc.png");
        e.TableMouseMove(2 * 1050 + 100, 45 + 3 * 225 + 100);
        e.TableMouseDown(Qt::LeftButton, 1050 + 100, 45 + 225 + 100);
        d.Check1->setChecked(true);
        Save(e, out + "/ecc-chosen.png");
        e.resize(420, 420);
        Save(e, out + "/ecc-small.png");
        e.resize(900, 700);
        Save(e, out + "/ecc-large.png");
    }
    // The messages the run showed, as the user would have seen them.
    int shown = 0;
    for (const auto& r : dialogs.records) {
        std::printf("dialog: %s\n", r.text.c_str());
        if (r.text.empty() || shown >= 5) continue;
        QMessageBox box(r.icon == DialogIcon::Warning ? QMessageBox::Warning : QMessageBox::Information,
                        QString::fromStdString(r.title), QString::fromStdString(r.text));
        box.setTextFormat(Qt::PlainText);
        box.show();
        Save(box, out + "/message-" + std::to_string(++shown) + ".png");
    }
    return 0;
}
