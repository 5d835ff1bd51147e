// Several stores on one file (each call for a device's property store makes one) share it safely: a
// value written through one is never lost by a write through another.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/device_store.h"

namespace geolumen {
namespace {

TEST(DeviceStoreSharing, ConcurrentWritesThroughSeparateStoresAllStay) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("geolumen-store-sharing-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    const auto file = dir / "properties";
    constexpr int kThreads = 8;
    constexpr int kValuesEach = 25;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &file] {
            FileValueStore store(file);  // a store of its own, as each property-store request gets
            for (int i = 0; i < kValuesEach; ++i) {
                EXPECT_TRUE(store.Set("v" + std::to_string(t) + "_" + std::to_string(i), std::to_string(i)));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    FileValueStore reader(file);
    int found = 0;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kValuesEach; ++i) {
            found += reader.Get("v" + std::to_string(t) + "_" + std::to_string(i)) == std::to_string(i);
        }
    }
    EXPECT_EQ(found, kThreads * kValuesEach);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace geolumen
