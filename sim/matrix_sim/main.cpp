// matrix-sim: a simulated matrix switcher for tests, demos and operator training.

#include "sim/common/hex_log.h"
#include "sim/matrix_sim/matrix_options.h"
#include "sim/matrix_sim/matrix_sim_server.h"

#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    sim::MatrixOptions options;
    std::string error;
    if (!sim::ParseMatrixOptions(args, &options, &error)) {
        std::fprintf(stderr, "matrix-sim: %s\n%s", error.c_str(), sim::MatrixUsage().c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(sim::MatrixUsage().c_str(), stdout);
        return 0;
    }
    // A controller that goes away while an answer is on its way must not end the simulator.
    std::signal(SIGPIPE, SIG_IGN);

    sim::HexLog log;
    if (!options.logPath.empty() && !log.OpenFile(options.logPath)) {
        std::fprintf(stderr, "matrix-sim: cannot open log file %s\n", options.logPath.c_str());
        return 1;
    }
    sim::MatrixSimServer server(options, log);
    if (!server.Start(&error)) {
        std::fprintf(stderr, "matrix-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", server.ReadyLine().c_str());
    std::fflush(stdout);
    return server.Run() ? 0 : 1;
}
