#pragma once

#include <cstdint>

namespace terminal_setup {

// The few seconds after Scan or Test during which both buttons stay disabled. It is advanced by
// the one-second tick and closes at the fifth tick after it opened, so between 4 and 5 seconds
// after the click, depending on where in the second the click fell.
class ScanWindow {
public:
    static constexpr std::uint8_t kLastOpenCount = 5;

    void open() { m_counter = 1; }
    bool isOpen() const { return m_counter != 0; }
    // Ticks counted since opening, plus one; 0 while closed.
    std::uint8_t counter() const { return m_counter; }

    // One second has passed. Returns true when this tick closed the window.
    bool tick() {
        if (m_counter == 0)
            return false;
        if (++m_counter > kLastOpenCount) {
            m_counter = 0;
            return true;
        }
        return false;
    }

private:
    std::uint8_t m_counter = 0;
};

} // namespace terminal_setup
