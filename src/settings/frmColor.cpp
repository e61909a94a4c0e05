#include "settings/frmColor.h"

#include <QEvent>
#include <QSignalBlocker>
#include <algorithm>
#include <cmath>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "mat/frmMAT.h"
#include "settings/ColourProfile.h"
#include "ui/PictureBox.h"

namespace tarvex {

namespace {

constexpr int kBoxWidth = 320;
constexpr int kBoxHeight = 70;
constexpr int kLabelRow = 18;
const Colour kComponentColour[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
const char* const kComponentName[3] = {"Red", "Green", "Blue"};

}  // namespace

frmColor::frmColor(App& app) : app_(app)
{
    setWindowTitle("Colour settings");
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    for (int k = 0; k < 3; ++k) {
        // The stop labels sit in a strip above their box, each over its corner point.
        auto* strip = new QWidget(this);
        strip->setFixedHeight(kLabelRow);
        strip->setMinimumWidth(kBoxWidth);
        auto& labels = k == 0 ? Label0 : k == 1 ? Label1 : Label2;
        for (auto& l : labels) {
            l = new QLabel(strip);
            l->setAlignment(Qt::AlignCenter);
        }
        auto* pic = new PictureBox(this);
        pic->setMinimumSize(kBoxWidth, kBoxHeight);
        pic->setToolTip(QString("%1: drag the corner points").arg(kComponentName[k]));
        pic->setMouseTracking(true);
        Picture2[static_cast<std::size_t>(k)] = pic;
        layout->addWidget(strip);
        layout->addWidget(pic, 1);
        connect(pic, &PictureBox::mousePressed, this, [this, k](Qt::MouseButton b, double x, double y) {
            if (b == Qt::LeftButton) ProfileDown(k, x, y);
        });
        connect(pic, &PictureBox::mouseMoved, this,
                [this, k](Qt::MouseButton, double x, double y) { ProfileMove(k, x, y); });
        connect(pic, &PictureBox::mouseReleased, this,
                [this, k](Qt::MouseButton, double x, double y) { ProfileUp(k, x, y); });
    }
    Picture1 = new PictureBox(this);
    Picture1->setMinimumSize(kBoxWidth, 24);
    Picture1->setMaximumHeight(32);
    layout->addSpacing(6);
    layout->addWidget(Picture1);
    Label3 = new QLabel(this);
    layout->addWidget(Label3);
    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setRange(0, 100);
    Slider1->setPageStep(5);
    layout->addWidget(Slider1);
    auto* buttons = new QHBoxLayout;
    Command1 = new QPushButton("Grey scale", this);
    Command3 = new QPushButton("Reset", this);
    Command2 = new QPushButton("OK", this);
    buttons->addWidget(Command1);
    buttons->addWidget(Command3);
    buttons->addStretch(1);
    buttons->addWidget(Command2);
    layout->addLayout(buttons);

    connect(Slider1, &QSlider::valueChanged, this, [this](int v) {
        // A keyboard step has no release: it counts as one at once.
        MoveCutOff(app_.ws().colours, v, !Slider1->isSliderDown());
        DrawPreview();
        PlaceLabels();
    });
    connect(Slider1, &QSlider::sliderReleased, this, [this] {
        MoveCutOff(app_.ws().colours, Slider1->value(), true);
        Command2->setFocus();
    });
    connect(Command1, &QPushButton::clicked, this, [this] {
        ChooseGreyScale(app_.ws().colours);
        ApplyPresetChange();
    });
    connect(Command3, &QPushButton::clicked, this, [this] {
        ResetColours(app_.ws().colours);
        ApplyPresetChange();
    });
    connect(Command2, &QPushButton::clicked, this, [this] { accept(); });
    resize(kBoxWidth + 40, 3 * (kBoxHeight + kLabelRow) + 160);
}

frmColor::~frmColor() = default;

void frmColor::Open()
{
    keptStops_ = app_.ws().colours.colourScaleStops;
    show();
    raise();
    activateWindow();
    Redraw();
}

void frmColor::Redraw()
{
    const ColourScheme& scheme = app_.ws().colours;
    ShowComponents();
    {
        const QSignalBlocker block(Slider1);
        Slider1->setValue(static_cast<int>(std::lround(scheme.colourScaleSlider * 100.0f)));
    }
    DrawProfiles();
    DrawPreview();
    PlaceLabels();
}

void frmColor::ApplyPresetChange()
{
    // The presets recolour everything that has drawn, as the main window's menu does.
    app_.main().ApplyPresetRedraws();
    Redraw();
}

void frmColor::ShowComponents()
{
    // In grey display only the blue profile is edited; red and green follow it.
    const bool grey = app_.ws().colours.greyScaleOn;
    for (int k = 0; k < 2; ++k) {
        Picture2[static_cast<std::size_t>(k)]->setVisible(!grey);
        auto& labels = k == 0 ? Label0 : Label1;
        labels[0]->parentWidget()->setVisible(!grey);
    }
}

double frmColor::BoxWidth(int k) const
{
    return Picture2[static_cast<std::size_t>(k)]->width() * 15.0;
}

double frmColor::BoxHeight(int k) const
{
    return Picture2[static_cast<std::size_t>(k)]->height() * 15.0;
}

void frmColor::DrawProfiles()
{
    const ColourScheme& scheme = app_.ws().colours;
    for (int k = 0; k < 3; ++k) {
        PictureBox& pic = *Picture2[static_cast<std::size_t>(k)];
        const double w = BoxWidth(k), h = BoxHeight(k);
        if (w <= 0 || h <= 0) continue;
        pic.Scale(0, 0, w, h);
        pic.SetBackColor(kWhite);
        pic.Cls();
        pic.SetDrawWidth(2);
        const Colour colour = k == 2 && scheme.greyScaleOn ? kBlack : kComponentColour[k];
        const auto points = ProfilePoints(scheme, k, w, h);
        for (std::size_t i = 0; i + 1 < points.size(); ++i)
            pic.Line(points[i].x, points[i].y, points[i + 1].x, points[i + 1].y, colour);
        // The handles, as small squares a user can see and grab.
        for (std::size_t i = 1; i <= 4; ++i)
            pic.BoxFill(points[i].x - 45, points[i].y - 45, points[i].x + 45, points[i].y + 45,
                        colour);
        pic.Refresh();
    }
}

void frmColor::DrawPreview()
{
    const ColourScheme& scheme = app_.ws().colours;
    PictureBox& pic = *Picture1;
    pic.ResetScale();
    pic.SetBackColor(kWhite);
    pic.Cls();
    const int width = pic.PixelWidth();
    pic.BeginBatch();
    for (int x = 0; x < width; ++x)
        pic.Line(x, 0, x, pic.PixelHeight(), PreviewColour(scheme, x, width));
    pic.EndBatch();
    pic.Refresh();
}

void frmColor::PlaceLabels()
{
    const ColourScheme& scheme = app_.ws().colours;
    for (int k = 0; k < 3; ++k) {
        auto& labels = k == 0 ? Label0 : k == 1 ? Label1 : Label2;
        const PictureBox* pic = Picture2[static_cast<std::size_t>(k)];
        for (int i = 0; i < 4; ++i) {
            QLabel* l = labels[static_cast<std::size_t>(i)];
            const float stop = scheme.Stop(k, i);
            l->setText(QString::fromStdString(StopPercentText(stop)));
            const int x = static_cast<int>(stop * static_cast<float>(pic->width()));
            l->setGeometry(std::clamp(x - 20, 0, std::max(0, pic->width() - 40)), 0, 40, kLabelRow);
        }
    }
    Label3->setText(QString("Cut-off: %1 %").arg(Slider1->value()));
}

void frmColor::ProfileDown(int k, double x, double y)
{
    const ColourScheme& scheme = app_.ws().colours;
    dragHandles_ = HandlesAt(scheme, k, x, y, BoxWidth(k), BoxHeight(k));
    dragComponent_ = dragHandles_.empty() ? -1 : k;
}

void frmColor::ProfileMove(int k, double x, double y)
{
    PictureBox& pic = *Picture2[static_cast<std::size_t>(k)];
    if (dragComponent_ == k) {
        DragHandles(app_.ws().colours, k, dragHandles_, x, BoxWidth(k));
        DrawProfiles();
        PlaceLabels();
        return;
    }
    const bool near = !HandlesAt(app_.ws().colours, k, x, y, BoxWidth(k), BoxHeight(k)).empty();
    pic.SetMousePointer(near ? Pointer::SizeWE : Pointer::Default);
}

void frmColor::ProfileUp(int k, double x, double)
{
    if (dragComponent_ != k) return;
    ReleaseHandles(app_.ws().colours, k, dragHandles_, x, BoxWidth(k));
    dragHandles_.clear();
    dragComponent_ = -1;
    DrawProfiles();
    DrawPreview();
    PlaceLabels();
    Command2->setFocus();
    Picture2[static_cast<std::size_t>(k)]->SetMousePointer(Pointer::Default);
}

void frmColor::done(int result)
{
    QDialog::done(result);
    Workspace& ws = app_.ws();
    if (!ws.colours.coloursChanged) return;
    if (app_.matLoaded() && (ws.calibReturned || ws.histBuilt)) {
        app_.mat().RedrawMatrices();
        if (ws.reconShown) app_.mat().DrawReconCurve();
    }
    if (app_.calibLoaded()) app_.calib().ResetColour();
    if (app_.chartLoaded()) app_.chart().RedrawAll();
}

void frmColor::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Redraw();
}

void frmColor::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (isVisible()) Redraw();
}

}  // namespace tarvex
