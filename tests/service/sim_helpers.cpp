// The simulator helpers of the sim tests, compiled into this executable too, so that matrixd
// can be run against a real matrix-sim process.
#include "tests/sim/matrix_sim_run.cpp"
#include "tests/sim/sim_process.cpp"
