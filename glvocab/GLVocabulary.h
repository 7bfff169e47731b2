#pragma once

// The whole graphics API vocabulary: enum names, extension and version
// identifiers, and the format sets.
#include "glvocab/EnumNames.h"
#include "glvocab/Extensions.h"
#include "glvocab/Formats.h"
#include "glvocab/Versions.h"
