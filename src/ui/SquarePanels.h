#pragma once

#include <QWidget>
#include <vector>

namespace tarvex {

// Lays its panels out side by side as equal squares, as large as its space allows, with a
// footer (a status strip) right under them; hidden panels take no room. A plot drawn under a
// square user scale needs a square surface, or every circle is an ellipse and a turning 3-D
// view looks squashed.
class SquarePanels : public QWidget {
    Q_OBJECT

public:
    explicit SquarePanels(QWidget* parent = nullptr);

    // The panels in order from the left; each becomes a child of this widget.
    void AddPanel(QWidget* panel);
    void SetFooter(QWidget* footer);

    // The side every visible panel has at the present size.
    int Side() const { return side_; }
    int Spacing() const { return kSpacing; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The panels have a new size: what was drawn for the old one should be drawn again.
    void panelsResized();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int kSpacing = 6;
    static constexpr int kMinimumSide = 240;

    int VisiblePanels() const;
    int FooterHeight() const;
    void Arrange();

    std::vector<QWidget*> panels_;
    QWidget* footer_ = nullptr;
    int side_ = 0;
};

}  // namespace tarvex
