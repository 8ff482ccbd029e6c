#include "common/programicon.h"
#include "controlcenter/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The program ends when the main dialog closes, not when its start-up boxes do.
    app.setQuitOnLastWindowClosed(false);
    // Every window and box of the program shows its own icon.
    app.setWindowIcon(ferry::programIcon(QStringLiteral("ferrycc")));
    return ferry::runControlCenter();
}
