#include <gtest/gtest.h>
#include "formula/formula.h"
TEST(Formula, Smoke) {
    celvane::formula::Compiled c;
    EXPECT_EQ(celvane::formula::compile("=SUM(A1:B2)", {}, c), 0);
}
