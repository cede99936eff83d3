// A study of one experiment with one global variable of each type the
// override parser knows, for the harnesses.
#include <cstring>
#include <iterator>

#include "Study/BaseStudyClass.h"

namespace {
bool flag;
char letter;
double ratio;
float speed;
int count;
long distance;
short trains;

struct Variable {
  const char* name;
  const char* type;
  void* address;
  std::size_t size;
};
const Variable kVariables[] = {
    {"flag", "bool", &flag, sizeof flag},        {"letter", "char", &letter, sizeof letter},
    {"ratio", "double", &ratio, sizeof ratio},   {"speed", "float", &speed, sizeof speed},
    {"count", "int", &count, sizeof count},      {"distance", "long", &distance, sizeof distance},
    {"trains", "short", &trains, sizeof trains},
};

class EveryTypeStudy : public BaseStudyClass {
 public:
  EveryTypeStudy() {
    const char* names[std::size(kVariables)];
    const char* types[std::size(kVariables)];
    for (std::size_t i = 0; i < std::size(kVariables); i++) {
      names[i] = kVariables[i].name;
      types[i] = kVariables[i].type;
    }
    SetGVTable(std::size(kVariables), names, types);
    NumExps = 1;
  }
  void SetGVs(int) override {
    for (const Variable& v : kVariables) std::memset(v.address, 0, v.size);
  }
  void* GetGVValue(const char* name) override {
    for (const Variable& v : kVariables)
      if (!std::strcmp(name, v.name)) return v.address;
    return nullptr;
  }
  void OverrideGVValue(const char* name, void* value) override {
    for (const Variable& v : kVariables)
      if (!std::strcmp(name, v.name)) std::memcpy(v.address, value, v.size);
  }
};

BaseStudyClass* theStudy = nullptr;
}  // namespace

BaseStudyClass* GenerateStudy() {
  if (!theStudy) theStudy = new EveryTypeStudy;
  return theStudy;
}

void DestructStudy() {
  delete theStudy;
  theStudy = nullptr;
}
