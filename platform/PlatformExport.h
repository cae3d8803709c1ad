// The platform library is shared by the host and every plug-in it loads, so that both see one
// bundle registry and one set of test hooks; its interface is exported, the rest stays hidden.
#pragma once

#define DIRECTFAX_PLATFORM_EXPORT __attribute__((visibility("default")))
