#pragma once
// An object built on first use and never destroyed, for state that threads still touch while the static
// teardown stops them (a process that exits, a library that is unloaded). It lives in static storage, not
// on the heap: an unloaded library takes it with it, and nothing is left behind that looks leaked.
#include <new>

namespace geolumen {

template <class T>
T& Immortal() {
    alignas(T) static unsigned char storage[sizeof(T)];
    static T* object = new (storage) T;
    return *object;
}

}  // namespace geolumen
