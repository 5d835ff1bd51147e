// Sample values the consoles' edits start with before the user types the terminal's real ones.
#pragma once

inline constexpr char kSampleMobile[] = "13800138000";
inline constexpr char kSampleImei[] = "860000000000001";
inline constexpr char kSampleServer[] = "www.example.com";
inline constexpr char kSampleTerminalId[] = "1234567890";
inline constexpr char kSamplePlate[] = "粤B12345";
inline constexpr char kPublicApn[] = "CMNET";
