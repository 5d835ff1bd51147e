#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "driver/usb_transport.h"
#include "driver_test_support.h"
#include "sim/sim_module.h"
#include "sim/sim_usb_target.h"

namespace geolumen::testing {
namespace {

using namespace std::chrono_literals;
// A whole device life takes milliseconds; this bound only turns a hang into a failure.
constexpr auto kLifeBound = 30s;

struct Life {
    std::vector<std::string> lines;
    size_t readerTransferLength = 0;
    unsigned readerPendingReads = 0;
    bool readerRanInThisCopy = false;  // the response reader of the statically linked driver
};

// Runs one device through its whole life on the simulated module.
Life RunWholeLife(const DriverEntryPoints& entry, bool surprise) {
    Life life;
    sim::SimModule module;
    auto target = std::make_shared<sim::SimUsbTarget>(module);
    {
        DriverHost host(entry, "USB\\VID_0000&PID_0000\\SIM0",
                        [&](const std::string& line) { life.lines.push_back(line); });
        host.SetUsbTarget(target);
        EXPECT_EQ(host.LoadDriver(), S_OK);
        EXPECT_EQ(host.AddDevice(), S_OK);
        EXPECT_EQ(host.StartDevice(), S_OK);
        life.readerRanInThisCopy = ResponseSemaphore() != nullptr;
        if (surprise) {
            sim::Fault gone;
            gone.mode = sim::FaultMode::Disconnect;
            module.SetFault(gone);
        }
        EXPECT_EQ(host.RemoveDevice(surprise), S_OK);
        EXPECT_EQ(host.UnloadDriver(), S_OK);
    }
    life.readerTransferLength = target->ReaderTransferLength();
    life.readerPendingReads = target->ReaderPendingReads();
    return life;
}

class HostLifeTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        // The real USB side and the real sensor interface this time.
        DeviceParts parts = DeviceParts::Defaults();
        DriverGlobals::Get().SetParts(parts);
    }
};

TEST_F(HostLifeTest, OrderlyLifeOnTheSimulatedModuleLeavesNoThread) {
    const size_t threadsBefore = ThreadBaseline();
    auto run = std::async(std::launch::async, [&] { return RunWholeLife(StaticDriverEntry(), false); });
    ASSERT_EQ(run.wait_for(kLifeBound), std::future_status::ready) << "the device's life hung";
    const Life life = run.get();
    const auto& lines = life.lines;
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "version check: driver built for framework 1.11",
                         "driver initialise: S_OK",
                         "device add (USB\\VID_0000&PID_0000\\SIM0): S_OK",
                         "prepare hardware: S_OK",
                         "D0 entry: S_OK",
                         "self-managed I/O init: S_OK",
                         "file cleanup",
                         "query remove: S_OK",
                         "self-managed I/O suspend: S_OK",
                         "D0 exit: S_OK",
                         "release hardware: S_OK",
                         "self-managed I/O flush and cleanup",
                         "device removed",
                         "driver deinitialise",
                         "unload check: S_OK",
                     }));
    EXPECT_TRUE(life.readerRanInThisCopy);
    EXPECT_EQ(life.readerTransferLength, 2048u);
    EXPECT_EQ(life.readerPendingReads, 2u);
    EXPECT_EQ(ResponseSemaphore(), nullptr);
    EXPECT_LE(SettledThreadCount(threadsBefore), threadsBefore);
}

TEST_F(HostLifeTest, SurpriseRemovalOnTheSimulatedModuleEndsWithoutHang) {
    const size_t threadsBefore = ThreadBaseline();
    auto run = std::async(std::launch::async, [&] { return RunWholeLife(StaticDriverEntry(), true); });
    ASSERT_EQ(run.wait_for(kLifeBound), std::future_status::ready) << "release waited on a gone device";
    const auto lines = run.get().lines;
    ASSERT_GE(lines.size(), 8u);
    const std::vector<std::string> tail(lines.end() - 8, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "surprise removal",
                        "self-managed I/O suspend: 0x8007045B (shutdown in progress)",
                        "D0 exit: 0x8007045B (shutdown in progress)",
                        "release hardware: S_OK",
                        "self-managed I/O flush and cleanup",
                        "device gone (surprise removal)",
                        "driver deinitialise",
                        "unload check: S_OK",
                    }));
    EXPECT_LE(SettledThreadCount(threadsBefore), threadsBefore);
}

TEST_F(HostLifeTest, ALastInterfaceWithTwoEndpointsFailsPreparation) {
    sim::SimModule module;
    auto target = std::make_shared<sim::SimUsbTarget>(module);
    target->SetInterfaces(
        {{UsbEndpointInfo{0x81, UsbPipeType::Interrupt, 8}, UsbEndpointInfo{0x02, UsbPipeType::Bulk, 64}}});
    const size_t threadsBefore = ThreadBaseline();
    {
        DriverHost host(StaticDriverEntry(), "USB\\SIM1", nullptr);
        host.SetUsbTarget(target);
        ASSERT_EQ(host.LoadDriver(), S_OK);
        ASSERT_EQ(host.AddDevice(), S_OK);
        EXPECT_EQ(host.StartDevice(), E_UNEXPECTED);
    }
    EXPECT_LE(SettledThreadCount(threadsBefore), threadsBefore);
}

TEST_F(HostLifeTest, NoUsbDeviceFailsPreparation) {
    DriverHost host(StaticDriverEntry(), "USB\\SIM3", nullptr);
    ASSERT_EQ(host.LoadDriver(), S_OK);
    ASSERT_EQ(host.AddDevice(), S_OK);
    EXPECT_TRUE(FAILED(host.StartDevice()));
}

TEST(DriverLibrary, TheBuiltLibraryLivesAWholeLifeThroughItsExports) {
    std::string error;
    auto library = DriverLibrary::Open(GEOLUMEN_LIBRARY_PATH, &error);
    ASSERT_TRUE(library) << error;
    const UmdfVersionData* version = library->Entry().version;
    EXPECT_EQ(version->MajorNumber, 1u);
    EXPECT_EQ(version->MinorNumber, 11u);
    EXPECT_EQ(version->Reserved, 0u);
    const size_t threadsBefore = ThreadBaseline();
    const auto entry = library->Entry();
    auto run = std::async(std::launch::async, [&] { return RunWholeLife(entry, false); });
    ASSERT_EQ(run.wait_for(kLifeBound), std::future_status::ready);
    const Life life = run.get();
    EXPECT_EQ(life.lines.back(), "unload check: S_OK");
    EXPECT_EQ(life.readerTransferLength, 2048u);
    EXPECT_EQ(library->Entry().canUnloadNow(), S_OK);
    EXPECT_LE(SettledThreadCount(threadsBefore), threadsBefore);
}

TEST(DriverLibrary, AMissingFileIsReportedWithItsPath) {
    std::string error;
    EXPECT_FALSE(DriverLibrary::Open("/nonexistent/libgeolumen.so", &error));
    EXPECT_NE(error.find("/nonexistent/libgeolumen.so"), std::string::npos);
}

TEST(DriverLibrary, VersionCheck) {
    const struct {
        UmdfVersionData version;
        bool accepted;
    } table[] = {
        {{1, 11, 0}, true},  // what the driver is built for
        {{1, 9, 0}, true},   // older minor versions run on a newer framework
        {{1, 13, 0}, false}, {{2, 0, 0}, false}, {{0, 11, 0}, false},
    };
    for (const auto& row : table) {
        SCOPED_TRACE(std::to_string(row.version.MajorNumber) + "." + std::to_string(row.version.MinorNumber));
        EXPECT_EQ(CheckDriverVersion(&row.version).empty(), row.accepted);
    }
    EXPECT_FALSE(CheckDriverVersion(nullptr).empty());
}

}  // namespace
}  // namespace geolumen::testing
