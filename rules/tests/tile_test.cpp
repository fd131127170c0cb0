#include "rules/tile.h"
#include <gtest/gtest.h>
TEST(X, Y) {}
