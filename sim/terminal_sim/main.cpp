// terminal-sim: simulated serial-to-Ethernet terminals for tests, demos and training.

#include "sim/common/namespace_guard.h"
#include "sim/terminal_sim/terminal_roster.h"
#include "sim/terminal_sim/terminal_sim_options.h"
#include "sim/terminal_sim/terminal_sim_server.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <unistd.h>

namespace {

int g_stopWrite = -1;

void requestStop(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(g_stopWrite, &byte, 1);
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = sim::parseTerminalSimOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "terminal-sim: %s\n%s", error.c_str(), sim::kTerminalSimUsage);
        return 2;
    }
    if (options->help) {
        std::fputs(sim::kTerminalSimUsage, stdout);
        return 0;
    }
    // Everything it sends goes to a multicast group: only where that cannot leave the machine.
    std::string why;
    if (!sim::inPrivateNetworkNamespace(&why)) {
        std::fprintf(stderr,
                     "terminal-sim: refusing to start outside a private network namespace (%s).\n"
                     "Run it as: %s\n",
                     why.c_str(), sim::kPrivateNamespaceRecipe);
        return 3;
    }

    std::vector<sim::SimulatedTerminal> terminals;
    if (!options->fromFile.empty()) {
        std::ifstream file(options->fromFile);
        if (!file) {
            std::fprintf(stderr, "terminal-sim: cannot read %s\n", options->fromFile.c_str());
            return 2;
        }
        terminals = sim::readTerminals(file, options->seed, error);
        if (!error.empty()) {
            std::fprintf(stderr, "terminal-sim: %s: %s\n", options->fromFile.c_str(),
                         error.c_str());
            return 2;
        }
    } else {
        terminals = sim::makeTerminals(options->count, options->seed);
    }
    for (sim::SimulatedTerminal& terminal : terminals)
        terminal.dropWrites(options->dropWrites);

    int stopPipe[2];
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        std::perror("terminal-sim: pipe");
        return 1;
    }
    g_stopWrite = stopPipe[1];
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);

    const auto count = terminals.size();
    sim::TerminalSimServer server(std::move(terminals), *options, stdout);
    if (!server.open(error)) {
        std::fprintf(stderr, "terminal-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("ready group=%s:%u terminals=%zu test-port=%u\n", options->group.c_str(),
                options->port, count, options->testPort);
    std::fflush(stdout);
    const int result = server.run(stopPipe[0]);
    std::printf("stopped\n");
    std::fflush(stdout);
    return result;
}
