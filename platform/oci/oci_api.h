#pragma once
// The table of client functions the engine calls through, filled from a
// loaded client library or from the embedded client linked into the program.
#include "platform/oci/oci_functions.h"

namespace tsl::oci {

struct api {
#define TSL_OCI_API_MEMBER(name) decltype(&::name) name = nullptr;
  TSL_OCI_FUNCTIONS(TSL_OCI_API_MEMBER)
#undef TSL_OCI_API_MEMBER
};

}  // namespace tsl::oci
