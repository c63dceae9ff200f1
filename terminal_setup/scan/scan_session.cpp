#include "terminal_setup/scan/scan_session.h"

#include "terminal_setup/protocol/interface_choice.h"
#include "terminal_setup/protocol/terminal_discovery.h"

#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

namespace terminal_setup {

namespace {

constexpr unsigned long kPollMilliseconds = 10;

// The console has no list to fill and no one to click a message away: what goes wrong is
// reported from the outcome of each step instead.
class QuietListener : public DiscoveryListener {
    void terminalAdded(std::size_t) override {}
    void terminalsCleared() override {}
    void scanButtonsEnabled(bool) override {}
};

class QuietPrompts : public platform::PromptSink {
    void show(const platform::Prompt&) override {}
};

std::optional<std::string> testError(TerminalDiscovery::TestOutcome outcome,
                                     const std::string& address, unsigned hostPort) {
    const std::string destination =
        address + ":" + std::to_string(static_cast<std::uint16_t>(hostPort - 1));
    switch (outcome) {
    case TerminalDiscovery::TestOutcome::Sent:
        return std::nullopt;
    case TerminalDiscovery::TestOutcome::RefusedDestination:
        return "--test " + address +
               ": not the address of one terminal (blank, 0.0.0.0, or a broadcast address)";
    case TerminalDiscovery::TestOutcome::PortUnavailable:
        return "local UDP port " + std::to_string(hostPort) + " is in use or not allowed";
    case TerminalDiscovery::TestOutcome::SendFailed:
        break;
    }
    return "the request to " + destination + " could not be sent";
}

} // namespace

const NetworkInterface* scanInterface(const std::vector<NetworkInterface>& all,
                                      const std::string& wanted, const std::string& remembered,
                                      const std::string& defaultRoute, std::string& error) {
    if (wanted.empty()) {
        const std::string name = chooseInterface(usableInterfaces(all), remembered, defaultRoute);
        const NetworkInterface* card = findInterface(all, name);
        if (!card)
            error = "no network interface is up with an IPv4 address and multicast";
        return card;
    }
    if (const NetworkInterface* byName = findInterface(all, wanted))
        return byName;
    const auto byAddress =
        std::find_if(all.begin(), all.end(), [&wanted](const NetworkInterface& card) {
            return std::any_of(
                card.ipv4.begin(), card.ipv4.end(),
                [&wanted](const Ipv4Entry& entry) { return entry.address == wanted; });
        });
    if (byAddress != all.end())
        return &*byAddress;
    error = "no network interface is named or has the address " + wanted;
    return nullptr;
}

ScanRun runScan(const ScanOptions& options, const std::vector<NetworkInterface>& all,
                const NetworkInterface* card, unsigned hostPort) {
    QuietListener listener;
    QuietPrompts prompts;
    TerminalDiscovery discovery(listener, prompts, options.port);
    ScanRun run;
    const bool testing = !options.testAddress.empty();
    if (testing) {
        run.error =
            testError(discovery.test(QString::fromStdString(options.testAddress), hostPort, all),
                      options.testAddress, hostPort);
    } else if (const auto error = discovery.open(card, QString::fromLatin1(kDiscoveryGroup))) {
        run.error = describeGroupSocketError(*error, options.port);
    } else {
        discovery.scan(card);
    }
    if (run.error)
        return run;

    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (testing)
            discovery.pollTestSocket();
        else
            discovery.pollGroupSocket();
        if (clock.elapsed() >= options.duration.count())
            break;
        QThread::msleep(kPollMilliseconds);
    }
    run.terminals = distinctTerminals(listTerminals(discovery.table(), all));
    return run;
}

} // namespace terminal_setup
