#include "ui/PictureExport.h"

#include <QAction>
#include <QBuffer>
#include <QFileInfo>
#include <QMenu>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSvgGenerator>

#include "data/AtomicFile.h"
#include "ui/Dialogs.h"
#include "ui/PictureBox.h"

namespace tarvex {

bool ExportPanelPicture(PictureBox& panel, const std::string& path, std::string* reason)
{
    const QString suffix = QFileInfo(QString::fromStdString(path)).suffix().toLower();
    const QSize size(std::max(1, panel.width()), std::max(1, panel.height()));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == "svg") {
        QSvgGenerator svg;
        svg.setOutputDevice(&buffer);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(96);
        svg.setTitle(QFileInfo(QString::fromStdString(path)).completeBaseName());
        QPainter painter(&svg);
        panel.PaintRecord(painter);
    } else if (suffix == "pdf") {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(96);
        // One page the size of the panel: a pixel is 1/96 inch, 0.75 point.
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 0.75, size.height() * 0.75),
                                  QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator("Tarvex");
        QPainter painter(&pdf);
        panel.PaintRecord(painter);
    } else {
        if (reason) *reason = "A picture is exported as .svg or .pdf.";
        return false;
    }
    buffer.close();
    return WriteFileAtomically(path, bytes.toStdString(), reason);
}

std::string DefaultSuffix(const std::string& filterEntry)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
    const QRegularExpressionMatch m = pattern.match(QString::fromStdString(filterEntry));
    return m.hasMatch() ? m.captured(1).toStdString() : std::string();
}

QAction* AddExportPicture(QMenu& menu, PictureBox& panel, Dialogs& dialogs,
                          const std::string& suggestedName)
{
    QAction* action = menu.addAction("Export Picture...");
    QObject::connect(action, &QAction::triggered, &panel, [&panel, &dialogs, suggestedName] {
        // The export belongs to the window that shows the panel.
        QWidget* opener = panel.window();
        const std::optional<std::string> path =
            dialogs.SaveFile(opener, "Export picture", kPictureFilter, suggestedName);
        if (!path) return;
        std::string reason;
        if (!ExportPanelPicture(panel, *path, &reason))
            dialogs.Warn(opener, "The picture could not be exported:\n" + *path + "\n\n" + reason,
                         "Error");
    });
    return action;
}

}  // namespace tarvex
