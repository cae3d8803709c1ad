#include "UtilityFunctions.h"
