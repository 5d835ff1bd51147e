// The program block: the application, the folder of the program's files, the main window, then the
// output window, then the message loop.
#include <QApplication>
#include <cstdio>

#include "link/OutPut.h"
#include "platform/DataFolder.h"
#include "platform/MessageBox.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"

namespace {
// The exit code of a start refused for want of a folder of the user's own.
constexpr int kNoDataFolder = 2;
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // Chosen once, before any window reads or writes a file of ours. Without a folder of its own the
    // program would lose every setting and record it takes, so it says why and does not start.
    if (const DataFolderChoice& folder = InitProgramFolder(); folder.folder.empty()) {
        std::fprintf(stderr, "Trackora: %s\n", folder.error.c_str());
        ShowMessageBox(QString::fromStdString(folder.error), QString::fromUtf8(kWarningCaption),
                       MsgIcon::Error);
        return kNoDataFolder;
    }
    InitApplication();
    fKQMain = new TfKQMain;
    OpenWindow("TfOutPut");
    fKQMain->show();
    const int code = QApplication::exec();
    // Windows (and with them the port and its threads) go before the application object.
    delete fKQMain;
    return code;
}
