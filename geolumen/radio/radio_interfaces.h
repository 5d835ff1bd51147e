#pragma once
// The interfaces through which radio management lists and switches radios, the driver's own interfaces
// between its radio manager and its radio instances, and the connection-point interfaces through which
// radio management receives notifications. Shared by the library and the programs that load it.
#include <cstdint>

#include "platform/bstr.h"
#include "platform/com.h"
#include "platform/wdf.h"

namespace geolumen {

using LCID = uint32_t;

enum DEVICE_RADIO_STATE : uint32_t {
    DRS_RADIO_ON = 0,
    DRS_SW_RADIO_OFF = 1,
    DRS_HW_RADIO_OFF = 2,
    DRS_SW_HW_RADIO_OFF = 3,
    DRS_HW_RADIO_ON_UNCONTROLLABLE = 4,
    DRS_RADIO_INVALID = 5,
    DRS_HW_RADIO_OFF_UNCONTROLLABLE = 6,
};

enum SYSTEM_RADIO_STATE : uint32_t {
    SRS_RADIO_ENABLED = 0,
    SRS_RADIO_DISABLED = 1,
};

// The wait for a radio operation ended before the operation did; it may still complete later.
inline constexpr HRESULT RPC_S_CALLPENDING = MakeHresult(0x80010115u);
inline constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHresult(0x80040200u);
inline constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHresult(0x80040202u);

// The radio manager's class id, also the signature its instances report.
// {3D9D6A0F-8E2B-4239-9EE1-7A46BA0AECB6}
inline constexpr CLSID CLSID_GeolumenRadioManager =
    WdfGuid(0x3D9D6A0F, 0x8E2B, 0x4239, 0x9EE1, 0x7A46BA0AECB6);

inline constexpr const char* kRadioInstanceSignature = "DornaveLocation";
inline constexpr const char* kRadioFriendlyName = "GNSS";

struct IRadioInstance;
struct IConnectionPoint;
struct IConnectionPointContainer;

// {E5791FAE-5665-4E0C-95BE-5FDE31644185}
struct IRadioInstanceCollection : IUnknown {
    static constexpr IID kIid = WdfGuid(0xE5791FAE, 0x5665, 0x4E0C, 0x95BE, 0x5FDE31644185);
    // E_INVALIDARG for a null output.
    virtual HRESULT GetCount(uint32_t* count) = 0;
    // A counted reference; the output is cleared first. E_INVALIDARG for a null output, E_FAIL past the end.
    virtual HRESULT GetAt(uint32_t index, IRadioInstance** instance) = 0;
};

// {70AA1C9E-F2B4-4C61-86D3-6B9FB75FD1A2}
struct IRadioInstance : IUnknown {
    static constexpr IID kIid = WdfGuid(0x70AA1C9E, 0xF2B4, 0x4C61, 0x86D3, 0x6B9FB75FD1A2);
    virtual HRESULT GetRadioManagerSignature(GUID* signature) = 0;
    // The caller frees the string with SysFreeString.
    virtual HRESULT GetInstanceSignature(BSTR* signature) = 0;
    virtual HRESULT GetFriendlyName(LCID locale, BSTR* name) = 0;
    virtual HRESULT GetRadioState(DEVICE_RADIO_STATE* state) = 0;
    // `timeoutSeconds` bounds the wait; RPC_S_CALLPENDING when it ran out first.
    virtual HRESULT SetRadioState(DEVICE_RADIO_STATE state, uint32_t timeoutSeconds) = 0;
    virtual bool IsMultiComm() = 0;
    virtual bool IsAssociatingDevice() = 0;
    virtual HRESULT GetPreviousRadioState(DEVICE_RADIO_STATE* state) = 0;
};

// {6CFDCAB5-FC47-42A5-9241-074B58830E73}
struct IMediaRadioManager : IUnknown {
    static constexpr IID kIid = WdfGuid(0x6CFDCAB5, 0xFC47, 0x42A5, 0x9241, 0x074B58830E73);
    virtual HRESULT GetRadioInstances(IRadioInstanceCollection** collection) = 0;
    virtual HRESULT OnSystemRadioStateChange(SYSTEM_RADIO_STATE state, uint32_t timeoutSeconds) = 0;
};

// Implemented by radio management; advised on the manager's connection point.
// {89D81F5F-C147-49ED-A11C-77B20C31E7C9}
struct IMediaRadioManagerNotifySink : IUnknown {
    static constexpr IID kIid = WdfGuid(0x89D81F5F, 0xC147, 0x49ED, 0xA11C, 0x77B20C31E7C9);
    virtual HRESULT OnInstanceAdd(IRadioInstance* instance) = 0;
    virtual HRESULT OnInstanceRemove(BSTR signature) = 0;
    virtual HRESULT OnInstanceRadioChange(BSTR signature, DEVICE_RADIO_STATE state) = 0;
};

// How an instance tells its manager that its radio changed.
// {A2015F44-1B3D-48C0-AF54-5CF80A0AB139}
struct IRadioInstanceEvents : IUnknown {
    static constexpr IID kIid = WdfGuid(0xA2015F44, 0x1B3D, 0x48C0, 0xAF54, 0x5CF80A0AB139);
    virtual HRESULT NotifyInstanceRadioChange(BSTR signature, DEVICE_RADIO_STATE state) = 0;
};

// How the manager passes the system-wide radio switch to an instance.
// {912C891A-C678-486E-8989-3EBE82A87871}
struct IRadioInstanceControl : IUnknown {
    static constexpr IID kIid = WdfGuid(0x912C891A, 0xC678, 0x486E, 0x8989, 0x3EBE82A87871);
    virtual HRESULT ApplySystemRadioState(SYSTEM_RADIO_STATE state) = 0;
};

// ---- connection points ----

struct CONNECTDATA {
    IUnknown* pUnk;  // a counted reference the receiver releases
    DWORD dwCookie;
};

// {B196B287-BAB4-101A-B69C-00AA00341D07}
struct IEnumConnections : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB196B287, 0xBAB4, 0x101A, 0xB69C, 0x00AA00341D07);
    // S_OK when `count` items were fetched, S_FALSE when fewer were left.
    virtual HRESULT Next(ULONG count, CONNECTDATA* items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumConnections** copy) = 0;
};

// {B196B285-BAB4-101A-B69C-00AA00341D07}
struct IEnumConnectionPoints : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB196B285, 0xBAB4, 0x101A, 0xB69C, 0x00AA00341D07);
    virtual HRESULT Next(ULONG count, IConnectionPoint** items, ULONG* fetched) = 0;
    virtual HRESULT Skip(ULONG count) = 0;
    virtual HRESULT Reset() = 0;
    virtual HRESULT Clone(IEnumConnectionPoints** copy) = 0;
};

// {B196B286-BAB4-101A-B69C-00AA00341D07}
struct IConnectionPoint : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB196B286, 0xBAB4, 0x101A, 0xB69C, 0x00AA00341D07);
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    // CONNECT_E_CANNOTCONNECT when the sink lacks the notification interface.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    // CONNECT_E_NOCONNECTION for a cookie not handed out (or already given back).
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** connections) = 0;
};

// {B196B284-BAB4-101A-B69C-00AA00341D07}
struct IConnectionPointContainer : IUnknown {
    static constexpr IID kIid = WdfGuid(0xB196B284, 0xBAB4, 0x101A, 0xB69C, 0x00AA00341D07);
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;
};

}  // namespace geolumen
