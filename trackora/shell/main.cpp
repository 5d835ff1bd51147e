// The program block: the application, the main window, then the output window, then the message loop.
#include <QApplication>

#include "link/OutPut.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    InitApplication();
    fKQMain = new TfKQMain;
    OpenWindow("TfOutPut");
    fKQMain->show();
    const int code = QApplication::exec();
    // Windows (and with them the port and its threads) go before the application object.
    delete fKQMain;
    return code;
}
