// sangen: validates a model file and generates the C++ of its simulator
// (the model's classes on the framework, for linking with the engine) and
// a machine-readable description of its study.
#include <CLI/CLI.hpp>
#include <exception>
#include <filesystem>
#include <iostream>

#include "Generation.h"
#include "ModelChecker.h"
#include "OutputFiles.h"
#include "YamlReader.h"

namespace {

namespace fs = std::filesystem;

int run(const std::string& modelFile, const std::string& outFolder, const std::string& studyJson,
        bool checkOnly) {
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
  try {
    return run(modelFile, outFolder, studyJson, checkOnly);
  } catch (const std::exception& e) {
    std::cerr << "sangen: " << e.what() << "\n";
    return 1;
  }
}
