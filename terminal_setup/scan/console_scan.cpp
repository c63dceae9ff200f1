#include "terminal_setup/scan/console_scan.h"

#include "terminal_setup/protocol/interface_choice.h"

#include <QEventLoop>
#include <QTimer>

#include <algorithm>

namespace terminal_setup {

namespace {

// The console polls often, so that a short --seconds still hears every answer.
constexpr auto kConsolePoll = std::chrono::milliseconds(10);

DiscoveryTiming consoleTiming() {
    DiscoveryTiming timing;
    timing.groupPoll = kConsolePoll;
    timing.testPoll = kConsolePoll;
    return timing;
}

std::string testError(TestOutcome outcome, const std::string& address, unsigned hostPort) {
    const std::string destination =
        address + ":" + std::to_string(static_cast<std::uint16_t>(hostPort - 1));
    switch (outcome) {
    case TestOutcome::Sent:
        break;
    case TestOutcome::RefusedDestination:
        return "--test " + address +
               ": not the address of one terminal (0.0.0.0, 255.255.255.255 or a broadcast "
               "address)";
    case TestOutcome::PortUnavailable:
        return "local UDP port " + std::to_string(hostPort) + " is in use or not allowed";
    case TestOutcome::SendFailed:
        return "the request to " + destination + " could not be sent";
    }
    return {};
}

} // namespace

NetworkInterface* scanInterface(std::vector<NetworkInterface>& all, const std::string& wanted,
                                const std::string& remembered, const std::string& defaultRoute,
                                std::string& error) {
    const auto named = [&all](const std::string& name) {
        const auto found = std::find_if(
            all.begin(), all.end(), [&name](const NetworkInterface& c) { return c.name == name; });
        return found == all.end() ? nullptr : &*found;
    };
    if (wanted.empty()) {
        NetworkInterface* card =
            named(chooseInterface(usableInterfaces(all), remembered, defaultRoute));
        if (!card)
            error = "no network interface is up with an IPv4 address and multicast";
        return card;
    }
    if (NetworkInterface* byName = named(wanted))
        return byName;
    for (NetworkInterface& card : all) {
        const auto entry =
            std::find_if(card.ipv4.begin(), card.ipv4.end(),
                         [&wanted](const Ipv4Entry& e) { return e.address == wanted; });
        if (entry != card.ipv4.end()) {
            std::rotate(card.ipv4.begin(), entry, entry + 1);
            return &card;
        }
    }
    error = "no network interface is named or has the address " + wanted;
    return nullptr;
}

ConsoleScan::ConsoleScan(const ScanOptions& options, std::vector<NetworkInterface> all,
                         const NetworkInterface* card, unsigned hostPort)
    : m_options(options), m_all(std::move(all)),
      m_card(card ? std::optional<NetworkInterface>(*card) : std::nullopt), m_hostPort(hostPort),
      m_session(*this, {options.port, consoleTiming(), [this] { return m_card; }}) {}

ConsoleScan::~ConsoleScan() = default;

bool ConsoleScan::collect() {
    const bool testing = !m_options.testAddress.empty();
    m_session.start(m_card ? &*m_card : nullptr, QString::fromLatin1(kDiscoveryGroup));
    const bool asked = testing ? m_session.test(QString::fromStdString(m_options.testAddress),
                                                m_hostPort, m_all) == TestOutcome::Sent
                               : m_session.scan();
    if (!asked)
        return false;
    QEventLoop wait;
    QTimer::singleShot(m_options.duration, &wait, &QEventLoop::quit);
    wait.exec();
    // What arrived since the last poll counts too.
    if (testing)
        m_session.pollTestSocket();
    else
        m_session.pollGroupSocket();
    return true;
}

std::vector<ListedTerminal> ConsoleScan::terminals() const {
    return distinctTerminals(listTerminals(m_session.table(), m_all));
}

void ConsoleScan::apply(const CheckedPlan& plan,
                        const std::function<void(const PlanRowResult&)>& rowDone) {
    QEventLoop wait;
    m_rowDone = rowDone;
    m_planLoop = &wait;
    if (m_session.applyPlan(plan) && m_session.planRunning())
        wait.exec();
    m_planLoop = nullptr;
    m_rowDone = nullptr;
}

void ConsoleScan::groupSocketFailed(const GroupSocketError& error) {
    m_error = describeGroupSocketError(error, m_options.port);
}

void ConsoleScan::testFailed(TestOutcome outcome) {
    m_error = testError(outcome, m_options.testAddress, m_hostPort);
}

void ConsoleScan::planRowFinished(const PlanRowResult& result) {
    if (m_rowDone)
        m_rowDone(result);
}

void ConsoleScan::planFinished() {
    if (m_planLoop)
        m_planLoop->quit();
}

} // namespace terminal_setup
