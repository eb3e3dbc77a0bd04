#include <QApplication>
#include <QWidget>

#include "platform/Program.h"
#include "gui/QtText.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(ToQString(platform::ProductName()));
    window.show();
    return app.exec();
}
