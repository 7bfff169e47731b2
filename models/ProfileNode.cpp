#include "models/ProfileNode.h"
