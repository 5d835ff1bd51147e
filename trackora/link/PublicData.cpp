#include "link/PublicData.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "link/OutputLog.h"
#include "platform/TextCodec.h"

TGlobalData GlobalData;
TRecvRing RecvRing;
TRecvOverflow RecvOverflow;
TReplyRecord ReplyRecord;
TCommandRecord CommandRecord;
TMoniCtrl MoniCtrl;
TGpsInfoManage GpsInfoManage;
TnSysRunInfo SysRunInfo;

namespace {

LinePort* g_linePort = nullptr;
std::function<void()> g_ringFed;

// "KQ", nine zero bytes, Cmd (2), Len (2) before the payload; checksum, CR, LF after it.
constexpr int kFrameHeadSize = 15;
constexpr int kFrameOverhead = 18;
constexpr char kLinePrefix[] = "ATKQ";
constexpr int kLinePrefixSize = 4;

// One write through the installed port; a refused or throwing write is handed to SendErrorDeal. With
// no port installed nothing can be written and nobody could close anything, so it is a quiet no-op.
// Returns whether the bytes were queued.
bool WriteOrDeal(const uint8_t* bytes, int length) {
    LinePort* port = g_linePort;
    if (port == nullptr) return false;
    bool written = false;
    try {
        written = port->WriteData(bytes, length);
    } catch (const std::exception&) {
        written = false;
    }
    if (!written) port->SendErrorDeal();
    return written;
}

char* PutHex(char* out, uint8_t byte) {
    *out++ = kHexDigits[byte >> 4];
    *out++ = kHexDigits[byte & 0x0F];
    return out;
}

}  // namespace

void ResetPublicData() {
    GlobalData = TGlobalData{};
    RecvRing = TRecvRing{};
    RecvOverflow = TRecvOverflow{};
    ReplyRecord = TReplyRecord{};
    CommandRecord = TCommandRecord{};
    MoniCtrl = TMoniCtrl{};
    GpsInfoManage = TGpsInfoManage{};
    SysRunInfo = TnSysRunInfo{};
}

void SetLinePort(LinePort* port) { g_linePort = port; }
LinePort* CurrentLinePort() { return g_linePort; }

int BuildCommandLine(TCommandRecord& record) {
    const int len = record.Len;
    if (len < 0 || len > kMaxFramePayload) return 0;
    std::array<uint8_t, kMaxFramePayload + kFrameOverhead> frame{};
    frame[0] = 0x4B;  // 'K'
    frame[1] = 0x51;  // 'Q'
    // bytes 2..10 stay zero
    frame[11] = static_cast<uint8_t>((record.Cmd >> 8) & 0xFF);
    frame[12] = static_cast<uint8_t>(record.Cmd & 0xFF);
    frame[13] = static_cast<uint8_t>((len >> 8) & 0xFF);
    frame[14] = static_cast<uint8_t>(len & 0xFF);
    std::memcpy(frame.data() + kFrameHeadSize, record.Data.data(), static_cast<size_t>(len));
    unsigned sum = 0;
    for (int i = 0; i < kFrameHeadSize + len; ++i) sum += frame[static_cast<size_t>(i)];
    frame[static_cast<size_t>(kFrameHeadSize + len)] = static_cast<uint8_t>(sum & 0xFF);
    frame[static_cast<size_t>(kFrameHeadSize + len + 1)] = 0x0D;
    frame[static_cast<size_t>(kFrameHeadSize + len + 2)] = 0x0A;

    char* out = record.Text.data();
    std::memcpy(out, kLinePrefix, kLinePrefixSize);
    out += kLinePrefixSize;
    for (int i = 0; i < len + kFrameOverhead; ++i) out = PutHex(out, frame[static_cast<size_t>(i)]);
    *out++ = '\r';
    *out++ = '\n';
    return static_cast<int>(out - record.Text.data());
}

void SendFrame() {
    if (!GlobalData.ComOpen) {
        LogLine(kSendPortClosedLog);
        return;
    }
    const int length = BuildCommandLine(CommandRecord);
    if (length == 0) {
        LogLine(kSendTooLongLog);
        return;
    }
    WriteOrDeal(reinterpret_cast<const uint8_t*>(CommandRecord.Text.data()), length);
}

void SendLine(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxSendLine)) {
        LogLine(kSendTooLongLog);
        return;
    }
    std::array<uint8_t, kMaxSendLine + 2> line{};
    std::memcpy(line.data(), text.data(), text.size());
    line[text.size()] = '\r';
    line[text.size() + 1] = '\n';
    WriteOrDeal(line.data(), static_cast<int>(text.size() + 2));
}

void SendLineBytewise(const std::string& text) {
    if (text.size() > static_cast<size_t>(kMaxSendLineBytewise)) {
        LogLine(kSendTooLongLog);
        return;
    }
    char* out = CommandRecord.Text.data();
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\r';
    out[text.size() + 1] = '\n';
    const size_t total = text.size() + 2;
    for (size_t i = 0; i < total; ++i) {
        if (!WriteOrDeal(reinterpret_cast<const uint8_t*>(out + i), 1)) return;
    }
}

bool HasNoSpace(const std::string& text) { return text.find(' ') == std::string::npos; }

std::string TwoDigitText(int value) {
    std::string text = std::to_string(value);
    if (text.size() == 1) text.insert(text.begin(), '0');
    return text;
}

std::string MakeHHMM(int a, int b) { return TwoDigitText(a) + TwoDigitText(b); }

std::string MakeHHMMHHMM(int a, int b, int c, int d) { return MakeHHMM(a, b) + MakeHHMM(c, d); }

std::string MakeHHMMSS(int a, int b, int c) { return MakeHHMM(a, b) + TwoDigitText(c); }

std::string GbkToUtf8(const std::string& text) { return Cp936ToUtf8(text); }

int RecvRingNext(int position) {
    // Anything outside 1..1999 (a corrupted position included) continues at the start of the ring.
    return (position >= 1 && position < kRecvRingSize) ? position + 1 : 1;
}

void RecvRingDrop() {
    if (RecvRing.Count <= 0) return;  // an empty ring has nothing to drop: the count never goes negative
    --RecvRing.Count;
    RecvRing.ReadIndex = RecvRingNext(RecvRing.ReadIndex);
}

bool RecvRingPush(uint8_t byte) {
    if (RecvRing.Count >= kRecvRingSize) return false;
    const int at =
        (RecvRing.WriteIndex >= 1 && RecvRing.WriteIndex <= kRecvRingSize) ? RecvRing.WriteIndex : 1;
    RecvRing.Data[static_cast<size_t>(at)] = byte;
    RecvRing.WriteIndex = RecvRingNext(at);
    ++RecvRing.Count;
    return true;
}

void RecvRingWrite(const uint8_t* bytes, size_t count) {
    if (bytes == nullptr) return;
    (void)RecvRingRefill();
    size_t at = 0;
    if (RecvOverflow.Bytes.empty())
        while (at < count && RecvRingPush(bytes[at])) ++at;
    const size_t room = kRecvOverflowLimit - std::min(RecvOverflow.Bytes.size(), kRecvOverflowLimit);
    const size_t kept = std::min(room, count - at);
    RecvOverflow.Bytes.insert(RecvOverflow.Bytes.end(), bytes + at, bytes + at + kept);
    RecvOverflow.Dropped += count - at - kept;
}

size_t RecvRingRefill() {
    size_t moved = 0;
    while (!RecvOverflow.Bytes.empty() && RecvRingPush(RecvOverflow.Bytes.front())) {
        RecvOverflow.Bytes.pop_front();
        ++moved;
    }
    return moved;
}

void RecvRingCountDropped(uint64_t count) { RecvOverflow.Dropped += count; }

uint64_t RecvRingTakeDropped() { return std::exchange(RecvOverflow.Dropped, 0); }

void SetRecvRingFedListener(std::function<void()> listener) { g_ringFed = std::move(listener); }

void NotifyRecvRingFed() {
    if (g_ringFed) g_ringFed();
}
