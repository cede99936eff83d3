#include "Generation.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "NumberText.h"

namespace sangen {

namespace {

// The text with its control characters replaced by '?', fit for a comment
// (a line feed would end it) and, with quotes escaped, for a string.
std::string commentText(const std::string& text) {
  std::string out = text;
  for (char& c : out)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
  return out;
}

const char* const kBannerStart = "// Generated from ";
const char* const kBannerEnd = "; do not edit.";

}  // namespace

std::string generatedBanner(const std::string& modelFile) {
  return kBannerStart + commentText(std::filesystem::path(modelFile).filename().string()) +
         kBannerEnd + "\n";
}

bool isGeneratedText(const std::string& text) {
  const std::string firstLine = text.substr(0, text.find('\n'));
  return firstLine.starts_with(kBannerStart) && firstLine.ends_with(kBannerEnd);
}

Generation::Generation(const CheckedModel& model, std::string folder, std::string modelFile)
    : model_(model),
      folder_(std::move(folder)),
      modelFile_(std::move(modelFile)),
      fileName_(commentText(std::filesystem::path(modelFile_).filename().string())) {}

CodeWriter Generation::writer(const std::string& fileName) const {
  CodeWriter out((std::filesystem::path(folder_) / fileName).string(), modelFile_);
  out << generatedBanner(modelFile_);
  return out;
}

void Generation::add(const CodeWriter& writer) {
  output_.push_back({std::filesystem::path(writer.path()).filename().string(), writer.text()});
}

std::string Generation::include(const std::string& fileName) const {
  return "#include \"" + description().name + "/" + fileName + "\"\n";
}

std::string Generation::guard(const std::string& fileName) const {
  std::string text = description().name + "_" + fileName;
  for (char& c : text) c = std::isalnum(static_cast<unsigned char>(c)) ? std::toupper(c) : '_';
  return text;
}

std::string Generation::origin(Position at) const {
  return fileName_ + " line " + std::to_string(at.line);
}

std::string Generation::position(Position at) const {
  return fileName_ + ":" + std::to_string(at.line);
}

std::string Generation::topClass() const {
  if (description().composition) {
    const Composition& composition = *description().composition;
    return composition.root.kind == ComposedNode::Atomic
               ? names::atomicClass(composition.root.name.text)
               : names::rootClass(composition);
  }
  return names::atomicClass(description().models.front().name.text);
}

void declareViews(CodeWriter& out, const Generation& generation, const AtomicModel& atomic,
                  const std::vector<VariableUse>& uses, bool readOnly,
                  const std::function<std::string(const std::string&)>& object,
                  const std::function<std::string(const std::string&)>& cell,
                  const std::function<std::string(const std::string&)>& table, bool recent) {
  for (const VariableUse& use : uses) {
    const std::string& name = use.name.text;
    const VariableType type = generation.checked().typeOf(atomic, name);
    const bool change = !readOnly && use.access == Access::Change;
    const std::string constness = change ? "" : "const ";
    out << "  [[maybe_unused]] ";
    switch (type.kind) {
      case VariableType::Place:
      case VariableType::Scalar: {
        const std::string pointer = cell(name);
        out << constness << type.cellType() << "& " << name << " = "
            << (pointer.empty() ? "san::cell(" + object(name) + ")" : "*" + pointer) << ";\n";
        break;
      }
      case VariableType::Record: {
        const std::string& record = type.record->name.text;
        const std::string view =
            change ? names::recordView(record) : names::recordConstView(record);
        out << "const " << view << " " << name << " = " << view << "::of(" << object(name)
            << ");\n";
        break;
      }
      case VariableType::Array: {
        const std::string kept = table(name);
        const std::string tableArgument = kept.empty() ? "" : ", &" + kept;
        const std::string recentArgument = !kept.empty() && recent ? ", true" : "";
        if (type.record) {
          const std::string& record = type.record->name.text;
          const std::string view =
              change ? names::recordView(record) : names::recordConstView(record);
          out << "const san::RecordArrayView<" << type.array->name.text << ", " << view << ", "
              << names::recordView(record) << recentArgument << "> " << name << "(" << object(name)
              << tableArgument << ");\n";
        } else {
          out << "const san::ScalarArrayView<" << type.array->name.text << ", " << constness
              << type.cellType() << recentArgument << "> " << name << "(" << object(name)
              << tableArgument << ");\n";
        }
        break;
      }
    }
  }
}

std::string tableType(const VariableType& type) {
  if (type.record) return "san::ViewTable<" + names::recordView(type.record->name.text) + ">";
  return "san::CellTable<" + type.cellType() + ">";
}

std::string creation(const std::string& name, const VariableType& type,
                     const std::string& initial) {
  switch (type.kind) {
    case VariableType::Place:
    case VariableType::Scalar:
      return "new " + type.className() + "(\"" + name + "\", " + (initial.empty() ? "0" : initial) +
             ")";
    case VariableType::Record:
      return "new " + type.record->name.text + "(\"" + name + "\", \"\"" +
             (initial.empty() ? "" : ", " + initial) + ")";
    case VariableType::Array:
      return "new " + type.array->name.text + "(\"" + name + "\", \"\", " + type.array->name.text +
             "::length())";
  }
  return "";
}

std::string literal(ScalarType type, double value) {
  switch (type) {
    case ScalarType::Double:
      return doubleLiteral(value);
    case ScalarType::Bool:
      return value != 0 ? "true" : "false";
    default:
      return std::to_string(static_cast<long long>(value));
  }
}

std::vector<GeneratedFile> generateModel(const CheckedModel& model, const std::string& folder,
                                         const std::string& modelFile) {
  Generation generation(model, folder, modelFile);
  writeGlobals(generation);
  writeTypes(generation);
  for (const AtomicModel& atomic : model.model().models) writeAtomicModel(generation, atomic);
  if (model.model().composition) writeComposition(generation);
  writeRewardModel(generation);
  writeStudy(generation);

  CodeWriter all = generation.writer(model.model().name + "_all.cpp");
  all << "// Every generated source of the model, compiled as one unit.\n";
  for (const GeneratedFile& file : generation.files())
    if (file.name.ends_with(".cpp")) all << generation.include(file.name);
  generation.add(all);
  return generation.files();
}

}  // namespace sangen
