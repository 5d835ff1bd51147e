// The receiver's parser: takes complete reply frames out of RecvRing, oldest first.
//
// A reply frame is raw bytes: "KQ", 2 bytes skipped, 5 header bytes, sequence number, reply type and
// payload length n (two bytes each, high byte first), n payload bytes, a checksum byte that is not
// verified, CR LF. Every rejection removes only the byte at the ring's read position, so a genuine
// frame that starts inside rejected bytes is found by the following repetitions.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/PublicData.h"

// Bytes of a frame around its payload: 15 before it, checksum, CR and LF after it.
constexpr int kReplyFrameOverhead = 18;
// The longest payload a frame may announce; a longer length marks a false frame start.
constexpr int kMaxReplyFrameLength = 2048;
// A frame start whose bytes are missing is waited for over this many counting ticks in all (the tick
// that found it and two more, 300 ms at the receiver's 100 ms pace): a terminal sends a frame in one
// burst, so bytes still missing after that belong to a damaged frame.
constexpr int kIncompleteTickLimit = 3;
// The log line of a frame start whose bytes did not all arrive in time.
inline constexpr char kIncompleteFrameLog[] = "COM数据接收错误,已进行出错处理";

// Takes the next frame out of RecvRing, refilling the ring from RecvOverflow whenever it has room, so a
// frame is never waited for while its bytes are already here. Returns true when a frame was taken out of
// the ring: ReplyRecord then
// holds it (Valid 1, payload bytes beyond Len zeroed) and the caller hands it to the dispatcher.
// ReplyRecord is written only when a frame is delivered. A frame longer than the 1024-byte data field
// is delivered with its first 1024 payload bytes and Len 1024; all its bytes leave the ring.
// `incompleteTicks` counts the calls that found a frame start waiting for missing bytes; a call that finds
// one returns false, so a tick that calls until false counts at most once.
[[nodiscard]] bool ParseOneFrame(int32_t& incompleteTicks);

// The log line of bytes lost because they came faster than the receiver took them.
std::string RecvDroppedLog(uint64_t bytes);

// One tick of the receiver: every complete frame the ring and its overflow hold is taken out and handed
// to `deliver`, in order; then, when bytes were lost since the last tick, one RecvDroppedLog line.
// Returns the number of frames delivered.
int RunReceiverTick(int32_t& incompleteTicks, const std::function<void()>& deliver);
