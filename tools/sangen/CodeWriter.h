#ifndef SANGEN_CODE_WRITER_H
#define SANGEN_CODE_WRITER_H

#include <string>

#include "ModelDescription.h"

namespace sangen {

// A C++ string literal holding `text`: quotes and backslashes escaped,
// control characters and bytes beyond ASCII as octal escapes, so that no
// text (a file's path, a name) can end the literal or the line.
std::string stringLiteral(const std::string& text);

// The text of one generated file. Model-file snippets go on lines of their
// own between two #line directives: the first names the snippet's line in
// the model file (and the snippet keeps its columns there), the second
// returns to the generated file, so that compiler messages point at the
// model file for snippet code and at the generated file elsewhere.
class CodeWriter {
 public:
  // `path`: where the file will be written; `modelFile`: the model file.
  CodeWriter(std::string path, std::string modelFile);

  CodeWriter& operator<<(const std::string& text);
  CodeWriter& operator<<(const char* text) { return *this << std::string(text); }
  CodeWriter& operator<<(int value) { return *this << std::to_string(value); }
  // Writes the snippet, which must start at the beginning of a line.
  void snippet(const Snippet& code);

  const std::string& text() const { return content_; }
  const std::string& path() const { return filePath_; }

 private:
  std::string filePath_;
  std::string modelFile_;
  std::string content_;
  int lines_ = 0;  // newlines written so far
};

}  // namespace sangen

#endif
