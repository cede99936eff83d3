#include "Study/BaseStudyClass.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "BaseClasses/Allocation.h"
#include "Rewards/PVModel.h"

namespace {

// Fields of the override text; empty fields (consecutive ':') are skipped.
std::vector<std::string> splitFields(const char* text) {
  std::vector<std::string> fields;
  std::string current;
  for (const char* c = text; *c; c++) {
    if (*c == ':') {
      if (!current.empty()) fields.push_back(current);
      current.clear();
    } else {
      current += *c;
    }
  }
  if (!current.empty()) fields.push_back(current);
  return fields;
}

// A parsed override value, held both as its own type (for variables whose
// type the study does not know) and as a number (for conversion).
struct ParsedValue {
  union {
    bool b;
    char c;
    double d;
    float f;
    int i;
    long l;
    short s;
  } raw{};
  double number = 0.0;
  long long integer = 0;
};

bool parseValue(char type, const std::string& text, ParsedValue& value) {
  switch (type) {
    case 'b': {
      short v = 0;
      std::sscanf(text.c_str(), "%hi", &v);
      value.raw.b = v != 0;
      value.integer = value.raw.b;
      break;
    }
    case 'c':
      std::sscanf(text.c_str(), "%c", &value.raw.c);
      value.integer = value.raw.c;
      break;
    case 'd':
      std::sscanf(text.c_str(), "%lf", &value.raw.d);
      value.number = value.raw.d;
      return true;
    case 'f':
      std::sscanf(text.c_str(), "%f", &value.raw.f);
      value.number = value.raw.f;
      return true;
    case 'i':
      std::sscanf(text.c_str(), "%i", &value.raw.i);
      value.integer = value.raw.i;
      break;
    case 'l':
      std::sscanf(text.c_str(), "%li", &value.raw.l);
      value.integer = value.raw.l;
      break;
    case 's':
      std::sscanf(text.c_str(), "%hi", &value.raw.s);
      value.integer = value.raw.s;
      break;
    default:
      return false;
  }
  value.number = static_cast<double>(value.integer);
  return true;
}

bool isFloatingType(char type) { return type == 'd' || type == 'f'; }

// Converts the parsed value into the storage of a variable of the named
// type; returns false for a type name this parser does not know.
bool convertTo(const char* typeName, char parsedType, const ParsedValue& value, ParsedValue& out) {
  const std::string type = typeName ? typeName : "";
  const bool floating = isFloatingType(parsedType);
  if (type == "double") {
    out.raw.d = value.number;
  } else if (type == "float") {
    out.raw.f = static_cast<float>(value.number);
  } else if (type == "int") {
    out.raw.i = floating ? static_cast<int>(value.number) : static_cast<int>(value.integer);
  } else if (type == "short") {
    out.raw.s = floating ? static_cast<short>(value.number) : static_cast<short>(value.integer);
  } else if (type == "long") {
    out.raw.l = floating ? static_cast<long>(value.number) : static_cast<long>(value.integer);
  } else if (type == "char") {
    out.raw.c = floating ? static_cast<char>(value.number) : static_cast<char>(value.integer);
  } else if (type == "bool") {
    out.raw.b = floating ? value.number != 0.0 : value.integer != 0;
  } else {
    return false;
  }
  return true;
}
}  // namespace

BaseStudyClass::~BaseStudyClass() {
  delete ThePVModel;
  for (unsigned i = 0; i < NumGVs; i++) {
    if (GVNames) delete[] GVNames[i];
    if (GVTypes) delete[] GVTypes[i];
  }
  delete[] GVNames;
  delete[] GVTypes;
}

void BaseStudyClass::SetGVTable(unsigned count, const char* const* names, const char* const* types) {
  NumGVs = count;
  GVNames = new char*[count];
  GVTypes = new char*[count];
  for (unsigned i = 0; i < count; i++) {
    GVNames[i] = copyText(names[i]);
    GVTypes[i] = copyText(types[i]);
  }
}

PVModel* BaseStudyClass::GetPVModel(bool) { return ThePVModel; }
void BaseStudyClass::SetGVs(int) { std::cout << "basestudyclass::SetGVs" << std::endl; }
void BaseStudyClass::PrintGlobalValues(int) {}
void* BaseStudyClass::GetGVValue(const char*) { return nullptr; }
void BaseStudyClass::OverrideGVValue(const char*, void*) {}

const char* BaseStudyClass::GetExpName(int i) {
  static char name[32];
  std::snprintf(name, sizeof name, "Experiment %d", i + 1);
  return name;
}

void BaseStudyClass::overrideGVs(const char* text) {
  const std::vector<std::string> fields = splitFields(text ? text : "");
  for (size_t k = 0; k < fields.size(); k += 3) {
    const char type = fields[k][0];
    if (k + 2 >= fields.size()) {
      std::cout << "Not enough double override tokens" << std::flush;
      return;
    }
    const std::string& name = fields[k + 1];
    ParsedValue parsed;
    if (!parseValue(type, fields[k + 2], parsed)) {
      std::printf("Type %c not recognized\n", type);
      std::fflush(stdout);
      continue;
    }
    // A type character that differs from the variable's declared type is
    // converted to that type rather than having its bytes reinterpreted.
    ParsedValue converted;
    const ParsedValue* toStore = &parsed;
    for (unsigned g = 0; g < NumGVs; g++) {
      if (name == GVNames[g] && convertTo(GVTypes[g], type, parsed, converted)) {
        toStore = &converted;
        break;
      }
    }
    OverrideGVValue(name.c_str(), const_cast<void*>(static_cast<const void*>(&toStore->raw)));
  }
}
