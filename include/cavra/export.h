// Symbol export for the public API. The library is built with hidden
// visibility; everything a host may call is marked CAVRA_EXPORT.
#pragma once

#if defined(CAVRA_STATIC)
#define CAVRA_EXPORT
#elif defined(CAVRA_BUILDING_LIBRARY)
#define CAVRA_EXPORT __attribute__((visibility("default")))
#else
#define CAVRA_EXPORT __attribute__((visibility("default")))
#endif
