// Every test program stops the Firebird client before it exits, so that no engine
// thread is still winding down while the process (and the leak checker) ends.
#include <gtest/gtest.h>

#include "db/connection.h"

namespace {

class ClienteFirebird : public ::testing::Environment {
 public:
  void TearDown() override { db::shutdown_client(); }
};

[[maybe_unused]] ::testing::Environment* const registrado =
    ::testing::AddGlobalTestEnvironment(new ClienteFirebird);

}  // namespace
