// Address-book files.
#include "AbifRecords.h"
