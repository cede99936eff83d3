#ifndef SAN_STUDY_HTML_TEXT_H
#define SAN_STUDY_HTML_TEXT_H

#include <string>
#include <string_view>

// `text` fit for HTML's text and quoted attribute values: & < > " '
// written as entities, bytes that are not well-formed UTF-8 and control
// characters (but line feeds and tabs) as the visible text \xNN, so that
// text from a model, a study description or a results directory can never
// open a tag or end an attribute.
std::string HtmlEscaped(std::string_view text);

// `data` in base64 (RFC 4648, with padding).
std::string Base64(std::string_view data);

// An <img> showing an SVG file's text through a data: URL. An image
// drawn this way runs no script and loads nothing, whatever the SVG holds.
std::string SvgImage(std::string_view svg, std::string_view alternative);

#endif
