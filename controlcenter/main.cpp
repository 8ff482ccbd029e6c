#include "controlcenter/startup.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    // The program ends when the main dialog closes, not when its start-up boxes do.
    app.setQuitOnLastWindowClosed(false);
    return ferry::runControlCenter();
}
