#include "DirectFaxPdePlugin.h"
