#include "terminal_setup/protocol/system_interfaces.h"

#include "terminal_setup/protocol/interface_choice.h"

#include <QNetworkInterface>

#include <fstream>
#include <sstream>

namespace terminal_setup {

std::vector<NetworkInterface> systemNetworkInterfaces() {
    std::vector<NetworkInterface> found;
    const auto all = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& system : all) {
        NetworkInterface card;
        card.name = system.name().toStdString();
        card.index = system.index();
        const auto flags = system.flags();
        card.up = flags.testFlag(QNetworkInterface::IsUp);
        card.running = flags.testFlag(QNetworkInterface::IsRunning);
        card.loopback = flags.testFlag(QNetworkInterface::IsLoopBack);
        card.multicast = flags.testFlag(QNetworkInterface::CanMulticast);
        card.hardwareAddress = system.hardwareAddress().toStdString();
        const auto entries = system.addressEntries();
        for (const QNetworkAddressEntry& entry : entries) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol)
                continue;
            card.ipv4.push_back({entry.ip().toString().toStdString(), entry.prefixLength(),
                                 entry.broadcast().isNull()
                                     ? std::string()
                                     : entry.broadcast().toString().toStdString()});
        }
        found.push_back(std::move(card));
    }
    return found;
}

std::string systemDefaultRouteInterface() {
    std::ifstream table("/proc/net/route");
    if (!table)
        return {};
    std::ostringstream text;
    text << table.rdbuf();
    return defaultRouteInterface(text.str());
}

} // namespace terminal_setup
