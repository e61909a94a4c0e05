// The transfer-function window on real data, driven with scripted dialogs, saved as a PNG.
//   tarvex-transfer-shots OUT.png REFERENCE FOSSIL|- CLIMATE PARAMETER
//                         (hblock KM LOCATIONS | bootstrap N) [SECONDS]
// TARVEX_SHOT_SIZE=WxH in the environment sets the window's size.
// The window stays on screen SECONDS more (default 0) so a screenshot of the display can be
// taken under a virtual X server as well.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QThread>
#include <cstdio>
#include <string>

#include "app/App.h"
#include "app/frmMain.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "tf/frmTransfer.h"
#include "ui/ScriptedDialogs.h"

using namespace tarvex;

int main(int argc, char** argv)
{
    QApplication qapp(argc, argv);
    if (argc < 8) {
        std::fprintf(stderr,
                     "usage: tarvex-transfer-shots OUT.png REFERENCE FOSSIL|- CLIMATE PARAMETER "
                     "(hblock KM LOCATIONS | bootstrap N) [SECONDS]\n");
        return 2;
    }
    const std::string out = argv[1], mode = argv[6];
    ScriptedDialogs dialogs;
    App app(dialogs);
    app.endProgram = [] {};
    frmMain& m = app.main();
    dialogs.QueueOpenFile(std::string(argv[2]));
    m.Command5->click();
    app.correlVar().Command1->click();
    if (std::string(argv[3]) != "-") {
        dialogs.QueueOpenFile(std::string(argv[3]));
        m.Command6->click();
    }
    m.Command8->click();
    frmMAT& r = app.mat();
    dialogs.QueueOpenFile(std::string(argv[4]));
    r.Command1->click();
    r.Combo1->setCurrentText(argv[5]);
    r.mnuTransfer->trigger();
    frmTransfer& t = app.transfer();
    // TARVEX_SHOT_SIZE=WxH resizes the window; otherwise it keeps its default size.
    const QByteArray size = qgetenv("TARVEX_SHOT_SIZE");
    if (!size.isEmpty()) {
        const QList<QByteArray> wh = size.split('x');
        if (wh.size() == 2) t.resize(wh[0].toInt(), wh[1].toInt());
    }
    t.CheckTolerance->setChecked(true);
    int next = 8;
    if (mode == "hblock") {
        t.OptionHBlock->setChecked(true);
        t.TextKm->setText(argv[7]);
        dialogs.QueueOpenFile(std::string(argv[8]));
        t.CommandLocations->click();
        next = 9;
    } else {
        t.OptionBootstrap->setChecked(true);
        t.CheckErrors->setChecked(true);
        t.SpinResamples->setValue(std::stoi(argv[7]));
    }
    t.CheckSignificance->setChecked(std::string(argv[3]) != "-");
    t.CommandStart->click();
    t.WaitForRun();
    const int param = t.ComboParameter->findText(argv[5]);
    if (param >= 0) t.ComboParameter->setCurrentIndex(param);
    QApplication::processEvents();
    t.grab().save(QString::fromStdString(out));
    for (const std::string& m : dialogs.MessageTexts()) std::fprintf(stderr, "%s\n", m.c_str());
    std::printf("%s\n", out.c_str());
    const int seconds = argc > next ? std::stoi(argv[next]) : 0;
    for (int i = 0; i < seconds * 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(100);
    }
    return 0;
}
