#pragma once
// The embedded Oracle's client: the OCI functions implemented over the
// engine. Built twice from the same sources: into a static library, where
// the functions live in namespace tsl::eoci and are reached through the
// binding table; and into libtsloci.so, where they carry the real client's
// exported names.
#include "platform/oci/oci_functions.h"

#ifdef TSL_EOCI_EXPORTS
#define TSL_EOCI_BEGIN extern "C" {
#define TSL_EOCI_END }
#define TSL_EOCI_API __attribute__((visibility("default")))
#else
#define TSL_EOCI_BEGIN namespace tsl::eoci {
#define TSL_EOCI_END }
#define TSL_EOCI_API
namespace tsl::eoci {
#include "platform/oci/oci_prototypes.inc"
}  // namespace tsl::eoci
#endif
