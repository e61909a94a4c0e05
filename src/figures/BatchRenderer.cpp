#include "figures/BatchRenderer.h"

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>

#include "figures/FigureExport.h"
#include "figures/Report.h"

namespace tarvex::fig {

namespace {

// Qt's own notes (no runtime folder, the offscreen platform's limits) are not the batch's
// messages; only its errors are passed on to standard error.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

}  // namespace

void EnsureGuiApplication()
{
    if (QCoreApplication::instance()) return;
    qInstallMessageHandler(QuietMessages);
    // The arguments must outlive the application, which keeps referring to them.
    static int argc = 3;
    static char name[] = "tarvex-batch";
    static char platform[] = "-platform";
    static char offscreen[] = "offscreen";
    static char* argv[] = {name, platform, offscreen, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

bool QtFigureRenderer::Render(const Workspace& ws, const FigureRequest& request,
                              std::vector<std::pair<std::string, std::string>>& files,
                              std::string& error)
{
    EnsureGuiApplication();
    if (!request.reportPath.empty()) {
        std::string bytes = RenderReport(ws, request.settings, request.runRecord, &error);
        if (bytes.empty()) return false;
        files.emplace_back(request.reportPath, std::move(bytes));
    }
    if (!request.figuresDir.empty()) {
        const std::filesystem::path dir(request.figuresDir);
        for (const FigureJob& job : ReportFigures(ws, request.settings)) {
            ExportSettings exported;
            exported.size = FigureSizeFor(ws, request.settings, job, DefaultFigureSize(job.kind));
            for (const auto& [format, suffix] :
                 {std::pair{FigureFormat::Svg, ".svg"}, std::pair{FigureFormat::Pdf, ".pdf"}}) {
                exported.format = format;
                std::string bytes = RenderFigureFile(ws, request.settings, job, exported, &error);
                if (bytes.empty()) return false;
                files.emplace_back((dir / (FigureFileStem(job) + suffix)).string(),
                                   std::move(bytes));
            }
        }
    }
    return true;
}

}  // namespace tarvex::fig
