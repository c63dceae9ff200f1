#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <termios.h>

namespace sim {

// The device end of a simulated serial line: a pseudo-terminal whose slave side a program opens
// as its serial port (through a symbolic link with a stable name), while the simulator reads and
// writes the master side.
//
// The slave keeps the kernel's default line settings (XON/XOFF, echo, line editing) until a
// program opens it and sets the line up, as a real serial device does. It is kept open here for
// the device's whole life: that keeps whatever settings the program left, and keeps the master
// from reporting a hang-up whenever no program has the port open.
class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Creates the pseudo-terminal and makes `linkPath` a symbolic link to its slave device,
    // replacing an older symbolic link of that name (never any other kind of file). On failure
    // returns false with the reason in `error`, and nothing stays open or created.
    bool Open(const std::string& linkPath, std::string* error);
    // Closes both sides and removes the link if it still points at this device's slave.
    void Close();

    bool IsOpen() const { return m_master >= 0; }
    // Readable when the program wrote to its port. Non-blocking.
    int MasterFd() const { return m_master; }
    const std::string& SlavePath() const { return m_slavePath; }
    const std::string& LinkPath() const { return m_linkPath; }

    // Bytes the program wrote, at most `capacity`; 0 when nothing is waiting.
    std::size_t Read(std::uint8_t* buffer, std::size_t capacity);
    // Writes every byte unless the line stays full for longer than a short wait (no program
    // reading). Returns how many bytes went out.
    std::size_t Write(std::span<const std::uint8_t> bytes);
    // Drops what either side wrote and the other has not read, and gives the slave back the
    // line settings it had when made, as a device freshly plugged in has.
    void ResetLine();

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
    std::string m_linkPath;
    std::optional<termios> m_defaults;
};

} // namespace sim
