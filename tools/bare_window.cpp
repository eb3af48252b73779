// The least a Qt Widgets program shows: one window of Corvantile's size with nothing in it. The
// start-up measure compares Corvantile's first full frame against this one's, built with the
// same Qt.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.setFixedSize(688, 552);
    window.show();
    return app.exec();
}
