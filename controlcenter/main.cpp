#include "platform/unixsignals.h"

#include <QApplication>
#include <QDialog>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle(QStringLiteral("Lanway98 Control Center"));
    ferry::UnixSignalWatcher signalWatcher;
    QObject::connect(&signalWatcher, &ferry::UnixSignalWatcher::terminationRequested, &dialog, &QWidget::close);
    dialog.show();
    return app.exec();
}
