#include "CheckedModel.h"

namespace sangen {

std::string VariableType::className() const {
  switch (kind) {
    case Place:
      return "Place";
    case Scalar:
      return std::string("ExtendedPlace<") + cppName(scalar) + ">";
    case Record:
      return record->name.text;
    case Array:
      return array->name.text;
  }
  return "Place";
}

bool VariableType::operator==(const VariableType& other) const {
  return kind == other.kind && scalar == other.scalar && record == other.record &&
         array == other.array;
}

std::string VariableType::describe() const {
  switch (kind) {
    case Place:
      return "a place";
    case Scalar:
      return std::string(scalar == ScalarType::Int ? "an " : "a ") + cppName(scalar) +
             " typed place";
    case Record:
      return "a record of type " + record->name.text;
    case Array:
      return "an array of type " + array->name.text;
  }
  return "";
}

CheckedModel::CheckedModel(const ModelDescription& model) : description_(&model) {
  for (const RecordType& r : model.records) records_.try_emplace(r.name.text, &r);
  for (const ArrayType& a : model.arrays) arrays_.try_emplace(a.name.text, &a);
  for (const AtomicModel& m : model.models) {
    atomics_.try_emplace(m.name.text, &m);
    auto& variables = variables_[&m];
    variables.reserve(m.variables.size());
    for (const StateVariable& v : m.variables)
      variables.try_emplace(v.name.text, ResolvedVariable{&v, resolve(v.type.text)});
  }
}

VariableType CheckedModel::resolve(const std::string& typeName) const {
  VariableType type;
  if (typeName == "place") return type;
  if (std::optional<ScalarType> scalar = scalarTypeNamed(typeName)) {
    type.kind = VariableType::Scalar;
    type.scalar = *scalar;
  } else if (const RecordType* r = record(typeName)) {
    type.kind = VariableType::Record;
    type.record = r;
  } else if (const ArrayType* a = array(typeName)) {
    type.kind = VariableType::Array;
    type.array = a;
    if (std::optional<ScalarType> element = scalarTypeNamed(a->element.text))
      type.scalar = *element;
    else
      type.record = record(a->element.text);
  } else {
    type.known = false;
  }
  return type;
}

const AtomicModel* CheckedModel::atomic(const std::string& name) const {
  const auto it = atomics_.find(name);
  return it == atomics_.end() ? nullptr : it->second;
}

const RecordType* CheckedModel::record(const std::string& name) const {
  const auto it = records_.find(name);
  return it == records_.end() ? nullptr : it->second;
}

const ArrayType* CheckedModel::array(const std::string& name) const {
  const auto it = arrays_.find(name);
  return it == arrays_.end() ? nullptr : it->second;
}

const StateVariable* CheckedModel::variable(const AtomicModel& model,
                                            const std::string& name) const {
  const auto m = variables_.find(&model);
  if (m == variables_.end()) return nullptr;
  const auto v = m->second.find(name);
  return v == m->second.end() ? nullptr : v->second.declaration;
}

VariableType CheckedModel::typeOf(const AtomicModel& model, const std::string& name) const {
  const auto m = variables_.find(&model);
  if (m == variables_.end()) return {};
  const auto v = m->second.find(name);
  return v == m->second.end() ? VariableType{} : v->second.type;
}

ScalarType CheckedModel::fieldType(const RecordType& record, const std::string& field) {
  for (const RecordField& f : record.fields)
    if (f.name.text == field) return f.type;
  return ScalarType::Int;
}

std::vector<const Activity*> CheckedModel::groupOrder(const AtomicModel& model) const {
  std::vector<const Activity*> order;
  for (const Activity& a : model.activities)
    if (!a.instantaneous()) order.push_back(&a);
  for (const Activity& a : model.activities)
    if (a.instantaneous()) order.push_back(&a);
  return order;
}

const AtomicModel* CheckedModel::rewardModel(const ImpulseReward& impulse) const {
  const auto it = impulseModels_.find(&impulse);
  return it == impulseModels_.end() ? nullptr : it->second;
}

const Activity* CheckedModel::impulseActivity(const ImpulseReward& impulse) const {
  const auto it = impulseActivities_.find(&impulse);
  return it == impulseActivities_.end() ? nullptr : it->second;
}

}  // namespace sangen
