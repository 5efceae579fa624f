// libtsloci.so found as a user's Instant Client is found: under a versioned
// name on LD_LIBRARY_PATH or in $ORACLE_HOME/lib; and a client that is there
// but cannot load (not a library, or missing one it needs) says why.
#include <dlfcn.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/oci/client_library.h"
#include "testing/temp_dir.h"

extern char** environ;

namespace {

using tsl::oci::client_library;

// Restores an environment variable when it goes.
class saved_variable {
 public:
  explicit saved_variable(const char* name) : name_(name) {
    const char* v = std::getenv(name);
    had_ = v != nullptr;
    if (had_) value_ = v;
  }
  ~saved_variable() {
    if (had_)
      setenv(name_, value_.c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  bool had_ = false;
  std::string value_;
};

// True when a real client is installed here, which the search would find
// before the stand-in.
bool real_client_installed() {
  for (const std::string& name : tsl::oci::real_client_names()) {
    void* h = dlopen(name.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    if (h == nullptr) h = dlopen(name.c_str(), RTLD_LAZY);
    if (h != nullptr) return true;
  }
  return false;
}

void expect_usable(const client_library& lib) {
  OCIEnv* env = nullptr;
  ASSERT_EQ(
      lib.functions().OCIEnvCreate(&env, OCI_UTF16, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
      OCI_SUCCESS);
  EXPECT_EQ(lib.functions().OCIHandleFree(env, OCI_HTYPE_ENV), OCI_SUCCESS);
}

TEST(loader, VersionedNameInOracleHome) {
  if (real_client_installed()) GTEST_SKIP() << "a real Oracle client is installed";
  saved_variable home("ORACLE_HOME"), client(tsl::oci::client_variable);
  tsl::testing::temp_dir dir;
  ASSERT_EQ(mkdir(dir.file("lib").c_str(), 0700), 0);
  std::string versioned = dir.file("lib/libclntsh.so.19.1");
  ASSERT_EQ(symlink(TSL_OCI_LIB, versioned.c_str()), 0);
  setenv("ORACLE_HOME", dir.path().c_str(), 1);
  unsetenv(tsl::oci::client_variable);
  auto lib = client_library::load();
  EXPECT_EQ(lib->name(), versioned);
  expect_usable(*lib);
  // The client stays loaded after its loader object goes.
  lib.reset();
  void* still = dlopen(TSL_OCI_LIB, RTLD_LAZY | RTLD_NOLOAD);
  EXPECT_NE(still, nullptr);
  if (still != nullptr) dlclose(still);
}

TEST(loader, ClientThatCannotLoadSaysWhy) {
  if (real_client_installed()) GTEST_SKIP() << "a real Oracle client is installed";
  saved_variable home("ORACLE_HOME"), client(tsl::oci::client_variable);
  tsl::testing::temp_dir dir;
  ASSERT_EQ(mkdir(dir.file("lib").c_str(), 0700), 0);
  tsl::testing::write_file(dir.file("lib/libclntsh.so.21.1"), "not a library");
  setenv("ORACLE_HOME", dir.path().c_str(), 1);
  unsetenv(tsl::oci::client_variable);
  try {
    client_library::load();
    FAIL() << "loaded";
  } catch (const tsl::oci::load_error& e) {
    std::string why = e.what();
    EXPECT_NE(why.find("libclntsh.so.21.1"), std::string::npos) << why;
    EXPECT_EQ(why.find("No such file"), std::string::npos) << why;
  }
  // Without any client, the loader's own "not found" reason.
  unsetenv("ORACLE_HOME");
  try {
    client_library::load();
    FAIL() << "loaded";
  } catch (const tsl::oci::load_error& e) {
    EXPECT_NE(std::string(e.what()).find("libclntsh.so"), std::string::npos) << e.what();
  }
}

TEST(loader, ClientMissingALibrarySaysWhich) {
  if (real_client_installed()) GTEST_SKIP() << "a real Oracle client is installed";
  saved_variable home("ORACLE_HOME"), client(tsl::oci::client_variable);
  tsl::testing::temp_dir dir;
  ASSERT_EQ(mkdir(dir.file("lib").c_str(), 0700), 0);
  ASSERT_EQ(symlink(TSL_NEEDS_MISSING_LIB, dir.file("lib/libclntsh.so.19.1").c_str()), 0);
  setenv("ORACLE_HOME", dir.path().c_str(), 1);
  unsetenv(tsl::oci::client_variable);
  try {
    client_library::load();
    FAIL() << "loaded";
  } catch (const tsl::oci::load_error& e) {
    EXPECT_NE(std::string(e.what()).find("libtsl_missing_dep.so"), std::string::npos) << e.what();
  }
}

// Run in a child whose LD_LIBRARY_PATH names the directory, as a user's
// shell would set it: the dynamic loader reads it only at start.
TEST(loader, VersionedNameOnLibraryPath) {
  const char* dir_for_child = std::getenv("TSL_LOADER_CHILD");
  if (dir_for_child != nullptr) {
    unsetenv("ORACLE_HOME");
    unsetenv(tsl::oci::client_variable);
    auto lib = client_library::load();
    EXPECT_EQ(lib->name(), "libclntsh.so.12.1");
    expect_usable(*lib);
    return;
  }
  if (real_client_installed()) GTEST_SKIP() << "a real Oracle client is installed";
  tsl::testing::temp_dir dir;
  ASSERT_EQ(symlink(TSL_OCI_LIB, dir.file("libclntsh.so.12.1").c_str()), 0);
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    std::string kv = *e;
    if (kv.rfind("LD_LIBRARY_PATH=", 0) == 0 || kv.rfind("GTEST_", 0) == 0) continue;
    env.push_back(kv);
  }
  const char* old_path = std::getenv("LD_LIBRARY_PATH");
  env.push_back("LD_LIBRARY_PATH=" + dir.path() +
                (old_path != nullptr && *old_path != '\0' ? ":" + std::string(old_path) : ""));
  env.push_back("TSL_LOADER_CHILD=" + dir.path());
  std::vector<char*> envp;
  for (std::string& kv : env) envp.push_back(kv.data());
  envp.push_back(nullptr);
  std::string self = "/proc/self/exe";
  std::string filter = "--gtest_filter=loader.VersionedNameOnLibraryPath";
  char* argv[] = {self.data(), filter.data(), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, "/proc/self/exe", nullptr, nullptr, argv, envp.data()), 0);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
