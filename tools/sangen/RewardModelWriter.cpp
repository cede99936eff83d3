// The reward model: a PVModel subclass wrapping the top model, one
// PerformanceVariableNode subclass per reward variable, one impulse class
// per impulse reward and one worker class per rate reward.
#include <set>

#include "Generation.h"
#include "NumberText.h"

namespace sangen {

namespace {

class RewardWriter {
 public:
  explicit RewardWriter(Generation& generation)
      : generation_(generation),
        checked_(generation.checked()),
        rewards_(*generation.description().rewards),
        className_(names::rewardClass(rewards_)) {}

  void write();

 private:
  std::string variableClass(std::size_t i) const { return names::variableClass(rewards_, i); }
  std::string impulseClass(std::size_t i, std::size_t j) const {
    return names::impulseClass(rewards_, i, j);
  }
  std::string workerClass(std::size_t i) const { return names::workerClass(rewards_, i); }
  // The actions an impulse counts: the activity, or the chosen case, or
  // every case of it.
  std::vector<std::string> impulseActions(const ImpulseReward& impulse) const;
  void writeHeader();
  void writeSource();
  void writeViews(CodeWriter& cpp, const AtomicModel& atomic, const std::vector<VariableUse>& reads,
                  const std::string& instance);
  // Declares a rate reward's aggregate over the copies (nothing for a sum).
  void writeAggregate(CodeWriter& cpp, const RateReward& rate);

  Generation& generation_;
  const CheckedModel& checked_;
  const Rewards& rewards_;
  std::string className_;
};

// The count, all, any and at-least aggregates take the value as a condition.
bool countsCopies(Aggregate aggregate) {
  return aggregate == Aggregate::Count || aggregate == Aggregate::All ||
         aggregate == Aggregate::Any || aggregate == Aggregate::AtLeast;
}

void RewardWriter::writeAggregate(CodeWriter& cpp, const RateReward& rate) {
  const char* kind = nullptr;
  switch (rate.aggregate) {
    case Aggregate::Sum:
      return;
    case Aggregate::Count:
      kind = "Count";
      break;
    case Aggregate::All:
      kind = "All";
      break;
    case Aggregate::Any:
      kind = "Any";
      break;
    case Aggregate::AtLeast:
      kind = "AtLeast";
      break;
    case Aggregate::Min:
      kind = "Min";
      break;
    case Aggregate::Max:
      kind = "Max";
      break;
  }
  cpp << "  // Over the copies of the model, kept per copy: a firing re-evaluates the\n"
      << "  // copies whose reads it changes.\n"
      << "  SetAggregate(RateAggregate::Kind::" << kind;
  if (rate.aggregate == Aggregate::AtLeast && rate.least) {
    cpp << ", ";
    if (rate.least->global.empty())
      cpp << doubleLiteral(rate.least->number);
    else
      cpp << "static_cast<double>(" << rate.least->global << ")";
  }
  cpp << ");\n";
}

std::vector<std::string> RewardWriter::impulseActions(const ImpulseReward& impulse) const {
  const Activity* activity = checked_.impulseActivity(impulse);
  std::vector<std::string> actions;
  for (std::size_t k = 0; k < activity->cases.size(); k++)
    if (impulse.caseNumber == 0 || impulse.caseNumber == static_cast<int>(k + 1))
      actions.push_back(names::caseObject(*activity, k));
  return actions;
}

void RewardWriter::write() {
  writeHeader();
  writeSource();
}

void RewardWriter::writeHeader() {
  CodeWriter h = generation_.writer(className_ + ".h");
  const std::string guard = generation_.guard(className_ + ".h");
  h << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << "#include \"BaseClasses/BaseModelClass.h\"\n"
    << "#include \"Rewards/IntervalOfTimeImpulse.h\"\n"
    << "#include \"Rewards/PVModel.h\"\n"
    << "#include \"Rewards/PerformanceVariableNode.h\"\n"
    << "#include \"Rewards/PerformanceVariableWorker.h\"\n\n";
  for (std::size_t i = 0; i < rewards_.variables.size(); i++) {
    const RewardVariable& variable = rewards_.variables[i];
    for (std::size_t j = 0; j < variable.impulses.size(); j++) {
      const ImpulseReward& impulse = variable.impulses[j];
      const std::string model = checked_.rewardModel(impulse)->name.text;
      h << "// An impulse of \"" << variable.name.text << "\": earned by every firing of \""
        << impulse.activity.text << "\" in a \"" << model << "\" model ("
        << generation_.origin(impulse.at) << ").\n"
        << "class " << impulseClass(i, j) << " : public IntervalOfTimeImpulse {\n public:\n"
        << "  " << impulseClass(i, j) << "();\n"
        << "  double Impulse_Function(double now) override;\n"
        << "  ImpulseNodeClass** CreateImpulseWorkerList(int n) override;\n\n"
        << "  BaseModelClass* " << model
        << "Model = nullptr;  // the model a worker serves\n};\n\n";
    }
    if (variable.rate)
      h << "// The rate reward of \"" << variable.name.text << "\", for one \""
        << variable.rate->model.text << "\" model (" << generation_.origin(variable.rate->at)
        << ").\n"
        << "class " << workerClass(i) << " : public PerformanceVariableWorker {\n public:\n"
        << "  explicit " << workerClass(i) << "(PerformanceVariableNode* node) : node(node) {}\n"
        << "  void StateReward() override { Reward = value(); }\n"
        << "  void IntervalReward(double t, double T) override;\n"
        << "  void CurrentReward() override { Reward = value(); }\n\n private:\n"
        << "  double value();\n  PerformanceVariableNode* node;\n};\n\n";
    h << "// \"" << variable.name.text << "\" (" << generation_.origin(variable.name.at) << ").\n"
      << "class " << variableClass(i) << " : public PerformanceVariableNode {\n public:\n"
      << "  explicit " << variableClass(i) << "(int timeIndex);\n"
      << "  void CreateWorkerList() override;\n\n";
    int impulseNumber = 0;
    for (std::size_t j = 0; j < variable.impulses.size(); j++)
      for (std::size_t n = 0; n < impulseActions(variable.impulses[j]).size(); n++)
        h << "  " << impulseClass(i, j) << " Impulse" << impulseNumber++ << ";\n";
    h << "};\n\n";
  }
  h << "// The reward model: the composed model and its reward variables.\n"
    << "class " << className_ << " : public PVModel {\n public:\n"
    << "  explicit " << className_ << "(bool expandTimes);\n"
    << "  PerformanceVariableNode* createPVNode(int pvIndex, int timeIndex) "
       "override;\n};\n\n#endif\n";
  generation_.add(h);
}

void RewardWriter::writeViews(CodeWriter& cpp, const AtomicModel& atomic,
                              const std::vector<VariableUse>& reads, const std::string& instance) {
  if (reads.empty()) return;
  // The local's leading underscore keeps it apart from the names of the
  // variables read, which never start with one.
  cpp << "  auto* _model = static_cast<" << names::atomicClass(atomic.name.text) << "*>("
      << instance << ");\n";
  declareViews(
      cpp, generation_, atomic, reads, true,
      [](const std::string& name) { return "_model->" + name; },
      [](const std::string&) { return std::string(); },
      [](const std::string&) { return std::string(); });
}

void RewardWriter::writeSource() {
  CodeWriter cpp = generation_.writer(className_ + ".cpp");
  cpp << generation_.include(className_ + ".h") << "\n#include <algorithm>\n\n"
      << generation_.include("GlobalVariables.h");
  std::set<std::string> models;
  for (const RewardVariable& v : rewards_.variables) {
    if (v.rate) models.insert(v.rate->model.text);
    for (const ImpulseReward& impulse : v.impulses)
      models.insert(checked_.rewardModel(impulse)->name.text);
  }
  for (const std::string& m : models) cpp << generation_.include(names::atomicClass(m) + ".h");
  const std::string top = generation_.topClass();
  cpp << generation_.include(top + ".h");
  cpp << "\n";

  for (std::size_t i = 0; i < rewards_.variables.size(); i++) {
    const RewardVariable& variable = rewards_.variables[i];
    const std::string node = variableClass(i);
    cpp << "// ---- " << variable.name.text << " ----\n\n";
    // Time points: one node per point, [start, stop] each.
    std::vector<std::pair<double, double>> windows = variable.windows;
    if (variable.steadyState)
      windows = {
          {variable.steadyState->start, variable.steadyState->start + variable.steadyState->batch}};
    const int n = static_cast<int>(windows.size());
    cpp << "static const double " << node << "_StartTimes[" << n << "] = {";
    for (int t = 0; t < n; t++) cpp << (t ? ", " : "") << doubleLiteral(windows[t].first);
    cpp << "};\nstatic const double " << node << "_StopTimes[" << n << "] = {";
    for (int t = 0; t < n; t++) cpp << (t ? ", " : "") << doubleLiteral(windows[t].second);
    cpp << "};\n\n";

    for (std::size_t j = 0; j < variable.impulses.size(); j++) {
      const ImpulseReward& impulse = variable.impulses[j];
      const AtomicModel& atomic = *checked_.rewardModel(impulse);
      const std::string cls = impulseClass(i, j);
      cpp << cls << "::" << cls << "() : IntervalOfTimeImpulse("
          << (variable.measure == Measure::TimeAveraged ? "true" : "false") << ") {\n"
          << "  AllocateReferenceSlots(1);\n  SetReferenceSlot(0, &" << atomic.name.text
          << "Model);\n}\n\n"
          << "double " << cls << "::Impulse_Function([[maybe_unused]] double now) {\n";
      writeViews(cpp, atomic, impulse.reads, atomic.name.text + "Model");
      cpp << "  return static_cast<double>(\n";
      cpp.snippet(impulse.value);
      cpp << "  );\n}\n\n"
          << "ImpulseNodeClass** " << cls << "::CreateImpulseWorkerList(int n) {\n"
          << "  auto** workers = new ImpulseNodeClass*[n];\n"
          << "  for (int i = 0; i < n; i++) workers[i] = new " << cls << "();\n"
          << "  return workers;\n}\n\n";
    }
    if (variable.rate) {
      const RateReward& rate = *variable.rate;
      const AtomicModel& atomic = *checked_.rewardModel(rate);
      const std::string worker = workerClass(i);
      cpp << "double " << worker << "::value() {\n";
      writeViews(cpp, atomic, rate.reads, "node->getModelGroup(ModelGroupIndex).GetModel(0)");
      if (countsCopies(rate.aggregate)) {
        cpp << "  // 1 where the condition holds: the variable counts such copies.\n"
            << "  return (\n";
        cpp.snippet(rate.value);
        cpp << "  ) ? 1.0 : 0.0;\n}\n\n";
      } else {
        cpp << "  return static_cast<double>(\n";
        cpp.snippet(rate.value);
        cpp << "  );\n}\n\n";
      }
      cpp << "// The reward of the state since the last firing (at T) until t, weighted by\n"
          << "// the part of that span inside the window"
          << (variable.measure == Measure::TimeAveraged    ? " over the window's length"
              : variable.measure == Measure::InstantOfTime ? " (1: the state at the time point)"
                                                           : "")
          << ".\nvoid " << worker
          << "::IntervalReward([[maybe_unused]] double t, [[maybe_unused]] double T) {\n"
          << "  Reward = value();\n";
      if (variable.measure == Measure::InstantOfTime) {
        cpp << "  Weight = 1.0;\n";
      } else {
        cpp << "  const double from = std::max(T, node->getCurrentStartTime());\n"
            << "  const double to = std::min(t, node->getCurrentStopTime());\n"
            << "  Weight = to > from ? to - from : 0.0;\n";
        if (variable.measure == Measure::TimeAveraged)
          cpp << "  Weight /= node->getCurrentStopTime() - node->getCurrentStartTime();\n";
      }
      cpp << "}\n\n";
    }

    int numImpulses = 0;
    for (const ImpulseReward& impulse : variable.impulses)
      numImpulses += static_cast<int>(impulseActions(impulse).size());
    const char* type =
        variable.measure == Measure::InstantOfTime ? "InstantOfTime" : "IntervalOfTime";
    const int numVarDeps = variable.rate ? static_cast<int>(variable.rate->reads.size()) : 0;
    cpp << node << "::" << node << "(int timeIndex) {\n"
        << "  Initialize(/*name=*/" << stringLiteral(variable.name.text) << ", /*type=*/" << type
        << ", /*numTimes=*/" << n << ", /*startTimes=*/" << node << "_StartTimes,\n"
        << "             /*stopTimes=*/" << node << "_StopTimes, timeIndex, /*numImpulses=*/"
        << numImpulses << ", /*numModelDeps=*/" << (variable.rate ? 1 : 0) << ", /*numVarDeps=*/"
        << numVarDeps << ");\n";
    int impulseNumber = 0;
    for (const ImpulseReward& impulse : variable.impulses)
      for (const std::string& action : impulseActions(impulse))
        cpp << "  AddImpulse(\"" << action << "\", \"" << checked_.rewardModel(impulse)->name.text
            << "\", &Impulse" << impulseNumber++ << ");\n";
    if (variable.rate) {
      const std::string& model = variable.rate->model.text;
      cpp << "  AddModelDependency(\"" << model << "\");\n";
      for (const VariableUse& use : variable.rate->reads)
        cpp << "  AddVariableDependency(\"" << use.name.text << "\", \"" << model << "\");\n";
      writeAggregate(cpp, *variable.rate);
    }
    if (variable.steadyState)
      cpp << "  // A steady-state variable: each batch window is followed by the next.\n"
          << "  SetSlidingWindow(1);\n";
    cpp << "}\n\nvoid " << node << "::CreateWorkerList() {";
    if (variable.rate)
      cpp << "\n  for (int w = 0; w < GetNumberOfWorkers(); w++) Workers[w] = new "
          << workerClass(i) << "(this);\n";
    cpp << "}\n\n";
  }

  cpp << className_ << "::" << className_ << "(bool expandTimes) {\n"
      << "  auto* top = new " << top << "();\n"
      << "  top->fillTables();  // the model is composed: its cells stay where they are\n"
      << "  setTopModel(top);\n"
      << "  DefineName(\"" << className_ << "\");\n"
      << "  setLastActionFlag(1);\n"
      << "  CreatePVList(" << static_cast<int>(rewards_.variables.size()) << ", expandTimes);\n"
      << "  Initialize();\n}\n\n"
      << "PerformanceVariableNode* " << className_
      << "::createPVNode(int pvIndex, int timeIndex) {\n"
      << "  switch (pvIndex) {\n";
  for (std::size_t i = 0; i < rewards_.variables.size(); i++)
    cpp << "    case " << static_cast<int>(i) << ": return new " << variableClass(i)
        << "(timeIndex);\n";
  cpp << "    default: return nullptr;\n  }\n}\n";
  generation_.add(cpp);
}

}  // namespace

void writeRewardModel(Generation& generation) { RewardWriter(generation).write(); }

}  // namespace sangen
