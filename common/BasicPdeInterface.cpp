#include "BasicPdeInterface.h"
