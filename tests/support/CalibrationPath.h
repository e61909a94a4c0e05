#pragma once

// The steps a user takes on the example data up to the calibration, shared by the window
// tests that start from there.
#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "support/TestFiles.h"
#include "ui/ScriptedDialogs.h"

#include <QCheckBox>
#include <QPushButton>

namespace tarvex::testing {

// Reference and fossil import, the reconstruction with the example climate table and its
// error model; the reconstruction window is returned.
inline frmMAT& ReachErrorModel(App& app, ScriptedDialogs& dialogs)
{
    dialogs.QueueOpenFile(kExamples + "reference.csv");
    app.main().Command5->click();
    app.correlVar().Command1->click();
    dialogs.QueueOpenFile(kExamples + "fossil.csv");
    app.main().Command6->click();
    app.main().Command8->click();
    frmMAT& r = app.mat();
    dialogs.QueueOpenFile(kExamples + "climate.csv");
    r.Command1->click();
    r.Command3->click();
    return r;
}

// Then "Meridan", "Generate model" and "Start": every figure of the calibration drawn.
inline frmCalib& ReachCalibration(App& app, ScriptedDialogs& dialogs)
{
    ReachErrorModel(app, dialogs).Command6->click();
    frmCalib& c = app.calib();
    c.Check4->click();
    c.Command3->click();
    return c;
}

}  // namespace tarvex::testing
