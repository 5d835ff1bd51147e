// Program start-up: until the main window exists, the port manager is the program's window.
#include <QApplication>

#include "link/ComManage.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TfComManage portManager;
    portManager.show();
    return app.exec();
}
