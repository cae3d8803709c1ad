#include "PpdFeature.h"
