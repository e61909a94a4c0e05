#pragma once

#include <string>

class QMenu;
class QAction;

namespace tarvex {

class Dialogs;
class PictureBox;

// Writes what a panel shows as vector graphics: SVG or PDF after the file's suffix (any
// case), at the panel's size, from the panel's record of its drawing calls, so text stays text
// and lines stay lines. The file is written whole or not at all. False, with the reason, for
// another suffix or a failed write.
bool ExportPanelPicture(PictureBox& panel, const std::string& path, std::string* reason = nullptr);

// The filter of the export's save dialog.
inline constexpr const char* kPictureFilter = "SVG picture(*.svg)|*.svg|PDF document(*.pdf)|*.pdf";

// "Export Picture..." on a panel's pop-up menu: the save dialog with the proposed name (its
// suffix added when the user typed none), then the export; a failure says why.
QAction* AddExportPicture(QMenu& menu, PictureBox& panel, Dialogs& dialogs,
                          const std::string& suggestedName);

// The suffix a save dialog adds for the filter entry chosen ("Description(*.csv)" gives
// "csv"); empty when the entry names none.
std::string DefaultSuffix(const std::string& filterEntry);

}  // namespace tarvex
