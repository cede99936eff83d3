// Builds sangen's table of the names that generated model code cannot use,
// from the headers that code includes, as the build's own compiler sees
// them: the macros they define (the compiler's -dM listing), the names they
// declare in the global namespace (functions, variables, types, enumerators
// and namespaces, from the preprocessed text), and the members of the
// engine's classes that generated classes derive from. Deriving the table
// at build time keeps it complete for the C and C++ libraries of the
// platform and current with the engine's headers.
//
// Usage: sangen-reserved-names PREPROCESSED MACROS ENGINE_DIR OUTPUT
//   PREPROCESSED: the probe's preprocessed text (-E), MACROS: its macros
//   (-E -dM), ENGINE_DIR: the engine's include root (its headers' classes
//   give the members), OUTPUT: the C++ table to write.
//
// The scan reads declarations, not full C++: at namespace scope and in a
// class body it takes the identifier that a declaration declares (the one
// before "(", ";", "=", "[", ",", "{" or a base clause, or after a
// class key), skips template parameter lists, initialisers and function
// bodies, and treats the bodies of extern "C" blocks and of unscoped
// enumerations as the scope around them. Identifiers reserved to the
// implementation (with "__", or "_" and a capital letter) are left out:
// sangen refuses those names anyway.
#include <cctype>
#include <fstream>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Token {
  enum Kind { Identifier, Punctuation, Literal } kind;
  std::string text;
  bool engine = false;  // read from a header under the engine's root
};

const std::set<std::string>& keywords() {
  static const std::set<std::string> words = {"alignas",
                                              "alignof",
                                              "and",
                                              "and_eq",
                                              "asm",
                                              "auto",
                                              "bitand",
                                              "bitor",
                                              "bool",
                                              "break",
                                              "case",
                                              "catch",
                                              "char",
                                              "char8_t",
                                              "char16_t",
                                              "char32_t",
                                              "class",
                                              "compl",
                                              "concept",
                                              "const",
                                              "consteval",
                                              "constexpr",
                                              "constinit",
                                              "const_cast",
                                              "continue",
                                              "co_await",
                                              "co_return",
                                              "co_yield",
                                              "decltype",
                                              "default",
                                              "delete",
                                              "do",
                                              "double",
                                              "dynamic_cast",
                                              "else",
                                              "enum",
                                              "explicit",
                                              "export",
                                              "extern",
                                              "false",
                                              "final",
                                              "float",
                                              "for",
                                              "friend",
                                              "goto",
                                              "if",
                                              "import",
                                              "inline",
                                              "int",
                                              "long",
                                              "module",
                                              "mutable",
                                              "namespace",
                                              "new",
                                              "noexcept",
                                              "not",
                                              "not_eq",
                                              "nullptr",
                                              "operator",
                                              "or",
                                              "or_eq",
                                              "override",
                                              "private",
                                              "protected",
                                              "public",
                                              "register",
                                              "reinterpret_cast",
                                              "requires",
                                              "return",
                                              "short",
                                              "signed",
                                              "sizeof",
                                              "static",
                                              "static_assert",
                                              "static_cast",
                                              "struct",
                                              "switch",
                                              "template",
                                              "this",
                                              "thread_local",
                                              "throw",
                                              "true",
                                              "try",
                                              "typedef",
                                              "typeid",
                                              "typename",
                                              "union",
                                              "unsigned",
                                              "using",
                                              "virtual",
                                              "void",
                                              "volatile",
                                              "wchar_t",
                                              "while",
                                              "xor",
                                              "xor_eq"};
  return words;
}

bool reservedToImplementation(const std::string& name) {
  return name.find("__") != std::string::npos ||
         (name.size() > 1 && name[0] == '_' && std::isupper(static_cast<unsigned char>(name[1])));
}

bool isNameStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isNameChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The tokens of preprocessed text; line markers ("# 12 \"file\" ...") set
// the file each token comes from.
std::vector<Token> tokenize(const std::string& text, const std::string& engineDir) {
  std::vector<Token> tokens;
  bool engine = false;
  std::size_t i = 0;
  const std::size_t n = text.size();
  bool lineStart = true;
  while (i < n) {
    const char c = text[i];
    if (c == '\n') {
      lineStart = true;
      i++;
      continue;
    }
    if (std::isspace(static_cast<unsigned char>(c))) {
      i++;
      continue;
    }
    if (lineStart && c == '#') {
      const std::size_t end = text.find('\n', i);
      const std::string line = text.substr(i, end == std::string::npos ? n - i : end - i);
      const std::size_t quote = line.find('"');
      if (quote != std::string::npos) {
        const std::string file = line.substr(quote + 1, line.find('"', quote + 1) - quote - 1);
        engine = file.rfind(engineDir, 0) == 0;
      }
      i = end == std::string::npos ? n : end;
      continue;
    }
    lineStart = false;
    if (isNameStart(c)) {
      std::size_t j = i;
      while (j < n && isNameChar(text[j])) j++;
      std::string word = text.substr(i, j - i);
      // A raw string literal: R"delimiter( ... )delimiter".
      if (j < n && text[j] == '"' && word.back() == 'R') {
        const std::size_t open = text.find('(', j);
        const std::string close = ")" + text.substr(j + 1, open - j - 1) + "\"";
        const std::size_t stop = text.find(close, open);
        i = stop == std::string::npos ? n : stop + close.size();
        tokens.push_back({Token::Literal, "\"\"", engine});
        continue;
      }
      // An encoding prefix of a literal (u8"", L'x') is part of it.
      if (j < n && (text[j] == '"' || text[j] == '\'') &&
          (word == "L" || word == "u" || word == "U" || word == "u8")) {
        i = j;
        continue;
      }
      tokens.push_back({Token::Identifier, word, engine});
      i = j;
      continue;
    }
    if (std::isdigit(static_cast<unsigned char>(c)) ||
        (c == '.' && i + 1 < n && std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
      // A preprocessing number, digit separators and exponent signs included.
      std::size_t j = i + 1;
      while (j < n &&
             (isNameChar(text[j]) || text[j] == '.' || text[j] == '\'' ||
              ((text[j] == '+' || text[j] == '-') && (text[j - 1] == 'e' || text[j - 1] == 'E' ||
                                                      text[j - 1] == 'p' || text[j - 1] == 'P'))))
        j++;
      tokens.push_back({Token::Literal, text.substr(i, j - i), engine});
      i = j;
      continue;
    }
    if (c == '"' || c == '\'') {
      std::size_t j = i + 1;
      while (j < n && text[j] != c) j += text[j] == '\\' ? 2 : 1;
      tokens.push_back({Token::Literal, text.substr(i, j + 1 - i), engine});
      i = j + 1;
      continue;
    }
    if (c == ':' && i + 1 < n && text[i + 1] == ':') {
      tokens.push_back({Token::Punctuation, "::", engine});
      i += 2;
      continue;
    }
    if (c == '-' && i + 1 < n && text[i + 1] == '>') {
      tokens.push_back({Token::Punctuation, "->", engine});
      i += 2;
      continue;
    }
    tokens.push_back({Token::Punctuation, std::string(1, c), engine});
    i++;
  }
  return tokens;
}

// A class of the engine's headers: its members and its bases.
struct ClassInfo {
  std::set<std::string> members;
  std::set<std::string> bases;
};

class Scanner {
 public:
  explicit Scanner(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  void scan() { scanScope(0, tokens_.size(), Scope::Global, nullptr); }
  // Names of the global namespace that the libraries declare, and those
  // that only the engine's headers declare.
  const std::set<std::string>& libraryGlobals() const { return libraryGlobals_; }
  std::set<std::string> engineGlobals() const {
    std::set<std::string> names;
    for (const std::string& name : engineGlobals_)
      if (!libraryGlobals_.count(name)) names.insert(name);
    return names;
  }
  const std::map<std::string, ClassInfo>& classes() const { return classes_; }

 private:
  enum class Scope { Global, Class, Other };

  bool is(std::size_t i, const char* text) const {
    return i < tokens_.size() && tokens_[i].text == text && tokens_[i].kind != Token::Literal;
  }
  bool identifier(std::size_t i) const {
    return i < tokens_.size() && tokens_[i].kind == Token::Identifier &&
           !keywords().count(tokens_[i].text);
  }
  // The index of the token that closes the bracket opened at `open`.
  std::size_t closing(std::size_t open) const {
    const std::string o = tokens_[open].text;
    const std::string c = o == "(" ? ")" : o == "[" ? "]" : "}";
    int depth = 0;
    for (std::size_t i = open; i < tokens_.size(); i++) {
      if (tokens_[i].kind != Token::Punctuation) continue;
      if (tokens_[i].text == o) depth++;
      if (tokens_[i].text == c && --depth == 0) return i;
    }
    return tokens_.size();
  }
  // After "template": the index past its parameter list "<...>".
  std::size_t pastTemplateParameters(std::size_t i) const {
    if (!is(i, "<")) return i;
    int angles = 0;
    for (; i < tokens_.size(); i++) {
      if (is(i, "(") || is(i, "[") || is(i, "{")) {
        i = closing(i);
        continue;
      }
      if (is(i, "<")) angles++;
      if (is(i, ">") && --angles == 0) return i + 1;
    }
    return i;
  }

  // Records the name that token `i` declares.
  void record(std::size_t i, Scope scope, ClassInfo* owner) {
    const std::string& name = tokens_[i].text;
    if (reservedToImplementation(name) || keywords().count(name)) return;
    if (scope == Scope::Global) (tokens_[i].engine ? engineGlobals_ : libraryGlobals_).insert(name);
    if (scope == Scope::Class && owner) owner->members.insert(name);
  }

  // Scans the declarations of tokens [begin, end) in a scope of the given
  // kind; names go to the globals (Global) or to `owner` (Class).
  void scanScope(std::size_t begin, std::size_t end, Scope scope, ClassInfo* owner) {
    std::size_t statement = begin;  // first token of the current declaration
    bool initializer = false;       // after a top-level "=" of the declaration
    for (std::size_t i = begin; i < end; i++) {
      const Token& t = tokens_[i];
      if (t.kind == Token::Punctuation) {
        if (t.text == ";") {
          // using Base::member; names a member.
          if (is(statement, "using") && identifier(i - 1)) record(i - 1, scope, owner);
          statement = i + 1;
          initializer = false;
        } else if (t.text == "(" || t.text == "[") {
          if (!initializer && identifier(i - 1) && !qualified(i - 1)) record(i - 1, scope, owner);
          i = closing(i);
        } else if (t.text == "=" || t.text == ",") {
          if (!initializer && identifier(i - 1) && !qualified(i - 1)) record(i - 1, scope, owner);
          if (t.text == "=") initializer = true;
          if (t.text == "," && scope == Scope::Class) initializer = false;
        } else if (t.text == ":" && scope == Scope::Class && i > statement &&
                   (is(i - 1, "public") || is(i - 1, "private") || is(i - 1, "protected"))) {
          statement = i + 1;
        } else if (t.text == "{") {
          const std::size_t close = closing(i);
          if (!initializer && identifier(i - 1) && !qualified(i - 1)) record(i - 1, scope, owner);
          const bool typeBody = enterBody(statement, i, close, scope, owner);
          i = close;
          // A declaration goes on after the body of a type (struct {...} x;);
          // a function's or a namespace's body ends it.
          if (!typeBody) {
            statement = i + 1;
            initializer = false;
          }
        }
        continue;
      }
      if (t.kind != Token::Identifier) continue;
      if (t.text == "template") {
        i = pastTemplateParameters(i + 1) - 1;
        continue;
      }
      if (t.text == "__attribute__" || t.text == "alignas" || t.text == "decltype" ||
          t.text == "noexcept" || t.text == "throw" || t.text == "__asm__" ||
          t.text == "static_assert" || t.text == "sizeof" || t.text == "alignof") {
        if (is(i + 1, "(")) i = closing(i + 1);
        continue;
      }
      if (t.text == "operator") {
        // operator() and the like declare no name.
        while (i + 1 < end && !is(i + 1, "(")) i++;
        if (is(i + 1, "(") && is(i + 2, ")")) i += 2;
        continue;
      }
      if ((t.text == "class" || t.text == "struct" || t.text == "union" || t.text == "enum") &&
          identifier(i + 1) && !is(i + 2, "::")) {
        if (!initializer) record(i + 1, scope, owner);
        continue;
      }
      if (t.text == "namespace" && identifier(i + 1)) {
        record(i + 1, scope, owner);
        continue;
      }
      if (!initializer && (is(i + 1, ";") || is(i + 1, "}")) && identifier(i) && !qualified(i))
        record(i, scope, owner);
      if (!initializer && is(i + 1, ":") && identifier(i) && !qualified(i) && i > statement &&
          classKeyBefore(statement, i))
        record(i, scope, owner);
    }
  }

  bool qualified(std::size_t i) const {
    return i > 0 && (is(i - 1, "::") || is(i - 1, ".") || is(i - 1, "->") || is(i - 1, "~"));
  }
  bool classKeyBefore(std::size_t from, std::size_t to) const {
    for (std::size_t k = from; k < to; k++)
      if (is(k, "class") || is(k, "struct") || is(k, "union") || is(k, "enum")) return true;
    return false;
  }

  // The body {open .. close} that ends the declaration starting at
  // `statement`: a namespace, an extern "C" block, a class, an enumeration,
  // or anything else (a function body, an initialiser), whose names stay
  // inside. True for the body of a type.
  bool enterBody(std::size_t statement, std::size_t open, std::size_t close, Scope scope,
                 ClassInfo* owner) {
    std::size_t keyword = open;
    bool namespaceBody = false;
    bool scopedEnum = false;
    for (std::size_t k = statement; k < open; k++) {
      if (is(k, "template")) {
        k = pastTemplateParameters(k + 1) - 1;
        continue;
      }
      if (is(k, "(")) {
        // A parenthesis before the class key, or one after it that is not an
        // attribute's, makes this a function.
        if (keyword == open || !(is(k - 1, "__attribute__") || is(k - 1, "alignas"))) {
          keyword = open;
          break;
        }
        k = closing(k);
        continue;
      }
      if (is(k, "namespace")) namespaceBody = true;
      if (keyword == open &&
          (is(k, "class") || is(k, "struct") || is(k, "union") || is(k, "enum"))) {
        keyword = k;
        scopedEnum = is(k, "enum") && (is(k + 1, "class") || is(k + 1, "struct"));
      }
    }
    if (namespaceBody) return false;  // names in a namespace are not global
    const bool externBlock = is(statement, "extern") && statement + 1 < open &&
                             tokens_[statement + 1].kind == Token::Literal;
    if (externBlock) {
      scanScope(open + 1, close, scope, owner);
      return false;
    }
    if (keyword == open) return false;
    if (is(keyword, "enum")) {
      if (!scopedEnum) scanEnumerators(open + 1, close, scope, owner);
      return true;
    }
    // A class: the engine's classes of the global namespace are recorded
    // with their bases; their members are collected.
    if (scope != Scope::Global || !tokens_[keyword].engine || !identifier(keyword + 1)) return true;
    ClassInfo& info = classes_[tokens_[keyword + 1].text];
    for (std::size_t k = keyword + 2; k < open; k++) {
      if (is(k, "<")) {  // template arguments of a base
        int angles = 0;
        for (; k < open; k++) {
          if (is(k, "<")) angles++;
          if (is(k, ">") && --angles == 0) break;
        }
        continue;
      }
      if (identifier(k) && !is(k + 1, "::") && (is(k + 1, "<") || is(k + 1, ",") || is(k + 1, "{")))
        info.bases.insert(tokens_[k].text);
    }
    scanScope(open + 1, close, Scope::Class, &info);
    return true;
  }

  void scanEnumerators(std::size_t begin, std::size_t end, Scope scope, ClassInfo* owner) {
    for (std::size_t i = begin; i < end; i++) {
      if (is(i, "(") || is(i, "{") || is(i, "[")) {
        i = closing(i);
        continue;
      }
      if (identifier(i) && (i == begin || is(i - 1, ",")) &&
          (is(i + 1, "=") || is(i + 1, ",") || i + 1 == end))
        record(i, scope, owner);
    }
  }

  std::vector<Token> tokens_;
  std::set<std::string> libraryGlobals_;
  std::set<std::string> engineGlobals_;
  std::map<std::string, ClassInfo> classes_;
};

// The members of a class and of every engine class it derives from.
std::set<std::string> membersWithBases(const std::map<std::string, ClassInfo>& classes,
                                       const std::set<std::string>& roots) {
  std::set<std::string> members;
  std::set<std::string> seen;
  std::vector<std::string> pending(roots.begin(), roots.end());
  while (!pending.empty()) {
    const std::string name = pending.back();
    pending.pop_back();
    if (!seen.insert(name).second) continue;
    const auto it = classes.find(name);
    if (it == classes.end()) continue;
    members.insert(it->second.members.begin(), it->second.members.end());
    pending.insert(pending.end(), it->second.bases.begin(), it->second.bases.end());
  }
  return members;
}

std::string readAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "sangen-reserved-names: cannot read " << path << "\n";
    std::exit(1);
  }
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A sorted list; its first entry, "", keeps an empty list well-formed.
void writeList(std::ostream& out, const std::string& name, const std::set<std::string>& names) {
  out << "const char* const " << name << "[] = {\n    \"\",\n";
  for (const std::string& n : names) out << "    \"" << n << "\",\n";
  out << "};\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: sangen-reserved-names PREPROCESSED MACROS ENGINE_DIR OUTPUT\n";
    return 1;
  }
  Scanner scanner(tokenize(readAll(argv[1]), argv[3]));
  scanner.scan();

  std::set<std::string> macros;
  std::istringstream definitions(readAll(argv[2]));
  for (std::string line; std::getline(definitions, line);) {
    if (!line.starts_with("#define ")) continue;
    std::size_t end = 8;
    while (end < line.size() && isNameChar(line[end])) end++;
    const std::string name = line.substr(8, end - 8);
    if (!reservedToImplementation(name)) macros.insert(name);
  }

  const auto& classes = scanner.classes();
  std::ofstream out(argv[4]);
  out << "// Generated by sangen-reserved-names from the headers of generated code.\n";
  writeList(out, "kMacros", macros);
  writeList(out, "kLibraryNames", scanner.libraryGlobals());
  writeList(out, "kEngineNames", scanner.engineGlobals());
  writeList(out, "kActivityMembers", membersWithBases(classes, {"Activity"}));
  writeList(out, "kAtomicModelMembers", membersWithBases(classes, {"SANModel"}));
  writeList(out, "kComposerMembers", membersWithBases(classes, {"Join", "Rep"}));
  writeList(out, "kRecordMembers", membersWithBases(classes, {"StructStateVariable"}));
  out.close();
  if (!out) {
    std::cerr << "sangen-reserved-names: cannot write " << argv[4] << "\n";
    return 1;
  }
  return 0;
}
