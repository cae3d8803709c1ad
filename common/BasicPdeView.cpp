#include "BasicPdeView.h"
