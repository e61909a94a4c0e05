// One full redraw of the score plots (taxa plot, site plot and the fossil path) as the 3-D
// rotation does it on every whole-degree step; it has to stay well under the 10 ms timer.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QRadioButton>

#include "app/App.h"
#include "app/frmMain.h"
#include "ui/PictureBox.h"
#include "ui/ScriptedDialogs.h"

namespace {

// A workspace that looks like a finished analysis of `sites` sites and `samples` samples.
void FillAnalysis(tarvex::Workspace& ws, int sites, int samples, int taxa)
{
    tarvex::UniformRandom rng;
    ws.refSiteCount = static_cast<int16_t>(sites);
    ws.fossilSampleCount = static_cast<int16_t>(samples);
    ws.taxonCount = ws.refTaxonCount = static_cast<int16_t>(taxa);
    ws.taxonLoadings.resize(taxa, taxa);
    ws.refScores.resize(sites, taxa);
    ws.fossilScores.resize(samples, taxa);
    ws.refTaxonNames.assign(static_cast<std::size_t>(taxa) + 1, "Taxon");
    ws.refSiteLabels.assign(static_cast<std::size_t>(sites) + 1, "Site");
    ws.fossilSampleLabels.assign(static_cast<std::size_t>(samples) + 1, "100");
    ws.fossilSampleEmpty.assign(static_cast<std::size_t>(samples) + 1, false);
    ws.fossilOutside.assign(static_cast<std::size_t>(samples) + 1, false);
    ws.refSiteOnHull.assign(static_cast<std::size_t>(sites) + 1, false);
    for (int t = 1; t <= taxa; ++t)
        for (int k = 1; k <= taxa; ++k) ws.taxonLoadings(t, k) = 4 * rng.Next() - 2;
    for (int s = 1; s <= sites; ++s)
        for (int k = 1; k <= taxa; ++k) ws.refScores(s, k) = 4 * rng.Next() - 2;
    for (int j = 1; j <= samples; ++j) {
        for (int k = 1; k <= taxa; ++k) ws.fossilScores(j, k) = 4 * rng.Next() - 2;
        ws.fossilOutside[j] = j % 7 == 0;
    }
    ws.eofDone = ws.projectionDone = true;
}

void BM_FullRedraw(benchmark::State& state)
{
    const bool threeD = state.range(0) != 0;
    const bool stereo = state.range(1) != 0;
    tarvex::ScriptedDialogs dialogs;
    tarvex::App app(dialogs);
    app.endProgram = [] {};
    tarvex::frmMain& m = app.main();
    for (tarvex::PictureBox* p : {m.Picture1[0], m.Picture1[1], m.Picture2[0], m.Picture2[1]})
        p->resize(480, 480);
    FillAnalysis(app.ws(), 2000, 300, 30);
    m.Option4[threeD ? 1 : 0]->setChecked(true);
    m.Check2->setChecked(true);
    m.Check1->setChecked(stereo);
    m.Option3[2]->setChecked(true);
    for (auto _ : state) m.RedrawPlots();
    state.SetLabel(std::string(threeD ? "3-D" : "2-D") + (stereo ? " stereo" : "") +
                   ", 2000 sites, 300 samples");
}

}  // namespace

BENCHMARK(BM_FullRedraw)->Args({0, 0})->Args({1, 0})->Args({1, 1})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
