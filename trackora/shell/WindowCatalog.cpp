// Every window class of the program, one line each: its form name, global pointer and placement.
#include "shell/WindowCatalog.h"

#include "consoles/FixedConsoles.h"
#include "consoles/PersonalConsoles.h"
#include "consoles/StartupWindows.h"
#include "consoles/TfAppEbike.h"
#include "consoles/TfBrel.h"
#include "consoles/TfDVRN.h"
#include "consoles/TfPW3310.h"
#include "consoles/TfPW3318.h"
#include "consoles/VehicleConsoles.h"
#include "link/ComManage.h"
#include "link/OutPut.h"
#include "shell/WindowOpener.h"
#include "tools/TfDebug.h"
#include "tools/TfDisTest.h"
#include "tools/TfGpsFinter.h"
#include "tools/TfLog.h"
#include "tools/TfMoni.h"
#include "tools/TfNetTest.h"
#include "tools/TfQ7GpsMoni.h"
#include "tools/TfQRCreate.h"
#include "tools/TfgSensorData.h"

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
    RegisterWindow("Tf640Manage", f640Manage, Placement::Others);
    RegisterWindow("TfwlwManage", fwlwManage, Placement::Others);
    RegisterWindow("TfBrel", fBrel, Placement::Others);
    RegisterWindow("TfRK_mtv", fRK_mtv, Placement::Others);
    RegisterWindow("TfCCDJ", fCCDJ, Placement::Others);
    RegisterWindow("TfWifiShoes", fWifiShoes, Placement::Others);
    RegisterWindow("TfBagManage", fBagManage, Placement::Others);
    RegisterWindow("TfPW3310", fPW3310, Placement::Others);
    RegisterWindow("TfPW3318", fPW3318, Placement::Others);
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
