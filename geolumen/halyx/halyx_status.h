#pragma once
// Result codes of the multiplexer, the control service and the client layer. The codec's own codes
// (-41 ... -49) pass through these layers unchanged.
namespace geolumen {

inline constexpr int kHalyxOk = 0;
// Bad argument, allocation failure, table full, parse failure, refused answer.
inline constexpr int kHalyxErrArgument = -1;
// Transport send failed, no matching service instance, service lost, transport stopped.
inline constexpr int kHalyxErrSend = -2;
inline constexpr int kHalyxErrTimeout = -3;
inline constexpr int kHalyxErrNotOpen = -5;
// The response's message id differs from the request's.
inline constexpr int kHalyxErrWrongMessage = -14;

}  // namespace geolumen
