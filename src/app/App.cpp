#include "app/App.h"

#include <QApplication>

#include "app/frmAbout1.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "diagram/frmDiagram.h"
#include "diagram/frmECC.h"
#include "diagram/frmTest.h"
#include "eof/frmControl.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "settings/frmColor.h"
#include "tf/frmTransfer.h"
#include "ui/Dialogs.h"

namespace tarvex {

App::App(Dialogs& dialogs) : dialogs_(dialogs)
{
    endProgram = [] { QApplication::quit(); };
}

App::~App()
{
    // Auxiliary windows go first: they may still refer to the main window.
    colour_.reset();
    chart_.reset();
    calib_.reset();
    ecc_.reset();
    test_.reset();
    diagram_.reset();
    control_.reset();
    about_.reset();
    correlVar_.reset();
    main_.reset();
}

frmMain& App::main()
{
    if (!main_) main_ = std::make_unique<frmMain>(*this);
    return *main_;
}

frmCorrelVar& App::correlVar()
{
    if (!correlVar_) correlVar_ = std::make_unique<frmCorrelVar>(*this);
    return *correlVar_;
}

frmAbout1& App::about()
{
    if (!about_) about_ = std::make_unique<frmAbout1>();
    return *about_;
}

frmControl& App::control()
{
    if (!control_) control_ = std::make_unique<frmControl>(*this);
    return *control_;
}

frmDiagram& App::diagram()
{
    if (!diagram_) {
        diagram_ = std::make_unique<frmDiagram>(*this);
        diagram_->Load();
    }
    return *diagram_;
}

namespace {

// A window may unload itself from one of its own handlers: Qt deletes it once that handler
// has returned.
template <typename Window>
void UnloadLater(std::unique_ptr<Window>& window)
{
    if (!window) return;
    Window* w = window.release();
    w->hide();
    w->deleteLater();
}

}  // namespace

void App::UnloadDiagram()
{
    UnloadLater(diagram_);
}

frmTest& App::test()
{
    if (!test_) test_ = std::make_unique<frmTest>(*this);
    return *test_;
}

void App::UnloadTest()
{
    UnloadLater(test_);
}

frmMAT& App::mat()
{
    if (!mat_) {
        mat_ = std::make_unique<frmMAT>(*this);
        mat_->Load();
    }
    return *mat_;
}

void App::UnloadMat()
{
    UnloadLater(mat_);
}

frmECC& App::ecc()
{
    if (!ecc_) ecc_ = std::make_unique<frmECC>(*this);
    return *ecc_;
}

void App::UnloadEcc()
{
    UnloadLater(ecc_);
}

frmCalib& App::calib()
{
    if (!calib_) {
        calib_ = std::make_unique<frmCalib>(*this);
        calib_->Load();
    }
    return *calib_;
}

void App::UnloadCalib()
{
    UnloadLater(calib_);
}

frmOutPut2& App::chart()
{
    if (!chart_) chart_ = std::make_unique<frmOutPut2>(*this);
    return *chart_;
}

void App::UnloadChart()
{
    UnloadLater(chart_);
}

frmTransfer& App::transfer()
{
    if (!transfer_) transfer_ = std::make_unique<frmTransfer>(*this);
    return *transfer_;
}

void App::ShowColourSettings()
{
    colour().Open();
}

frmColor& App::colour()
{
    if (!colour_) colour_ = std::make_unique<frmColor>(*this);
    return *colour_;
}

void App::NotifyClimateImported()
{
    // A window that is not open prepares itself from the workspace when it is activated.
    if (mat_) mat_->ClimateImported();
}

void App::UnloadControl()
{
    UnloadLater(control_);
}

void App::Quit()
{
    if (quitting_) return;
    quitting_ = true;
    test_.reset();
    ecc_.reset();
    colour_.reset();
    chart_.reset();
    calib_.reset();
    transfer_.reset();
    mat_.reset();
    if (diagram_) diagram_->hide();
    control_.reset();
    about_.reset();
    correlVar_.reset();
    if (main_) main_->hide();
    if (endProgram) endProgram();
    quitting_ = false;
}

}  // namespace tarvex
