#include "TextEncoding.h"
