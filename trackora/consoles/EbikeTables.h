// The pages of the e-bike and motorbike console: the parameter pages' fields in the one order both
// parameter buttons emit them, and the command pages' controls and buttons. Captions repeat between
// buttons, so every button is known by its own name.
#pragma once

#include <string>
#include <vector>

#include "consoles/CommandKit.h"
#include "consoles/ConsoleControls.h"
#include "consoles/ParamConsole.h"
#include "consoles/ParamText.h"

// All twelve pages in page order; a command page has no fields.
const std::vector<ParamPage>& EbikeParamPages();
// Fields that "check all" and "clear all" leave as they are.
const std::vector<std::string>& EbikeKeepOnCheckAll();
// The page whose check boxes all start checked.
constexpr int kEbikeDownloadPage = 8;
// The note under the fields of page 0 (shown in red): the IMEI there is not the module's own.
inline constexpr int kEbikeMakerPage = 0;
inline constexpr char kEbikeImeiNote[] = "注：此IMEI只用于平台通信,入网IMEI请单独写入。";

// The download page's fields sit in headed groups, in field order.
using EbikeFieldGroup = FieldGroup;
const std::vector<EbikeFieldGroup>& EbikeDownloadGroups();

struct EbikeCommandPage {
    int index;
    std::vector<ControlDecl> controls;
    std::vector<CommandDecl> commands;
};
const std::vector<EbikeCommandPage>& EbikeCommandPages();
// Every button row of the command pages, for finding a row by its button.
const std::vector<CommandDecl>& EbikeCommands();

// Buttons the window handles itself (rows with code -1).
namespace ebike {
inline constexpr char kStartCalibration[] = "StartCalibration";
inline constexpr char kSerialPortTest[] = "SerialPortTest";
inline constexpr char kStartSpeedRead[] = "StartSpeedRead";
inline constexpr char kStopSpeedRead[] = "StopSpeedRead";
inline constexpr char kWriteImei[] = "WriteImei";
inline constexpr char kReadImei[] = "ReadImei";
inline constexpr char kSendAtLine[] = "SendAtLine";
inline constexpr char kStartMonitor[] = "StartMonitor";
inline constexpr char kStopMonitor[] = "StopMonitor";
inline constexpr char kShowPageIndex[] = "ShowPageIndex";
// Controls the window's own code reads.
inline constexpr char kImeiEdit[] = "EditImei";
inline constexpr char kAtLineEdit[] = "EditAtLine";
}  // namespace ebike
