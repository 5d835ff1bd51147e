// How often the idle program wakes: the whole program as it starts (main window, output window and the
// start-up windows), first with no port open, then with a port open on a terminal that says nothing.
//
// A wake-up is a context switch of any of the program's threads, read from /proc over a quiet spell.
// The target is at most one a second in both cases: the clock and the port list tick on whole seconds
// together, and the receiver and the receive thread sleep until bytes arrive.
//
// Usage: trackora_idle [seconds per case, default 10]
#include <pty.h>
#include <unistd.h>

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "link/ComManage.h"
#include "link/OutPut.h"
#include "link/PublicData.h"
#include "shell/KQMain.h"
#include "shell/WindowOpener.h"

namespace {

// Voluntary and involuntary context switches of every thread of this process.
long ContextSwitches() {
    long total = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream status(task.path() / "status");
        std::string key;
        long value = 0;
        while (status >> key) {
            if (key == "voluntary_ctxt_switches:" || key == "nonvoluntary_ctxt_switches:") {
                status >> value;
                total += value;
            }
        }
    }
    return total;
}

// Runs the event loop as the program does; the one timer that ends the spell adds one wake-up.
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Lets the program settle, then counts its wake-ups over `seconds`.
double WakeUpsPerSecond(int seconds) {
    RunFor(2000);
    const long before = ContextSwitches();
    const auto start = std::chrono::steady_clock::now();
    RunFor(seconds * 1000);
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return static_cast<double>(ContextSwitches() - before) / elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
    QApplication app(argc, argv);
    InitApplication();
    auto* main = new TfKQMain;
    OpenWindow("TfOutPut");
    main->show();

    std::printf(
        "trackora idle wake-ups per second over %d s (all threads; the timer that ends each spell adds "
        "%.2f)\n",
        seconds, 1.0 / seconds);
    std::printf("  no port open:           %.2f\n", WakeUpsPerSecond(seconds));

    int master = -1;
    int slave = -1;
    char name[128] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    fComManage->SetSleeper([](int) {});
    fComManage->ComboBox1->setEditText(QString::fromLatin1(name));
    fComManage->SpeedButton1Click();
    if (GlobalData.ComOpen == 0) {
        std::fprintf(stderr, "the port %s did not open\n", name);
        return 1;
    }
    char greeting[64];
    (void)::read(master, greeting, sizeof greeting);  // the three "AT" lines
    std::printf("  port open, line silent: %.2f\n", WakeUpsPerSecond(seconds));
    delete main;
    ::close(slave);
    ::close(master);
    return 0;
}
