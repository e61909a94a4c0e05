#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "diagram/Coniss.h"
#include "ui/Colour.h"

class QPlainTextEdit;
class QPushButton;
class QSplitter;

class QAction;
class QMenu;

namespace tarvex {

class App;
class PictureBox;

// The zonation window opened from the diagram: the program's constrained clustering with
// its dendrogram ("1"), the cluster starts it left ("2"), the successive splitting ("3"), and
// the classic incremental-sum-of-squares clustering with the broken-stick zone count, whose
// zone boundaries the diagram then shows.
class frmTest : public QWidget {
    Q_OBJECT

public:
    explicit frmTest(App& app);
    ~frmTest() override;

    PictureBox* Picture1 = nullptr;  // dendrogram
    QMenu* RB = nullptr;             // its pop-up menu
    QAction* mnuCopy = nullptr;
    QPushButton* Command1 = nullptr;   // "1"
    QPushButton* Command2 = nullptr;   // "2"
    QPushButton* Command3 = nullptr;   // "3"
    QPushButton* Command4 = nullptr;   // classic clustering with the broken stick
    QPlainTextEdit* Output = nullptr;  // the lines the buttons print

    void RunClustering();
    void ListClusterStarts();
    void RunSplitting();
    void RunClassicZonation();

    // The printed lines, as shown.
    std::vector<std::string> PrintedLines() const;
    const ConissState& State() const { return state_; }
    const IssZonation& Zonation() const { return zonation_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    // The dendrogram is drawn again whenever its panel changes size (the window, the splitter,
    // a wider text pane), so it never shows a drawing made for another width.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Clear();
    void Print(const std::string& line);
    // Widens the text pane (and if need be the window) so the widest printed line and the
    // last line are shown whole.
    void FitOutput();
    // Brackets from x = 0 to each merge's depth between the two joined clusters, on the
    // diagram's vertical axis; depthScale is the depth the panel's width is made for.
    struct Bracket {
        float upper, lower, depth;
    };
    void DrawDendrogram(const std::vector<Bracket>& brackets, double depthScale, Colour colour);
    void Redraw();

    App& app_;
    ConissState state_;
    IssZonation zonation_;
    enum class Shown { None, Clustering, Classic } shown_ = Shown::None;
    bool sizedToDiagram_ = false;
    QSplitter* splitter_ = nullptr;
};

}  // namespace tarvex
