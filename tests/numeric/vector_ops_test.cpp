#include "numeric/vector_ops.h"

#include <gtest/gtest.h>

namespace unionbound {
namespace {

TEST(ScalarProduct, Smoke) { EXPECT_EQ(ScalarProduct({1, 2, 3}, {4, 5, 6}), 32.0); }

}  // namespace
}  // namespace unionbound
