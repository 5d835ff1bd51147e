// The session worker against a recording fake of the location client: what it asks of the client, in
// which order and on which thread, for start, stop, criteria, restart, requests of the module and a lost
// service.
#include "location/location_session.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "location/location_status.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;

// Long enough for any step on a loaded machine, short enough to end a hung test.
constexpr auto kWaitBound = 10s;

struct Call {
    std::string text;
    std::thread::id thread;
};

class RecordingOps final : public LocationSessionOps {
  public:
    LocationSessionEvents& Events() override { return events; }
    int OpenLocationClient(bool supl, std::stop_token stop) override {
        Add("open " + std::to_string(supl));
        if (openNeverSucceeds) {
            // A module that never offers the service: only the stop request ends the wait.
            std::mutex m;
            std::condition_variable_any cv;
            std::unique_lock lock(m);
            cv.wait(lock, stop, [] { return false; });
            return kLocStatusFailure;
        }
        return kLocStatusOk;
    }
    int CloseLocationClient() override { return Add("close"), 0; }
    int StartPositionSession(uint32_t interval, uint32_t accuracy) override {
        return Add("start " + std::to_string(interval) + " " + std::to_string(accuracy)), 0;
    }
    int StopPositionSession() override { return Add("stop"), 0; }
    void ChangeSessionCriteria(uint32_t interval, uint32_t accuracy) override {
        Add("change " + std::to_string(interval) + " " + std::to_string(accuracy));
    }
    int ReopenLocationClient(uint32_t interval, uint32_t accuracy, bool supl, std::stop_token) override {
        return Add("reopen " + std::to_string(interval) + " " + std::to_string(accuracy) + " " +
                   std::to_string(supl)),
               0;
    }
    int DeleteAssistanceData(uint16_t which) override { return Add("delete " + std::to_string(which)), 0; }
    void HandleTimeRequest(const std::string& id, std::stop_token) override { Add("time " + id); }
    void HandleOrbitRequest(const std::string& id, std::stop_token) override { Add("orbit " + id); }
    void InjectCoarsePosition() override { Add("coarse"); }
    bool ProcessPositionReport() override {
        const bool accepted = positionAccepted.load();
        Add("position");
        return accepted;
    }
    bool ProcessSatelliteReport() override { return Add("satellites"), true; }
    void CopyLocationFix(LocationFix&) override {}
    void CopySatelliteReport(SatelliteReport&) override {}
    bool IsSuplEnabled(const std::string&) override { return supl; }

    void Add(std::string text) {
        {
            std::lock_guard lock(mutex_);
            calls_.push_back({std::move(text), std::this_thread::get_id()});
        }
        cv_.notify_all();
    }
    std::vector<std::string> Texts() {
        std::lock_guard lock(mutex_);
        std::vector<std::string> texts;
        for (const auto& c : calls_) texts.push_back(c.text);
        return texts;
    }
    std::vector<Call> Calls() {
        std::lock_guard lock(mutex_);
        return calls_;
    }
    // Waits until `text` has been called `times` times in all.
    bool WaitFor(const std::string& text, int times = 1) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, kWaitBound, [&] {
            int n = 0;
            for (const auto& c : calls_) n += c.text == text;
            return n >= times;
        });
    }
    void Clear() {
        std::lock_guard lock(mutex_);
        calls_.clear();
    }

    LocationSessionEvents events;
    bool supl = false;
    bool openNeverSucceeds = false;
    std::atomic<bool> positionAccepted{true};

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    std::vector<Call> calls_;
};

class RecordingOwner final : public LocationSessionOwner {
  public:
    std::string GetDeviceInstanceId() override { return "USB\\SIM0"; }
    void SetSensorState(uint32_t state) override { ops.Add("state " + std::to_string(state)); }
    bool DeviceRemoved() override { return removed; }

    explicit RecordingOwner(RecordingOps& o) : ops(o) {}
    RecordingOps& ops;
    bool removed = false;
};

class LocationSessionTest : public ::testing::Test {
  protected:
    // Started with no delay, once the session has started on the module.
    void StartRunning() {
        ASSERT_TRUE(session.Start([this](uint32_t kind) { Reported(kind); }));
        ASSERT_TRUE(ops.WaitFor("start 1000 0"));
        ops.Clear();
    }
    void Reported(uint32_t kind) {
        reports.push_back(kind);
        reportThread = std::this_thread::get_id();
        ops.Add("report " + std::to_string(kind));
    }

    RecordingOps ops;
    RecordingOwner owner{ops};
    cLocationSession session{ops, owner, 0ms};
    std::vector<uint32_t> reports;  // written by the worker, read after it reported
    std::thread::id reportThread;
};

TEST_F(LocationSessionTest, StopBeforeTheStartDelayOpensNothing) {
    cLocationSession delayed{ops, owner, 3600s};
    ASSERT_TRUE(delayed.Start([](uint32_t) {}));
    EXPECT_FALSE(delayed.Start([](uint32_t) {})) << "threads exist already";
    EXPECT_TRUE(delayed.Stop());
    EXPECT_TRUE(ops.Texts().empty());
    EXPECT_FALSE(session.Start(nullptr)) << "no callback";
}

TEST_F(LocationSessionTest, StartOpensWithTheSuplFlagThenStartsTheSession) {
    for (bool supl : {false, true}) {
        ops.supl = supl;
        ops.Clear();
        ASSERT_TRUE(session.Start([](uint32_t) {}));
        ASSERT_TRUE(ops.WaitFor("start 1000 0"));
        session.Stop();
        EXPECT_EQ(ops.Texts(), (std::vector<std::string>{"open " + std::to_string(supl), "start 1000 0",
                                                         "stop", "close"}));
    }
}

TEST_F(LocationSessionTest, StopWhileTheOpenIsStillWaitingReturnsAndStopsNothing) {
    ops.openNeverSucceeds = true;
    ASSERT_TRUE(session.Start([](uint32_t) {}));
    ASSERT_TRUE(ops.WaitFor("open 0"));
    // Would hang for ever if the open did not wake on the stop request.
    EXPECT_TRUE(session.Stop());
    EXPECT_EQ(ops.Texts(), (std::vector<std::string>{"open 0", "close"}));
    EXPECT_FALSE(session.SessionRunning());
}

TEST_F(LocationSessionTest, CriteriaAreStoredAndAppliedOnlyWhenTheyChange) {
    EXPECT_FALSE(session.SetCriteria(1000, 0)) << "the defaults";
    EXPECT_TRUE(session.SetCriteria(2000, 1));
    EXPECT_EQ(session.ReportInterval(), 2000u);
    EXPECT_EQ(session.Accuracy(), 1u);
    ASSERT_TRUE(session.Start([](uint32_t) {}));
    ASSERT_TRUE(ops.WaitFor("start 2000 1")) << "stored criteria start the session";
    EXPECT_FALSE(session.SetCriteria(2000, 1));
    EXPECT_TRUE(session.SetCriteria(5000, 0));
    ASSERT_TRUE(ops.WaitFor("change 5000 0"));
    session.Stop();
    EXPECT_TRUE(session.SetCriteria(1000, 0)) << "criteria survive a stop";
    EXPECT_EQ(ops.Texts().size(), 5u) << "open, start, change, stop, close; nothing for the last set";
}

TEST_F(LocationSessionTest, PositionReportsNotifyOnlyWhenAccepted) {
    StartRunning();
    ops.positionAccepted = false;
    ops.events.positionReport.Set();
    ASSERT_TRUE(ops.WaitFor("position"));
    ops.positionAccepted = true;
    ops.events.positionReport.Set();
    ASSERT_TRUE(ops.WaitFor("report 1"));
    ops.events.satelliteReport.Set();
    ASSERT_TRUE(ops.WaitFor("report 2"));
    session.Stop();
    EXPECT_EQ(reports, (std::vector<uint32_t>{1, 2}));
    EXPECT_NE(reportThread, std::this_thread::get_id());
}

TEST_F(LocationSessionTest, ModuleRequestsAndLostServiceAreServedOnTheSessionThread) {
    ops.supl = true;
    ASSERT_TRUE(session.Start([](uint32_t) {}));
    ASSERT_TRUE(ops.WaitFor("start 1000 0"));
    ops.Clear();
    // One at a time: events set together are served lowest first, which this test does not pin.
    const std::pair<Event*, std::string> rows[] = {
        {&ops.events.timeRequest, "time USB\\SIM0"},
        {&ops.events.orbitRequest, "orbit USB\\SIM0"},
        {&ops.events.positionRequest, "coarse"},
        {&ops.events.serviceLost, "reopen 1000 0 1"},
        {&ops.events.nmeaReport, ""},
        {&ops.events.satelliteReport, "satellites"},
    };
    for (const auto& [event, call] : rows) {
        event->Set();
        if (!call.empty()) {
            ASSERT_TRUE(ops.WaitFor(call)) << call;
        }
    }
    session.Stop();
    const auto calls = ops.Calls();
    ASSERT_GE(calls.size(), 5u);
    for (const auto& call : calls) EXPECT_EQ(call.thread, calls[0].thread) << call.text;
}

TEST_F(LocationSessionTest, SurpriseRemovalClosesWithoutAStopRequest) {
    StartRunning();
    owner.removed = true;
    session.Stop();
    EXPECT_EQ(ops.Texts(), (std::vector<std::string>{"close"}));
}

TEST_F(LocationSessionTest, RestartWithoutASessionDeletesAssistanceAndReportsInitializing) {
    session.RestartSession();
    EXPECT_EQ(ops.Texts(), (std::vector<std::string>{"delete 0", "state 3"}));
}

TEST_F(LocationSessionTest, RestartOfARunningSessionRunsOnTheSessionThreadInOrder) {
    StartRunning();
    ASSERT_TRUE(session.SetCriteria(2000, 1));
    ASSERT_TRUE(ops.WaitFor("change 2000 1"));
    ops.Clear();
    session.RestartSession();
    ASSERT_TRUE(ops.WaitFor("start 2000 1"));
    EXPECT_EQ(ops.Texts(), (std::vector<std::string>{"stop", "delete 0", "state 3", "start 2000 1"}));
    EXPECT_NE(ops.Calls()[0].thread, std::this_thread::get_id());
}

TEST_F(LocationSessionTest, RestartRacingCriteriaChangesLeavesTheSessionRunning) {
    StartRunning();
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (uint32_t i = 0; !done; ++i) (void)session.SetCriteria(1000 + (i % 50) * 1000, i % 2);
    });
    for (int i = 0; i < 20; ++i) {
        session.RestartSession();
        ASSERT_TRUE(ops.WaitFor("state 3", i + 1));
    }
    done = true;
    changer.join();
    ASSERT_TRUE(session.SetCriteria(60000, 1));
    ASSERT_TRUE(ops.WaitFor("change 60000 1"));
    session.Stop();

    // Every control call came from the one session thread, and every stop of the session was followed by
    // its start before anything else touched the session.
    const auto calls = ops.Calls();
    bool running = true;
    for (const auto& call : calls) {
        EXPECT_EQ(call.thread, calls[0].thread) << call.text;
        if (call.text == "stop") {
            EXPECT_TRUE(running) << "stopped twice";
            running = false;
        } else if (call.text.rfind("start", 0) == 0) {
            EXPECT_FALSE(running) << "started twice";
            running = true;
        } else if (call.text.rfind("change", 0) == 0) {
            EXPECT_TRUE(running) << "criteria changed on a stopped session";
        }
    }
    EXPECT_EQ(calls.back().text, "close");
}

}  // namespace
}  // namespace geolumen
