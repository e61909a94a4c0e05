// The main window's analysis commands: EOF analysis, fossil import and projection, and the
// three result files. The computations themselves are in the core.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>
#include <ctime>

#include "app/App.h"
#include "app/frmMain.h"
#include "data/FossilImport.h"
#include "data/RecordWriter.h"
#include "data/TableChecks.h"
#include "eof/EofAnalysis.h"
#include "eof/ScoreFiles.h"
#include "eof/frmCorrelVar.h"
#include "ui/Dialogs.h"

namespace tarvex {

namespace {
constexpr const char* kDataFileFilter = "DataFile(*.csv)|*.csv";
}

void frmMain::BeginProgress(int maximum)
{
    ProgressBar1->setRange(0, std::max(maximum, 1));
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void frmMain::EndProgress()
{
    ProgressBar1->setValue(0);
    ProgressBar1->hide();
    QApplication::restoreOverrideCursor();
}

void frmMain::ComputeEofs()
{
    Workspace& ws = app_.ws();
    BeginProgress(ws.taxonCount);
    ComputeEofResults(ws, [this](int done, int) {
        ProgressBar1->setValue(done);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    EndProgress();

    // With fewer than three taxa there are not three EOFs to show: the results exist (and
    // can be saved) but the view controls stay off.
    if (!ws.eofDone) return;
    const auto& a = ws.displayAxes;
    DrawTaxaPlot(a[1], a[2], a[3]);
    DrawSitePlot(a[1], a[2], a[3]);
    for (QWidget* w : std::initializer_list<QWidget*>{
             Command6, Option2[0], Option2[1], Option2[2], Option3[0], Option3[1], Option3[2],
             Option4[0], Option4[1], Slider2[1], Slider2[2], Slider3, Check1, Check2, Check3,
             Check4, LabelRotale, LabelTilt, LabelVelocity})
        w->setEnabled(true);
    Command5->setEnabled(false);
    Command6->setFocus();
}

void frmMain::ImportFossilData()
{
    Workspace& ws = app_.ws();
    Timer1->stop();
    const std::optional<std::string> path =
        app_.dialogs().OpenFile(this, "Import fossil data", kDataFileFilter);
    if (!path) {
        RestartRotationIfWanted();
        return;
    }

    const PretreatmentChoice choice = app_.correlVar().CurrentChoice();
    ImportOutcome outcome;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto asker = [this](const char* title) {
            return [this, title](const std::string& question) {
                QApplication::setOverrideCursor(Qt::ArrowCursor);
                const bool yes = app_.dialogs().AskYesNo(this, question, title);
                QApplication::restoreOverrideCursor();
                return yes;
            };
        };
        outcome = ImportFossilTable(ws, *path, choice, asker("Error"), asker(kMatchByNameTitle));
        QApplication::restoreOverrideCursor();
    }
    if (!outcome.ok) {
        for (const std::string& message : outcome.messages)
            app_.dialogs().Warn(this, message, "Error");
        RestartRotationIfWanted();
        return;
    }

    Combo1->clear();
    for (int s = 1; s <= ws.fossilSampleCount; ++s)
        if (!ws.fossilSampleEmpty[s])
            Combo1->addItem(QString::fromStdString(ws.fossilSampleLabels[s]));
    Combo1->setCurrentIndex(Combo1->count() > 0 ? 0 : -1);

    for (QWidget* w :
         std::initializer_list<QWidget*>{Slider1, LabelTight, LabelLoose, Label4, Command14})
        w->setEnabled(true);

    DoProjection();

    Command6->setEnabled(false);
    mnuSaveF->setEnabled(true);
    mnuSaveF2->setEnabled(true);
    Command8->setEnabled(ws.eofDone && ws.projectionDone);
    RestartRotationIfWanted();
    if (!outcome.checks.empty())
        app_.dialogs().Warn(this, TableCheckMessage(outcome.checks), kTableCheckTitle);
}

void frmMain::DoProjection()
{
    Workspace& ws = app_.ws();
    BeginProgress(ws.taxonCount);
    const bool projected =
        ProjectFossil(ws, [this](int done, int) { ProgressBar1->setValue(done); });
    EndProgress();
    if (!projected) return;
    const auto& a = ws.displayAxes;
    DrawFossilSamples(a[1], a[2], a[3]);
    Command11->setEnabled(true);
    // "Reconstruction" needs both completion flags; one or two samples set no projection flag.
    Command8->setEnabled(ws.eofDone && ws.projectionDone);
    for (QRadioButton* option : Option5) option->setEnabled(true);
}

void frmMain::SaveText(QWidget* opener, const std::string& title, int progressMaximum,
                       const std::function<std::string(const ProgressFn&, bool*)>& makeText,
                       const std::string& suggestedName)
{
    // The save menus are there from the reference import on, while the pre-treatment dialog
    // may still be open; without the analysis there is nothing to save.
    if (!HasEofResults(app_.ws())) {
        app_.dialogs().Warn(opener, kNoEofResultsMessage, "Error");
        return;
    }
    const std::optional<std::string> path =
        app_.dialogs().SaveFile(opener, title, kDataFileFilter, suggestedName);
    if (!path) return;
    BeginProgress(progressMaximum);
    bool allFinite = true;
    const std::string text =
        makeText([this](int done, int) { ProgressBar1->setValue(done); }, &allFinite);
    std::string reason;
    const bool written = allFinite && WriteFileAtomically(*path, text, &reason);
    EndProgress();
    if (!allFinite)
        app_.dialogs().Warn(opener, std::string(kNonFiniteResultsMessage) + "\n" + *path, "Error");
    else if (!written)
        app_.dialogs().Warn(opener, "The file could not be written:\n" + *path + "\n\n" + reason,
                            "Error");
}

void frmMain::SaveLoading()
{
    const Workspace& ws = app_.ws();
    SaveText(
        this, "Save loadings", ws.basisRowCount + ws.taxonCount,
        [&ws](const ProgressFn& progress, bool* allFinite) {
            return LoadingFileText(ws, DateTimeText(std::time(nullptr)), progress, allFinite);
        },
        "loading.csv");
}

void frmMain::sSaveScore()
{
    const Workspace& ws = app_.ws();
    const PretreatmentChoice choice = app_.correlVar().CurrentChoice();
    SaveText(
        this, "Save reference scores", ws.refSiteCount + ws.refTaxonCount,
        [&ws, choice](const ProgressFn& progress, bool* allFinite) {
            return ReferenceScoreFileText(ws, choice, DateTimeText(std::time(nullptr)), progress,
                                          allFinite);
        },
        "reference-scores.csv");
}

void frmMain::fSaveScore()
{
    const Workspace& ws = app_.ws();
    const PretreatmentChoice choice = app_.correlVar().CurrentChoice();
    SaveText(
        this, "Save fossil scores", ws.fossilSampleCount,
        [&ws, choice](const ProgressFn& progress, bool* allFinite) {
            return FossilScoreFileText(ws, choice, DateTimeText(std::time(nullptr)), progress,
                                       allFinite);
        },
        "fossil-scores.csv");
}

}  // namespace tarvex
