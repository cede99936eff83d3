#ifndef SANGEN_MODEL_CHECKER_H
#define SANGEN_MODEL_CHECKER_H

#include <optional>

#include "CheckedModel.h"
#include "Diagnostics.h"

namespace sangen {

// Checks names (valid, unique, free of clashes with the generated code, the
// framework and the C and C++ libraries), references, types, timings,
// shares, rewards and the study of `model`, whatever the reader could make
// of it; reports every problem found to `diagnostics`. Nothing when any
// error was reported (by the reader too). The result refers to `model`,
// which must outlive it.
std::optional<CheckedModel> checkModel(const ModelDescription& model, Diagnostics& diagnostics);

}  // namespace sangen

#endif
