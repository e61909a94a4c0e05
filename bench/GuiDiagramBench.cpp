// One full redraw of the fossil diagram (taxa panel, cursor, EOF panel) for a long sequence:
// it runs on every scroll step, style change and envelope change, so it must feel instant.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "app/App.h"
#include "app/frmMain.h"
#include "diagram/DiagramLayout.h"
#include "diagram/frmDiagram.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace {

// A fossil sequence of `samples` x `taxa` proportions with a few dominant taxa, as real
// sequences have, and every seventh sample outside the envelope.
void FillSequence(tarvex::Workspace& ws, int samples, int taxa)
{
    tarvex::UniformRandom rng;
    ws.fossilSampleCount = static_cast<int16_t>(samples);
    ws.fossilTaxonCount = ws.refTaxonCount = ws.taxonCount = static_cast<int16_t>(taxa);
    ws.fossilProportions.resize(samples, taxa);
    ws.fossilScores.resize(samples, taxa);
    ws.fossilSampleLabels.assign(1, "");
    ws.fossilTaxonNames.assign(1, "");
    for (int t = 1; t <= taxa; ++t) ws.fossilTaxonNames.push_back("Taxon " + std::to_string(t));
    ws.fossilSampleEmpty.assign(static_cast<std::size_t>(samples) + 1, false);
    ws.fossilOutside.assign(static_cast<std::size_t>(samples) + 1, false);
    for (int i = 1; i <= samples; ++i) {
        ws.fossilSampleLabels.push_back(std::to_string(10 * i + (i % 3)));
        double total = 0;
        for (int t = 1; t <= taxa; ++t) {
            const double v = rng.Next() * (t <= 5 ? 30 : 2);
            ws.fossilProportions(i, t) = v;
            total += v;
        }
        for (int t = 1; t <= taxa; ++t) {
            ws.fossilProportions(i, t) /= total;
            ws.fossilScores(i, t) = 4 * rng.Next() - 2;
        }
        ws.fossilOutside[i] = i % 7 == 0;
    }
    const float quarter = static_cast<float>(samples / 4);
    ws.diagramScaleTop = 10 - quarter;
    ws.diagramScaleHeight = 2 * quarter + 10.0f * samples - 10;
    const tarvex::DiagramColumns c =
        tarvex::ComputeDiagramColumns(ws.fossilProportions, samples, taxa);
    ws.diagramColumnLeft = c.left;
    ws.lastColumnMax = c.lastColumnMax;
    ws.selectedAxes = {0, 1, 2, 3};
}

void BM_DiagramRedraw(benchmark::State& state)
{
    const auto style = static_cast<tarvex::DiagramStyle>(state.range(0));
    tarvex::ScriptedDialogs dialogs;
    tarvex::App app(dialogs);
    app.endProgram = [] {};
    FillSequence(app.ws(), 500, 100);
    tarvex::frmDiagram& d = app.diagram();
    d.resize(1400, 900);
    d.show();
    QApplication::processEvents();
    d.SetStyle(style);
    for (auto _ : state) d.DrawDiagram();
    const char* names[] = {"bar", "curve", "area"};
    const tarvex::DiagramColumns columns{app.ws().diagramColumnLeft, app.ws().lastColumnMax};
    int visible = 0;
    for (int t = 1; t <= 100; ++t) visible += tarvex::ColumnVisible(columns, t, 0) ? 1 : 0;
    state.SetLabel(std::string(names[state.range(0)]) + ", 500 samples x 100 taxa, " +
                   std::to_string(d.Picture1->width()) + "x" +
                   std::to_string(d.Picture1->height()) + " px, " + std::to_string(visible) +
                   " columns in view");
}

}  // namespace

BENCHMARK(BM_DiagramRedraw)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
