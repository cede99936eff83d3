// sangen: validates a model file and generates the C++ of its simulator
// (the model's classes on the framework, for linking with the engine) and
// a machine-readable description of its study.
#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "CheckedModel.h"
#include "Generation.h"
#include "OutputFiles.h"
#include "YamlReader.h"

int main(int argc, char** argv) {
  CLI::App app{"sangen: generates the C++ of a simulator from a model file"};
  std::string modelFile;
  std::string outFolder;
  std::string studyJson;
  bool checkOnly = false;
  app.add_option("model", modelFile, "model file (YAML)")->required();
  app.add_option("-o,--out", outFolder,
                 "folder under which the sources go, in a folder named after the model");
  app.add_option("--study-json", studyJson, "where to write the study description (JSON)");
  app.add_flag("--check", checkOnly, "only check the model file");
  CLI11_PARSE(app, argc, argv);
  if (!checkOnly && outFolder.empty()) {
    std::cerr << "sangen: --out is required (or --check)\n";
    return 1;
  }

  namespace fs = std::filesystem;
  sangen::Diagnostics diagnostics(modelFile);
  const std::optional<sangen::ModelDescription> model =
      sangen::readModelFile(modelFile, diagnostics);
  std::optional<sangen::CheckedModel> checked;
  if (model && !diagnostics.failed()) checked = sangen::checkModel(*model, diagnostics);
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
  if (!studyJson.empty()) description = sangen::studyDescription(*checked);
  if (description) extra.push_back({studyJson, *description});
  std::string error;
  if (!sangen::writeFiles(folder, files, extra, error)) {
    std::cerr << "sangen: " << error << "\n";
    return 1;
  }
  if (!studyJson.empty() && !description) {
    // An old description would describe a study this model no longer has.
    std::error_code ignored;
    fs::remove(studyJson, ignored);
    std::cerr << "sangen: note: " << modelFile
              << ": no study description: its reward variables mix terminating and steady-state "
                 "ones, and a study runs one kind (run the simulator with -t 1 or -t 0)\n";
  }
  return 0;
}
