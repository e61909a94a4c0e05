#pragma once

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <QPoint>
#include <QWidget>
#include <optional>
#include <vector>

#include "ui/Pointer.h"
#include "ui/Surface.h"

namespace tarvex {

// A window panel to draw on. It keeps two layers the size of the widget:
//  * the persistent picture, which holds plots, diagrams and charts;
//  * an overlay above it, transparent where nothing is drawn, for cursors and marks that
//    come and go without redrawing the picture.
// Drawing goes to the picture until SetDrawOverlay(true) routes it to the overlay.
// When the widget grows, both layers keep their content at the top left and the new area
// shows BackColor; when it shrinks, what falls outside is cut off.
class PictureBox : public QWidget, public Surface {
    Q_OBJECT

public:
    explicit PictureBox(QWidget* parent = nullptr);
    ~PictureBox() override;

    int PixelWidth() const override;
    int PixelHeight() const override;

    // Clears the picture to BackColor and empties the overlay, whichever layer is selected.
    void Cls() override;
    // The picture as it stands becomes what Cls returns to, until ForgetPicture (or a change
    // of the panel's size, which makes it meaningless).
    void KeepPicture();
    void ForgetPicture();
    bool HasKeptPicture() const { return !kept_.isNull(); }
    void SetDrawOverlay(bool on)
    {
        if (on != drawOverlay_) EndBatch();
        drawOverlay_ = on;
    }
    bool DrawOverlay() const { return drawOverlay_; }
    // Empties the overlay only; the picture under it stays.
    void ClearOverlay();

    // Keeps one painter open over many drawing calls on the current layer, so a plot of
    // thousands of points is not dominated by starting and ending a painter per point.
    // Changing the layer, Cls or ClearOverlay ends the batch.
    void BeginBatch();
    void EndBatch();
    void Refresh() { update(); }

    // What the panel shows: the picture with the overlay on top.
    QImage picture() const;
    QImage persistentPicture() const;
    // Replaces the clipboard's content with picture().
    void CopyToClipboard();
    // What picture() shows as vector graphics: every drawing call since the picture was last
    // cleared (or since the kept picture's), then the overlay's, in device pixels. Text stays
    // text and lines stay lines; cell matrices stay images.
    void PaintRecord(QPainter& painter);

    void SetMousePointer(Pointer pointer) { SetWidgetPointer(*this, pointer); }
    Pointer MousePointer() const { return WidgetPointer(*this); }

signals:
    // Positions are in user units of the current scale. For a move, the button argument
    // carries every button held down (possibly several, or none).
    void mousePressed(Qt::MouseButton button, double userX, double userY);
    void mouseMoved(Qt::MouseButton buttons, double userX, double userY);
    void mouseReleased(Qt::MouseButton button, double userX, double userY);
    void contextMenuRequested(QPoint globalPos);

protected:
    QPainter* BeginDraw() override;
    void EndDraw(QPainter* painter) override;
    bool StampsCircles() const override { return true; }
    QPainter* RecordPainter() override;
    double DpiX() const override;
    double DpiY() const override;
    QPaintDevice* MetricsDevice() const override;

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // A hidden widget is resized without a resize event, so the layers are brought to the
    // widget's size whenever they are about to be used.
    void SyncLayers() const;

    mutable QImage picture_;
    mutable QImage overlay_;
    QImage kept_;

    // The vector record of each layer: closed chunks, and the chunk being recorded.
    struct Record {
        std::vector<QPicture> chunks;
        QPicture open;
        QPainter painter;
        bool recording = false;
        void Close();
        void Clear();
    };
    Record record_[2];  // picture, overlay
    std::vector<QPicture> keptRecord_;
    bool drawOverlay_ = false;
    std::optional<QPainter> painter_;
    bool batch_ = false;
    bool batchOverlay_ = false;
};

}  // namespace tarvex
