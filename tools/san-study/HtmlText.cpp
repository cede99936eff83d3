#include "HtmlText.h"

#include "Utf8Text.h"

std::string HtmlEscaped(std::string_view text) {
  std::string visible;
  // OneLineText makes control characters and bad bytes visible; line feeds
  // and tabs are harmless in HTML and kept.
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find_first_of("\n\t", start), text.size());
    visible += OneLineText(text.substr(start, end - start));
    if (end < text.size()) visible += text[end];
    start = end + 1;
  }
  std::string out;
  for (const char c : visible) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Base64(std::string_view data) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (std::size_t at = 0; at < data.size(); at += 3) {
    const std::size_t left = data.size() - at;
    unsigned group = static_cast<unsigned char>(data[at]) << 16;
    if (left > 1) group |= static_cast<unsigned char>(data[at + 1]) << 8;
    if (left > 2) group |= static_cast<unsigned char>(data[at + 2]);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
    out += left > 2 ? kDigits[group & 63] : '=';
  }
  return out;
}

std::string SvgImage(std::string_view svg, std::string_view alternative) {
  return "<img src=\"data:image/svg+xml;base64," + Base64(svg) + "\" alt=\"" +
         HtmlEscaped(alternative) + "\">";
}
