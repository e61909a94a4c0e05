#include "ui/FigureMenu.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QWidget>
#include <cmath>

#include "data/NumberText.h"
#include "figures/FigureExport.h"
#include "ui/Dialogs.h"

namespace tarvex {

namespace {

std::string Missing(fig::FigureKind kind)
{
    switch (kind) {
        case fig::FigureKind::Diagram:
            return "The diagram needs a fossil table.";
        case fig::FigureKind::ScorePlots:
            return "The score plots need the EOF analysis.";
        case fig::FigureKind::Reconstruction:
        case fig::FigureKind::Quality:
            return "The figure needs a reconstruction of the fossil sequence.";
        case fig::FigureKind::ErrorModel:
            return "The figure needs the error model (\"Generate error model\").";
        case fig::FigureKind::Strativ:
            return "The figure needs a returned calibration and its histogram (\"Strativ\").";
        case fig::FigureKind::Chart:
            return "The calibration chart needs the confidence regions of a calibration.";
        case fig::FigureKind::Transfer:
            return "The figure needs the transfer functions run on the fossil sequence the "
                   "reconstruction window shows, with the chosen model among them.";
        case fig::FigureKind::TransferTable:
            return "The figure needs the transfer functions (\"Start\").";
    }
    return {};
}

}  // namespace

void ExportWindowFigure(Dialogs& dialogs, QWidget* opener, const WindowFigure& figure)
{
    if (!figure.ws || !fig::FigureAvailable(*figure.ws, figure.settings, figure.job)) {
        dialogs.Warn(opener, "There is nothing to draw yet. " + Missing(figure.job.kind), "Error");
        return;
    }
    const Workspace& ws = *figure.ws;
    FigureSettings settings = figure.settings;
    const fig::FigureSize natural =
        fig::FigureSizeFor(ws, settings, figure.job, fig::DefaultFigureSize(figure.job.kind));
    FigureOptions offered;
    offered.widthMm = std::round(natural.width);
    offered.heightMm = std::round(natural.height);
    offered.diagram = figure.job.kind == fig::FigureKind::Diagram;
    offered.bars = settings.diagram.bars;
    offered.exaggeration = settings.diagram.exaggeration;
    offered.minPercent = settings.diagram.minPercent;
    const std::optional<FigureOptions> chosen =
        dialogs.AskFigureOptions(opener, "Export figure", offered);
    if (!chosen) return;
    if (offered.diagram) {
        settings.diagram.bars = chosen->bars;
        settings.diagram.exaggeration = chosen->exaggeration;
        settings.diagram.minPercent = chosen->minPercent;
    }
    const fig::FigureSize asked{chosen->widthMm, chosen->heightMm};
    const fig::FigureSize size = fig::FigureSizeFor(ws, settings, figure.job, asked);
    const std::optional<std::string> path = dialogs.SaveFile(
        opener, "Export figure", kFigureFilter, fig::FigureFileStem(figure.job) + ".pdf");
    if (!path) return;
    std::string reason;
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const bool written =
        fig::ExportFigureFile(ws, settings, figure.job, *path, size, chosen->dpi, &reason);
    QGuiApplication::restoreOverrideCursor();
    if (!written) {
        dialogs.Warn(opener, "The figure could not be exported:\n" + *path + "\n\n" + reason,
                     "Error");
        return;
    }
    if (size.width > asked.width + 0.5 && figure.job.kind == fig::FigureKind::TransferTable)
        dialogs.Inform(opener,
                       "The table's columns needed " + FormatNumber(std::ceil(size.width)) +
                           " mm instead of " + FormatNumber(asked.width) + " mm.",
                       "Export figure");
    else if (size.width > asked.width + 0.5)
        dialogs.Inform(opener,
                       "The diagram's " + std::to_string(figure.ws->fossilTaxonCount) +
                           " taxa needed " + FormatNumber(std::ceil(size.width)) +
                           " mm instead of " + FormatNumber(asked.width) +
                           " mm; leave out the rarer taxa for a narrower figure.",
                       "Export figure");
}

QAction* AddExportFigure(QMenu& menu, QWidget& opener, Dialogs& dialogs,
                         std::function<WindowFigure()> figure, const char* caption)
{
    QAction* action = menu.addAction(caption);
    QObject::connect(action, &QAction::triggered, &opener, [&dialogs, &opener, figure] {
        ExportWindowFigure(dialogs, opener.window(), figure());
    });
    return action;
}

}  // namespace tarvex
