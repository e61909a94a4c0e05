#include "app/App.h"

#include <QApplication>

#include "app/frmAbout1.h"
#include "app/frmMain.h"
#include "eof/frmControl.h"
#include "eof/frmCorrelVar.h"

namespace tarvex {

App::App(Dialogs& dialogs) : dialogs_(dialogs)
{
    endProgram = [] { QApplication::quit(); };
}

App::~App()
{
    // Auxiliary windows go first: they may still refer to the main window.
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

void App::UnloadControl()
{
    if (!control_) return;
    // The panel may be unloading itself from one of its own handlers: let Qt delete it once
    // that handler has returned.
    frmControl* panel = control_.release();
    panel->hide();
    panel->deleteLater();
}

void App::Quit()
{
    if (quitting_) return;
    quitting_ = true;
    control_.reset();
    about_.reset();
    correlVar_.reset();
    if (main_) main_->hide();
    if (endProgram) endProgram();
    quitting_ = false;
}

}  // namespace tarvex
