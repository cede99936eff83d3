// The composed model: one Join or Rep subclass per composed node, named
// after its parent with a double underscore (model "x", child "fleet":
// xRJ and xRJ__fleet).
#include "Generation.h"

namespace sangen {

namespace {

class ComposedWriter {
 public:
  explicit ComposedWriter(Generation& generation)
      : generation_(generation), checked_(generation.checked()) {}

  void writeNode(const ComposedNode& node, const std::string& className);

 private:
  void writeJoin(const ComposedNode& node, const std::string& className);
  void writeRep(const ComposedNode& node, const std::string& className);
  void writeDeclaration(CodeWriter& h, const ComposedNode& node, const std::string& className);
  // The source's header, includes and the array of the shared variables' names.
  void writeSourceStart(CodeWriter& cpp, const std::string& className,
                        const std::vector<ExposedVariable>& shared) const;
  // The destructor's start: the shared variables it created.
  static void writeDestructorStart(CodeWriter& cpp, const std::string& className,
                                   const std::vector<ExposedVariable>& shared);

  Generation& generation_;
  const CheckedModel& checked_;
};

void ComposedWriter::writeNode(const ComposedNode& node, const std::string& className) {
  for (const ComposedNode& child : node.children)
    if (child.kind != ComposedNode::Atomic) writeNode(child, names::childClass(child, className));
  if (node.kind == ComposedNode::Join)
    writeJoin(node, className);
  else
    writeRep(node, className);
}

void ComposedWriter::writeDeclaration(CodeWriter& h, const ComposedNode& node,
                                      const std::string& className) {
  const bool join = node.kind == ComposedNode::Join;
  const std::string guard = generation_.guard(className + ".h");
  const int numShared = static_cast<int>(node.shared.size());
  h << "#ifndef " << guard << "\n#define " << guard << "\n\n"
    << (join ? "#include \"Composer/Join.h\"\n" : "#include \"Composer/Rep.h\"\n");
  for (const ComposedNode& child : node.children)
    h << generation_.include(names::childClass(child, className) + ".h");
  h << "\n// Names shared by the children, in declaration order.\n"
    << "extern const char* " << names::sharedNamesArray(className) << "[" << std::max(numShared, 1)
    << "];\n\n"
    << "// " << (join ? "Join" : "Rep") << " \"" << node.name.text << "\" ("
    << generation_.origin(node.name.at) << ").\n"
    << "class " << className << " : public " << (join ? "Join" : "Rep") << " {\n public:\n"
    << "  " << className << "();\n  ~" << className << "() override;\n"
    << "  // Fills the element tables of every activity below; called once the\n"
    << "  // whole model is composed.\n  void fillTables();\n\n";
  if (join) {
    for (const ComposedNode& child : node.children)
      h << "  " << names::childClass(child, className) << "* " << child.name.text << ";\n";
  } else {
    const std::string child = names::childClass(node.children.front(), className);
    h << "  " << child << "* replica(int i) const { return static_cast<" << child
      << "*>(Children[i]); }\n";
    h << "  // The number of replicas.\n  static int replicas();\n";
  }
  h << "\n  // The variables of the shared names.\n";
  for (const ExposedVariable& shared : checked_.exposed(node))
    h << "  " << shared.type.className() << "* " << shared.name << " = nullptr;\n";
  h << "\n private:\n  bool ownsSharedVariables = false;\n};\n\n#endif\n";
}

void ComposedWriter::writeSourceStart(CodeWriter& cpp, const std::string& className,
                                      const std::vector<ExposedVariable>& shared) const {
  cpp << generation_.include(className + ".h") << "\n"
      << generation_.include("GlobalVariables.h") << "\n"
      << "const char* " << names::sharedNamesArray(className) << "["
      << std::max<int>(shared.size(), 1) << "] = {";
  for (std::size_t k = 0; k < shared.size(); k++)
    cpp << (k ? ", " : "") << "\"" << shared[k].name << "\"";
  if (shared.empty()) cpp << "nullptr";
  cpp << "};\n\n";
}

void ComposedWriter::writeDestructorStart(CodeWriter& cpp, const std::string& className,
                                          const std::vector<ExposedVariable>& shared) {
  cpp << className << "::~" << className << "() {\n";
  if (shared.empty()) return;
  cpp << "  if (ownsSharedVariables) {\n";
  for (const ExposedVariable& v : shared) cpp << "    delete " << v.name << ";\n";
  cpp << "  }\n";
}

void ComposedWriter::writeJoin(const ComposedNode& node, const std::string& className) {
  CodeWriter h = generation_.writer(className + ".h");
  writeDeclaration(h, node, className);
  generation_.add(h);

  const std::vector<ExposedVariable>& shared = checked_.exposed(node);
  CodeWriter cpp = generation_.writer(className + ".cpp");
  writeSourceStart(cpp, className, shared);
  cpp << className << "::" << className << "()\n    : Join(\"" << node.name.text << "\", "
      << static_cast<int>(node.children.size()) << ", " << static_cast<int>(shared.size()) << ", "
      << names::sharedNamesArray(className) << ") {\n";
  for (std::size_t i = 0; i < node.children.size(); i++) {
    const ComposedNode& child = node.children[i];
    cpp << "  " << child.name.text << " = new " << names::childClass(child, className) << "();\n"
        << "  " << child.name.text << "->DefineName(\"" << child.name.text << "\");\n"
        << "  setChild(" << static_cast<int>(i) << ", " << child.name.text << ");\n";
  }
  cpp << "  SetupActions();\n\n";
  if (!shared.empty()) {
    cpp << "  if (!AllChildrenEmpty()) {\n    ownsSharedVariables = true;\n";
    for (const ExposedVariable& v : shared)
      cpp << "    " << v.name << " = " << creation(v.name, v.type) << ";\n";
    for (std::size_t k = 0; k < shared.size(); k++) {
      const std::string& name = shared[k].name;
      cpp << "\n    addSharedPtr(" << name << ", " << names::sharedNamesArray(className) << "["
          << static_cast<int>(k) << "]);\n";
      for (const ComposedNode& child : node.children) {
        if (!checked_.offers(child, name)) continue;
        const std::string& c = child.name.text;
        cpp << "    if (" << c << "->getNumStateVariables() > 0) {\n"
            << "      " << name << "->share(" << c << "->" << name << ");\n"
            << "      addSharingInfo(" << c << "->" << name << ", " << name << ", " << c << ");\n"
            << "    }\n";
      }
    }
    cpp << "  }\n";
  }
  cpp << "  Setup();\n}\n\n";
  writeDestructorStart(cpp, className, shared);
  for (const ComposedNode& child : node.children) cpp << "  delete " << child.name.text << ";\n";
  cpp << "}\n\nvoid " << className << "::fillTables() {\n";
  for (const ComposedNode& child : node.children)
    cpp << "  " << child.name.text << "->fillTables();\n";
  cpp << "}\n";
  generation_.add(cpp);
}

void ComposedWriter::writeRep(const ComposedNode& node, const std::string& className) {
  CodeWriter h = generation_.writer(className + ".h");
  writeDeclaration(h, node, className);
  generation_.add(h);

  const std::vector<ExposedVariable>& shared = checked_.exposed(node);
  const ComposedNode& child = node.children.front();
  CodeWriter cpp = generation_.writer(className + ".cpp");
  writeSourceStart(cpp, className, shared);
  cpp << "int " << className << "::replicas() {\n  return static_cast<int>(\n";
  cpp.snippet(node.replicas);
  cpp << "  );\n}\n\n"
      << className << "::" << className << "()\n    : Rep(\"" << node.name.text
      << "\", replicas(), " << static_cast<int>(shared.size()) << ", "
      << names::sharedNamesArray(className) << ") {\n"
      << "  for (int i = 0; i < NumChildren; i++) setChild(i, new "
      << names::childClass(child, className) << "());\n"
      << "  SetupActions();\n"
      << "  if (AllChildrenEmpty()) return;\n"
      << "  ownsSharedVariables = true;\n\n";
  for (const ExposedVariable& v : shared)
    cpp << "  " << v.name << " = " << creation(v.name, v.type) << ";\n";
  cpp << "\n  // Each variable of a shared name takes over the first replica's (and its value).\n";
  for (std::size_t k = 0; k < shared.size(); k++) {
    const std::string& name = shared[k].name;
    cpp << "  addSharedPtr(" << name << ", " << names::sharedNamesArray(className) << "["
        << static_cast<int>(k) << "]);\n  " << name << "->share(replica(0)->" << name << ");\n";
  }
  for (const ExposedVariable& v : shared)
    cpp << "  for (LoopCounter = 0; LoopCounter < NumChildren; LoopCounter++)\n"
        << "    addSharingInfo(replica(LoopCounter)->" << v.name << ", " << v.name
        << ", nullptr);\n";
  cpp << "  Setup(\"" << child.name.text << "\");\n";
  if (!shared.empty()) {
    cpp << "  // Every further replica joins the group the first one is in.\n"
        << "  for (int i = 1; i < NumChildren; i++) {\n";
    for (const ExposedVariable& v : shared)
      cpp << "    replica(0)->" << v.name << "->share(replica(i)->" << v.name << ");\n";
    cpp << "  }\n";
  }
  cpp << "}\n\n";
  writeDestructorStart(cpp, className, shared);
  cpp << "  for (int i = 0; i < NumChildren; i++) delete replica(i);\n}\n\n"
      << "void " << className << "::fillTables() {\n"
      << "  for (int i = 0; i < NumChildren; i++) replica(i)->fillTables();\n}\n";
  generation_.add(cpp);
}

}  // namespace

void writeComposition(Generation& generation) {
  const ComposedNode& root = generation.description().composition->root;
  if (root.kind == ComposedNode::Atomic) return;  // the atomic model is the top model
  ComposedWriter(generation)
      .writeNode(root, names::rootClass(*generation.description().composition));
}

}  // namespace sangen
