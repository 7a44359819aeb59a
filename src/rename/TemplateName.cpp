#include "rename/TemplateName.h"

namespace tidemark {

NameFields FieldsOf(const RefinedExtraction &extraction)
{
    return {extraction.title, extraction.families, extraction.year};
}

TitleSource TemplateNameSource(const NameTemplate &name)
{
    return [name](const std::string &path) { return name.render(FieldsOf(extractRefinedTitle(path))); };
}

}  // namespace tidemark
