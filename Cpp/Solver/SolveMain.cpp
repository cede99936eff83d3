// Entry point of a model's exact solver (<model>-solve).
#include "Solver/SolverProgram.h"

int main(int argc, char** argv) { return RunSolver(argc, argv); }
