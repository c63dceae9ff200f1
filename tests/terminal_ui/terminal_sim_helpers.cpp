// The protocol suite's helpers for starting terminal-sim and finding free ports, built into this
// suite as well so that both drive the simulator the same way.
#include "tests/terminal_protocol/free_udp_port.cpp"
#include "tests/terminal_protocol/terminal_sim_process.cpp"
