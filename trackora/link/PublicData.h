// Global records shared by every window of the program, and the routines that put lines on the port.
// Every record is one global that lives for the whole run, starts zeroed and is touched on the main
// thread only. Strings hold code page 936 bytes, as they travel on the line.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>

// A Bool32 of the records: 0 is false, any other value true; the program writes -1 for true.
using Bool32 = int32_t;
constexpr Bool32 kTrue32 = -1;

struct TGlobalData {
    Bool32 Started = 0;
    Bool32 ComOpen = 0;
    std::string ComName;
    std::array<std::string, 10> UsbComNames;
    int32_t UsbComCount = 0;
};

constexpr int kRecvRingSize = 2000;

// Positions run 1..2000 as the parser and the port manager count them.
struct TRecvRing {
    std::array<uint8_t, kRecvRingSize + 1> Data{};  // Data[0] unused: positions are 1-based
    int32_t Count = 0;
    int32_t ReadIndex = 1;
    int32_t WriteIndex = 1;
};

// Bytes that arrive while the ring is full wait here, in order, until the receiver has made room; the
// ring itself keeps its 2000 bytes, so what a frame is (one that fits the ring) does not change. The
// receiver ticks every 100 ms and the fastest line carries 92160 bytes a second (921600 baud), so this
// holds more than ten ticks of it: a terminal that answers in bursts loses nothing, while one that
// streams faster than the program can take cannot grow it without end.
constexpr size_t kRecvOverflowLimit = 128 * 1024;

struct TRecvOverflow {
    std::deque<uint8_t> Bytes;  // the oldest first; never more than kRecvOverflowLimit
    uint64_t Dropped = 0;       // bytes lost since the receiver last reported them
};

constexpr int kReplyDataSize = 1024;

struct TReplyRecord {
    int32_t Valid = 0;
    std::array<uint8_t, 5> Header{};
    int32_t Seq = 0;
    int32_t Type = 0;
    int32_t Len = 0;
    std::array<uint8_t, kReplyDataSize> Data{};
};

// Upper-case hexadecimal digits, as the command lines and the log show bytes.
inline constexpr char kHexDigits[] = "0123456789ABCDEF";

constexpr int kCommandDataSize = 1028;
constexpr int kCommandTextSize = 1024;
// The hex line of a frame is 2 * Len + 42 characters and must fit Text.
constexpr int kMaxFramePayload = 491;
constexpr int kMaxSendLine = 510;
constexpr int kMaxSendLineBytewise = 1022;

struct TCommandRecord {
    int32_t Cmd = 0;
    int32_t Len = 0;
    std::array<uint8_t, kCommandDataSize> Data{};
    std::array<char, kCommandTextSize> Text{};
};

struct TMoniCtrl {
    int32_t Mode = 0;  // 0 idle, 1 System, 2 GPS, 3 OBD, 4 WIFI, 5 BT
};

struct TGpsInfoManage {
    Bool32 Fixed = 0;
    Bool32 East = 0;
    Bool32 North = 0;
    std::string LongitudeText;
    std::string LatitudeText;
    std::array<uint8_t, 6> DateTime{};
    int32_t Speed = 0;
    int32_t Course = 0;
    int32_t CollectTimes = 0;
    int32_t Hdop10 = 0;
    int32_t GpsCount = 0;
    std::array<uint8_t, 24> GpsPrn{};
    std::array<uint8_t, 24> GpsSnr{};
    int32_t BdCount = 0;
    std::array<uint8_t, 24> BdPrn{};
    std::array<uint8_t, 24> BdSnr{};
};

struct TnSysRunInfo {
    uint8_t SysState = 0;
    uint8_t SimOk = 0;
    uint8_t RegOk = 0;
    uint8_t Defences = 0;
    uint8_t Csq = 0;
    uint8_t Acc = 0;
    uint8_t Power = 0;
    uint8_t Sleep = 0;
    int32_t AreaId = 0;
    int32_t CellId = 0;
    int32_t Battery = 0;
    int32_t PppTimes = 0;
    int32_t SmsSend = 0;
    int32_t SmsRec = 0;
    int32_t SocketSend = 0;
    int32_t SocketReceive = 0;
    int32_t CallIn = 0;
    int32_t CallOut = 0;
    int32_t Mileage = 0;
    int32_t RunTime = 0;
    int32_t NetNumberA = 0;
    int32_t NetNumberB = 0;
    std::string Imsi;
    int32_t Vibration = 0;
    int32_t Band = 0;
    int32_t Aux1 = 0;
    int32_t Aux2 = 0;
    uint8_t AtOk = 0;
    uint8_t ImeiRead = 0;
    std::string Imei;
    std::array<std::string, 6> RfStatus;
    int32_t WifiPollTicks = 0;
    int32_t BtPollTicks = 0;
    int32_t Voltage10 = 0;
};

extern TGlobalData GlobalData;
extern TRecvRing RecvRing;
extern TRecvOverflow RecvOverflow;
extern TReplyRecord ReplyRecord;
extern TCommandRecord CommandRecord;
extern TMoniCtrl MoniCtrl;
extern TGpsInfoManage GpsInfoManage;
extern TnSysRunInfo SysRunInfo;

// Puts every record back to its start state (zeroed, ring positions at 1). Tests use it between cases.
void ResetPublicData();

// The one port every line goes out through. The port manager installs itself here; tests install fakes.
class LinePort {
  public:
    virtual ~LinePort() = default;
    // Queues bytes for the line; false when they cannot be queued.
    virtual bool WriteData(const uint8_t* buffer, int length) = 0;
    // Closes the port after a refused write and logs it.
    virtual void SendErrorDeal() = 0;
};
void SetLinePort(LinePort* port);
LinePort* CurrentLinePort();

// The one log line of a line too long for its buffer: nothing of it is sent.
constexpr const char kSendTooLongLog[] = "发送数据过长,未发送";
// Log line of a frame that a console sent while no port is open: nothing went out, and the console's
// own line before it must not read as if it had.
constexpr const char kSendPortClosedLog[] = "串口未打开,未发送";

// Sends CommandRecord as one hex command line while ComOpen is set. A Len outside 0..491 sends nothing
// and logs kSendTooLongLog once.
void SendFrame();
// Builds the hex command line of Cmd, Len and Data into Text; returns its length (2 * Len + 42), or 0
// when Len is outside 0..491 (Text is then left as it was).
[[nodiscard]] int BuildCommandLine(TCommandRecord& record);
// Text + CR LF in one write (at most kMaxSendLine characters of text).
void SendLine(const std::string& text);
// Text + CR LF one byte per write (at most kMaxSendLineBytewise characters of text).
void SendLineBytewise(const std::string& text);

bool HasNoSpace(const std::string& text);
// The number in decimal with a "0" put in front when its text is exactly one character long (7: "07",
// -5: "-5", 123: "123"); every two-digit field of the program is written with it.
std::string TwoDigitText(int value);
std::string MakeHHMM(int a, int b);
std::string MakeHHMMHHMM(int a, int b, int c, int d);
std::string MakeHHMMSS(int a, int b, int c);
std::string GbkToUtf8(const std::string& text);

int RecvRingNext(int position);
void RecvRingDrop();
// Stores one byte at WriteIndex; false (byte dropped) when the ring already holds kRecvRingSize.
bool RecvRingPush(uint8_t byte);
// The ring's writer: bytes go into the ring while it has room and nothing waits before them, then into
// RecvOverflow; what finds that full too is counted in RecvOverflow.Dropped. Order is always kept.
void RecvRingWrite(const uint8_t* bytes, size_t count);
// Moves waiting bytes into the ring's free room, oldest first; returns how many moved.
size_t RecvRingRefill();
// Bytes lost before they reached the ring's writer (the serial component's own bound) join its count.
void RecvRingCountDropped(uint64_t count);
// The bytes lost since the last call, and the count back to 0.
uint64_t RecvRingTakeDropped();
// Told once per received chunk that the ring may hold new bytes, so the receiver needs to tick only while
// there is something to parse. Empty: nobody listens.
void SetRecvRingFedListener(std::function<void()> listener);
void NotifyRecvRingFed();
