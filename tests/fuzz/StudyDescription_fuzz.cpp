// The study tool's reader of a model's study description (JSON written by
// the generator, or by anyone): any text is read or refused with a message,
// and a description read is planned as the tool would plan its study.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "StudyDescriptionReader.h"
#include "StudyPlan.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const StudyDescription description = ParseStudyDescription(text, "fuzz.json");
    StudyOptions options;
    StudyPlan plan;
    PlanStudy(options, description, plan, 2);
  } catch (const std::runtime_error&) {
    // refused with a message: what a bad description should get
  }
  return 0;
}
