#pragma once

#include <cstdint>
#include <string>

namespace controller {

// Brisvane's settings in memory, owned by the main window. Field names follow the keys of
// Setting.ini; every integer is read and written as signed 32-bit decimal text.
struct ControllerSettings {
    // Section SYSTEM_SET
    std::int32_t selectCom = 0;    // SelectCOM: index in the COM list, 0 is COM1
    std::int32_t selectBaud = 0;   // SelectBAUD: 0 2400, 1 4800, 2 9600, 3 19200
    std::int32_t matrixType = 0;   // MatrixType: 0 "AV Matrix" .. 5 "Hybrid matrix"
    std::int32_t matrixSize = 0;   // MatrixSize: 0 4x4, 1 8x8, 2 16x16, 3 32x32
    std::int32_t avMode = 0;       // AVMode: 0 video and audio, 1 video, 2 audio
    std::int32_t idleTime = 0;     // IdleTime: interval of the device's scene cycling
    std::int32_t sceneRun = 0;     // SceneRun: bit k set when scene k + 1 takes part in cycling
    std::int32_t useNet = 0;       // UseNet: frames also go out over the network link
    std::int32_t protocolType = 0; // ProtocolType: 0 header 0xBA, otherwise 0x96

    // Section Net (texts at most 19 characters when read from the file)
    std::string netIp;            // NetIP: this computer's address, redetected at start
    std::string gateIp;           // GateIP: only stored
    std::string destIp;           // DestIP: the serial-to-Ethernet terminal
    std::string maskIp;           // MaskIP: only stored
    std::int32_t hostPort = 4069; // HostPort: local UDP port, low 16 bits used
    std::int32_t destPort = 4068; // read as "Destport", written as "DestPort"; low 16 bits used
    // Transport: how the terminal is reached, "UDP" (also when the key is absent) or "TCP"
    std::string transport = "UDP";

    bool operator==(const ControllerSettings&) const = default;
};

// What the "Network Setting" dialog edits, saved together.
struct NetworkSettings {
    std::string netIp;
    std::string gateIp;
    std::string destIp;
    std::string maskIp;
    std::int32_t hostPort = 4069;
    std::int32_t destPort = 4068;
    std::string transport = "UDP";
    bool operator==(const NetworkSettings&) const = default;
};

} // namespace controller
