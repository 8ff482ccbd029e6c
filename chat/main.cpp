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
    // Connected before start-up: a close while a start-up question is open must end
    // the question's own event loop too. exit() ends every running loop, even before
    // the main loop runs (where quit() does nothing).
    QObject::connect(&program, &CTavernwProgram::finished, &app, [] { QCoreApplication::exit(0); },
                     Qt::QueuedConnection);
    switch (program.Start()) {
    case CTavernwProgram::StartResult::HandedOver:
        return 0;
    case CTavernwProgram::StartResult::Failed:
        return 1;
    case CTavernwProgram::StartResult::Closed:
        program.Shutdown();
        return 0;
    case CTavernwProgram::StartResult::Running:
        break;
    }
    const int code = app.exec();
    program.Shutdown();
    return code;
}
