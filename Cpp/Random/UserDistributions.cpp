#include <new>

#include "Common/ErrorHandler.h"
#include "Random/Distributions.h"
#include "Random/LaggedFibonacci.h"
#include "Random/Tausworthe.h"

UserDistributions::UserDistributions() {
  RandomNumberGenerator* fresh = new (std::nothrow) LaggedFibonacci;
  if (!fresh) MemoryAllocationError();
  setGenerator(fresh);
}

UserDistributions::UserDistributions(int type, long seed) {
  setGenerator(nullptr);
  RandomNumberGenerator* fresh =
      type == 1 ? static_cast<RandomNumberGenerator*>(new (std::nothrow) Tausworthe)
                : new (std::nothrow) LaggedFibonacci;
  if (!fresh) MemoryAllocationError();
  setGenerator(fresh);
  fresh->srnd(static_cast<unsigned long>(seed));
}

UserDistributions TheGenerator(0, 31415);
constinit UserDistributions* TheDistribution = &TheGenerator;
