#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <future>

#include "platform/wdf_host.h"

namespace geolumen {
namespace {

using namespace std::chrono_literals;
constexpr auto kStillBlocked = 50ms;
constexpr auto kMustHappen = 10s;

// Answers every control with its own code as status and writes `claimed` bytes of 0x5A, claiming
// `claimed` as the information count; can hold a request until released.
class ScriptedCallbacks final : public ComObject<IQueueCallbackDeviceIoControl> {
  public:
    void OnDeviceIoControl(IWDFIoQueue*, IWDFIoRequest* request, uint32_t code, size_t, size_t) override {
        ++calls;
        if (hold) {
            entered.set_value();
            release.get_future().wait();
        }
        ComPtr<IWDFMemory> memory;
        request->GetOutputMemory(memory.ReleaseAndGetAddressOf());
        size_t size = 0;
        if (void* buffer = memory ? memory->GetDataBuffer(&size) : nullptr) std::memset(buffer, 0x5A, size);
        request->CompleteWithInformation(static_cast<HRESULT>(code), claimed);
        request->CompleteWithInformation(E_FAIL, 0);  // a second completion must not count
    }

    std::atomic<int> calls{0};
    size_t claimed = 0;
    std::atomic<bool> hold{false};
    std::promise<void> entered;
    std::promise<void> release;
};

// A parallel queue dispatching to `callbacks`.
ComPtr<HostQueue> QueueOf(const ComPtr<ScriptedCallbacks>& callbacks, bool allowZeroLength = true) {
    return MakeCom<HostQueue>(ComPtr<IQueueCallbackDeviceIoControl>(callbacks), WdfIoQueueDispatchParallel,
                              allowZeroLength);
}

TEST(HostQueue, OutputIsCutToTheCallersBuffer) {
    auto callbacks = MakeCom<ScriptedCallbacks>();
    auto queue = QueueOf(callbacks);
    auto file = MakeCom<HostFile>();
    callbacks->claimed = 64;  // more than the 4-byte buffer
    const IoResult result = queue->Submit(file.Get(), 7, {}, 4);
    EXPECT_EQ(result.status, 7);
    EXPECT_EQ(result.information, 64u);
    EXPECT_EQ(result.output, (std::vector<uint8_t>{0x5A, 0x5A, 0x5A, 0x5A}));
}

TEST(HostQueue, ZeroLengthRequestsNeedTheQueuesConsent) {
    auto callbacks = MakeCom<ScriptedCallbacks>();
    auto strict = QueueOf(callbacks, false);
    EXPECT_EQ(strict->Submit(nullptr, 1, {}, 0).status, E_INVALIDARG);
    EXPECT_EQ(callbacks->calls.load(), 0);
    auto lenient = QueueOf(callbacks);
    EXPECT_EQ(lenient->Submit(nullptr, 1, {}, 0).status, 1);
}

TEST(HostQueue, StopWaitsForTheRequestInFlightAndHoldsNewOnesUntilStart) {
    auto callbacks = MakeCom<ScriptedCallbacks>();
    callbacks->hold = true;
    auto queue = QueueOf(callbacks);
    auto first = std::async(std::launch::async, [&] { return queue->Submit(nullptr, 1, {1}, 0); });
    ASSERT_EQ(callbacks->entered.get_future().wait_for(kMustHappen), std::future_status::ready);

    auto stop = std::async(std::launch::async, [&] { queue->StopSynchronously(); });
    EXPECT_EQ(stop.wait_for(kStillBlocked), std::future_status::timeout)
        << "stop returned with a request in flight";
    callbacks->hold = false;
    callbacks->release.set_value();
    ASSERT_EQ(stop.wait_for(kMustHappen), std::future_status::ready);
    EXPECT_EQ(first.get().status, 1);

    auto second = std::async(std::launch::async, [&] { return queue->Submit(nullptr, 2, {1}, 0); });
    EXPECT_EQ(second.wait_for(kStillBlocked), std::future_status::timeout) << "a stopped queue dispatched";
    queue->Start();
    ASSERT_EQ(second.wait_for(kMustHappen), std::future_status::ready);
    EXPECT_EQ(second.get().status, 2);
}

TEST(HostQueue, PurgeAndDeleteRefuseWaitingAndNewRequests) {
    auto callbacks = MakeCom<ScriptedCallbacks>();
    auto queue = QueueOf(callbacks);
    queue->StopSynchronously();
    auto waiting = std::async(std::launch::async, [&] { return queue->Submit(nullptr, 3, {1}, 0); });
    EXPECT_EQ(waiting.wait_for(kStillBlocked), std::future_status::timeout);
    queue->PurgeSynchronously();
    ASSERT_EQ(waiting.wait_for(kMustHappen), std::future_status::ready);
    EXPECT_EQ(waiting.get().status, kRequestAborted);
    EXPECT_EQ(queue->Submit(nullptr, 4, {1}, 0).status, kRequestAborted);
    queue->Start();
    EXPECT_EQ(queue->Submit(nullptr, 5, {1}, 0).status, 5);
    (void)queue->DeleteWdfObject();
    queue->Start();  // a deleted queue stays deleted
    EXPECT_EQ(queue->Submit(nullptr, 6, {1}, 0).status, kRequestAborted);
    EXPECT_EQ(callbacks->calls.load(), 1);
}

TEST(HostDeviceInit, InstanceIdNeedsRoomForItsTerminator) {
    auto init = MakeCom<HostDeviceInit>("USB\\AB");  // 6 characters + terminator = 7
    char buffer[7];
    uint32_t chars = 6;
    EXPECT_EQ(init->RetrieveDevicePnpInstanceId(buffer, &chars),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(chars, 7u);
    chars = 7;
    ASSERT_EQ(init->RetrieveDevicePnpInstanceId(buffer, &chars), S_OK);
    EXPECT_STREQ(buffer, "USB\\AB");
}

TEST(HostDevice, OneDefaultQueueAndBalancedIdleControl) {
    auto device = MakeCom<HostDevice>("USB\\D0", nullptr);
    auto callbacks = MakeCom<ScriptedCallbacks>();
    ComPtr<IWDFIoQueue> queue;
    ASSERT_EQ(device->CreateIoQueue(callbacks.Get(), true, WdfIoQueueDispatchParallel, false, true,
                                    queue.ReleaseAndGetAddressOf()),
              S_OK);
    ComPtr<IWDFIoQueue> second;
    EXPECT_TRUE(FAILED(device->CreateIoQueue(callbacks.Get(), true, WdfIoQueueDispatchParallel, false, true,
                                             second.ReleaseAndGetAddressOf())));
    EXPECT_EQ(device->CreateIoQueue(callbacks.Get(), true, static_cast<WDF_IO_QUEUE_DISPATCH_TYPE>(9), false,
                                    true, second.ReleaseAndGetAddressOf()),
              E_INVALIDARG);
    ComPtr<IWDFIoQueue> found;
    device->GetDefaultIoQueue(found.ReleaseAndGetAddressOf());
    EXPECT_EQ(found.Get(), queue.Get());

    EXPECT_EQ(device->StopIdle(false), S_OK);
    EXPECT_EQ(device->StopIdle(false), S_OK);
    device->ResumeIdle();
    EXPECT_EQ(device->StopIdleCount(), 1);
    device->ResumeIdle();
    device->ResumeIdle();  // unmatched
    EXPECT_EQ(device->StopIdleCount(), 0);

    WUDF_DEVICE_POWER_POLICY_IDLE_SETTINGS wrongSize{};
    wrongSize.Size = 28;
    EXPECT_EQ(device->AssignS0IdleSettingsEx(&wrongSize), E_INVALIDARG);
    EXPECT_FALSE(device->IdleSettingsAssigned(nullptr));
    (void)device->DeleteWdfObject();
    device->GetDefaultIoQueue(found.ReleaseAndGetAddressOf());
    EXPECT_FALSE(found);
}

}  // namespace
}  // namespace geolumen
