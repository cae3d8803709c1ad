#include "QuoLib.h"
