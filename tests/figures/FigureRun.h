#pragma once

// A batch run in this process through the figure library, keeping what the figures were drawn
// from so that a test can lay out and draw them again.
#include <gtest/gtest.h>

#include <QCoreApplication>
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
