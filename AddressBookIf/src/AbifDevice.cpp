// The device's address book.
#include "AbifRecords.h"
