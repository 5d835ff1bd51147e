
#include <gtest/gtest.h>

#include <functional>
#include <future>

#include "radio_test_support.h"

namespace geolumen::testing {
namespace {

class RadioManagerTest : public RadioChannelTest {
  protected:
    void SetUp() override {
        RadioChannelTest::SetUp();
        driver_ = std::make_unique<FakeRadioDriver>(runDir_.Path());
        manager_ = CreateManager();
        ASSERT_TRUE(manager_);
        point_ = PointOf(manager_);
        sink_ = MakeCom<RecordingSink>();
        ASSERT_EQ(point_->Advise(static_cast<IMediaRadioManagerNotifySink*>(sink_.Get()), &cookie_), S_OK);
        instance_ = InstanceOf(manager_);
        ASSERT_TRUE(instance_);
    }

    std::unique_ptr<FakeRadioDriver> driver_;
    ComPtr<IMediaRadioManager> manager_;
    ComPtr<IConnectionPoint> point_;
    ComPtr<RecordingSink> sink_;
    DWORD cookie_ = 0;
    ComPtr<IRadioInstance> instance_;
};

TEST_F(RadioManagerTest, NamesSignaturesAndNullOutputs) {
    BSTR text = nullptr;
    for (LCID locale : {0u, 0x409u, 0x804u}) {
        ASSERT_EQ(instance_->GetFriendlyName(locale, &text), S_OK);
        EXPECT_STREQ(text, "GNSS");
        SysFreeString(text);
    }
    ASSERT_EQ(instance_->GetInstanceSignature(&text), S_OK);
    EXPECT_STREQ(text, "DornaveLocation");
    SysFreeString(text);
    GUID signature{};
    EXPECT_EQ(instance_->GetRadioManagerSignature(&signature), S_OK);
    EXPECT_EQ(signature, CLSID_GeolumenRadioManager);
    EXPECT_FALSE(instance_->IsMultiComm());
    EXPECT_FALSE(instance_->IsAssociatingDevice());

    EXPECT_EQ(instance_->GetFriendlyName(0, nullptr), E_INVALIDARG);
    EXPECT_EQ(instance_->GetInstanceSignature(nullptr), E_INVALIDARG);
    EXPECT_EQ(instance_->GetRadioManagerSignature(nullptr), E_INVALIDARG);
    EXPECT_EQ(instance_->GetRadioState(nullptr), E_INVALIDARG);
    EXPECT_EQ(instance_->GetPreviousRadioState(nullptr), E_INVALIDARG);
    EXPECT_EQ(manager_->GetRadioInstances(nullptr), E_INVALIDARG);

    ComPtr<IRadioInstanceCollection> collection;
    ASSERT_EQ(manager_->GetRadioInstances(collection.ReleaseAndGetAddressOf()), S_OK);
    uint32_t count = 0;
    EXPECT_EQ(collection->GetCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(collection->GetCount(nullptr), E_INVALIDARG);
    IRadioInstance* past = reinterpret_cast<IRadioInstance*>(0x1);
    EXPECT_EQ(collection->GetAt(1, &past), E_FAIL);
    EXPECT_EQ(past, nullptr);
    EXPECT_EQ(collection->GetAt(0, nullptr), E_INVALIDARG);
    // The sink was advised after the instance was added: it saw no addition.
    EXPECT_TRUE(sink_->Seen().empty());
    EXPECT_TRUE(driver_->Controls().empty());
}

TEST_F(RadioManagerTest, StateMappingOfTheQuery) {
    struct Row {
        uint32_t device;
        DEVICE_RADIO_STATE reported;
    };
    const Row rows[] = {{0, DRS_RADIO_ON},
                        {1, DRS_SW_RADIO_OFF},
                        {2, DRS_HW_RADIO_OFF},
                        {4, DRS_HW_RADIO_ON_UNCONTROLLABLE},
                        {5, DRS_HW_RADIO_ON_UNCONTROLLABLE},
                        {6, DRS_HW_RADIO_OFF_UNCONTROLLABLE},
                        {7, DRS_HW_RADIO_ON_UNCONTROLLABLE},
                        {0xFFFFFFFF, DRS_HW_RADIO_ON_UNCONTROLLABLE}};
    for (const Row& row : rows) {
        driver_->SetStates(row.device, row.device);
        DEVICE_RADIO_STATE state = DRS_RADIO_INVALID;
        EXPECT_EQ(instance_->GetRadioState(&state), S_OK) << row.device;
        EXPECT_EQ(state, row.reported) << row.device;
        EXPECT_EQ(instance_->GetPreviousRadioState(&state), S_OK) << row.device;
        EXPECT_EQ(state, row.reported) << row.device;
    }
    // A state radio management cannot switch refuses every switch.
    for (uint32_t device : {4u, 6u}) {
        driver_->SetStates(device, 0);
        EXPECT_EQ(instance_->SetRadioState(DRS_RADIO_ON, 5), E_FAIL) << device;
    }
    // A driver that refuses the query reads as not controllable.
    driver_->FailWith(HRESULT_FROM_WIN32(ERROR_NOT_SUPPORTED));
    DEVICE_RADIO_STATE state = DRS_RADIO_ON;
    EXPECT_EQ(instance_->GetRadioState(&state), S_OK);
    EXPECT_EQ(state, DRS_HW_RADIO_ON_UNCONTROLLABLE);
}

TEST_F(RadioManagerTest, ControlSequencesOfUserAndSystemSwitches) {
    struct Step {
        const char* legend;
        std::function<HRESULT()> call;
        HRESULT result;
        std::vector<std::string> controls;
        std::vector<std::string> notifications;
    };
    auto user = [&](DEVICE_RADIO_STATE s) { return [this, s] { return instance_->SetRadioState(s, 5); }; };
    auto system = [&](SYSTEM_RADIO_STATE s) {
        return [this, s] { return manager_->OnSystemRadioStateChange(s, 5); };
    };
    const Step steps[] = {
        {"user switch-off: requested and previous",
         user(DRS_SW_RADIO_OFF),
         S_OK,
         {"G6008", "S A000=1", "S A004=1"},
         {"change DornaveLocation 1"}},
        {"system enable honours the user's switch-off", system(SRS_RADIO_ENABLED), S_OK, {"G600C"}, {}},
        {"the same state again: nothing sent", user(DRS_SW_RADIO_OFF), S_OK, {"G6008"}, {}},
        {"user switch-on",
         user(DRS_RADIO_ON),
         S_OK,
         {"G6008", "S A000=0", "S A004=0"},
         {"change DornaveLocation 0"}},
        {"system disable: requested only",
         system(SRS_RADIO_DISABLED),
         S_OK,
         {"G600C", "S A000=1"},
         {"change DornaveLocation 1"}},
        {"system enable turns it on again",
         system(SRS_RADIO_ENABLED),
         S_OK,
         {"G600C", "S A000=0"},
         {"change DornaveLocation 0"}},
        {"a state other than on or off", user(DRS_HW_RADIO_OFF), E_INVALIDARG, {}, {}},
        {"a system state other than enabled or disabled",
         system(static_cast<SYSTEM_RADIO_STATE>(3)),
         E_INVALIDARG,
         {},
         {}},
    };
    size_t seen = 0;
    for (const Step& step : steps) {
        driver_->ClearControls();
        EXPECT_EQ(step.call(), step.result) << step.legend;
        EXPECT_EQ(driver_->Controls(), step.controls) << step.legend;
        const std::vector<std::string> all = sink_->Seen();
        EXPECT_EQ(std::vector<std::string>(all.begin() + static_cast<long>(seen), all.end()),
                  step.notifications)
            << step.legend;
        seen = all.size();
    }
}

TEST_F(RadioManagerTest, AbsentDevice) {
    driver_.reset();
    DEVICE_RADIO_STATE state = DRS_RADIO_ON;
    EXPECT_EQ(instance_->GetRadioState(&state), S_FALSE);
    EXPECT_EQ(state, DRS_HW_RADIO_ON_UNCONTROLLABLE);
    EXPECT_EQ(instance_->SetRadioState(DRS_RADIO_ON, 5), E_FAIL);
    EXPECT_EQ(manager_->OnSystemRadioStateChange(SRS_RADIO_DISABLED, 5), S_FALSE);
    EXPECT_TRUE(sink_->Seen().empty());
}

TEST_F(RadioManagerTest, TimeOutLeavesTheSwitchToFinishAndNotifyLater) {
    driver_->CloseGate();
    EXPECT_EQ(instance_->SetRadioState(DRS_SW_RADIO_OFF, 0), RPC_S_CALLPENDING);
    ASSERT_TRUE(driver_->WaitHeld());
    EXPECT_TRUE(sink_->Seen().empty());
    driver_->OpenGate();
    ASSERT_TRUE(sink_->WaitFor(1));
    EXPECT_EQ(sink_->Seen(), (std::vector<std::string>{"change DornaveLocation 1"}));
    EXPECT_EQ(driver_->Current(), 1u);
}

TEST_F(RadioManagerTest, SwitchFinishingAfterTheCallerLetGoTouchesNothingFreed) {
    struct Row {
        const char* legend;
        std::function<HRESULT(IMediaRadioManager*, IRadioInstance*)> start;
        uint32_t finalState;
    };
    const Row rows[] = {
        {"system switch (the work item holds the manager)",
         [](IMediaRadioManager* m, IRadioInstance*) {
             return m->OnSystemRadioStateChange(SRS_RADIO_DISABLED, 0);
         },
         1},
        {"user switch (the work item holds the instance only)",
         [](IMediaRadioManager*, IRadioInstance* i) { return i->SetRadioState(DRS_RADIO_ON, 0); }, 0},
    };
    for (const Row& row : rows) {
        if (!manager_) {
            manager_ = CreateManager();
            point_ = PointOf(manager_);
            ASSERT_EQ(point_->Advise(static_cast<IMediaRadioManagerNotifySink*>(sink_.Get()), &cookie_),
                      S_OK);
            instance_ = InstanceOf(manager_);
        }
        driver_->CloseGate();
        EXPECT_EQ(row.start(manager_.Get(), instance_.Get()), RPC_S_CALLPENDING) << row.legend;
        ASSERT_TRUE(driver_->WaitHeld()) << row.legend;
        // Radio management lets go of everything while the switch still runs.
        ASSERT_EQ(point_->Unadvise(cookie_), S_OK);
        point_.Reset();
        manager_.Reset();
        instance_.Reset();
        driver_->OpenGate();
        EXPECT_TRUE(LibraryLetGo()) << row.legend;
        EXPECT_EQ(driver_->Current(), row.finalState) << row.legend;
    }
    EXPECT_TRUE(sink_->Seen().empty());
}

TEST_F(RadioManagerTest, SinkUnadvisingFromItsOwnCallbackDoesNotDeadlock) {
    sink_->onChange = [this] { (void)point_->Unadvise(cookie_); };
    auto switched =
        std::async(std::launch::async, [this] { return instance_->SetRadioState(DRS_SW_RADIO_OFF, 10); });
    ASSERT_EQ(switched.wait_for(kRadioWaitBound), std::future_status::ready);
    EXPECT_EQ(switched.get(), S_OK);
    // Unadvised: the next change reaches nobody.
    sink_->onChange = nullptr;
    EXPECT_EQ(instance_->SetRadioState(DRS_RADIO_ON, 10), S_OK);
    EXPECT_EQ(sink_->Seen(), (std::vector<std::string>{"change DornaveLocation 1"}));
}

class NotASink final : public ComObject<IRadioInstanceEvents> {
  public:
    HRESULT NotifyInstanceRadioChange(BSTR, DEVICE_RADIO_STATE) override { return S_OK; }
};

TEST_F(RadioManagerTest, ConnectionPointContract) {
    DWORD cookie = 0;
    auto stranger = MakeCom<NotASink>();
    EXPECT_EQ(point_->Advise(static_cast<IRadioInstanceEvents*>(stranger.Get()), &cookie),
              CONNECT_E_CANNOTCONNECT);
    EXPECT_EQ(point_->Advise(nullptr, &cookie), E_POINTER);
    EXPECT_EQ(point_->Unadvise(cookie_ + 7), CONNECT_E_NOCONNECTION);

    auto second = MakeCom<RecordingSink>();
    ASSERT_EQ(point_->Advise(static_cast<IMediaRadioManagerNotifySink*>(second.Get()), &cookie), S_OK);
    EXPECT_NE(cookie, cookie_);
    ComPtr<IEnumConnections> connections;
    ASSERT_EQ(point_->EnumConnections(connections.ReleaseAndGetAddressOf()), S_OK);
    CONNECTDATA data[3] = {};
    ULONG fetched = 0;
    EXPECT_EQ(connections->Next(3, data, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 2u);
    EXPECT_EQ(data[0].dwCookie, cookie_);
    EXPECT_EQ(data[1].dwCookie, cookie);
    for (ULONG i = 0; i < fetched; ++i) data[i].pUnk->Release();

    IID iid{};
    EXPECT_EQ(point_->GetConnectionInterface(&iid), S_OK);
    EXPECT_EQ(iid, IMediaRadioManagerNotifySink::kIid);
    ComPtr<IConnectionPointContainer> container;
    EXPECT_EQ(point_->GetConnectionPointContainer(container.ReleaseAndGetAddressOf()), S_OK);
    ComPtr<IConnectionPoint> other;
    EXPECT_EQ(container->FindConnectionPoint(IRadioInstance::kIid, other.ReleaseAndGetAddressOf()),
              CONNECT_E_NOCONNECTION);
    ComPtr<IEnumConnectionPoints> points;
    ASSERT_EQ(container->EnumConnectionPoints(points.ReleaseAndGetAddressOf()), S_OK);
    IConnectionPoint* only[2] = {};
    EXPECT_EQ(points->Next(2, only, &fetched), S_FALSE);
    ASSERT_EQ(fetched, 1u);
    EXPECT_EQ(only[0], point_.Get());
    only[0]->Release();

    // Both sinks hear a change; the given-back slot is reused.
    EXPECT_EQ(instance_->SetRadioState(DRS_SW_RADIO_OFF, 5), S_OK);
    EXPECT_EQ(second->Seen(), (std::vector<std::string>{"change DornaveLocation 1"}));
    EXPECT_EQ(point_->Unadvise(cookie), S_OK);
    DWORD again = 0;
    EXPECT_EQ(point_->Advise(static_cast<IMediaRadioManagerNotifySink*>(second.Get()), &again), S_OK);
    EXPECT_EQ(again, cookie);
}

}  // namespace
}  // namespace geolumen::testing
