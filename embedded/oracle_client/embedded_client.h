#pragma once
// The embedded client linked into a program: its binding table, and the call
// that makes it the client TSL_ORACLE_CLIENT=embedded selects.
#include "platform/oci/oci_api.h"

namespace tsl::eoci {

const oci::api& embedded_api();
// Registers the embedded client with the client loader.
void install_embedded_client();

}  // namespace tsl::eoci
