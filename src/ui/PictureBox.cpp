#include "ui/PictureBox.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <cmath>

namespace tarvex {

namespace {

// Images carry their resolution so that anything sized in points inside them (and anyone
// pasting the picture elsewhere) sees the panel's real density.
void SetResolution(QImage& image, double dpiX, double dpiY)
{
    image.setDotsPerMeterX(static_cast<int>(std::lround(dpiX / 0.0254)));
    image.setDotsPerMeterY(static_cast<int>(std::lround(dpiY / 0.0254)));
}

// A layer of a new size with the old content kept at the top left.
QImage Resized(const QImage& old, QSize size, QImage::Format format, const QColor& background)
{
    QImage image(size, format);
    if (image.isNull()) return image;
    image.fill(background);
    if (!old.isNull()) {
        QPainter p(&image);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, old);
    }
    return image;
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    // The layers cover the whole widget; nothing behind it needs painting.
    setAttribute(Qt::WA_OpaquePaintEvent);
    SyncLayers();
}

PictureBox::~PictureBox() = default;

int PictureBox::PixelWidth() const
{
    return std::max(0, width());
}
int PictureBox::PixelHeight() const
{
    return std::max(0, height());
}

double PictureBox::DpiX() const
{
    return logicalDpiX();
}
double PictureBox::DpiY() const
{
    return logicalDpiY();
}

void PictureBox::SyncLayers() const
{
    const QSize size(PixelWidth(), PixelHeight());
    if (picture_.size() == size && overlay_.size() == size) return;
    picture_ = Resized(picture_, size, QImage::Format_RGB32, ToQColor(BackColor()));
    overlay_ = Resized(overlay_, size, QImage::Format_ARGB32_Premultiplied, Qt::transparent);
    if (!picture_.isNull()) SetResolution(picture_, DpiX(), DpiY());
    if (!overlay_.isNull()) SetResolution(overlay_, DpiX(), DpiY());
}

QPaintDevice* PictureBox::MetricsDevice() const
{
    SyncLayers();
    // Text is measured against the layer it is drawn on; both share one resolution, and a
    // panel of no size falls back to the widget itself.
    if (picture_.isNull()) return const_cast<PictureBox*>(this);
    return &picture_;
}

void PictureBox::BeginBatch()
{
    if (batch_) return;
    SyncLayers();
    QImage& target = drawOverlay_ ? overlay_ : picture_;
    if (target.isNull()) return;
    painter_.emplace(&target);
    batch_ = true;
    batchOverlay_ = drawOverlay_;
}

void PictureBox::EndBatch()
{
    if (!batch_) return;
    batch_ = false;
    painter_.reset();
    update();
}

QPainter* PictureBox::BeginDraw()
{
    if (batch_ && batchOverlay_ == drawOverlay_) {
        // Each call starts from a clean state, as it would with a painter of its own.
        painter_->save();
        return &*painter_;
    }
    EndBatch();
    SyncLayers();
    QImage& target = drawOverlay_ ? overlay_ : picture_;
    if (target.isNull()) return nullptr;
    painter_.emplace(&target);
    return &*painter_;
}

void PictureBox::EndDraw(QPainter* /*painter*/)
{
    if (batch_) {
        painter_->restore();
        return;
    }
    painter_.reset();
    update();
}

void PictureBox::Record::Close()
{
    if (!recording) return;
    painter.end();
    chunks.push_back(open);
    open = QPicture();
    recording = false;
}

void PictureBox::Record::Clear()
{
    if (recording) painter.end();
    recording = false;
    open = QPicture();
    chunks.clear();
}

QPainter* PictureBox::RecordPainter()
{
    Record& r = record_[drawOverlay_ ? 1 : 0];
    if (!r.recording) {
        r.painter.begin(&r.open);
        r.recording = true;
    }
    return &r.painter;
}

void PictureBox::PaintRecord(QPainter& painter)
{
    for (Record& r : record_) {
        r.Close();
        for (const QPicture& chunk : r.chunks) painter.drawPicture(0, 0, chunk);
    }
}

void PictureBox::KeepPicture()
{
    EndBatch();
    SyncLayers();
    kept_ = picture_.copy();
    record_[0].Close();
    keptRecord_ = record_[0].chunks;
}

void PictureBox::ForgetPicture()
{
    kept_ = QImage();
    keptRecord_.clear();
}

void PictureBox::Cls()
{
    EndBatch();
    SyncLayers();
    if (!kept_.isNull() && kept_.size() != picture_.size()) ForgetPicture();
    record_[0].Clear();
    record_[1].Clear();
    if (kept_.isNull()) {
        picture_.fill(ToQColor(BackColor()));
        Record& r = record_[0];
        r.painter.begin(&r.open);
        r.recording = true;
        r.painter.fillRect(QRect(0, 0, PixelWidth(), PixelHeight()), ToQColor(BackColor()));
    } else {
        picture_ = kept_.copy();
        record_[0].chunks = keptRecord_;
    }
    overlay_.fill(Qt::transparent);
    ResetCurrentPosition();
    update();
}

void PictureBox::ClearOverlay()
{
    EndBatch();
    SyncLayers();
    overlay_.fill(Qt::transparent);
    record_[1].Clear();
    update();
}

QImage PictureBox::picture() const
{
    SyncLayers();
    QImage result = picture_.copy();
    if (!result.isNull()) {
        QPainter p(&result);
        p.drawImage(0, 0, overlay_);
    }
    return result;
}

QImage PictureBox::persistentPicture() const
{
    SyncLayers();
    return picture_.copy();
}

void PictureBox::CopyToClipboard()
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return;
    clipboard->clear();
    clipboard->setImage(picture());
}

void PictureBox::paintEvent(QPaintEvent* event)
{
    SyncLayers();
    QPainter p(this);
    const QRect area = event->rect();
    p.drawImage(area, picture_, area);
    p.drawImage(area, overlay_, area);
}

void PictureBox::resizeEvent(QResizeEvent* event)
{
    SyncLayers();
    QWidget::resizeEvent(event);
}

namespace {
Qt::MouseButton AsButton(Qt::MouseButtons buttons)
{
    return static_cast<Qt::MouseButton>(buttons.toInt());
}
}  // namespace

void PictureBox::mousePressEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    emit mousePressed(event->button(), UserX(pos.x()), UserY(pos.y()));
}

void PictureBox::mouseMoveEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    emit mouseMoved(AsButton(event->buttons()), UserX(pos.x()), UserY(pos.y()));
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event)
{
    const QPointF pos = event->position();
    emit mouseReleased(event->button(), UserX(pos.x()), UserY(pos.y()));
}

void PictureBox::contextMenuEvent(QContextMenuEvent* event)
{
    // Accepted here so a pop-up of the window around the panel does not open as well.
    event->accept();
    emit contextMenuRequested(event->globalPos());
}

}  // namespace tarvex
