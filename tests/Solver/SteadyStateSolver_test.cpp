// The long-run distribution: an irreducible birth-death chain against its
// product form (Gauss-Seidel and SOR), chains that are not irreducible
// (absorbing states, two closed classes reached with known chances), and a
// refusal when the sweeps run out.
#include "Solver/SteadyStateSolver.h"

#include <gtest/gtest.h>

#include <cmath>

#include "Solver/BottomComponents.h"
#include "Solver/ChainBuilder.h"
#include "Solver/SolverError.h"

namespace {

TEST(SteadyStateSolver, BirthDeathChainMatchesItsProductForm) {
  const std::vector<double> births{3.0, 2.5, 2.0, 1.0, 0.5, 0.25};
  const std::vector<double> deaths{1.0, 1.0, 2.0, 2.0, 3.0, 4.0};
  const MarkovChain chain = chains::BirthDeath(births, deaths);
  std::vector<double> exact{1.0};
  for (std::size_t k = 0; k < births.size(); k++)
    exact.push_back(exact.back() * births[k] / deaths[k]);
  double sum = 0.0;
  for (double x : exact) sum += x;
  for (const double relaxation : {1.0, 1.3, 0.7}) {
    IterationSettings settings;
    settings.relaxation = relaxation;
    SteadyStateSolver solver(chain, settings);
    const std::vector<double> p = solver.Solve();
    EXPECT_EQ(solver.NumBottomComponents(), 1u);
    EXPECT_EQ(solver.NumTransientStates(), 0u);
    EXPECT_LE(solver.Residual(), settings.tolerance);
    EXPECT_GT(solver.Sweeps(), 1);
    for (std::size_t k = 0; k < p.size(); k++)
      EXPECT_NEAR(p[k], exact[k] / sum, 1e-10 * exact[k] / sum)
          << "state " << k << ", omega " << relaxation;
  }
}

TEST(SteadyStateSolver, ChainsThatAreNotIrreducibleEndInTheirBottomComponents) {
  // 0 -> 1 (rate 1) and 0 -> 2 (rate 3); 1 is absorbing; 2 <-> 3 with rates
  // 2 and 6; 4 -> 0 is never entered but starts with a quarter of the mass.
  const MarkovChain chain =
      chains::Make(5, {{0, 1, 1.0}, {0, 2, 3.0}, {2, 3, 2.0}, {3, 2, 6.0}, {4, 0, 5.0}},
                   {0.75, 0.0, 0.0, 0.0, 0.25});
  const BottomComponents components(chain.rates);
  EXPECT_EQ(components.NumComponents(), 4u);  // {0}, {1}, {2, 3}, {4}
  ASSERT_EQ(components.Bottoms().size(), 2u);
  EXPECT_EQ(components.NumTransientStates(), 2u);
  EXPECT_EQ(components.Component(2), components.Component(3));
  EXPECT_FALSE(components.IsBottom(components.Component(0)));
  EXPECT_TRUE(components.IsBottom(components.Component(1)));

  SteadyStateSolver solver(chain, IterationSettings{});
  const std::vector<double> p = solver.Solve();
  EXPECT_EQ(solver.NumBottomComponents(), 2u);
  // Everything passes through 0, which leaves to 1 with chance 1/4.
  EXPECT_NEAR(p[0], 0.0, 1e-15);
  EXPECT_NEAR(p[4], 0.0, 1e-15);
  EXPECT_NEAR(p[1], 0.25, 1e-12);
  EXPECT_NEAR(p[2], 0.75 * 6.0 / 8.0, 1e-12);
  EXPECT_NEAR(p[3], 0.75 * 2.0 / 8.0, 1e-12);
}

TEST(SteadyStateSolver, OneAbsorbingStateTakesEverything) {
  const MarkovChain chain = chains::Make(3, {{0, 1, 2.0}, {1, 0, 1.0}, {1, 2, 0.5}}, {1, 0, 0});
  const std::vector<double> p = SteadyStateSolver(chain, IterationSettings{}).Solve();
  EXPECT_EQ(p, (std::vector<double>{0.0, 0.0, 1.0}));
}

TEST(SteadyStateSolver, RefusesWhenTheSweepsRunOut) {
  IterationSettings settings;
  settings.maxSweeps = 1;
  settings.tolerance = 1e-15;
  const MarkovChain chain = chains::BirthDeath({1.0, 1.0, 1.0, 1.0}, {2.0, 2.0, 2.0, 2.0});
  try {
    SteadyStateSolver(chain, settings).Solve();
    FAIL() << "converged in one sweep";
  } catch (const SolverError& e) {
    EXPECT_NE(std::string(e.what()).find("did not converge"), std::string::npos) << e.what();
  }
}

}  // namespace
