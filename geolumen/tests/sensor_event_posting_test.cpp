// The event thread posts every position report at most once. Data-ready is one auto-reset event, so a
// report that lands while the thread is held back is copied together with the one before it, and its own
// wake-up must then find nothing new: a client that saw one fix twice would take it for a new one.
#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>

#include "driver_test_support.h"
#include "platform/sensor_driver.h"
#include "platform/trace.h"
#include "sensor/sensor_ddi.h"
#include "sim/sim_location_service.h"
#include "sim/sim_usb_target.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;
using testing::DriverTest;
using testing::StaticDriverEntry;

constexpr auto kPostBound = 10s;

// A fix that makes the sensor ready, told apart by its time (ms since 1970).
LocationFix FixAt(uint64_t utcMs) {
    LocationFix fix;
    fix.latitude = 48.125;
    fix.longitude = 11.5;
    fix.errorRadius = 5.0f;
    fix.technologyMask = 0x1;
    fix.utcMs = utcMs;
    return fix;
}

class EventPostingTest : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        DriverGlobals::Get().SetParts(testing::RealSensorParts());
        (void)SetSensorPostListener([this](const SensorPost& post) { OnPost(post); });
        RegisterTraceProvider();
        SetTraceSession(TRACE_LEVEL_VERBOSE, TRACE_SENSOR);
        previousSink_ = SetTraceSink([this](const TraceRecord& r) {
            std::lock_guard lock(mutex_);
            traces_.push_back(r.text);
        });
    }
    void TearDown() override {
        Release();
        Stop();
        (void)SetSensorPostListener(nullptr);
        (void)SetTraceSink(std::move(previousSink_));
        SetTraceSession(TRACE_LEVEL_NONE, 0);
        UnregisterTraceProvider();
        DriverTest::TearDown();
    }

    // A started device on the simulated module with one subscribed client; the sensor interface.
    cSensorDDI* Start() {
        host_ = std::make_unique<DriverHost>(StaticDriverEntry(), "USB\\VID_0000&PID_0000\\POST", nullptr);
        host_->SetUsbTarget(std::make_shared<sim::SimUsbTarget>(module_));
        EXPECT_EQ(host_->LoadDriver(), S_OK);
        EXPECT_EQ(host_->AddDevice(), S_OK);
        EXPECT_EQ(host_->StartDevice(), S_OK);
        ComPtr<ISensorDriver> driver;
        EXPECT_EQ(DriverGlobals::Get().SensorDdi().As(driver), S_OK);
        client_ = MakeCom<HostFile>();
        EXPECT_EQ(driver->OnClientConnect(client_.Get(), kSensorObjectId), S_OK);
        EXPECT_EQ(driver->OnClientSubscribeToEvents(client_.Get(), kSensorObjectId), S_OK);
        return static_cast<cSensorDDI*>(DriverGlobals::Get().SensorDdi().Get());
    }
    void Stop() {
        if (!host_) return;
        EXPECT_EQ(host_->RemoveDevice(false), S_OK);
        EXPECT_EQ(host_->UnloadDriver(), S_OK);
        host_.reset();
    }

    // The next data post stops in the listener, on the event thread, until released.
    void HoldNextPost() {
        std::lock_guard lock(mutex_);
        hold_ = true;
    }
    // Waits until the event thread is held in the listener.
    bool WaitHeld() {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, kPostBound, [&] { return held_; });
    }
    void Release() {
        {
            std::lock_guard lock(mutex_);
            hold_ = held_ = false;
        }
        cv_.notify_all();
    }
    // Waits until a post carried the time stamp of `utcMs`.
    bool WaitPosted(uint64_t utcMs) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, kPostBound, [&] {
            return std::find(stamps_.begin(), stamps_.end(), FileTimeFromUnixMs(utcMs).ticks) !=
                   stamps_.end();
        });
    }
    std::vector<uint64_t> Stamps() {
        std::lock_guard lock(mutex_);
        return stamps_;
    }
    std::vector<std::string> Traces() {
        std::lock_guard lock(mutex_);
        return traces_;
    }

    // Held back for this long on each post, as a busy event thread is.
    std::chrono::microseconds postDelay{0};

  private:
    void OnPost(const SensorPost& post) {
        if (post.kind != SensorPost::Kind::kEvent) return;
        ComPtr<IPortableDeviceValues> values;
        if (FAILED(post.events->GetAt(0, values.ReleaseAndGetAddressOf()))) return;
        PropValue stamp;
        if (FAILED(values->GetValue(SENSOR_DATA_TYPE_TIMESTAMP, &stamp))) return;
        std::unique_lock lock(mutex_);
        stamps_.push_back(std::get<FileTimeValue>(stamp).ticks);
        cv_.notify_all();
        if (hold_) {
            held_ = true;
            cv_.notify_all();
            cv_.wait_for(lock, kPostBound, [&] { return !hold_; });
        }
        lock.unlock();
        if (postDelay.count() != 0) std::this_thread::sleep_for(postDelay);
    }

    sim::SimModule module_;
    sim::SimLocationService service_{module_};
    std::unique_ptr<DriverHost> host_;
    ComPtr<HostFile> client_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool hold_ = false;
    bool held_ = false;
    std::vector<uint64_t> stamps_;
    std::vector<std::string> traces_;
    TraceSink previousSink_;
};

// The report thread's two steps (fields, then data-ready) are taken apart here, so that a report can
// land exactly where the race puts it: its fields written while the event thread is about to copy, its
// data-ready set after that copy.
TEST_F(EventPostingTest, AReportCopiedEarlyIsNotPostedAgainByItsOwnWakeUp) {
    cSensorDDI* ddi = Start();
    ASSERT_NE(ddi, nullptr);
    enum class Step { kHold, kWholeReport, kFieldsOnly, kDataReadyOnly, kRelease, kWaitPosted };
    const struct {
        Step step;
        uint64_t utcMs;
        const char* legend;
    } script[] = {
        {Step::kHold, 0, "the event thread will stop in its next post"},
        {Step::kWholeReport, 1000, "report 1 is posted, and the thread is held there"},
        {Step::kWholeReport, 2000, "report 2 sets data-ready while the thread is held"},
        {Step::kFieldsOnly, 3000, "report 3 overwrites it; its own data-ready is not set yet"},
        {Step::kRelease, 0, "the thread wakes for report 2 and copies report 3"},
        {Step::kWaitPosted, 3000, "report 3 goes out in report 2's place"},
        {Step::kDataReadyOnly, 0, "report 3's late data-ready wakes the thread with nothing new"},
        {Step::kWholeReport, 4000, "report 4, the marker that the late wake-up was served"},
        {Step::kWaitPosted, 4000, "report 4 goes out"},
    };
    for (const auto& row : script) {
        SCOPED_TRACE(row.legend);
        switch (row.step) {
            case Step::kHold:
                HoldNextPost();
                break;
            case Step::kWholeReport:
                ddi->ApplyPositionReport(FixAt(row.utcMs));
                if (row.utcMs == 1000) {
                    ASSERT_TRUE(WaitHeld());
                }
                break;
            case Step::kFieldsOnly:
                ASSERT_TRUE(ddi->ApplyPositionFields(FixAt(row.utcMs)));
                break;
            case Step::kDataReadyOnly:
                ddi->SignalDataReady();
                break;
            case Step::kRelease:
                Release();
                break;
            case Step::kWaitPosted:
                ASSERT_TRUE(WaitPosted(row.utcMs));
                break;
        }
    }
    Stop();
    const std::vector<uint64_t> expected = {FileTimeFromUnixMs(1000).ticks, FileTimeFromUnixMs(3000).ticks,
                                            FileTimeFromUnixMs(4000).ticks};
    EXPECT_EQ(Stamps(), expected) << "report 2 superseded, every other report posted once";
    const auto traces = Traces();
    EXPECT_NE(std::find(traces.begin(), traces.end(), "1 reports superseded before posting (1 in all)"),
              traces.end());
}

// Reports in bursts of three back to back while the event thread is slow: some are superseded, none is
// posted twice, and the last of each burst goes out.
TEST_F(EventPostingTest, BurstsAgainstASlowEventThreadPostNoReportTwice) {
    constexpr int kBursts = 40;
    constexpr int kBurst = 3;
    postDelay = 300us;
    cSensorDDI* ddi = Start();
    ASSERT_NE(ddi, nullptr);
    uint64_t utcMs = 1000;
    for (int burst = 0; burst < kBursts; ++burst) {
        for (int i = 0; i < kBurst; ++i) ddi->ApplyPositionReport(FixAt(utcMs += 100));
        ASSERT_TRUE(WaitPosted(utcMs)) << "burst " << burst;
    }
    Stop();
    const auto stamps = Stamps();
    const std::set<uint64_t> distinct(stamps.begin(), stamps.end());
    EXPECT_EQ(distinct.size(), stamps.size()) << "a time stamp posted twice";
    EXPECT_TRUE(std::is_sorted(stamps.begin(), stamps.end())) << "a report posted after a newer one";
}

}  // namespace
}  // namespace geolumen
