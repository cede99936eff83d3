// The model generator on any model file: the reader, the check, the
// generation of the model's sources and the study description, all in
// memory (nothing is written).
#include <cstdint>
#include <string>

#include "Generation.h"
#include "ModelChecker.h"
#include "YamlReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  sangen::Diagnostics diagnostics("model.yaml");
  const std::optional<sangen::ModelDescription> model =
      sangen::readModelText(text, "/fuzz/model.yaml", "model", diagnostics);
  if (!model) return 0;
  const std::optional<sangen::CheckedModel> checked = sangen::checkModel(*model, diagnostics);
  if (!checked) return 0;
  sangen::generateModel(*checked, "/fuzz/out/model", "/fuzz/model.yaml");
  sangen::studyDescription(*checked);
  return 0;
}
