#include "tests/controller_session/session_fixture.h"

#include <QHostAddress>

#include <sstream>

namespace controller::session_test {

std::string hex(std::span<const std::uint8_t> bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string text;
    for (const std::uint8_t b : bytes)
        text += {' ', digits[b >> 4], digits[b & 0x0F]};
    return text.empty() ? text : text.substr(1);
}

Bytes fromHex(const std::string& text) {
    Bytes bytes;
    std::istringstream words(text);
    for (std::string word; words >> word;)
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(word, nullptr, 16)));
    return bytes;
}

SessionTest::SessionTest() {
    terminal.bind(QHostAddress::LocalHost, 0);
}

MatrixSession& SessionTest::start(bool readOnly) {
    SessionConfig config{
        m_dir.path(), "Setting.ini", readOnly,
        SerialPortAccess{[this] { return machine; },
                         [this](const std::string& path) {
                             opened.push_back(path);
                             if (realPorts)
                                 return platform::openSerialPort(path);
                             return platform::SerialOpenResult{
                                 std::make_unique<test_support::FakeSerialPort>(device), {}};
                         }},
        [this] { return hostAddress; }};
    m_session = std::make_unique<MatrixSession>(std::move(config), recorder);
    recorder.session = m_session.get();
    m_session->loadSettings();
    // Only the ticks a test makes happen.
    m_session->setTimerPeriods(std::chrono::hours(1), std::chrono::hours(1));
    m_session->setPortPresencePeriod(std::chrono::hours(1));
    m_session->setPauses(std::chrono::milliseconds(0), std::chrono::milliseconds(0));
    return *m_session;
}

void SessionTest::deviceSends(const Bytes& bytes) {
    device->feed(bytes);
    EXPECT_TRUE(test_support::waitUntil([this] {
        std::lock_guard lock(device->mutex);
        return device->received.empty();
    })) << "the session did not read what the device sent";
}

void SessionTest::terminalSends(const Bytes& bytes) {
    const int before = recorder.received;
    terminal.writeDatagram(reinterpret_cast<const char*>(bytes.data()),
                           static_cast<qint64>(bytes.size()), QHostAddress::LocalHost,
                           m_session->networkLocalPort());
    EXPECT_TRUE(test_support::waitUntil([&] {
        m_session->onNetworkPollTick();
        return recorder.received > before;
    })) << "the session did not take the datagram";
}

} // namespace controller::session_test
