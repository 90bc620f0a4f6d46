#include <gtest/gtest.h>

#include <utility>

#include "support/MyString.h"

namespace {

const CString kAcgt("ACGT");

}  // namespace

// --- clamping --------------------------------------------------------------

TEST(CStringTest, MidClampsStartAndReturnsWholeTextWhenRangeRunsPastEnd)
{
    EXPECT_EQ(kAcgt.Mid(1, 2).str(), "CG");
    EXPECT_EQ(kAcgt.Mid(-3, 2).str(), "AC");
    EXPECT_EQ(kAcgt.Mid(9, 1).str(), "T");
    EXPECT_EQ(kAcgt.Mid(3, 2).str(), "ACGT");
    // A start past the end becomes the last character, after which a range
    // of two runs past the end: the whole text.
    EXPECT_EQ(kAcgt.Mid(9, 2).str(), "ACGT");
    // A range ending exactly at the end is not clamped.
    EXPECT_EQ(kAcgt.Mid(2, 2).str(), "GT");
    EXPECT_EQ(kAcgt.Mid(0, 4).str(), "ACGT");
    EXPECT_EQ(kAcgt.Mid(0, 5).str(), "ACGT");
    EXPECT_EQ(kAcgt.Mid(2, 0).str(), "");
    EXPECT_EQ(kAcgt.Mid(1, 2).GetLength(), 2);
}

TEST(CStringTest, LeftAndRightTakeAtMostTheWholeText)
{
    EXPECT_EQ(kAcgt.Left(9).str(), "ACGT");
    EXPECT_EQ(kAcgt.Right(9).str(), "ACGT");
    EXPECT_EQ(kAcgt.Right(3).str(), "CGT");
    EXPECT_EQ(kAcgt.Left(3).str(), "ACG");
    EXPECT_EQ(kAcgt.Left(0).str(), "");
    EXPECT_EQ(kAcgt.Right(0).str(), "");
    EXPECT_EQ(kAcgt.Right(4).GetLength(), 4);
}

TEST(CStringTest, FindReturnsFirstMatchAtOrAfterStart)
{
    const CString anna("ANNA");
    EXPECT_EQ(anna.Find("N"), 1);
    EXPECT_EQ(anna.Find(CString("N")), 1);
    EXPECT_EQ(anna.Find("N", 2), 2);
    EXPECT_EQ(anna.Find(CString("A"), 1), 3);
    EXPECT_EQ(anna.Find("NA"), 2);
    EXPECT_EQ(anna.Find("N", 3), -1);
    EXPECT_EQ(kAcgt.Find("N"), -1);
    EXPECT_EQ(kAcgt.Find("GT"), 2);  // match ending at the last character
    EXPECT_EQ(kAcgt.Find("ACGT"), 0);
}

TEST(CStringTest, FindFailsWhenPatternDoesNotFitAfterStart)
{
    EXPECT_EQ(CString("AC").Find("ACG"), -1);
    EXPECT_EQ(kAcgt.Find("GT", 3), -1);
    EXPECT_EQ(kAcgt.Find("A", 9), -1);
    EXPECT_EQ(CString().Find("A"), -1);
}

TEST(CStringTest, SetAtOutsideTheTextChangesNothing)
{
    CString s("ACGT");
    s.SetAt(4, 'x');
    s.SetAt(-1, 'x');
    s.SetAt(100, 'x');
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_STREQ(s.c_str(), "ACGT");  // the terminator was not overwritten
    s.SetAt(0, 'x');
    s.SetAt(3, 'y');
    EXPECT_EQ(s.str(), "xCGy");

    CString empty;
    empty.SetAt(0, 'x');
    EXPECT_EQ(empty.GetLength(), 0);
}

TEST(CStringTest, MidIntoOutReplacesItsText)
{
    CString out("XXXXXXX");
    kAcgt.Mid(1, 2, &out);
    EXPECT_EQ(out.str(), "CG");
    EXPECT_EQ(out.GetLength(), 2);
    kAcgt.Mid(0, 4, &out);
    EXPECT_EQ(out.str(), "ACGT");
    kAcgt.Mid(2, 0, &out);
    EXPECT_EQ(out.str(), "");

    CString fresh;
    kAcgt.Mid(3, 1, &fresh);
    EXPECT_EQ(fresh.str(), "T");
    EXPECT_EQ(kAcgt.str(), "ACGT");
}

// --- empty, never-assigned strings -----------------------------------------

TEST(CStringTest, NeverAssignedStringActsAsEmptyText)
{
    const CString empty;
    EXPECT_EQ(empty.GetLength(), 0);
    EXPECT_STREQ(empty.c_str(), "");

    const CString copy(empty);
    EXPECT_EQ(copy.GetLength(), 0);
    CString assigned("AC");
    assigned = empty;
    EXPECT_EQ(assigned.GetLength(), 0);
    EXPECT_STREQ(assigned.c_str(), "");

    EXPECT_EQ((empty + "AC").str(), "AC");
    EXPECT_EQ((CString("AC") + empty).str(), "AC");
    EXPECT_EQ((empty + empty).GetLength(), 0);
    EXPECT_EQ((empty + static_cast<const char*>("")).GetLength(), 0);

    EXPECT_TRUE(empty == CString(""));
    EXPECT_TRUE(CString("") == empty);
    EXPECT_TRUE(empty == CString());
    EXPECT_FALSE(empty == CString("A"));
    EXPECT_FALSE(CString("A") == empty);

    EXPECT_EQ(empty.Left(3).GetLength(), 0);
    EXPECT_EQ(empty.Right(3).GetLength(), 0);
    EXPECT_EQ(empty.Mid(0, 2).GetLength(), 0);
}

// --- construction, assignment and comparison -------------------------------

TEST(CStringTest, ConstructionAndAssignmentFromCharAndText)
{
    const CString c('G');
    EXPECT_EQ(c.str(), "G");
    EXPECT_EQ(c.GetLength(), 1);

    CString s;
    s = "ACGTN";
    EXPECT_EQ(s.GetLength(), 5);
    s = 'T';
    EXPECT_EQ(s.str(), "T");
    EXPECT_EQ(s.GetLength(), 1);

    // The length is stored, not recounted up to the first zero byte.
    EXPECT_EQ(CString('\0').GetLength(), 1);
    EXPECT_EQ((CString("A") + CString('\0') + "C").GetLength(), 3);
}

TEST(CStringTest, ConcatenationKeepsOrderAndSumsLengths)
{
    const CString ab = CString("AB") + CString("CDE");
    EXPECT_EQ(ab.str(), "ABCDE");
    EXPECT_EQ(ab.GetLength(), 5);
    EXPECT_EQ((ab + "F").str(), "ABCDEF");
    EXPECT_EQ(ab.str(), "ABCDE");  // operands are not modified
}

TEST(CStringTest, EqualityNeedsSameLengthAndCharacters)
{
    EXPECT_TRUE(CString("ACG") == CString("ACG"));
    EXPECT_FALSE(CString("ACG") == CString("ACT"));
    EXPECT_FALSE(CString("ACG") == CString("AC"));
    EXPECT_FALSE(CString("AC") == CString("ACG"));
    EXPECT_FALSE(CString("acg") == CString("ACG"));
}

TEST(CStringTest, CopiesAreIndependent)
{
    CString original("ACGT");
    CString copy(original);
    CString assigned;
    assigned = original;
    copy.SetAt(0, 'x');
    assigned.SetAt(1, 'y');
    EXPECT_EQ(original.str(), "ACGT");
    EXPECT_EQ(copy.str(), "xCGT");
    EXPECT_EQ(assigned.str(), "AyGT");

    original.SetAt(3, 'z');
    EXPECT_EQ(copy.str(), "xCGT");
    EXPECT_NE(copy.c_str(), original.c_str());
}

TEST(CStringTest, MoveTransfersTheText)
{
    CString source("ACGTACGTACGTACGTACGTACGTACGT");  // longer than any small buffer
    CString moved(std::move(source));
    EXPECT_EQ(moved.str(), "ACGTACGTACGTACGTACGTACGTACGT");
    EXPECT_EQ(moved.GetLength(), 28);

    CString target("N");
    target = std::move(moved);
    EXPECT_EQ(target.str(), "ACGTACGTACGTACGTACGTACGTACGT");
    EXPECT_EQ(target.GetLength(), 28);
}

TEST(CStringTest, SelfAssignmentChangesNothing)
{
    CString s("ACGT");
    const CString& alias = s;
    s = alias;
    EXPECT_EQ(s.str(), "ACGT");
    EXPECT_EQ(s.GetLength(), 4);

    CString empty;
    const CString& emptyAlias = empty;
    empty = emptyAlias;
    EXPECT_EQ(empty.GetLength(), 0);
}
