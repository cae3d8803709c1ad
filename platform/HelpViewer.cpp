#include "HelpViewer.h"
