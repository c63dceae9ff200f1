#pragma once

#include "platform/manual_reset_event.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace platform {

// Port events. The bit values are those of the Windows EV_* flags, because they travel unchanged
// as the parameter of the serial link's notifications.
namespace serial_event {
inline constexpr std::uint32_t kRxChar = 0x0001;  // bytes arrived
inline constexpr std::uint32_t kRxFlag = 0x0002;  // the event character arrived (not reported)
inline constexpr std::uint32_t kTxEmpty = 0x0004; // output drained (not reported)
inline constexpr std::uint32_t kCts = 0x0008;     // CTS changed
inline constexpr std::uint32_t kDsr = 0x0010;     // DSR changed
inline constexpr std::uint32_t kRlsd = 0x0020;    // carrier detect changed
inline constexpr std::uint32_t kBreak = 0x0040;   // a break was received
inline constexpr std::uint32_t kErr = 0x0080;     // framing, overrun or parity error; line lost
inline constexpr std::uint32_t kRing = 0x0100;    // ring indicator
inline constexpr std::uint32_t kAll = 0x01FF;
// Not a Windows event: the device hung up or went away. Always reported, whatever the mask.
inline constexpr std::uint32_t kDeviceLost = 0x00010000;
} // namespace serial_event

// Parity and stop-bit codes as the Windows device control block counts them.
inline constexpr int kParityNone = 0;
inline constexpr int kParityOdd = 1;
inline constexpr int kParityEven = 2;
inline constexpr int kParityMark = 3;
inline constexpr int kParitySpace = 4;
inline constexpr int kOneStopBit = 0;
inline constexpr int kOne5StopBits = 1;
inline constexpr int kTwoStopBits = 2;

// The four line settings the programs change; everything else about a port is left as it was.
struct SerialParams {
    std::uint32_t baud = 9600;
    int dataBits = 8;
    int parity = kParityNone;
    int stopBits = kOneStopBit;
    bool operator==(const SerialParams&) const = default;
};

struct SerialWait {
    enum class Status { Events, Stopped, Failed };
    Status status = Status::Failed;
    std::uint32_t events = 0; // serial_event bits, when status is Events
};

// An open serial port. The port presents raw bytes: no line editing, echo or translation.
// waitEvent runs on a monitor thread while the other operations run on the thread that owns the
// port; close runs only when no wait is in progress.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Reads the current line settings; false when the port does not report them.
    virtual bool getParams(SerialParams& out) = 0;
    // Changes the four line settings at once. False when the port rejects any of them; the port
    // then keeps its previous settings.
    virtual bool setParams(const SerialParams& params) = 0;
    // Discards received bytes not yet read and/or bytes not yet transmitted.
    virtual bool purge(bool input, bool output) = 0;
    // Received bytes waiting to be read; 0 when unknown.
    virtual std::size_t bytesQueued() = 0;
    // Reads at most `count` bytes that have already arrived, never waiting for more. Returns the
    // number read (0 when none), or -1 when the port failed.
    virtual std::ptrdiff_t read(std::uint8_t* buffer, std::size_t count) = 0;
    // Writes `count` bytes, waiting at most `timeout` for room in the driver's queue. Returns the
    // number of bytes handed to the driver (fewer when the time ran out), or -1 when the port
    // failed before taking any. Nothing refers to `bytes` after the call returns.
    virtual std::ptrdiff_t write(const std::uint8_t* bytes, std::size_t count,
                                 std::chrono::milliseconds timeout) = 0;
    // Waits until one of the events in `mask` occurs or `stop` is set. Bytes that arrive while
    // no wait is in progress are reported by the next wait. A port whose device has gone away
    // reports kErr | kDeviceLost once and then waits for `stop` alone, so that a caller looping
    // on this never spins.
    virtual SerialWait waitEvent(std::uint32_t mask, const ManualResetEvent& stop) = 0;
    // Releases the device; true when the system closed it cleanly. Only the first call counts.
    virtual bool close() = 0;
};

// Why a port could not be opened.
enum class SerialOpenError {
    None,
    NotPresent,       // no such device (never plugged in, unplugged, or no path at all)
    PermissionDenied, // the user may not read and write the device
    InUse,            // another program holds the port
    NotATerminal,     // the path names something that is not a serial device
    SetupFailed,      // opened, but the line could not be made raw or watched
};

struct SerialOpenFailure {
    SerialOpenError error = SerialOpenError::None;
    int systemError = 0; // errno of the call that failed, 0 when none applies
    std::string group;   // PermissionDenied: the group that owns the device, when known
    bool operator==(const SerialOpenFailure&) const = default;
};

// A port, or why there is none.
struct SerialOpenResult {
    std::unique_ptr<SerialPort> port;
    SerialOpenFailure failure;
};

// Opens a device path as a serial port, exclusively (no other open of the terminal succeeds
// while it is held, and another instance of a program using this also finds it locked), and
// makes the line fully raw: every input, output and local processing flag off, software flow
// control included; hardware flow control stays as the port had it, and the receiver is on
// whatever the carrier line says. On failure nothing stays open and the result says why.
SerialOpenResult openSerialPort(const std::string& devicePath);

using SerialPortFactory = std::function<SerialOpenResult(const std::string&)>;

// The file a path leads to, symbolic links followed: the same values mean the same device node.
struct DeviceNode {
    std::uint64_t fileSystem = 0, inode = 0, device = 0;
    // When the node was made or last changed (ns). A device that went away and came back under
    // the same number (a replugged adapter, a new pseudo-terminal taking a freed slot) has a
    // newer one; it is not part of what makes two nodes the same.
    std::int64_t changedNs = 0;
    bool operator==(const DeviceNode& o) const {
        return fileSystem == o.fileSystem && inode == o.inode && device == o.device;
    }
    // The same node, not made anew since.
    bool sameIncarnation(const DeviceNode& o) const {
        return *this == o && changedNs == o.changedNs;
    }
};
// Nullopt when the path leads nowhere (removed, a dangling link).
std::optional<DeviceNode> findDeviceNode(const std::string& path);

// Interrupt counters of a serial driver, as far as the port events need them.
struct LineCounters {
    int cts = 0, dsr = 0, rng = 0, dcd = 0;
    int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};

// Modem-line bits as sampled from the driver.
inline constexpr int kLineCts = 0x01;
inline constexpr int kLineDsr = 0x02;
inline constexpr int kLineDcd = 0x04;
inline constexpr int kLineRing = 0x08;

// The port events between two samples of the driver's counters.
std::uint32_t eventsFromCounters(const LineCounters& before, const LineCounters& after);
// The port events between two samples of the modem lines, for drivers without counters: a
// change of CTS, DSR or carrier, and the ring indicator coming on.
std::uint32_t eventsFromLines(int before, int after);

} // namespace platform
