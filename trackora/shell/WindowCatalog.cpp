// Every window class of the program, one line each: its form name, global pointer and placement.
// A window not built yet is a stand-in until its class replaces the line.
#include "consoles/FixedConsoles.h"
#include "consoles/StartupWindows.h"
#include "consoles/TfAppEbike.h"
#include "consoles/TfBrel.h"
#include "consoles/TfDVRN.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "shell/PendingWindow.h"
#include "shell/WindowOpener.h"
#include "tools/TfDebug.h"
#include "tools/TfDisTest.h"
#include "tools/TfGpsFinter.h"
#include "tools/TfgSensorData.h"
#include "tools/TfLog.h"
#include "tools/TfMoni.h"
#include "tools/TfNetTest.h"
#include "tools/TfQ7GpsMoni.h"
#include "tools/TfQRCreate.h"

namespace {
void Pending(const char* form, const char* caption, Placement placement, bool fixed = false) {
    RegisterPendingWindow(form, QString::fromUtf8(caption), placement, fixed);
}
}  // namespace

void RegisterAllWindows() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterWindow("TfOutPut", fOutPut, Placement::Output, true);
    RegisterWindow("TfComManage", fComManage, Placement::TopRow, true);
    RegisterWindow("TfEquManage", fEquManage, Placement::TopRow, true);
    RegisterWindow("TfServer", fServer, Placement::TopRow, true);
    RegisterWindow("TfDVRN", fDVRN, Placement::Others);
    RegisterWindow("TfSmsTest", fSmsTest, Placement::TestRow);
    RegisterWindow("TfCallTest", fCallTest, Placement::TestRow);
    RegisterWindow("TfGpsFinter", fGpsFinter, Placement::Recorders);
    RegisterWindow("TfQ7GpsMoni", fQ7GpsMoni, Placement::Recorders);
    RegisterWindow("TfAppEbike", fAppEbike, Placement::Others);
    Pending("Tf640Manage", "640终端", Placement::Others);
    Pending("TfwlwManage", "物联网协议终端", Placement::Others);
    RegisterWindow("TfBrel", fBrel, Placement::Others);
    RegisterWindow("TfRK_mtv", fRK_mtv, Placement::Others);
    Pending("TfCCDJ", "超常待机终端", Placement::Others);
    Pending("TfWifiShoes", "WIFI/GPS定位鞋", Placement::Others);
    Pending("TfBagManage", "定位书包管理", Placement::Others);
    Pending("TfPW3310", "PW3310定位手表", Placement::Others);
    Pending("TfPW3318", "PW3318_4G手表", Placement::Others);
    RegisterWindow("TfSFWatch", fSFWatch, Placement::Others);
    RegisterWindow("TfMoni", fMoni, Placement::Others);
    RegisterWindow("TfDebug", fDebug, Placement::Others);
    RegisterWindow("TfNetTest", fNetTest, Placement::Others);
    RegisterWindow("TfDisTest", fDisTest, Placement::Others);
    RegisterWindow("TfgSensorData", fgSensorData, Placement::Others);
    RegisterWindow("TfQRCreate", fQRCreate, Placement::Others);
    RegisterWindow("TfLog", fLog, Placement::Others);
    RegisterWindow("TfAbout", fAbout, Placement::Others);
}
