#include "embedded/oracle_client/embedded_client.h"

#include "embedded/oracle_client/eoci.h"
#include "platform/oci/client_library.h"

namespace tsl::eoci {

const oci::api& embedded_api() {
  static const oci::api table = [] {
    oci::api a;
#define TSL_EOCI_FILL(fn) a.fn = &tsl::eoci::fn;
    TSL_OCI_FUNCTIONS(TSL_EOCI_FILL)
#undef TSL_EOCI_FILL
    return a;
  }();
  return table;
}

void install_embedded_client() {
  oci::set_embedded_client(&embedded_api());
}

}  // namespace tsl::eoci
