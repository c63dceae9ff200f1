#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace fuzz {

// Reads a fuzzer's input front to back, so that a seed written by hand (a real frame, a real
// datagram) means what it looks like. Past the end every read yields nothing or zero.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_rest(data, size) {}

    bool empty() const { return m_rest.empty(); }
    std::size_t remaining() const { return m_rest.size(); }

    std::uint8_t takeByte() {
        if (m_rest.empty())
            return 0;
        const std::uint8_t byte = m_rest.front();
        m_rest = m_rest.subspan(1);
        return byte;
    }

    // Up to `count` bytes; fewer when the input runs out.
    std::span<const std::uint8_t> takeBytes(std::size_t count) {
        const std::size_t taken = count < m_rest.size() ? count : m_rest.size();
        const auto bytes = m_rest.first(taken);
        m_rest = m_rest.subspan(taken);
        return bytes;
    }

    std::span<const std::uint8_t> takeRest() { return takeBytes(m_rest.size()); }

private:
    std::span<const std::uint8_t> m_rest;
};

} // namespace fuzz
