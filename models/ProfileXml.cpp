#include "models/ProfileXml.h"
