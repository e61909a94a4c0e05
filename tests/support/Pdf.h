#pragma once

// What a PDF file the program wrote holds, read with the poppler tools the set-up installs.
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <string>

namespace tarvex::testing {

inline QString PdfToolOutput(const QString& tool, const QStringList& arguments)
{
    QProcess p;
    p.start(tool, arguments);
    if (!p.waitForFinished(20000)) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The text of the file, laid out as on the page when layout is set.
inline QString PdfText(const std::string& pdf, bool layout = false)
{
    QStringList args;
    if (layout) args << "-layout";
    args << QString::fromStdString(pdf) << "-";
    return PdfToolOutput("pdftotext", args);
}

inline int PdfPageCount(const std::string& pdf)
{
    const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)")
                                          .match(PdfToolOutput("pdfinfo", {QString::fromStdString(pdf)}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The first page as an image at the given resolution (null when it could not be made).
inline QImage PdfFirstPage(const std::string& pdf, int dpi, const std::string& pngBase)
{
    const QString base = QString::fromStdString(pngBase);
    PdfToolOutput("pdftoppm", {"-png", "-r", QString::number(dpi), "-singlefile",
                               QString::fromStdString(pdf), base});
    return QImage(base + ".png");
}

}  // namespace tarvex::testing
