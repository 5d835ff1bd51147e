// Names of the windows that receive replies: each window registers its input method under its
// objectName, which is its form's name.
#pragma once

inline constexpr const char* kAppEbikeWindow = "TfAppEbike";
inline constexpr const char* kDvrnWindow = "TfDVRN";
inline constexpr const char* kLogWindow = "TfLog";
inline constexpr const char* kDebugWindow = "TfDebug";
inline constexpr const char* kQrCreateWindow = "TfQRCreate";
inline constexpr const char* kMoniWindow = "TfMoni";
