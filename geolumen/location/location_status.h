#pragma once
// Results of the location-service client's operations and of the request slots' send-and-wait.
namespace geolumen {

inline constexpr int kLocStatusOk = 0;
// Bad request id, missing callbacks or payload, or the service answered with error 1.
inline constexpr int kLocStatusInvalid = 3;
// The service answered with error 23.
inline constexpr int kLocStatusServiceError23 = 4;
// The service was not found in time, or no result indication came in time.
inline constexpr int kLocStatusTimeout = 6;
inline constexpr int kLocStatusNoClient = 10;
inline constexpr int kLocStatusFailure = 11;

}  // namespace geolumen
