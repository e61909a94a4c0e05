#include "eof/frmControl.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/App.h"
#include "mat/frmMAT.h"
#include "app/frmMain.h"
#include "data/NumberText.h"
#include "eof/AxisSelection.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {
// Rows the contribution table shows without scrolling.
constexpr int kTableRows = 10;
constexpr std::array<int, 3> kColumnWidths{56, 96, 96};

QString Text(const std::string& s)
{
    return QString::fromStdString(s);
}

void PrintLines(PictureBox& box, std::initializer_list<std::string> lines)
{
    for (const std::string& line : lines) box.Print(line);
}
}  // namespace

frmControl::frmControl(App& app) : QWidget(nullptr, Qt::Window), app_(app)
{
    setWindowTitle("Control panel");
    main_ = &app_.main();
    BuildControls();
    LoadPanel();
}

frmControl::~frmControl()
{
    // At program exit the App unloads the panel while the main window still exists; a panel
    // whose deferred deletion outlives its App, or that a newer panel has replaced, has
    // nothing left to apply to.
    if (!main_) return;
    if (app_.controlLoaded() && &app_.control() != this) return;
    if (!unloaded_) Unload();
    ApplyAxisChoice();
}

void frmControl::BuildControls()
{
    auto* layout = new QGridLayout(this);

    Frame2 = new QGroupBox(" Selected EOFs for default display ", this);
    auto* axes = new QGridLayout(Frame2);
    Label2 = new QLabel("X-Axis", Frame2);
    Label3 = new QLabel("Y-Axis", Frame2);
    Label4 = new QLabel("Z-Axis", Frame2);
    const std::array<QLabel*, 4> axisLabels{nullptr, Label2, Label3, Label4};
    for (int i = 1; i <= 3; ++i) {
        Combo1[i] = new QComboBox(Frame2);
        axes->addWidget(axisLabels[i], i - 1, 0);
        axes->addWidget(Combo1[i], i - 1, 1);
        // Only the user's choice runs the rule; the panel's own changes of the combos do not.
        connect(Combo1[i], QOverload<int>::of(&QComboBox::activated), this,
                [this, i](int) { AxisChosen(i); });
    }
    axes->setRowStretch(3, 1);
    layout->addWidget(Frame2, 0, 0);

    auto* table = new QWidget(this);
    auto* tableLayout = new QGridLayout(table);
    tableLayout->setContentsMargins(0, 0, 0, 0);
    tableLayout->setHorizontalSpacing(0);
    Label5 = new QLabel("EOF No.", table);
    Label6 = new QLabel("Contribution", table);
    Label7 = new QLabel("Cumulative", table);
    const std::array<QLabel*, 3> headings{Label5, Label6, Label7};
    for (int k = 0; k < 3; ++k) {
        Picture1[k] = new PictureBox(table);
        tableLayout->addWidget(headings[k], 0, k);
        tableLayout->addWidget(Picture1[k], 1, k);
    }
    // The rows are as high as the columns' font prints them, and the table is made to hold
    // a fixed number of them, so the rows that fit follow the font on any screen.
    rowHeight_ = std::max(1.0, Picture1[0]->TextHeight("0"));
    const int tableHeight = static_cast<int>(std::ceil(rowHeight_ * kTableRows)) + 2;
    for (int k = 0; k < 3; ++k) Picture1[k]->setFixedSize(kColumnWidths[k], tableHeight);
    VScroll1 = new QScrollBar(Qt::Vertical, table);
    VScroll1->setFixedHeight(tableHeight);
    tableLayout->addWidget(VScroll1, 1, 3);
    Picture2 = new PictureBox(table);
    Picture2->setFixedSize(kColumnWidths[0] + kColumnWidths[1] + kColumnWidths[2],
                           static_cast<int>(std::ceil(rowHeight_ * 2)) + 4);
    tableLayout->addWidget(Picture2, 2, 0, 1, 4);
    layout->addWidget(table, 0, 1);
    connect(VScroll1, &QScrollBar::valueChanged, this, [this](int) { ShowKiyo(); });

    Frame1 = new QGroupBox(" EOFs for emvelope analysis ", this);
    auto* env = new QGridLayout(Frame1);
    List1 = new QListWidget(Frame1);
    List2 = new QListWidget(Frame1);
    List1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    List1->installEventFilter(this);
    List2->installEventFilter(this);
    Command1 = new QPushButton("Add >>", Frame1);
    Command2 = new QPushButton("<< Delete", Frame1);
    auto* buttons = new QVBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch(1);
    env->addWidget(List1, 0, 0);
    env->addLayout(buttons, 0, 1);
    env->addWidget(List2, 0, 2);
    Check1 = new QCheckBox("Set more axes", Frame1);
    Label1 = new QLabel(" (Invisible, reflected in envelop analysis)", Frame1);
    env->addWidget(Check1, 1, 0);
    env->addWidget(Label1, 1, 1, 1, 2);
    Picture3 = new PictureBox(Frame1);
    Picture3->setFixedHeight(static_cast<int>(std::ceil(rowHeight_ * 2)) + 4);
    Picture3->setMinimumWidth(200);
    env->addWidget(Picture3, 2, 0, 1, 3);
    layout->addWidget(Frame1, 1, 0, 1, 2);

    Command3 = new QPushButton("Reflect", this);
    Command4 = new QPushButton("OK", this);
    auto* commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(Command3);
    commands->addWidget(Command4);
    layout->addLayout(commands, 2, 0, 1, 2);

    connect(Command1, &QPushButton::clicked, this, [this] { AddClicked(); });
    connect(Command2, &QPushButton::clicked, this, [this] { DeleteClicked(); });
    connect(Check1, &QCheckBox::clicked, this, [this] { MoreAxesClicked(); });
    connect(Command3, &QPushButton::clicked, this, [this] { ReflectClicked(); });
    connect(Command4, &QPushButton::clicked, this, [this] { OkClicked(); });
}

void frmControl::LoadPanel()
{
    Workspace& ws = app_.ws();
    const int eofCount = ws.refTaxonCount;
    for (int i = 1; i <= 3; ++i) {
        for (int e = 1; e <= eofCount; ++e) Combo1[i]->addItem(Text(FormatNumber(e)));
        ShowComboEof(i, i < static_cast<int>(ws.selectedAxes.size()) ? ws.selectedAxes[i] : 0);
    }

    visibleCount_ = app_.main().VisibleAxisCount();
    Label4->setEnabled(visibleCount_ == 3);
    Combo1[3]->setEnabled(visibleCount_ == 3);

    // With "more axes" the selection beyond the drawn axes is listed too, so that opening the
    // panel and pressing "OK" keeps it.
    const int listCount = InitialListCount(ws.moreAxes, ws.selectedAxisCount, visibleCount_,
                                           eofCount, static_cast<int>(ws.selectedAxes.size()) - 1);
    ws.selectedAxisCount = static_cast<int16_t>(ws.moreAxes ? listCount : visibleCount_);
    for (int k = 1; k <= listCount; ++k) List2->addItem(Text(FormatNumber(ws.selectedAxes[k])));
    for (int e = 1; e <= eofCount; ++e) List1->addItem(Text(FormatNumber(e)));

    // In "more axes" mode the combos stay locked: a choice there would replace the selection.
    Check1->setChecked(ws.moreAxes);
    if (ws.moreAxes)
        SetMoreAxesControls(true);
    else {
        List1->setEnabled(false);
        List2->setEnabled(false);
    }
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    {
        const QSignalBlocker block(VScroll1);
        VScroll1->setMinimum(1);
        VScroll1->setValue(1);
    }

    if (eofCount > 2) ShowKiyo();
    app_.main().setEnabled(false);
}

int frmControl::FitRows() const
{
    return static_cast<int>(std::floor(VScroll1->height() / rowHeight_));
}

std::vector<int> frmControl::SelectedEofs() const
{
    std::vector<int> eofs;
    for (int k = 0; k < List2->count(); ++k)
        eofs.push_back(static_cast<int>(Val(List2->item(k)->text().toStdString())));
    return eofs;
}

void frmControl::ShowKiyo()
{
    Workspace& ws = app_.ws();
    const int eofCount = ws.refTaxonCount;
    const int rows = FitRows();
    const ContributionScroll scroll = ContributionScrollFor(rows, eofCount);
    {
        const QSignalBlocker block(VScroll1);
        VScroll1->setMaximum(std::max(VScroll1->minimum(), scroll.maximum));
        VScroll1->setPageStep(scroll.largeChange);
        VScroll1->setSingleStep(1);
    }
    VScroll1->setVisible(scroll.visible);

    for (PictureBox* column : Picture1) column->Cls();
    Picture3->Cls();
    // Printing continues below the last line, so the totals are cleared as well before they
    // are printed again.
    Picture2->Cls();
    const int first = VScroll1->value();
    for (const ContributionRow& row :
         ContributionRows(ws.eofContribution, ws.eofCumulative, eofCount, first, first + rows)) {
        Picture1[0]->Print(row.number);
        Picture1[1]->Print(row.contribution);
        Picture1[2]->Print(row.cumulative);
    }

    const std::vector<int> selected = SelectedEofs();
    if (const auto totals =
            ContributionTotalsFor(ws.eofContribution, ws.eofCumulative, eofCount, selected)) {
        PrintLines(*Picture2, {totals->allTotal, totals->parameterCount});
        PrintLines(*Picture3, {totals->selectedTotal, totals->selectedCount});
    }
    for (PictureBox* box : {Picture1[0], Picture1[1], Picture1[2], Picture2, Picture3})
        box->Refresh();

    ws.selectedAxisCount = static_cast<int16_t>(selected.size());
}

int frmControl::ComboEof(int axis) const
{
    return Combo1[axis]->currentIndex() + 1;
}

void frmControl::ShowComboEof(int axis, int eof)
{
    Combo1[axis]->setCurrentIndex(eof >= 1 && eof <= Combo1[axis]->count() ? eof - 1 : -1);
}

void frmControl::AxisChosen(int axis)
{
    if (axis < 1 || axis > 3) return;
    Workspace& ws = app_.ws();
    const std::array<int, 4> chosen =
        ResolveAxisChoice({0, ComboEof(1), ComboEof(2), ComboEof(3)}, axis, ws.refTaxonCount);
    for (int i = 1; i <= 3; ++i) {
        ShowComboEof(i, chosen[i]);
        ws.selectedAxes[i] = static_cast<int16_t>(chosen[i]);
        ws.displayAxes[i] = static_cast<int16_t>(chosen[i]);
    }
    app_.main().RedrawPlots();

    List2->clear();
    for (int i = 1; i <= 3; ++i) List2->addItem(Text(FormatNumber(chosen[i])));
}

void frmControl::SetMoreAxesControls(bool on)
{
    List1->setEnabled(on);
    List2->setEnabled(on);
    Combo1[1]->setEnabled(!on);
    Combo1[2]->setEnabled(!on);
    Combo1[3]->setEnabled(!on && Label4->isEnabled());
}

void frmControl::MoreAxesClicked()
{
    Workspace& ws = app_.ws();
    frmMain& m = app_.main();
    if (Check1->isChecked()) {
        SetMoreAxesControls(true);
        ws.moreAxes = true;
        ShowKiyo();
        m.Timer2->start();
        m.Slider5->setEnabled(true);
    } else {
        SetMoreAxesControls(false);
        ws.moreAxes = false;
        ws.selectedAxisCount = static_cast<int16_t>(visibleCount_);
        while (List2->count() > visibleCount_) delete List2->takeItem(List2->count() - 1);
        ShowKiyo();
        ws.selectedAxisCount = static_cast<int16_t>(visibleCount_);
    }
    ApplyAxisChoice();
}

void frmControl::AddClicked()
{
    const std::vector<int> present = SelectedEofs();
    for (int k = 0; k < List1->count(); ++k) {
        QListWidgetItem* item = List1->item(k);
        if (!item->isSelected()) continue;
        const int eof = static_cast<int>(Val(item->text().toStdString()));
        if (std::find(present.begin(), present.end(), eof) == present.end())
            List2->addItem(item->text());
        item->setSelected(false);
    }
    ShowKiyo();
    Command1->setEnabled(false);
    Command4->setFocus();
}

void frmControl::DeleteClicked()
{
    // The first entries are the drawn axes and stay.
    for (int k = List2->count() - 1; k >= visibleCount_; --k)
        if (List2->item(k)->isSelected()) delete List2->takeItem(k);
    ShowKiyo();
    Command2->setEnabled(false);
    Command4->setFocus();
}

void frmControl::Reflect()
{
    Workspace& ws = app_.ws();
    if (List2->count() == visibleCount_) {
        // A selection of just the drawn axes is no "more axes" selection: switch the mode off
        // with everything that goes with it, as unticking the box would.
        if (Check1->isChecked()) {
            Check1->setChecked(false);
            MoreAxesClicked();
        }
        ws.moreAxes = false;
    }
    ApplyAxisChoice();
    if (ws.projectionDone) app_.main().RunEnvelope();
    // The reconstruction window's results depend on the selected EOFs: it closes.
    if (app_.matLoaded()) app_.mat().Unload();
}

void frmControl::ReflectClicked()
{
    Reflect();
}

void frmControl::OkClicked()
{
    app_.main().setEnabled(true);
    Reflect();
    Unload();
    app_.UnloadControl();
}

void frmControl::ApplyAxisChoice()
{
    Workspace& ws = app_.ws();
    frmMain& m = app_.main();
    if (ws.moreAxes) {
        const std::vector<int16_t> drawnBefore(ws.displayAxes.begin() + 1,
                                               ws.displayAxes.begin() + 4);
        const std::vector<int> eofs = SelectedEofs();
        const int count =
            std::min({static_cast<int>(ws.selectedAxisCount), static_cast<int>(eofs.size()),
                      static_cast<int>(ws.selectedAxes.size()) - 1,
                      static_cast<int>(ws.displayAxes.size()) - 1});
        for (int k = 1; k <= count; ++k) {
            ws.selectedAxes[k] = static_cast<int16_t>(eofs[k - 1]);
            ws.displayAxes[k] = static_cast<int16_t>(eofs[k - 1]);
        }
        // The selection starts again from its first entries; plots still showing a rotated
        // selection would no longer match what "Prev." and "Next" cycle from.
        if (!std::equal(drawnBefore.begin(), drawnBefore.end(), ws.displayAxes.begin() + 1))
            m.RedrawPlots();

        m.Option6[0]->setEnabled(true);
        m.Option6[1]->setEnabled(true);
        const bool automatic = m.Option6[0]->isChecked();
        m.Slider5->setEnabled(automatic);
        m.Label7->setEnabled(automatic);
        m.Command4[0]->setEnabled(!automatic);
        m.Command4[1]->setEnabled(!automatic);
        if (automatic)
            m.Timer2->start();
        else
            m.Timer2->stop();
    } else {
        for (QWidget* w : std::initializer_list<QWidget*>{m.Option6[0], m.Option6[1], m.Slider5,
                                                          m.Label7, m.Command4[0], m.Command4[1]})
            w->setEnabled(false);
        m.Timer2->stop();
    }
}

void frmControl::ViewChanged(int visibleCount)
{
    visibleCount_ = visibleCount == 3 ? 3 : 2;
    Label4->setEnabled(visibleCount_ == 3);
    Combo1[3]->setEnabled(visibleCount_ == 3 && !Check1->isChecked());

    // The main window may have switched "more axes" off for the new view; the panel then
    // lists the drawn axes as the combos show them.
    Workspace& ws = app_.ws();
    if (!ws.moreAxes) {
        if (Check1->isChecked()) {
            Check1->setChecked(false);
            SetMoreAxesControls(false);
        }
        List2->clear();
        for (int i = 1; i <= visibleCount_; ++i) List2->addItem(Text(FormatNumber(ComboEof(i))));
        if (ws.refTaxonCount > 2) ShowKiyo();
        ws.selectedAxisCount = static_cast<int16_t>(visibleCount_);
    }
}

void frmControl::Unload()
{
    if (unloaded_) return;
    unloaded_ = true;
    app_.main().setEnabled(true);
    app_.main().ShowAxisStatus();
}

void frmControl::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !unloaded_)
        app_.main().setEnabled(false);
    QWidget::changeEvent(event);
}

void frmControl::closeEvent(QCloseEvent* event)
{
    Unload();
    event->accept();
    app_.UnloadControl();
}

bool frmControl::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == List1) Command1->setEnabled(true);
        if (watched == List2) Command2->setEnabled(true);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace tarvex
