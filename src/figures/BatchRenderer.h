#pragma once

#include "batch/FigureRequest.h"

namespace tarvex::fig {

// Makes sure a QGuiApplication exists before anything is drawn: the batch program starts one
// on the offscreen platform, which needs no display. Fonts, text layout and the PDF and SVG
// writers all need one; a window program has its own already.
void EnsureGuiApplication();

// The batch program's figures and report, drawn by the figure library.
class QtFigureRenderer : public FigureRenderer {
public:
    bool Render(const Workspace& ws, const FigureRequest& request,
                std::vector<std::pair<std::string, std::string>>& files,
                std::string& error) override;
};

}  // namespace tarvex::fig
