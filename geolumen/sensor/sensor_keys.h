#pragma once
// The keys of the location sensor: its property keys and data-field keys in the order clients are told
// them, the keys the data store holds beyond those, the event identifiers, and the names clients and
// tools print for each key.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/portable_values.h"

namespace geolumen {

// ---- property sets ----
// {7F8383EC-D3EC-495C-A8CF-B8BBE85C2920}
inline constexpr GUID SENSOR_PROPERTY_COMMON_GUID =
    WdfGuid(0x7F8383EC, 0xD3EC, 0x495C, 0xA8CF, 0xB8BBE85C2920);
// {DB5E0CF2-CF1F-4C18-B46C-D86011D62150}
inline constexpr GUID SENSOR_DATA_TYPE_COMMON_GUID =
    WdfGuid(0xDB5E0CF2, 0xCF1F, 0x4C18, 0xB46C, 0xD86011D62150);
// {055C74D8-CA6F-47D6-95C6-1ED3637A0FF4}
inline constexpr GUID SENSOR_DATA_TYPE_LOCATION_GUID =
    WdfGuid(0x055C74D8, 0xCA6F, 0x47D6, 0x95C6, 0x1ED3637A0FF4);
// The driver's own properties. {E1E962F4-6E65-45F7-9C36-D487B7B1BD34}
inline constexpr GUID SENSOR_PROPERTY_PRIVATE_GUID =
    WdfGuid(0xE1E962F4, 0x6E65, 0x45F7, 0x9C36, 0xD487B7B1BD34);
// {8F052D93-ABCA-4FC5-A5AC-B01DF4DBE598}
inline constexpr GUID WPD_FUNCTIONAL_OBJECT_PROPERTIES_V1 =
    WdfGuid(0x8F052D93, 0xABCA, 0x4FC5, 0xA5AC, 0xB01DF4DBE598);
// {EF6B490D-5CD8-437A-AFFC-DA8B60EE4A3C}
inline constexpr GUID WPD_OBJECT_PROPERTIES_V1 = WdfGuid(0xEF6B490D, 0x5CD8, 0x437A, 0xAFFC, 0xDA8B60EE4A3C);
// {64346E30-8728-4B34-BDF6-4F52442C5C28}
inline constexpr GUID SENSOR_EVENT_PARAMETER_COMMON_GUID =
    WdfGuid(0x64346E30, 0x8728, 0x4B34, 0xBDF6, 0x4F52442C5C28);

// ---- property keys ----
inline constexpr PROPERTYKEY SENSOR_PROPERTY_TYPE{SENSOR_PROPERTY_COMMON_GUID, 2};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_STATE{SENSOR_PROPERTY_COMMON_GUID, 3};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_PERSISTENT_UNIQUE_ID{SENSOR_PROPERTY_COMMON_GUID, 5};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_MANUFACTURER{SENSOR_PROPERTY_COMMON_GUID, 6};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_MODEL{SENSOR_PROPERTY_COMMON_GUID, 7};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_SERIAL_NUMBER{SENSOR_PROPERTY_COMMON_GUID, 8};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_FRIENDLY_NAME{SENSOR_PROPERTY_COMMON_GUID, 9};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_MIN_REPORT_INTERVAL{SENSOR_PROPERTY_COMMON_GUID, 12};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_CURRENT_REPORT_INTERVAL{SENSOR_PROPERTY_COMMON_GUID, 13};
inline constexpr PROPERTYKEY SENSOR_PROPERTY_LOCATION_DESIRED_ACCURACY{SENSOR_PROPERTY_COMMON_GUID, 19};
// 1/0: NMEA sentences on/off. Always reads 1.
inline constexpr PROPERTYKEY SENSOR_PROPERTY_PRIVATE_NMEA{SENSOR_PROPERTY_PRIVATE_GUID, 3};
// 1: restart the session with the module's assistance data deleted. Always reads 1.
inline constexpr PROPERTYKEY SENSOR_PROPERTY_PRIVATE_RESTART{SENSOR_PROPERTY_PRIVATE_GUID, 2};
inline constexpr PROPERTYKEY WPD_FUNCTIONAL_OBJECT_CATEGORY{WPD_FUNCTIONAL_OBJECT_PROPERTIES_V1, 2};
inline constexpr PROPERTYKEY WPD_OBJECT_ID{WPD_OBJECT_PROPERTIES_V1, 2};

// ---- data-field keys ----
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_TIMESTAMP{SENSOR_DATA_TYPE_COMMON_GUID, 2};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_LATITUDE_DEGREES{SENSOR_DATA_TYPE_LOCATION_GUID, 2};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_LONGITUDE_DEGREES{SENSOR_DATA_TYPE_LOCATION_GUID, 3};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_METERS{SENSOR_DATA_TYPE_LOCATION_GUID, 4};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_METERS{SENSOR_DATA_TYPE_LOCATION_GUID, 5};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SPEED_KNOTS{SENSOR_DATA_TYPE_LOCATION_GUID, 6};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_TRUE_HEADING_DEGREES{SENSOR_DATA_TYPE_LOCATION_GUID, 7};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_MAGNETIC_HEADING_DEGREES{SENSOR_DATA_TYPE_LOCATION_GUID, 8};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_FIX_TYPE{SENSOR_DATA_TYPE_LOCATION_GUID, 11};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_POSITION_DILUTION_OF_PRECISION{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                             12};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_HORIZONAL_DILUTION_OF_PRECISION{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                              13};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_VERTICAL_DILUTION_OF_PRECISION{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                             14};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SATELLITES_IN_VIEW{SENSOR_DATA_TYPE_LOCATION_GUID, 17};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_PRNS{SENSOR_DATA_TYPE_LOCATION_GUID, 18};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ELEVATION{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                           19};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_AZIMUTH{SENSOR_DATA_TYPE_LOCATION_GUID, 20};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_STN_RATIO{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                           21};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_ERROR_RADIUS_METERS{SENSOR_DATA_TYPE_LOCATION_GUID, 22};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_ALTITUDE_ELLIPSOID_ERROR_METERS{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                              29};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_ALTITUDE_SEALEVEL_ERROR_METERS{SENSOR_DATA_TYPE_LOCATION_GUID,
                                                                             30};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_NMEA_SENTENCE{SENSOR_DATA_TYPE_LOCATION_GUID, 38};
inline constexpr PROPERTYKEY SENSOR_DATA_TYPE_SATELLITES_IN_VIEW_ID{SENSOR_DATA_TYPE_LOCATION_GUID, 39};

// The key of an event's kind within a posted value set.
inline constexpr PROPERTYKEY SENSOR_EVENT_PARAMETER_EVENT_ID{SENSOR_EVENT_PARAMETER_COMMON_GUID, 2};

// ---- events, type and category ----
// {2ED0F2A4-0087-41D3-87DB-6773370B3C88}
inline constexpr GUID SENSOR_EVENT_DATA_UPDATED = WdfGuid(0x2ED0F2A4, 0x0087, 0x41D3, 0x87DB, 0x6773370B3C88);
// {BFD96016-6BD7-4560-AD34-F2F6607E8F81}
inline constexpr GUID SENSOR_EVENT_STATE_CHANGED =
    WdfGuid(0xBFD96016, 0x6BD7, 0x4560, 0xAD34, 0xF2F6607E8F81);
// {ED4CA589-327A-4FF9-A560-91DA4B48275E}
inline constexpr GUID SENSOR_TYPE_LOCATION_GPS = WdfGuid(0xED4CA589, 0x327A, 0x4FF9, 0xA560, 0x91DA4B48275E);
// {BFA794E4-F964-4FDB-90F6-51056BFE4B44}
inline constexpr GUID SENSOR_CATEGORY_LOCATION = WdfGuid(0xBFA794E4, 0xF964, 0x4FDB, 0x90F6, 0x51056BFE4B44);

// The events the sensor supports, in the order it reports them.
inline constexpr std::array<GUID, 2> kSensorEvents{SENSOR_EVENT_DATA_UPDATED, SENSOR_EVENT_STATE_CHANGED};

// The id of the one sensor object: its WPD_OBJECT_ID, the id its events are posted under, and the name of
// its persistent id in the device property store.
inline constexpr const char* kSensorObjectId = "SarnovyLocation";

// One row of a key table: the key, its name, and the variant type of its value once filled.
struct SensorKeyRow {
    PROPERTYKEY key;
    const char* name;
    VARTYPE type;
};

// The supported properties, in the order clients are told them.
extern const std::array<SensorKeyRow, 14> kSensorPropertyKeys;
// The supported data fields, in the order clients are told them.
extern const std::array<SensorKeyRow, 20> kSensorDataFieldKeys;

// The name of a known key (properties, data fields, the two unannounced error fields, the event-id
// parameter), spelled as clients know it; nullptr for any other key.
[[nodiscard]] const char* SensorKeyName(const PROPERTYKEY& key);
// The key of a name that SensorKeyName gives; nothing for any other text.
[[nodiscard]] std::optional<PROPERTYKEY> SensorKeyFromName(std::string_view name);

}  // namespace geolumen
