#ifndef SANGEN_GENERATED_NAMES_H
#define SANGEN_GENERATED_NAMES_H

// The names of what sangen generates for the elements of a model file: its
// classes and files, the members of its classes. The writers and the
// checker (which refuses names that would clash) take them from here.

#include <string>

#include "ModelDescription.h"

namespace sangen {

// The generated classes whose members a model element's name becomes (or
// hides): an activity's class (gates, the variables it uses), an atomic
// model's class (places, activities), a join's or rep's class (shared
// variables, children), a record type's class and views (fields).
enum class MemberOf { Activity, AtomicModel, Composer, Record };

}  // namespace sangen

namespace sangen::names {

// Classes of the global namespace (also the stems of their files).
std::string atomicClass(const std::string& model);         // <m>SAN
std::string functionsNamespace(const std::string& model);  // <m>SAN_functions
std::string rootClass(const Composition& composition);     // <c>RJ
std::string childClass(const ComposedNode& child, const std::string& parentClass);
std::string sharedNamesArray(const std::string& composedClass);    // <class>__SharedNames
std::string rewardClass(const Rewards& rewards);                   // <r>PVModel
std::string variableClass(const Rewards& rewards, std::size_t i);  // <r>PV<i>
std::string impulseClass(const Rewards& rewards, std::size_t i, std::size_t j);
std::string workerClass(const Rewards& rewards, std::size_t i);  // <r>PV<i>Worker
std::string studyClass(const Study& study);                      // <s>Study
// A record type's value struct and its two views.
std::string recordState(const std::string& record);      // <record>_state
std::string recordView(const std::string& record);       // <record>_view
std::string recordConstView(const std::string& record);  // <record>_const_view

// Members of an atomic model's class for one activity: its class, the
// class of each case, the object of each case (also the action's name, as
// traces and rewards know it) and the group of its cases.
std::string activityClass(const Activity& activity);              // <a>Activity
std::string caseClass(const Activity& activity, std::size_t k);   // <a>Activity_case<k+1>
std::string caseObject(const Activity& activity, std::size_t k);  // <a>_case<k+1>, or <a>
std::string groupObject(const Activity& activity);                // <a>Group, or <a>

// Members of an activity's class for a state variable it uses: the pointer
// to its value cell and the element table of an array.
std::string cellPointer(const std::string& variable);   // <v>_Mark
std::string elementTable(const std::string& variable);  // <v>_table
// Member functions of an activity's class for a gate.
std::string gatePredicate(const std::string& gate);  // <g>_predicate
// The model class's function giving a variable's (or a field's) initial value.
std::string initialFunction(const std::string& variable, const std::string& field = "");

// True for a name that the generated classes of `family` give one of their
// own members (parameter0, fillTables, ...), or, for an activity, a local
// of the functions around model-file code (now): a model element of that
// name would clash with it.
bool isGeneratedMember(const std::string& name, MemberOf family);
}  // namespace sangen::names

#endif
