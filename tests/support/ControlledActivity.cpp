#include "support/ControlledActivity.h"

ControlledActivity::ControlledActivity(const char* name, bool isEnabled, int rank, double weight,
                                       double delay)
    : isEnabled(isEnabled), rank(rank), weight(weight), delay(delay) {
  ActivityInitialize(name, 0, Deterministic, RaceEnabled, false);
}

bool ControlledActivity::Enabled() {
  enabledCalls++;
  previouslyEnabled = enabled;
  enabled = isEnabled;
  return enabled;
}

BaseActionClass* ControlledActivity::Fire() {
  fireCount++;
  return this;
}
