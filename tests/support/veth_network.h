#pragma once

#include <QStringList>

#include <memory>
#include <string>
#include <vector>

class QProcess;

namespace test_support {

// A small test network of virtual Ethernet links for tests of interface choice. enter() moves
// the calling thread (the test's main thread) into a network namespace of its own, nested in
// the private namespace of scripts/test; each link then joins it to a further namespace, held
// by a child process, through a veth pair. Documentation addresses only. Everything lives in
// those namespaces: when the object goes (or the test process dies, which takes its children
// along), the namespaces and every link in them go too, and the thread is back where it was.
// Only for tests that already checked they run inside the private namespace of scripts/test.
class VethNetwork {
public:
    VethNetwork() = default;
    ~VethNetwork();
    VethNetwork(const VethNetwork&) = delete;
    VethNetwork& operator=(const VethNetwork&) = delete;

    // Moves this thread into new network and host-name namespaces, with loopback up. False,
    // with the reason in `why`, when the tools or the rights are missing.
    bool enter(std::string& why);

    // A link from `hostEnd` (here, address `hostCidr`, switched on) to `farEnd` (in a further
    // namespace, address `farCidr`, switched on, with 224.0.0.0/4 routed through it). Returns the
    // process id that holds the far namespace, 0 on failure (reason in `why`).
    qint64 addLink(const std::string& hostEnd, const std::string& hostCidr,
                   const std::string& farEnd, const std::string& farCidr, std::string& why);

    // Runs `ip` with `arguments` here, or in the far namespace held by `farPid`. False, with
    // ip's own message in `why`, when it fails.
    bool ip(const QStringList& arguments, std::string& why, qint64 farPid = 0) const;

    // Sets the host name of this thread's own host-name namespace.
    bool setHostName(const std::string& name, std::string& why) const;

private:
    int m_originalNet = -1;
    int m_originalUts = -1;
    std::vector<std::unique_ptr<QProcess>> m_holders;
};

} // namespace test_support
