#include <QApplication>

#include "app/App.h"
#include "app/frmMain.h"
#include "ui/QtDialogs.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName("Tarvex");
    QApplication::setApplicationVersion("1.5");

    tarvex::QtDialogs dialogs;
    tarvex::App app(dialogs);
    dialogs.SetParent(&app.main());
    app.main().show();
    return QApplication::exec();
}
