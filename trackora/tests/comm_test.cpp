// The serial component over a pseudo-terminal pair: opening and its failures, writes, chunked receipt
// on the main thread, the empty-queue notice, hang-up and closing while the threads wait.
#include "link/Comm.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "PtyPair.h"

namespace {

int OpenFdCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

std::string OpenError(TComm& comm) {
    try {
        comm.OpenPort();
    } catch (const ECommsError& e) {
        return e.what();
    }
    return "";
}

// Records every event with the thread it ran on.
struct Recorder {
    explicit Recorder(TComm& comm) {
        comm.OnReceiveData = [this](TComm*, const uint8_t* b, uint16_t n) {
            chunks.emplace_back(reinterpret_cast<const char*>(b), n);
            offMainThread |= QThread::currentThread() != qApp->thread();
        };
        comm.OnRequestHangup = [this](TComm*) { ++hangups; };
        comm.OnSendDataEmpty = [this](TComm*) {
            ++sendEmpty;
            offMainThread |= QThread::currentThread() != qApp->thread();
        };
    }
    std::string Joined() const {
        std::string all;
        for (const auto& c : chunks) all += c;
        return all;
    }
    std::vector<std::string> chunks;
    int hangups = 0;
    int sendEmpty = 0;
    bool offMainThread = false;
};

void UsePortManagerSettings(TComm& comm) {
    comm.SetBaudRate(115200);
    comm.SetOutx_XonXoffFlow(false);
    comm.SetInx_XonXoffFlow(false);
    comm.SetDtrControl(TDtrControl::DtrDisable);
    comm.SetRtsControl(TRtsControl::RtsDisable);
}

termios SlaveSettings(const PtyPair& pty) {
    termios t{};
    const int fd = ::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ::tcgetattr(fd, &t);
    ::close(fd);
    return t;
}

// One component named after a fresh pseudo-terminal, with its events recorded.
class CommOnPty : public ::testing::Test {
  protected:
    CommOnPty() { comm.SetCommName(pty.SlavePath()); }
    PtyPair pty;
    TComm comm;
    Recorder rec{comm};
};
using CommOpen = CommOnPty;
using CommClose = CommOnPty;
class CommWrite : public CommOnPty {};
class CommReceive : public CommOnPty {};
class CommLine : public CommOnPty {};

TEST_F(CommOpen, AppliesTheLineSettings) {
    UsePortManagerSettings(comm);
    comm.OpenPort();
    termios t = SlaveSettings(pty);
    EXPECT_EQ(cfgetospeed(&t), B115200);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    // A setter re-applies at once while the port is open.
    comm.SetBaudRate(57600);
    t = SlaveSettings(pty);
    EXPECT_EQ(cfgetospeed(&t), B57600);
    comm.ClosePort();

    TComm defaults;  // 9600 with XON/XOFF both ways
    defaults.SetCommName(pty.SlavePath());
    defaults.OpenPort();
    t = SlaveSettings(pty);
    EXPECT_EQ(cfgetospeed(&t), B9600);
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON | IXOFF));
}

TEST_F(CommOpen, FailuresCarryTheirTextsAndLeaveNothingOpen) {
    QTemporaryDir dir;
    const std::string plain = dir.filePath("plain.txt").toStdString();
    std::ofstream(plain) << "not a port";
    const int fdsBefore = OpenFdCount();
    comm.SetCommName(plain);
    EXPECT_EQ(OpenError(comm), "File handle is not a comm handle ");
    comm.SetCommName("/nonexistent/tty");
    EXPECT_EQ(OpenError(comm), "Error opening serial port");
    EXPECT_EQ(OpenFdCount(), fdsBefore);
    EXPECT_FALSE(comm.IsOpen());

    comm.SetCommName(pty.SlavePath());
    comm.OpenPort();
    EXPECT_EQ(OpenError(comm), "This serial port already opened");
    // The open port is untouched by the refused second open.
    const uint8_t x = 'x';
    EXPECT_TRUE(comm.WriteData(&x, 1));
    EXPECT_EQ(pty.Receive(1), "x");

    TComm second;  // no sharing: the port is ours while it is open
    second.SetCommName(pty.SlavePath());
    EXPECT_EQ(OpenError(second), "Error opening serial port");
    comm.ClosePort();
    EXPECT_EQ(OpenError(second), "");
}

TEST_F(CommWrite, RefusedWritesPostNothing) {
    const uint8_t b = 1;
    EXPECT_FALSE(comm.WriteData(&b, 1));  // closed
    comm.OpenPort();
    ASSERT_TRUE(WaitUntil([&] { return rec.sendEmpty == 1; }));
    EXPECT_FALSE(comm.WriteData(&b, 0));
    EXPECT_FALSE(comm.WriteData(nullptr, 1));
    Settle(50);
    EXPECT_EQ(rec.sendEmpty, 1);
    EXPECT_EQ(pty.Receive(1, 50), "");
    comm.ClosePort();
    comm.ClosePort();  // closing a closed component does nothing
}

TEST_F(CommWrite, OneEmptyNoticeAtStartAndOneAfterEachDrain) {
    comm.OpenPort();
    ASSERT_TRUE(WaitUntil([&] { return rec.sendEmpty == 1; }));
    EXPECT_TRUE(comm.SendDataEmpty());

    // One write at a time, each drained before the next: two writes queued together may drain as one
    // batch or as two, depending on how fast the transmit thread runs.
    const uint8_t abc[] = {0x41, 0x42, 0x43};
    for (int batch = 1; batch <= 2; ++batch) {
        EXPECT_TRUE(comm.WriteData(abc, 3));
        EXPECT_EQ(pty.Receive(3), "ABC");
        ASSERT_TRUE(WaitUntil([&] { return rec.sendEmpty >= 1 + batch; }));
        Settle(50);
        EXPECT_EQ(rec.sendEmpty, 1 + batch);
        EXPECT_TRUE(comm.SendDataEmpty());
    }
    EXPECT_FALSE(rec.offMainThread);
}

TEST_F(CommReceive, ChunksOfAtMost2048OnTheMainThread) {
    UsePortManagerSettings(comm);  // XON/XOFF off: every byte value is data
    comm.OpenPort();
    std::string data;
    for (int i = 0; i < 3000; ++i) data.push_back(static_cast<char>(i * 7));
    ASSERT_TRUE(pty.Send(data));
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined().size() >= 3000; }));
    EXPECT_GE(rec.chunks.size(), 2u);
    for (const auto& c : rec.chunks) EXPECT_LE(c.size(), 2048u);
    EXPECT_EQ(rec.Joined(), data);
    EXPECT_FALSE(rec.offMainThread);
}

// The main thread sends four inboxes' worth without running its queue, as a program busy elsewhere would:
// the inbox keeps the oldest bytes up to its bound, every byte read beyond it is counted, none is lost
// without a count, and what is handed over still comes in chunks of at most 2048 on the main thread.
TEST_F(CommReceive, AFloodWhileTheMainThreadIsBusyIsBoundedAndCounted) {
    UsePortManagerSettings(comm);
    uint64_t dropped = 0;
    comm.OnReceiveData = [&](TComm* sender, const uint8_t* b, uint16_t n) {
        rec.chunks.emplace_back(reinterpret_cast<const char*>(b), n);
        dropped += sender->TakeReceiveDropped();
    };
    comm.OpenPort();
    std::string data(4 * kReceiveInboxLimit, '\0');
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>(i % 251);
    size_t sent = 0;
    while (sent < data.size()) {
        const ssize_t n = ::write(pty.Master(), data.data() + sent, data.size() - sent);
        if (n > 0) sent += static_cast<size_t>(n);
        if (n > 0) continue;
        pollfd p{pty.Master(), POLLOUT, 0};
        ASSERT_GT(::poll(&p, 1, kTestWaitMs), 0) << "the receive thread stopped reading";
    }
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined().size() + dropped == data.size(); }))
        << rec.Joined().size() << " + " << dropped;
    const std::string got = rec.Joined();
    EXPECT_EQ(got.substr(0, kReceiveInboxLimit), data.substr(0, kReceiveInboxLimit));
    EXPECT_GE(dropped, kReceiveInboxLimit) << "the main thread took nothing while it was sending";
    for (const auto& c : rec.chunks) EXPECT_LE(c.size(), 2048u);
    EXPECT_EQ(comm.TakeReceiveDropped(), 0u);
}

TEST_F(CommReceive, QuietIntervalEndsAChunk) {
    comm.SetReadIntervalTimeout(1000);  // far above the 20 ms pause below
    comm.OpenPort();
    ASSERT_TRUE(pty.Send("O"));
    QThread::msleep(20);
    ASSERT_TRUE(pty.Send("K\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined().size() >= 4; }));
    EXPECT_EQ(rec.chunks, std::vector<std::string>{"OK\r\n"});

    rec.chunks.clear();
    comm.SetReadIntervalTimeout(10);
    ASSERT_TRUE(pty.Send("O"));
    // The lone byte must arrive on its own once the line has been quiet for 10 ms; only then does the rest
    // follow, so the split never depends on how fast the threads are scheduled.
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined() == "O"; }));
    ASSERT_TRUE(pty.Send("K\r\n"));
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined().size() >= 4; }));
    EXPECT_EQ(rec.chunks, (std::vector<std::string>{"O", "K\r\n"}));
}

TEST_F(CommReceive, AQuietLineNeverStopsReception) {
    // Read time-outs of a few milliseconds pass many times over while the line is quiet.
    comm.SetReadTotalTimeoutConstant(1);
    comm.SetReadTotalTimeoutMultiplier(0);
    comm.OpenPort();
    Settle(100);
    ASSERT_TRUE(pty.Send("late"));
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined() == "late"; }));
}

TEST_F(CommReceive, IgnoreNullCharDropsZeroBytes) {
    comm.SetIgnoreNullChar(true);
    comm.OpenPort();
    ASSERT_TRUE(pty.Send(std::string("a\0b\0", 4)));
    ASSERT_TRUE(WaitUntil([&] { return rec.Joined() == "ab"; }));
}

TEST_F(CommLine, HangUpIsReportedOnceAndLaterWritesAreRefused) {
    comm.OpenPort();
    ASSERT_TRUE(WaitUntil([&] { return rec.sendEmpty == 1; }));
    pty.CloseMaster();
    ASSERT_TRUE(WaitUntil([&] { return rec.hangups >= 1; }));
    // The transmit thread learns of the loss at its next write and ends; from then on writes are refused
    // instead of vanishing.
    const uint8_t b = 'x';
    ASSERT_TRUE(WaitUntil([&] { return !comm.WriteData(&b, 1); }));
    Settle(50);
    EXPECT_TRUE(rec.chunks.empty());
    comm.ClosePort();
    Settle(20);
    EXPECT_FALSE(comm.IsOpen());
}

TEST_F(CommClose, ReturnsWhileBothThreadsWait) {
    comm.OpenPort();
    // Nobody reads the other side: the transmit thread ends up blocked on a full line while the
    // receive thread waits for bytes. Closing must still end both.
    std::vector<uint8_t> block(65535, 0x55);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(comm.WriteData(block.data(), static_cast<int>(block.size())));
    QThread::msleep(50);
    comm.ClosePort();
    EXPECT_FALSE(comm.IsOpen());
    EXPECT_TRUE(comm.SendDataEmpty());
}

TEST_F(CommClose, DestroyingAnOpenComponentClosesThePort) {
    {
        auto comm = std::make_unique<TComm>();
        comm->SetCommName(pty.SlavePath());
        comm->OpenPort();
        const uint8_t b = 'z';
        ASSERT_TRUE(comm->WriteData(&b, 1));
        ASSERT_EQ(pty.Receive(1), "z");
    }
    Settle(20);  // nothing queued by the destroyed component may run now
    TComm again;
    again.SetCommName(pty.SlavePath());
    EXPECT_EQ(OpenError(again), "");
}

TEST(CommSettings, LineSettingsFollowTheProperties) {
    TComm comm;
    comm.SetByteSize(TByteSize::_7);
    comm.SetParity(TParity::Even);
    comm.SetStopBits(TStopBits::_2);
    comm.SetRtsControl(TRtsControl::RtsHandshake);
    termios t{};
    ASSERT_TRUE(serial::MakeTermios(comm.LineSettings(), t));
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), static_cast<tcflag_t>(PARENB));
    EXPECT_NE(t.c_cflag & CSTOPB, 0u);
    EXPECT_NE(t.c_cflag & CRTSCTS, 0u);

    struct Row {
        TParity parity;
        tcflag_t flags;
    } rows[] = {
        {TParity::None, 0},
        {TParity::Odd, PARENB | PARODD},
        {TParity::Even, PARENB},
        {TParity::Mark, PARENB | PARODD | CMSPAR},
        {TParity::Space, PARENB | CMSPAR},
    };
    for (const auto& r : rows) {
        comm.SetParity(r.parity);
        ASSERT_TRUE(serial::MakeTermios(comm.LineSettings(), t));
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), r.flags) << static_cast<int>(r.parity);
    }
    comm.SetBaudRate(12345);  // no termios speed: refused rather than guessed
    EXPECT_FALSE(serial::MakeTermios(comm.LineSettings(), t));
}

}  // namespace
