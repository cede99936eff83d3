#include "CodeWriter.h"

#include <algorithm>
#include <sstream>

namespace sangen {

CodeWriter::CodeWriter(std::string path, std::string modelFile)
    : filePath_(std::move(path)), modelFile_(std::move(modelFile)) {}

CodeWriter& CodeWriter::operator<<(const std::string& text) {
  content_ += text;
  lines_ += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  return *this;
}

std::string CodeWriter::quoted(const std::string& path) {
  std::string text = "\"";
  for (char c : path) {
    if (c == '\\' || c == '"') text += '\\';
    text += c;
  }
  return text + "\"";
}

void CodeWriter::snippet(const Snippet& code) {
  *this << "#line " << code.at.line << " " << quoted(modelFile_) << "\n";
  std::istringstream in(code.text);
  bool first = true;
  for (std::string line; std::getline(in, line);) {
    const int indent = first ? std::max(code.at.column - 1, 0) : code.indent;
    *this << (line.empty() ? "" : std::string(indent, ' ')) << line << "\n";
    first = false;
  }
  // The directive names the line that follows it.
  *this << "#line " << (lines_ + 2) << " " << quoted(filePath_) << "\n";
}

}  // namespace sangen
