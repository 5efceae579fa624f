// A library the next one needs, left behind when that one is installed: as
// libaio is for a client installed without it.
extern "C" int tsl_missing_dep() {
  return 1;
}
