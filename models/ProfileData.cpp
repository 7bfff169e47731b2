#include "models/ProfileData.h"
