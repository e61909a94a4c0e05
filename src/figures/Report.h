#pragma once

#include <string>
#include <vector>

#include "figures/Figures.h"

// The reconstruction report: a PDF whose first pages list the run record (program version,
// time, inputs with their sizes and SHA-256, every setting), then the figures of the run with
// the table of the error model. Text is set as text, so a PDF text extractor finds every
// setting, taxon name and axis title.
namespace tarvex::fig {

// The records of a comma-separated text as the record writer writes them (CR LF between
// records, line ends inside quotes kept), each read with the program's cell reader.
std::vector<std::vector<std::string>> ParseRecords(const std::string& text);

// The report's PDF; empty, with the reason, when it could not be made.
std::string RenderReport(const Workspace& ws, const FigureSettings& settings,
                         const std::string& runRecord, std::string* reason = nullptr);

// What the report holds, page by page, for the tests and the batch's summary: "Run record",
// "Error model table", or the figure's file stem.
std::vector<std::string> ReportPageNames(const Workspace& ws, const FigureSettings& settings,
                                         const std::string& runRecord);

}  // namespace tarvex::fig
