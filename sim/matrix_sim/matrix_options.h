#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// Everything matrix-sim is told on its command line.
struct MatrixOptions {
    std::string serialLink;               // --serial: symbolic link to create for the pty
    std::optional<std::uint16_t> udpPort; // --udp: port on 127.0.0.1 (0: the system picks)
    std::optional<std::uint16_t> tcpPort; // --tcp: listening port on 127.0.0.1 (0: any)
    std::uint8_t size = 8;
    std::uint8_t type = 0xA6;
    std::uint8_t address = 1;
    std::uint8_t header = 0xBA;
    std::string logPath;     // --log: hex log file instead of standard output
    std::string statePath;   // --state: state dump rewritten after every change
    std::string controlPath; // --control: local socket for requests while running (reset)
    std::chrono::milliseconds intervalUnit{1000};

    // Faults a test can ask for.
    bool silent = false;                      // never answer
    std::chrono::milliseconds delay{0};       // answer this much later
    std::optional<std::uint8_t> replyAddress; // answer with this address byte
    std::size_t splitBytes = 0;               // answer in pieces of this many bytes (0: whole)
    std::chrono::milliseconds splitPause{20};
    bool doubled = false;             // send every answer twice, back to back
    std::uint32_t refusedOutputs = 0; // bit o: output o (from 0) never takes a switch
    bool wrongInput = false;          // switch answers name the next input, not the one taken
    std::size_t dropAfter = 0;        // close a TCP controller's connection after this many frames

    bool help = false;
};

// Reads the arguments after the program name. False with a one-line reason on the first
// argument that is unknown, lacks its value or has a value out of range.
bool ParseMatrixOptions(const std::vector<std::string>& args, MatrixOptions* options,
                        std::string* error);

// The options of a reset asked for on the control socket: device and fault options as on the
// command line, any not given back to its default; the transports, log, state file and control
// socket stay those of `current`, and naming one is refused.
bool ParseResetOptions(const std::vector<std::string>& args, const MatrixOptions& current,
                       MatrixOptions* options, std::string* error);

std::string MatrixUsage();

} // namespace sim
