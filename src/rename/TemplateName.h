#pragma once

#include "rename/NameTemplate.h"
#include "rename/Renamer.h"
#include "title/refined/RefinedTitle.h"

namespace tidemark {

// The fields of a name as the refined rule read them.
NameFields FieldsOf(const RefinedExtraction &extraction);

// A title source that gives, for each paper, the name `name` makes of the
// fields the refined rule reads (UTF-8, cleaned, within the length of a
// name); empty when the paper has no title. Safe to call from several
// threads at once.
TitleSource TemplateNameSource(const NameTemplate &name);

}  // namespace tidemark
