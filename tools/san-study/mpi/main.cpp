// san-study-mpi: san-study over the ranks of an MPI job (mpirun, srun), one
// rank per node, each running as many simulators as its node has cores
// (-j); rank 0 folds every experiment's streams, decides and writes the
// results.
#include <mpi.h>

#include "MpiDistribution.h"

int main(int argc, char** argv) {
  MPI_Init(&argc, &argv);
  int status = 0;
  bool finished = true;
  {
    MpiLink link(MPI_COMM_WORLD);
    MpiDistribution distribution(link);
    ToolProfile profile;
    profile.program = "san-study-mpi";
    status = RunStudyTool(argc, argv, profile, &distribution);
    finished = distribution.Finished();
  }
  // Rank 0 stopped without ending the others (an internal error): the job
  // ends with it.
  if (!finished) MPI_Abort(MPI_COMM_WORLD, status ? status : 1);
  MPI_Finalize();
  return status;
}
