#include "UtilityService.h"
