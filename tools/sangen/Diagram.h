#ifndef SANGEN_DIAGRAM_H
#define SANGEN_DIAGRAM_H

#include <string>

#include "CheckedModel.h"

namespace sangen {

// The model drawn in Graphviz's DOT language, as SAN diagrams draw it: one
// cluster per atomic model with its places (circles: name, type unless a
// plain place, initial marking), timed activities (thick bars) and
// instantaneous ones (thin bars), input and output arcs, input and output
// gates (triangles, joined to the variables they read or change) and cases
// (small circles on an activity's outputs, labelled with a short weight
// expression); then the composition's tree of Rep and Join nodes (replica
// count, shared variables) over its atomic models. The first line is the
// banner of generated files (a comment in DOT). Node names are generated;
// every text of the model reaches DOT only through dotLabelText.
std::string modelDiagram(const CheckedModel& model, const std::string& modelFile);

// `text` for the inside of a DOT quoted string that a label shows as
// written: backslashes and quotes escaped (so that none of DOT's label
// escapes, \n \l \N \G ..., can be formed), '&' written as the entity
// "&amp;" (DOT resolves entities in labels), each line feed a line break,
// a tab a space, and any other control character the visible text \xNN.
std::string dotLabelText(const std::string& text);

}  // namespace sangen

#endif
