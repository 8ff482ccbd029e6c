#include <QApplication>
#include <QMainWindow>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow frame;
    frame.setWindowTitle(QStringLiteral("The Hearthside 97"));
    frame.resize(640, 480);
    frame.show();
    return app.exec();
}
