#include "StudyCatalog.h"

#include <cmath>
#include <cstring>
#include <sstream>

#include "NumberText.h"
#include "Study/BaseStudyClass.h"

namespace {
std::string ValueText(void* address, const std::string& type) {
  if (!address) return "";
  if (type == "double") return ShortestText(*static_cast<double*>(address));
  if (type == "int") return std::to_string(*static_cast<int*>(address));
  if (type == "short") return std::to_string(*static_cast<short*>(address));
  return "";
}

std::vector<std::string> OverrideFields(const std::string& text) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(text);
  while (std::getline(in, field, ':'))
    if (!field.empty()) fields.push_back(field);
  return fields;
}
}  // namespace

StudyCatalog::StudyCatalog(const std::string& overrideText) {
  BaseStudyClass* study = GenerateStudy();
  for (unsigned e = 0; e < study->GetNumExps(); e++) {
    ExperimentInfo info;
    info.index = static_cast<int>(e);
    info.name = BaseStudyClass::GetExpName(static_cast<int>(e));
    study->SetGVs(static_cast<int>(e));
    if (!overrideText.empty()) study->overrideGVs(overrideText.c_str());
    info.lossProbability = std::nan("");
    for (unsigned g = 0; g < study->GetNumGVs(); g++) {
      const std::string name = study->GetGVName(static_cast<int>(g));
      const std::string type = study->GetGVType(static_cast<int>(g));
      void* address = study->GetGVValue(name.c_str());
      info.globalVariables.push_back({name, type, ValueText(address, type)});
      if (name == kLossVariable && type == "double" && address)
        info.lossProbability = *static_cast<double*>(address);
    }
    experiments_.push_back(std::move(info));
  }
}

StudyCatalog::~StudyCatalog() { DestructStudy(); }

std::optional<std::string> StudyCatalog::CheckOverride(const std::string& overrideText) {
  const std::vector<std::string> fields = OverrideFields(overrideText);
  if (fields.size() % 3 != 0)
    return "the override text needs type:name:value triples, e.g. s:nTrains:12";
  BaseStudyClass* study = GenerateStudy();
  for (std::size_t k = 0; k < fields.size(); k += 3) {
    if (fields[k].size() != 1 || !std::strchr("bcdfils", fields[k][0]))
      return "unknown override type '" + fields[k] + "' (one of b c d f i l s)";
    bool known = false;
    for (unsigned g = 0; g < study->GetNumGVs() && !known; g++)
      known = fields[k + 1] == study->GetGVName(static_cast<int>(g));
    if (!known) return "the study has no global variable '" + fields[k + 1] + "'";
  }
  return std::nullopt;
}
