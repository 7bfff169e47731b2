#include "glvocab/Formats.h"

#include <iterator>

#include "glvocab/generated/VocabularyTables.h"

const std::set<GLuint64> knownImageFormats(std::begin(glvocab_tables::kImageFormats),
                                           std::end(glvocab_tables::kImageFormats));

const std::set<GLuint64> knownShaderBinaryFormats(std::begin(glvocab_tables::kShaderBinaryFormats),
                                                  std::end(glvocab_tables::kShaderBinaryFormats));
