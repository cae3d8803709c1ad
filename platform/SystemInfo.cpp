#include "SystemInfo.h"
