// A terminal on the other end of a pseudo-terminal pair, for end-to-end tests of the program's link.
//
// The program opens DevicePath() as its serial port. The simulator reads the hex command lines the
// program sends and answers with raw reply frames. It builds and reads frames with its own code, not
// the program's, so that one fault cannot hide in both sides.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TerminalSim {
  public:
    // Opens the pair and puts the terminal side into raw mode (no echo, no line editing). Throws
    // std::runtime_error when no pseudo-terminal can be had.
    TerminalSim();
    ~TerminalSim();
    TerminalSim(const TerminalSim&) = delete;
    TerminalSim& operator=(const TerminalSim&) = delete;

    // The device path the program opens as its port.
    [[nodiscard]] const std::string& DevicePath() const { return path_; }

    // The next line the program sent, without its CR LF; nothing when none is complete within `wait`.
    [[nodiscard]] std::optional<std::string> ReadLine(std::chrono::milliseconds wait);
    // Everything received and not yet taken as a line, after waiting `wait` for more.
    [[nodiscard]] std::string Drain(std::chrono::milliseconds wait);
    // Writes bytes to the program; false when they could not all be written.
    [[nodiscard]] bool Send(const std::vector<uint8_t>& bytes);

    // A reply frame: "KQ", two zero bytes, the header bytes 01..05, seq, type and payload length high
    // byte first, the payload, the checksum (low 8 bits of the sum of all bytes before it), CR LF.
    [[nodiscard]] static std::vector<uint8_t> ReplyFrame(uint16_t seq, uint16_t type,
                                                         const std::vector<uint8_t>& payload);

    // The hex command line the program sends for a command: "ATKQ", the frame ("KQ", nine zero bytes, cmd
    // and length high byte first, the payload, the low 8 bits of the sum of all bytes before it, CR LF) in
    // upper-case hexadecimal, then CR LF.
    [[nodiscard]] static std::string CommandLine(uint16_t cmd, const std::string& payload);

    struct Command {
        uint16_t cmd = 0;
        std::vector<uint8_t> payload;
        bool checksumOk = false;
    };
    // Reads a hex command line ("ATKQ" + the frame in hex); nothing when it is not one.
    [[nodiscard]] static std::optional<Command> ParseCommandLine(const std::string& line);

  private:
    bool Fill(std::chrono::milliseconds wait);

    int master_ = -1;
    int slave_ = -1;  // kept open so the pair stays up while the program opens and closes its side
    std::string path_;
    std::string pending_;
};
