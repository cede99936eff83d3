#ifndef CORVAX_SOLVER_PROGRAM_H
#define CORVAX_SOLVER_PROGRAM_H

// The solver program of a generated model (<model>-solve): reads the
// command line, sets the chosen experiment's global variables (and the
// overrides) in the model's study, builds the model, explores its state
// space, solves the chain and prints the value of every reward variable's
// time points (and writes them to a CSV file on request). Returns the exit
// status: 0, or 1 after a message on standard error.
int RunSolver(int argc, char** argv);

#endif
