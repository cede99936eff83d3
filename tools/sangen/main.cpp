// sangen: validates a model file and generates the C++ of its simulator
// (the model's classes on the framework, for linking with the engine) and
// a machine-readable description of its study.
#include <CLI/CLI.hpp>
#include <exception>
#include <filesystem>
#include <iostream>

#include "Diagram.h"
#include "Generation.h"
#include "ModelChecker.h"
#include "OutputFiles.h"
#include "YamlReader.h"

namespace {

namespace fs = std::filesystem;

// Where the study description at `studyJson` finds the drawing at
// `diagram`: a path relative to the description's folder, so that the
// build folder can move as a whole.
std::string diagramReference(const std::string& studyJson, const std::string& diagram) {
  if (diagram.empty() || studyJson.empty()) return "";
  const fs::path from = fs::absolute(studyJson).lexically_normal().parent_path();
  return fs::absolute(diagram).lexically_normal().lexically_relative(from).string();
}

struct Outputs {
  std::string folder;     // under which the sources go
  std::string studyJson;  // the study description, or empty
  std::string dot;        // the model's diagram in DOT, or empty
  std::string diagram;    // the drawing the build makes of it, or empty
};

int run(const std::string& modelFile, const Outputs& outputs, bool checkOnly) {
  const std::string& outFolder = outputs.folder;
  const std::string& studyJson = outputs.studyJson;
  sangen::Diagnostics diagnostics(modelFile);
  const std::optional<sangen::ModelDescription> model =
      sangen::readModelFile(modelFile, diagnostics);
  // The checker runs on whatever the reader made of the file, so that one
  // pass reports every error.
  std::optional<sangen::CheckedModel> checked;
  if (model) checked = sangen::checkModel(*model, diagnostics);
  if (!checked) {
    diagnostics.print(std::cerr);
    return 1;
  }
  if (checkOnly) return 0;

  const std::string folder =
      fs::absolute(fs::path(outFolder) / model->name).lexically_normal().string();
  const std::string source = fs::absolute(modelFile).lexically_normal().string();
  const std::vector<sangen::GeneratedFile> files = sangen::generateModel(*checked, folder, source);
  std::vector<std::pair<std::string, std::string>> extra;
  std::optional<std::string> description;
  if (!studyJson.empty())
    description = sangen::studyDescription(*checked, diagramReference(studyJson, outputs.diagram));
  if (description) extra.push_back({studyJson, *description});
  if (!outputs.dot.empty()) extra.push_back({outputs.dot, sangen::modelDiagram(*checked, source)});
  std::string error;
  if (!sangen::writeFiles(folder, files, extra, error)) {
    std::cerr << "sangen: " << error << "\n";
    return 1;
  }
  if (!studyJson.empty() && !description) {
    // An old description would describe a study this model no longer has.
    std::error_code ignored;
    if (fs::is_regular_file(fs::symlink_status(studyJson, ignored))) fs::remove(studyJson, ignored);
    std::cerr << "sangen: note: " << modelFile
              << ": no study description: its reward variables mix terminating and steady-state "
                 "ones, and a study runs one kind (run the simulator with -t 1 or -t 0)\n";
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"sangen: generates the C++ of a simulator from a model file"};
  std::string modelFile;
  Outputs outputs;
  bool checkOnly = false;
  app.add_option("model", modelFile, "model file (YAML)")->required();
  app.add_option("-o,--out", outputs.folder,
                 "folder under which the sources go, in a folder named after the model");
  app.add_option("--study-json", outputs.studyJson, "where to write the study description (JSON)");
  app.add_option("--dot", outputs.dot, "where to write the model's diagram (Graphviz DOT)");
  app.add_option("--diagram", outputs.diagram,
                 "the drawing made of the DOT file (e.g. by dot -Tsvg), which the study "
                 "description names");
  app.add_flag("--check", checkOnly, "only check the model file");
  CLI11_PARSE(app, argc, argv);
  if (!checkOnly && outputs.folder.empty()) {
    std::cerr << "sangen: --out is required (or --check)\n";
    return 1;
  }
  try {
    return run(modelFile, outputs, checkOnly);
  } catch (const std::exception& e) {
    std::cerr << "sangen: " << e.what() << "\n";
    return 1;
  }
}
