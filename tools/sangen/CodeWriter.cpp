#include "CodeWriter.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

namespace sangen {

std::string stringLiteral(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\' || c == '"') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte >= 0x7f) {
      char code[8];
      std::snprintf(code, sizeof code, "\\%03o", byte);
      out += code;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

CodeWriter::CodeWriter(std::string path, std::string modelFile)
    : filePath_(std::move(path)), modelFile_(std::move(modelFile)) {}

CodeWriter& CodeWriter::operator<<(const std::string& text) {
  content_ += text;
  lines_ += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  return *this;
}

void CodeWriter::snippet(const Snippet& code) {
  *this << "#line " << code.at.line << " " << stringLiteral(modelFile_) << "\n";
  std::istringstream in(code.text);
  bool first = true;
  for (std::string line; std::getline(in, line);) {
    const int indent = first ? std::max(code.at.column - 1, 0) : code.indent;
    *this << (line.empty() ? "" : std::string(indent, ' ')) << line << "\n";
    first = false;
  }
  // The directive names the line that follows it.
  *this << "#line " << (lines_ + 2) << " " << stringLiteral(filePath_) << "\n";
}

}  // namespace sangen
