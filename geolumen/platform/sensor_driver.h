#pragma once
// The callbacks through which the sensor class extension reaches a sensor driver: the supported objects,
// keys and events, property and data-field reads, property writes, and the client life cycle (a client is
// one framework file object). The driver object is handed to the class extension's Initialize.
//
// Out parameters return owned references (or, for the event list, memory from CoTaskMemAlloc that the
// caller frees with CoTaskMemFree). Object ids are the sensor's object id text.

#include <cstdint>

#include "platform/com.h"
#include "platform/portable_values.h"
#include "platform/wdf.h"

namespace geolumen {

// {8D2F5E61-3A7C-4B19-9E04-6C1D2B7A8F35}
struct ISensorDriver : IUnknown {
    static constexpr IID kIid = WdfGuid(0x8D2F5E61, 0x3A7C, 0x4B19, 0x9E04, 0x6C1D2B7A8F35);

    // One value set per sensor object, holding each supported property's current value.
    virtual HRESULT OnGetSupportedSensorObjects(IPortableDeviceValuesCollection** objects) = 0;
    // The supported property keys in the sensor's order.
    virtual HRESULT OnGetSupportedProperties(const char* objectId, IPortableDeviceKeyCollection** keys) = 0;
    // The supported data-field keys in the sensor's order.
    virtual HRESULT OnGetSupportedDataFields(const char* objectId, IPortableDeviceKeyCollection** keys) = 0;
    // A CoTaskMemAlloc'ed array of event identifiers and its count; on failure null and 0.
    virtual HRESULT OnGetSupportedEvents(const char* objectId, GUID** events, uint32_t* count) = 0;
    // One entry per requested key: its value, or an ErrorValue; S_FALSE when any key failed.
    virtual HRESULT OnGetProperties(IWDFFile* client, const char* objectId,
                                    IPortableDeviceKeyCollection* keys, IPortableDeviceValues** values) = 0;
    virtual HRESULT OnGetDataFields(IWDFFile* client, const char* objectId,
                                    IPortableDeviceKeyCollection* keys, IPortableDeviceValues** values) = 0;
    // `results` holds an ErrorValue for each refused entry; S_FALSE when any entry was refused.
    virtual HRESULT OnSetProperties(IWDFFile* client, const char* objectId, IPortableDeviceValues* values,
                                    IPortableDeviceValues** results) = 0;
    virtual HRESULT OnClientConnect(IWDFFile* client, const char* objectId) = 0;
    virtual HRESULT OnClientDisconnect(IWDFFile* client, const char* objectId) = 0;
    virtual HRESULT OnClientSubscribeToEvents(IWDFFile* client, const char* objectId) = 0;
    virtual HRESULT OnClientUnsubscribeFromEvents(IWDFFile* client, const char* objectId) = 0;
    // Messages of the portable-device protocol beyond the sensor ones; the sensor answers them at once.
    virtual HRESULT OnProcessWpdMessage(IUnknown* portableDeviceValuesParamsUnknown,
                                        IUnknown* portableDeviceValuesResultsUnknown, IUnknown* extra) = 0;
};

}  // namespace geolumen
