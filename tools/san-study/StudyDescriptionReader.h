#ifndef SAN_STUDY_STUDY_DESCRIPTION_READER_H
#define SAN_STUDY_STUDY_DESCRIPTION_READER_H

#include <string>

#include "StudyDescriptionTypes.h"

// Reads a study description (JSON) from `file`; throws std::runtime_error
// with a message naming the file and the fault.
StudyDescription ReadStudyDescription(const std::string& file);

// The same from text already read; `source` names it in messages.
StudyDescription ParseStudyDescription(const std::string& text, const std::string& source);

#endif
