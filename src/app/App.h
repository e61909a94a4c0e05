#pragma once

#include <functional>
#include <memory>

#include "app/Workspace.h"

namespace tarvex {

class Dialogs;
class frmMain;
class frmCorrelVar;
class frmAbout1;
class frmControl;
class frmDiagram;
class frmTest;
class frmMAT;
class frmECC;
class frmCalib;
class frmColor;
class frmOutPut2;
class frmTransfer;

// Owns the workspace and every window. A window is created on first use; one that another
// window touches before the user opens it is created hidden and runs its load steps.
class App {
public:
    // dialogs: the message and file-dialog layer every window uses (Qt's or a scripted one).
    explicit App(Dialogs& dialogs);
    ~App();
    App(const App&) = delete;
    App& operator=(const App&) = delete;

    Workspace& ws() { return ws_; }
    Dialogs& dialogs() { return dialogs_; }

    frmMain& main();
    frmCorrelVar& correlVar();
    frmAbout1& about();
    // The control panel; "OK" unloads it, and the next use creates it afresh.
    frmControl& control();
    void UnloadControl();

    // The fossil diagram; closing it unloads it. Touching it before the user opens it creates
    // it hidden, with its load steps run.
    frmDiagram& diagram();
    void UnloadDiagram();
    // The CONISS window opened from the diagram.
    frmTest& test();
    void UnloadTest();

    // The reconstruction window; closing it unloads it.
    frmMAT& mat();
    void UnloadMat();
    // The EOF-climate correlation window opened from the diagram; closing it unloads it.
    frmECC& ecc();
    void UnloadEcc();
    // A climate table was imported somewhere other than the reconstruction window (the
    // EOF-climate correlation window asks for one): the reconstruction window prepares its
    // parameter list and controls as after its own import, without reconstructing.
    void NotifyClimateImported();

    // The calibration window, opened by the reconstruction window's "Meridan"; closing it
    // unloads it.
    frmCalib& calib();
    void UnloadCalib();

    // The calibration chart, opened by the calibration window; closing it unloads it.
    frmOutPut2& chart();
    void UnloadChart();

    // The transfer functions, opened from the reconstruction window; closing hides it.
    frmTransfer& transfer();
    bool transferLoaded() const { return transfer_ != nullptr; }

    // "Colour settings", from whichever window asks (reconstruction, calibration, chart).
    void ShowColourSettings();
    frmColor& colour();
    bool colourLoaded() const { return colour_ != nullptr; }

    bool calibLoaded() const { return calib_ != nullptr; }
    bool chartLoaded() const { return chart_ != nullptr; }
    bool diagramLoaded() const { return diagram_ != nullptr; }
    bool matLoaded() const { return mat_ != nullptr; }
    bool eccLoaded() const { return ecc_ != nullptr; }
    bool testLoaded() const { return test_ != nullptr; }
    bool correlVarLoaded() const { return correlVar_ != nullptr; }
    bool aboutLoaded() const { return about_ != nullptr; }
    bool controlLoaded() const { return control_ != nullptr; }

    // Unloads the auxiliary windows and ends the program; nothing is saved or asked.
    void Quit();
    // What ending the program means; tests replace it to observe a quit.
    std::function<void()> endProgram;

private:
    Workspace ws_;
    Dialogs& dialogs_;
    std::unique_ptr<frmMain> main_;
    std::unique_ptr<frmCorrelVar> correlVar_;
    std::unique_ptr<frmAbout1> about_;
    std::unique_ptr<frmControl> control_;
    std::unique_ptr<frmDiagram> diagram_;
    std::unique_ptr<frmTest> test_;
    std::unique_ptr<frmMAT> mat_;
    std::unique_ptr<frmECC> ecc_;
    std::unique_ptr<frmCalib> calib_;
    std::unique_ptr<frmColor> colour_;
    std::unique_ptr<frmOutPut2> chart_;
    std::unique_ptr<frmTransfer> transfer_;
    bool quitting_ = false;
};

}  // namespace tarvex
