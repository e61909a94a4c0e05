#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <functional>

#include "app/App.h"
#include "app/frmMain.h"
#include "calib/frmCalib.h"
#include "calib/frmOutPut2.h"
#include "diagram/frmDiagram.h"
#include "eof/frmCorrelVar.h"
#include "mat/frmMAT.h"
#include "support/CalibrationPath.h"
#include "support/TestFiles.h"
#include "ui/QtDialogs.h"
#include "ui/ScriptedDialogs.h"

namespace tarvex {
namespace {

using namespace tarvex::testing;

// Scripted answers on the way to a window; then, once `real` is set, the save dialogs, the
// messages and the printer dialog are the program's own, shown offscreen.
class ShownDialogs : public ScriptedDialogs {
public:
    using ScriptedDialogs::ChoosePrinter;
    using ScriptedDialogs::SaveFile;
    using ScriptedDialogs::Warn;

    std::optional<std::string> SaveFile(QWidget* opener, const std::string& title,
                                        const std::string& filter,
                                        const std::string& suggestedName) override
    {
        if (!real) return ScriptedDialogs::SaveFile(opener, title, filter, suggestedName);
        return qt.SaveFile(opener, title, filter, suggestedName);
    }
    void Warn(QWidget* opener, const std::string& text, const std::string& title) override
    {
        if (!real) return ScriptedDialogs::Warn(opener, text, title);
        qt.Warn(opener, text, title);
    }
    std::unique_ptr<QPrinter> ChoosePrinter(QWidget* opener) override
    {
        if (!real) return ScriptedDialogs::ChoosePrinter(opener);
        return qt.ChoosePrinter(opener);
    }

    QtDialogs qt;
    bool real = false;
};

// What the next modal dialog belonged to; the dialog is then cancelled.
struct ModalSeen {
    QPointer<QWidget> parentWindow;
    QWindow* transientParent = nullptr;
    bool seen = false;
};

void CancelNextModal(ModalSeen& seen)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, &seen] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) return;
        seen.seen = true;
        seen.parentWindow = modal->parentWidget() ? modal->parentWidget()->window() : nullptr;
        if (QWindow* w = modal->windowHandle()) seen.transientParent = w->transientParent();
        if (auto* d = qobject_cast<QDialog*>(modal)) d->reject();
        timer->deleteLater();
    });
    timer->start();
}

QAction* ActionNamed(QMenu* menu, const QString& text)
{
    for (QAction* a : menu->actions())
        if (a->text() == text) return a;
    return nullptr;
}

class DialogOwnerTest : public ::testing::Test {
protected:
    DialogOwnerTest() : app(dialogs)
    {
        app.endProgram = [] {};
        dialogs.qt.SetParent(&app.main());
        app.main().show();
    }
    static void Settle()
    {
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
    }

    // Runs command with real dialogs; the dialog it shows must belong to window, and window
    // must be the active one afterwards.
    void ExpectDialogOf(QWidget& window, const std::function<void()>& command)
    {
        window.raise();
        window.activateWindow();
        Settle();
        dialogs.real = true;
        ModalSeen seen;
        CancelNextModal(seen);
        command();
        dialogs.real = false;
        Settle();
        ASSERT_TRUE(seen.seen) << window.windowTitle().toStdString();
        EXPECT_EQ(seen.parentWindow, &window) << window.windowTitle().toStdString();
        EXPECT_EQ(seen.transientParent, window.windowHandle())
            << window.windowTitle().toStdString();
        EXPECT_EQ(QApplication::activeWindow(), &window) << window.windowTitle().toStdString();
    }

    ShownDialogs dialogs;
    App app;
};

TEST_F(DialogOwnerTest, EveryDialogBelongsToTheWindowThatOpenedItAndHandsBackTheFocus)
{
    frmCalib& c = ReachCalibration(app, dialogs);
    frmMAT& r = app.mat();
    c.FigureClicked(7);
    ASSERT_TRUE(app.chartLoaded());
    frmOutPut2& chart = app.chart();
    Settle();

    // An export from the calibration chart, a save of the reconstruction window that goes
    // through the main window's file writing, a printout and a message of the calibration
    // window.
    QAction* exportChart = ActionNamed(chart.Fig1, "Export Picture...");
    ASSERT_NE(exportChart, nullptr);
    ExpectDialogOf(chart, [&] { exportChart->trigger(); });
    ExpectDialogOf(r, [&] { r.SaveCurve(); });
    ExpectDialogOf(c, [&] { c.mnuPrint->trigger(); });
    ExpectDialogOf(r, [&] { r.SaveStrativ(); });  // no histogram yet: a message
    EXPECT_FALSE(app.main().isActiveWindow());
}

TEST_F(DialogOwnerTest, ScriptedDialogsNameTheirOpener)
{
    frmCalib& c = ReachCalibration(app, dialogs);
    frmMAT& r = app.mat();
    frmDiagram& d = app.diagram();
    dialogs.records.clear();
    r.SaveScatter();
    c.SaveMatrix();
    d.SaveAllEOF();
    ASSERT_EQ(dialogs.records.size(), 3u);
    EXPECT_EQ(dialogs.records[0].opener, &r);
    EXPECT_EQ(dialogs.records[1].opener, &c);
    EXPECT_EQ(dialogs.records[2].opener, &d);
}

TEST_F(DialogOwnerTest, PretreatmentDialogStaysWithTheMainWindow)
{
    dialogs.QueueOpenFile(kExamples + "reference.csv");
    app.main().Command5->click();
    frmCorrelVar& p = app.correlVar();
    Settle();
    ASSERT_TRUE(p.isVisible());
    EXPECT_TRUE(p.isWindow());
    EXPECT_EQ(p.parentWidget(), &app.main());
    ASSERT_NE(p.windowHandle(), nullptr);
    EXPECT_EQ(p.windowHandle()->transientParent(), app.main().windowHandle());
    // Still not modal: the main window stays usable while the dialog waits for "OK".
    EXPECT_FALSE(p.isModal());
    p.Command1->click();
    EXPECT_FALSE(p.isVisible());
    EXPECT_TRUE(app.ws().eofDone);
}

}  // namespace
}  // namespace tarvex
