#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace test_support {

// A pseudo-terminal created for one test. The test holds the master side and plays the
// device; the code under test opens slavePath() as its serial port. The slave side is kept
// open here as well (unless released) so that writes to the master are not lost before the
// code under test opens it. The slave keeps the kernel's default line settings until then, so
// that only the code under test makes the line raw; write nothing before it has.
class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool ok() const { return m_master >= 0; }
    const std::string& slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // Bytes the device sends to the program.
    void write(const std::vector<std::uint8_t>& bytes);
    // Reads what the program wrote, waiting until `count` bytes arrived or the time is up.
    std::vector<std::uint8_t>
    read(std::size_t count, std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // Everything the program wrote that arrives within the given quiet time.
    std::vector<std::uint8_t>
    readAvailable(std::chrono::milliseconds quiet = std::chrono::milliseconds(100));
    // Closes the master side: the device "disappears".
    void closeMaster();
    // Closes the extra slave descriptor kept by the constructor.
    void releaseSlave();

private:
    int m_master = -1;
    int m_slaveKeep = -1;
    std::string m_slavePath;
};

} // namespace test_support
