// A library that cannot load where its dependency is not installed.
extern "C" int tsl_missing_dep();

extern "C" int tsl_needs_missing() {
  return tsl_missing_dep();
}
