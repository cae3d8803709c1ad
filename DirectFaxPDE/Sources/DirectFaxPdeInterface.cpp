#include "DirectFaxPdeInterface.h"
