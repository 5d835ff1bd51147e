// The cell-module sub-commands: every sub-code as the hex line it leaves as, the counts that cannot be
// said in one byte, a short IMEI, rows that do not fit their sub-code, and the error-text display.
#include <QGridLayout>
#include <QWidget>
#include <stdexcept>

#include "console_fixture.h"
#include "consoles/CellModuleCommands.h"

namespace {

class CellModuleTest : public ConsoleTest {
  protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        auto* grid = new QGridLayout(&form);
        int row = 0;
        for (const auto& decl :
             {EditDecl("Data", "", "414243"), EditDecl("Phone", "", "13800000000"),
              EditDecl("Test", "", "12"), EditDecl("Beat", "", "50"), EditDecl("Imei", "", "123456789012345"),
              EditDecl("Line1", "", "Error line1"), EditDecl("Line2", "", "Error line2"),
              ComboDecl("Pick", "", {"禁止", "允许"}, 1), ComboDecl("Count", "", NumberedItems("", 1, 5), 1)})
            AddControl(&form, grid, row++, 0, decl);
    }
    // Runs the row as its button would and returns the line sent ("" when nothing went out).
    std::string Send(const CommandDecl& decl) {
        port.lines.clear();
        (void)RunCommand(&form, decl);
        return port.lines.empty() ? std::string() : port.lines.back();
    }
    QWidget form;
};

// Lines: "ATKQ", 4B 51, nine 00, 03 A5, Len, payload, sum, 0D 0A, CR LF. The sum is 0x4B + 0x51 + 0x03 +
// 0xA5 = 0x144 plus Len plus the payload bytes, low 8 bits: a lone sub-code s gives 0x45 + s.
TEST_F(CellModuleTest, EverySubCodeAsItsLine) {
    struct Row {
        CellSub sub;
        CellArgs args;
        const char* line;  // without CR LF
    } rows[] = {
        {CellSub::PppConnect, {}, "ATKQ4B5100000000000000000003A5000100450D0A"},
        {CellSub::PppDisconnect, {}, "ATKQ4B5100000000000000000003A5000101460D0A"},
        {CellSub::SocketCreate, {}, "ATKQ4B5100000000000000000003A5000102470D0A"},
        {CellSub::SocketConnect, {}, "ATKQ4B5100000000000000000003A5000103480D0A"},
        {CellSub::SocketClose, {}, "ATKQ4B5100000000000000000003A5000104490D0A"},
        // 05 03 41 42 43: 0x144 + 5 + 0x05 + 0x03 + 0xC6 = 0x217
        {CellSub::SocketSend, {"Data"}, "ATKQ4B5100000000000000000003A500050503414243170D0A"},
        // 06 0B "13800000000": 0x144 + 0x0D + 0x06 + 0x0B + (0x31 + 0x33 + 0x38 + 8 * 0x30 = 0x1FC) = 0x37E
        {CellSub::Dial, {"Phone"}, "ATKQ4B5100000000000000000003A5000D060B31333830303030303030307E0D0A"},
        {CellSub::Answer, {}, "ATKQ4B5100000000000000000003A50001074C0D0A"},
        {CellSub::HangUp, {}, "ATKQ4B5100000000000000000003A50001084D0D0A"},
        // 0A 00 0C: 0x144 + 3 + 0x0A + 0x0C = 0x15D
        {CellSub::SerialTest, {"Test"}, "ATKQ4B5100000000000000000003A500030A000C5D0D0A"},
        {CellSub::ModuleState, {}, "ATKQ4B5100000000000000000003A500010B500D0A"},
        {CellSub::ModuleOn, {}, "ATKQ4B5100000000000000000003A500010C510D0A"},
        {CellSub::ModuleOff, {}, "ATKQ4B5100000000000000000003A500010D520D0A"},
        {CellSub::MicBiasOn, {}, "ATKQ4B5100000000000000000003A500010E530D0A"},
        {CellSub::MicBiasOff, {}, "ATKQ4B5100000000000000000003A500010F540D0A"},
        {CellSub::EnterReset, {}, "ATKQ4B5100000000000000000003A5000110550D0A"},
        {CellSub::LeaveReset, {}, "ATKQ4B5100000000000000000003A5000111560D0A"},
        // 12 01: 0x144 + 2 + 0x12 + 0x01 = 0x159
        {CellSub::MtkState, {"Pick"}, "ATKQ4B5100000000000000000003A500021201590D0A"},
        {CellSub::MtkInterrupt, {}, "ATKQ4B5100000000000000000003A5000113580D0A"},
        {CellSub::SleepState, {}, "ATKQ4B5100000000000000000003A5000114590D0A"},
        {CellSub::InterruptHigh, {}, "ATKQ4B5100000000000000000003A50001155A0D0A"},
        {CellSub::InterruptLow, {}, "ATKQ4B5100000000000000000003A50001165B0D0A"},
        // 17 31: 0x144 + 2 + 0x17 + 0x31 = 0x18E; '0' one less, '3' two more
        {CellSub::UsbSwitch, CellArgs::Fixed('1'), "ATKQ4B5100000000000000000003A5000217318E0D0A"},
        {CellSub::UsbSwitch, CellArgs::Fixed('0'), "ATKQ4B5100000000000000000003A5000217308D0D0A"},
        {CellSub::UsbSwitch, CellArgs::Fixed('3'), "ATKQ4B5100000000000000000003A500021733900D0A"},
        {CellSub::MtkFlightOn, {}, "ATKQ4B5100000000000000000003A50001185D0D0A"},
        {CellSub::MtkFlightOff, {}, "ATKQ4B5100000000000000000003A50001195E0D0A"},
        // 1A 04: 0x144 + 2 + 0x1A + 0x04 = 0x164; with a combo at index 1, 4 + 1 = 5
        {CellSub::NetworkMode, CellArgs::Fixed(4), "ATKQ4B5100000000000000000003A500021A04640D0A"},
        {CellSub::NetworkMode, CellArgs::Fixed(4, "Pick"), "ATKQ4B5100000000000000000003A500021A05650D0A"},
        {CellSub::NetworkMode, CellArgs::Fixed(2), "ATKQ4B5100000000000000000003A500021A02620D0A"},
        // 1D 01 32: 0x144 + 3 + 0x1D + 0x01 + 0x32 = 0x197
        {CellSub::AutoHeartbeat, {"Pick", "Beat"}, "ATKQ4B5100000000000000000003A500031D0132970D0A"},
        {CellSub::MtkUartState, {}, "ATKQ4B5100000000000000000003A500011E630D0A"},
        {CellSub::MtkUartDebug, {"Pick"}, "ATKQ4B5100000000000000000003A500021F01660D0A"},
        // 20 30: 0x144 + 2 + 0x20 + 0x30 = 0x196
        {CellSub::DlPort, CellArgs::Fixed('0'), "ATKQ4B5100000000000000000003A500022030960D0A"},
        // 21 01 02 (index 1 of "1".."5" + 1): 0x144 + 3 + 0x21 + 0x01 + 0x02 = 0x16B
        {CellSub::SocketBuffer, {"Pick", "Count"}, "ATKQ4B5100000000000000000003A500032101026B0D0A"},
        {CellSub::SetClsUsb, {"Pick"}, "ATKQ4B5100000000000000000003A500022201690D0A"},
        {CellSub::QueryClsUsb, {}, "ATKQ4B5100000000000000000003A5000123680D0A"},
        // 24 31: 0x144 + 2 + 0x24 + 0x31 = 0x19B
        {CellSub::Speaker, CellArgs::Fixed('1'), "ATKQ4B5100000000000000000003A5000224319B0D0A"},
        // 25, "123456789012345" (0x31..0x39, 0x30..0x35 = 0x1D1 + 0x10E = 0x2DF), four 00:
        // 0x144 + 0x14 + 0x25 + 0x2DF = 0x489
        {CellSub::SetImei,
         {"Imei"},
         "ATKQ4B5100000000000000000003A500142531323334353637383930313233343500000000890D0A"},
        {CellSub::ReadImei, {}, "ATKQ4B5100000000000000000003A50001266B0D0A"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.sub));
        EXPECT_EQ(Send(CellModuleButton("B", "", row.sub, row.args)), std::string(row.line) + "\r\n");
    }
    EXPECT_TRUE(boxes.empty());
}

TEST_F(CellModuleTest, WhatCannotBeSaidIsRefusedAndAShortImeiIsMadeUpWithZeros) {
    Type(&form, "Data", "41424");  // the unpaired last digit is left out
    EXPECT_EQ(ParseLine(Send(CellModuleButton("B", "", CellSub::SocketSend, {"Data"}))).payload,
              std::string("\x05\x02\x41\x42", 4));
    Type(&form, "Imei", "12345");
    EXPECT_EQ(ParseLine(Send(CellModuleButton("B", "", CellSub::SetImei, {"Imei"}))).payload,
              std::string("\x25") + "12345" + std::string(14, '\0'));
    ASSERT_TRUE(boxes.empty());

    struct Row {
        const char* legend;
        const char* edit;
        QString text;
        CellSub sub;
    } rows[] = {
        {"256 pairs do not fit the count byte", "Data", QString(512, 'A'), CellSub::SocketSend},
        {"a pair that is not hexadecimal", "Data", "41G2", CellSub::SocketSend},
        {"a sign is not a digit", "Data", "-1", CellSub::SocketSend},
        {"a phone number of 256 characters", "Phone", QString(256, '1'), CellSub::Dial},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.legend);
        boxes.clear();
        Type(&form, row.edit, row.text);
        EXPECT_EQ(Send(CellModuleButton("B", "", row.sub, {row.edit})), "");
        EXPECT_EQ(boxes.size(), 1u);
    }
    Type(&form, "Phone", QString(255, '1'));  // the largest count still goes
    EXPECT_EQ(ParseLine(Send(CellModuleButton("B", "", CellSub::Dial, {"Phone"}))).payload.size(), 257u);
}

TEST_F(CellModuleTest, RowsThatDoNotFitTheirSubCodeAreRejected) {
    EXPECT_THROW(CellModuleButton("B", "", CellSub::PppConnect, {"Data"}), std::invalid_argument);
    EXPECT_THROW(CellModuleButton("B", "", CellSub::SocketSend), std::invalid_argument);
    EXPECT_THROW(CellModuleButton("B", "", CellSub::UsbSwitch, CellArgs::Fixed(4)), std::invalid_argument);
    EXPECT_THROW(CellModuleButton("B", "", CellSub::SocketBuffer, {"Pick"}), std::invalid_argument);
    EXPECT_THROW(CellModuleButton("B", "", static_cast<CellSub>(9)), std::invalid_argument);
}

TEST_F(CellModuleTest, ErrorDisplayLines) {
    struct Row {
        const char* legend;
        std::string text;  // code page 936
        std::string line;
    } rows[] = {
        {"empty", "", std::string(1, '\0')},
        {"19 bytes whole", std::string(19, 'a'), "\x13" + std::string(19, 'a')},
        {"20 bytes cut to 19", std::string(20, 'a'), "\x13" + std::string(19, 'a')},
        {"25 bytes cut to 19", "ABCDEFGHIJKLMNOPQRSTUVWXY",
         "\x13"
         "ABCDEFGHIJKLMNOPQRS"},
        // 18 ASCII bytes, then a two-byte character (B2 E2) that would end past byte 19: it stays out.
        {"no half character", std::string(18, 'a') + "\xB2\xE2\xB2\xE2", "\x12" + std::string(18, 'a')},
    };
    for (const auto& row : rows) EXPECT_EQ(ErrorDisplayLine(row.text), row.line) << row.legend;

    // 0B "Error line1" 0B "Error line2": Len 24 (0x18). "Error line" sums to 0x3D2, so each line is
    // 0x0B + 0x3D2 + 0x31 (or 0x32); 0x144 + 0x18 + 0x40E + 0x40F = 0x97A.
    EXPECT_EQ(Send(Button("B", "", kErrorDisplayCmd, {ErrorDisplayField("Line1", "Line2")})),
              "ATKQ4B5100000000000000000003A600180B4572726F72206C696E65310B4572726F72206C696E65327A0D0A\r\n");
}

}  // namespace
