#include "models/ProfileFileDialogs.h"
