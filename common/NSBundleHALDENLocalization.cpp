#include "NSBundleHALDENLocalization.h"
