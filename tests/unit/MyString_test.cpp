#include <gtest/gtest.h>

#include "support/MyString.h"

TEST(CStringTest, MidClampsStartAndReturnsWholeTextWhenRangeRunsPastEnd)
{
    const CString acgt("ACGT");
    EXPECT_EQ(acgt.Mid(1, 2).str(), "CG");
    EXPECT_EQ(acgt.Mid(-3, 2).str(), "AC");
    EXPECT_EQ(acgt.Mid(9, 1).str(), "T");
    EXPECT_EQ(acgt.Mid(3, 2).str(), "ACGT");
}
