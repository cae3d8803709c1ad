#include "Bundle.h"
