#pragma once
// The simulated module on the master side of a pseudo-terminal, whose slave side stands for the module's
// /dev/cdc-wdmN: the driver's commands are cut out of the byte stream by their multiplex length and
// handed to the module, and each response the module queues is written back whole. Closing the master
// is the cable being pulled: the slave side hangs up.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_location_service.h"
#include "sim/sim_module.h"

namespace geolumen::sim {

// Cuts every whole command off the front of `stream` (the bytes the driver wrote, as a byte stream keeps
// no message boundaries; a command is 1 + its multiplex length field long) and hands each to `module`.
// The start of a command not yet whole stays in `stream`.
void HandStreamCommands(std::vector<std::uint8_t>& stream, SimModule& module);

// Takes the module's next response into `buffer` and writes it whole to `fd`, the stream's module end; a
// response the descriptor does not take is dropped.
void WriteNextResponse(SimModule& module, int fd, std::vector<std::uint8_t>& buffer);

// Reads the driver's commands from `fd`, the stream's module end, and hands them to `module` until `stopFd`
// becomes readable. A slave side closed between two users is waited out without spinning.
void ServeStreamCommands(int fd, int stopFd, SimModule& module);

class SimPtyModule {
  public:
    // A module with its location service reporting `fix` at the session's interval.
    explicit SimPtyModule(const SimPosition& fix);
    // Hangs up if it has not.
    ~SimPtyModule();
    SimPtyModule(const SimPtyModule&) = delete;
    SimPtyModule& operator=(const SimPtyModule&) = delete;

    // Opens the pseudo-terminal in raw mode and starts serving it; the slave's path, or empty on failure.
    [[nodiscard]] std::string Open();
    // Stops serving and closes the master: whoever holds the slave sees a hang-up.
    void HangUp();

    [[nodiscard]] SimModule& Module() { return module_; }

  private:
    void WriteResponse();

    SimModule module_;
    std::unique_ptr<SimLocationService> service_;
    // Responses are written on the module's threads; the hang-up closes the master under it.
    std::mutex writeMutex_;
    int master_ = -1;
    int stop_[2] = {-1, -1};  // ends the command reader
    std::vector<std::uint8_t> response_ = std::vector<std::uint8_t>(8192);
    std::thread thread_;
};

}  // namespace geolumen::sim
