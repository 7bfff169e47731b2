#include "models/ProfileDataWrapper.h"
