#include "InputStringChecker.h"
