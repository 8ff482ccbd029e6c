#include "chat/app/tavernwprogram.h"
#include "common/programicon.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The splash and the main window close separately; the program ends with the main window.
    QApplication::setQuitOnLastWindowClosed(false);
    // Every window and box of the program shows its own icon.
    QApplication::setWindowIcon(ferry::programIcon(QStringLiteral("tavern97")));

    CTavernwProgram program(QString::fromLocal8Bit(argv[0]));
    switch (program.Start()) {
    case CTavernwProgram::StartResult::HandedOver:
        return 0;
    case CTavernwProgram::StartResult::Failed:
        return 1;
    case CTavernwProgram::StartResult::Running:
        break;
    }
    QObject::connect(&program, &CTavernwProgram::finished, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    const int code = app.exec();
    program.Shutdown();
    return code;
}
