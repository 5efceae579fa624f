#pragma once
// C prototypes of the client functions the system calls, with the real
// client's names and argument order. The macro list drives both the binding
// table and the exports of a stand-in client.
#include "platform/oci/oci_types.h"

extern "C" {
#include "platform/oci/oci_prototypes.inc"
}  // extern "C"

// Every function above, for X-macro expansion.
#define TSL_OCI_FUNCTIONS(X) \
  X(OCIEnvCreate)            \
  X(OCIHandleAlloc)          \
  X(OCIHandleFree)           \
  X(OCIServerAttach)         \
  X(OCIServerDetach)         \
  X(OCISessionBegin)         \
  X(OCISessionEnd)           \
  X(OCIAttrSet)              \
  X(OCIAttrGet)              \
  X(OCILogon)                \
  X(OCILogoff)               \
  X(OCIErrorGet)             \
  X(OCIStmtPrepare)          \
  X(OCIStmtExecute)          \
  X(OCIStmtFetch)            \
  X(OCIStmtFetch2)           \
  X(OCIDefineByPos)          \
  X(OCIBindByName)           \
  X(OCIBindByPos)            \
  X(OCIBindDynamic)          \
  X(OCIDescriptorAlloc)      \
  X(OCIDescriptorFree)       \
  X(OCILobWrite)             \
  X(OCILobRead)              \
  X(OCILobCharSetForm)       \
  X(OCILobGetLength)         \
  X(OCIParamGet)             \
  X(OCITransCommit)          \
  X(OCITransRollback)        \
  X(OCIServerVersion)
