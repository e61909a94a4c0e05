#include "ui/SquarePanels.h"

#include <QEvent>
#include <algorithm>

namespace tarvex {

SquarePanels::SquarePanels(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void SquarePanels::AddPanel(QWidget* panel)
{
    panel->setParent(this);
    panel->installEventFilter(this);
    panels_.push_back(panel);
    updateGeometry();
}

void SquarePanels::SetFooter(QWidget* footer)
{
    footer->setParent(this);
    footer_ = footer;
    updateGeometry();
}

int SquarePanels::VisiblePanels() const
{
    int count = 0;
    for (const QWidget* panel : panels_) count += panel->isHidden() ? 0 : 1;
    return count;
}

int SquarePanels::FooterHeight() const
{
    if (footer_ == nullptr || footer_->isHidden()) return 0;
    return std::max(footer_->minimumHeight(), footer_->sizeHint().height()) + kSpacing;
}

QSize SquarePanels::minimumSizeHint() const
{
    const int n = std::max(VisiblePanels(), 1);
    return {n * kMinimumSide + (n - 1) * kSpacing, kMinimumSide + FooterHeight()};
}

QSize SquarePanels::sizeHint() const
{
    const int n = std::max(VisiblePanels(), 1);
    const int side = 2 * kMinimumSide;
    return {n * side + (n - 1) * kSpacing, side + FooterHeight()};
}

void SquarePanels::Arrange()
{
    const int n = VisiblePanels();
    const int footer = FooterHeight();
    int side = height() - footer;
    if (n > 0) side = std::min(side, (width() - (n - 1) * kSpacing) / n);
    side = std::max(side, 1);

    bool resized = side != side_;
    side_ = side;
    int x = 0;
    for (QWidget* panel : panels_) {
        if (panel->isHidden()) continue;
        const QRect place(x, 0, side, side);
        resized = resized || panel->size() != place.size();
        panel->setGeometry(place);
        x += side + kSpacing;
    }
    if (footer_ != nullptr && !footer_->isHidden())
        footer_->setGeometry(0, side + kSpacing, width(), footer - kSpacing);
    if (resized) emit panelsResized();
}

void SquarePanels::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    Arrange();
}

void SquarePanels::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Arrange();
}

bool SquarePanels::eventFilter(QObject* watched, QEvent* event)
{
    // A panel shown or hidden changes the share of every other one. While the window is
    // hidden the next resize or show arranges them.
    if ((event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent) &&
        isVisible()) {
        updateGeometry();
        Arrange();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tarvex
