#include <dlfcn.h>
#include <gtest/gtest.h>

// The shared library must load on its own: every symbol it needs resolved, nothing left to the caller.
TEST(Library, LoadsWithAllSymbolsResolved) {
    void* h = dlopen(GEOLUMEN_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    dlclose(h);
}
