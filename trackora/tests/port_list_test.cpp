// The serial-port map rebuilt from a fake sysfs tty folder.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "platform/PortList.h"

namespace {

namespace fs = std::filesystem;

class PortListTest : public ::testing::Test {
  protected:
    // A tty entry; withDevice gives it hardware, uartType writes its type file (-1: none).
    void AddTty(const std::string& name, bool withDevice, int uartType = -1) {
        const fs::path entry = fs::path(dir.path().toStdString()) / name;
        fs::create_directories(entry);
        if (withDevice) fs::create_directories(entry / "device");
        if (uartType >= 0) std::ofstream(entry / "type") << uartType << "\n";
    }
    SerialCommMap Read() { return ReadSerialCommMap(dir.path().toStdString(), "/dev"); }

    QTemporaryDir dir;
};

TEST_F(PortListTest, UsbPortsFirstThenRealUartsInNaturalOrder) {
    AddTty("tty0", false);
    AddTty("ptmx", false);
    AddTty("ttyUSB10", true);
    AddTty("ttyUSB2", true);
    AddTty("ttyACM0", true);
    AddTty("ttyS0", true, 4);  // a 16550A answered
    AddTty("ttyS1", true, 0);  // nothing behind it
    AddTty("ttyAMA0", true);   // an on-chip UART has no type file
    const SerialCommMap expected = {
        {"\\Device\\USBSER000", "/dev/ttyACM0"},  {"\\Device\\USBSER001", "/dev/ttyUSB2"},
        {"\\Device\\USBSER002", "/dev/ttyUSB10"}, {"\\Device\\Serial0", "/dev/ttyAMA0"},
        {"\\Device\\Serial1", "/dev/ttyS0"},
    };
    EXPECT_EQ(Read(), expected);
}

TEST_F(PortListTest, MissingFolderGivesAnEmptyMap) {
    EXPECT_TRUE(ReadSerialCommMap("/nonexistent/sys/class/tty").empty());
}

TEST_F(PortListTest, LookupByValueName) {
    for (int i = 0; i < 12; ++i) AddTty("ttyUSB" + std::to_string(i), true);
    const SerialCommMap map = Read();
    ASSERT_EQ(map.size(), 12u);
    // The scan asks for "\Device\USBSER00" + n: n = 10 is "\Device\USBSER0010".
    EXPECT_EQ(UsbSerialValueName(5), "\\Device\\USBSER005");
    EXPECT_EQ(UsbSerialValueName(10), "\\Device\\USBSER0010");
    EXPECT_EQ(LookupSerialComm(map, UsbSerialValueName(10)), "/dev/ttyUSB10");
    EXPECT_EQ(LookupSerialComm(map, UsbSerialValueName(12)), std::nullopt);
}

}  // namespace
