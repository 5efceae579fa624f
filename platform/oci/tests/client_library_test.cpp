#include "platform/oci/client_library.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace tsl::oci {
namespace {

sword fake_env_create(OCIEnv**, ub4, void*, void* (*)(void*, size_t),
                      void* (*)(void*, void*, size_t), void (*)(void*, void*), size_t, void**) {
  return 42;
}

class loader : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv(client_variable);
    set_embedded_client(nullptr);
  }
};

TEST_F(loader, MissingLibraryIsALoadError) {
  EXPECT_THROW(client_library::load("/nonexistent/libclntsh.so"), load_error);
  setenv(client_variable, "/nonexistent/libclntsh.so", 1);
  EXPECT_THROW(client_library::load(), load_error);
}

TEST_F(loader, LibraryWithoutTheFunctionsIsALoadError) {
  try {
    client_library::load("libc.so.6");
    FAIL() << "loaded";
  } catch (const load_error& e) {
    EXPECT_NE(std::string(e.what()).find("OCIEnvCreate"), std::string::npos);
  }
}

TEST_F(loader, EmbeddedClientOnlyWhenRegistered) {
  EXPECT_THROW(client_library::load(embedded_client_name), load_error);
  api table;
  table.OCIEnvCreate = fake_env_create;
  set_embedded_client(&table);
  setenv(client_variable, "embedded", 1);
  auto lib = client_library::load();
  EXPECT_TRUE(lib->is_embedded());
  EXPECT_EQ(
      lib->functions().OCIEnvCreate(nullptr, 0, nullptr, nullptr, nullptr, nullptr, 0, nullptr),
      42);
}

TEST_F(loader, UnsetVariableMeansTheRealClient) {
  unsetenv(client_variable);
  try {
    auto lib = client_library::load();
    EXPECT_EQ(lib->name(), real_client_name);
  } catch (const load_error&) {
    // No real client on this machine: the load fails as it should.
  }
}

}  // namespace
}  // namespace tsl::oci
