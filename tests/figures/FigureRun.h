#pragma once

// A batch run in this process through the figure library, keeping what the figures were drawn
// from so that a test can lay out and draw them again.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRun.h"
#include "figures/BatchRenderer.h"
#include "figures/Canvas.h"
#include "figures/FigureExport.h"
#include "figures/PaintSurface.h"
#include "support/TestFiles.h"

namespace tarvex::testing {

class CapturingRenderer : public FigureRenderer {
public:
    bool Render(const Workspace& ws, const FigureRequest& request,
                std::vector<std::pair<std::string, std::string>>& files,
                std::string& error) override
    {
        workspace = ws;
        settings = request.settings;
        runRecord = request.runRecord;
        return real.Render(ws, request, files, error);
    }

    fig::QtFigureRenderer real;
    Workspace workspace;
    FigureSettings settings;
    std::string runRecord;
};

struct FigureRunResult {
    int status = 0;
    std::string out, err;
};

inline FigureRunResult RunWithFigures(CapturingRenderer& renderer,
                                      const std::vector<std::string>& args)
{
    std::ostringstream out, err;
    const int status = RunBatch(args, out, err, &renderer);
    return {status, out.str(), err.str()};
}

inline std::string FreshDir(const std::string& name)
{
    const std::string dir = TempPath(name);
    std::filesystem::remove_all(dir);
    return dir;
}

// One batch run with figures shared by the tests of a suite: made once before them, in a folder
// of the process's own (the tests of a suite may run side by side, each in a process of its
// own), and removed after them.
template <typename Suite>
class SharedFigureRun : public ::testing::Test {
protected:
    // args gives the command line for the run's folder.
    static void RunOnce(const std::string& name,
                        const std::function<std::vector<std::string>(const std::string&)>& args)
    {
        dir_ = FreshDir(name + "-" + std::to_string(QCoreApplication::applicationPid()));
        renderer_ = std::make_unique<CapturingRenderer>();
        const FigureRunResult run = RunWithFigures(*renderer_, args(dir_));
        ASSERT_EQ(run.status, 0) << run.err;
    }
    static void TearDownTestSuite()
    {
        renderer_.reset();
        std::filesystem::remove_all(dir_);
    }
    static const Workspace& ws() { return renderer_->workspace; }
    static const FigureSettings& settings() { return renderer_->settings; }

    static inline std::string dir_;
    static inline std::unique_ptr<CapturingRenderer> renderer_;
};

// A canvas on a small image that measures as a figure of the given size at the given
// resolution does, for the layout functions.
struct Probe {
    explicit Probe(fig::FigureSize size, double dpi = fig::kVectorDpi)
        : image(8, 8, QImage::Format_RGB32), painter(&image)
    {
        surface = std::make_unique<PaintSurface>(painter, fig::PixelsOf(size.width, dpi),
                                                 fig::PixelsOf(size.height, dpi), dpi);
        canvas = std::make_unique<fig::Canvas>(*surface, size.width, size.height);
    }
    QImage image;
    QPainter painter;
    std::unique_ptr<PaintSurface> surface;
    std::unique_ptr<fig::Canvas> canvas;
};

// The corners of every path of an SVG file, in the file's pixels.
inline std::vector<std::pair<double, double>> PathCorners(const std::string& svg)
{
    std::vector<std::pair<double, double>> corners;
    static const QRegularExpression path("<path[^>]* d=\"([^\"]*)\"");
    static const QRegularExpression point("([-0-9.e]+),([-0-9.e]+)");
    auto paths = path.globalMatch(QString::fromStdString(svg));
    while (paths.hasNext()) {
        auto points = point.globalMatch(paths.next().captured(1));
        while (points.hasNext()) {
            const auto m = points.next();
            corners.push_back({m.captured(1).toDouble(), m.captured(2).toDouble()});
        }
    }
    return corners;
}

// The texts of an SVG file's <text> elements, entities resolved.
inline std::vector<std::string> SvgTexts(const std::string& svg)
{
    std::vector<std::string> texts;
    static const QRegularExpression element("<text[^>]*>([^<]*)</text>");
    auto it = element.globalMatch(QString::fromStdString(svg));
    while (it.hasNext()) {
        QString t = it.next().captured(1);
        t.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&apos;", "'");
        t.replace("&amp;", "&");
        texts.push_back(t.toStdString());
    }
    return texts;
}

}  // namespace tarvex::testing
