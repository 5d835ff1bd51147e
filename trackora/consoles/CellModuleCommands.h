// The sub-commands of a terminal's 4G cell module: every one is command 0x03A5 with the sub-code as its
// first payload byte, then the sub-code's arguments. Each sub-code has one argument shape; a console
// names the controls a button reads (and the fixed argument of the sub-codes that have one) and gets the
// button's command row. Character arguments are ASCII digits: '1' is 0x31.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "consoles/CommandKit.h"

constexpr int kCellModuleCmd = 0x03A5;

enum class CellSub : uint8_t {
    PppConnect = 0,
    PppDisconnect = 1,
    SocketCreate = 2,
    SocketConnect = 3,
    SocketClose = 4,
    SocketSend = 5,  // n, then n bytes from hexadecimal digit pairs of `control`
    Dial = 6,        // n, then the n characters of `control`
    Answer = 7,
    HangUp = 8,
    SerialTest = 10,  // the number of `control`, two bytes high first
    ModuleState = 11,
    ModuleOn = 12,
    ModuleOff = 13,
    MicBiasOn = 14,
    MicBiasOff = 15,
    EnterReset = 16,
    LeaveReset = 17,
    MtkState = 18,  // the index of `control`
    MtkInterrupt = 19,
    SleepState = 20,
    InterruptHigh = 21,
    InterruptLow = 22,
    UsbSwitch = 23,  // the character `value`: '1' on, '0' off, '2' always on, '3' always off
    MtkFlightOn = 24,
    MtkFlightOff = 25,
    NetworkMode =
        26,  // `value` (2 2G only, 4 LTE, 5 LTE then GSM, 6 GSM then LTE) + the index of `control`, if any
    AutoHeartbeat = 29,  // the index of `control`, then the number of `control2` as one byte
    MtkUartState = 30,
    MtkUartDebug = 31,  // the index of `control`
    DlPort = 32,        // the character `value`: '0' open, '1' close
    SocketBuffer = 33,  // the index of `control`, then the index of `control2` + 1
    SetClsUsb = 34,     // the index of `control`
    QueryClsUsb = 35,
    Speaker = 36,  // the character `value`: '1' allow, '0' forbid
    SetImei = 37,  // the first 15 characters of `control` (zero bytes where it is shorter), four zero bytes
    ReadImei = 38,
};

// What a button gives its sub-command: the controls it reads and the fixed argument, as the sub-code's
// line above says. A sub-code without arguments takes none.
struct CellArgs {
    CellArgs() = default;
    CellArgs(const char* control, const char* control2 = "") : control(control), control2(control2) {}
    // The fixed argument alone, or added to the index of `control` (NetworkMode).
    static CellArgs Fixed(int value, const char* control = "") {
        CellArgs args(control);
        args.value = value;
        return args;
    }

    std::string control;
    std::string control2;
    int value = -1;  // -1: none given
};

// The command row of a button that sends a sub-command. Throws std::invalid_argument when the arguments
// do not fit the sub-code's shape, so a wrong table row shows the first time its window is built.
CommandDecl CellModuleButton(const char* button, const char* caption, CellSub sub, CellArgs args = {},
                             std::vector<std::string> beside = {});

// The payload fields of a sub-command (the sub-code byte first), as CellModuleButton puts them in its row.
std::vector<PayloadField> CellModulePayload(CellSub sub, const CellArgs& args);

// The error-text display (command 0x03A6): each line as its length byte and its bytes, a line of 20 bytes
// or more cut to 19; the cut never splits a two-byte character.
constexpr int kErrorDisplayCmd = 0x03A6;
std::string ErrorDisplayLine(const std::string& cp936);
// The payload field that reads the two line edits.
PayloadField ErrorDisplayField(const char* line1Edit, const char* line2Edit);
