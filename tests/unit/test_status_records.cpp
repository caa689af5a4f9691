#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>

#include "FakeRuntime.h"
#include "StatusRecords.h"

namespace {
const char kAstLine[] =
    "AST;,100.5, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n";
}

TEST(StatusRecords, EmptyUntilALineArrivesThenReplayedAsReceived) {
  tFakeRuntime rt;
  tTestConsole console;
  tAST ast{console};
  tFLT flt;
  tCPE cpe;
  EXPECT_EQ("", ast.status(rt.now));
  EXPECT_EQ("", flt.status(rt.now));
  tRO500StatBase &base = cpe;  // the rotating output calls through the base
  EXPECT_EQ("CPE;,1,2\r\n", base.status("CPE;,1,2\r\n", rt.now));
  EXPECT_EQ("CPE;,1,2\r\n", base.status(rt.now));
  flt.status("FLT;,12,3\nFLT;,13,4\n", rt.now);
  EXPECT_EQ("FLT;,12,3\nFLT;,13,4\n", flt.status(rt.now));
}

TEST(StatusRecords, AstIsReformattedWithTheHoursSinceItWasParsed) {
  tFakeRuntime rt;
  tTestConsole console;
  tAST ast{console};
  EXPECT_EQ(kAstLine, ast.status(kAstLine, rt.now));
  EXPECT_TRUE(ast.Parsed());
  EXPECT_EQ("AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n",
            ast.status(rt.now));
  rt.now += 36 * 60 * 1000;
  EXPECT_EQ("AST;,101.10, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n",
            ast.status(rt.now));
}

TEST(StatusRecords, AstIntegerFieldsTruncateAndSaturate) {
  tFakeRuntime rt;
  tTestConsole console;
  tAST ast{console};
  ast.status(kAstLine, rt.now);
  ast.Field(5) = -2.7f;
  ast.Field(7) = 59.99f;
  ast.Field(8) = std::numeric_limits<float>::quiet_NaN();
  ast.Field(9) = std::numeric_limits<float>::infinity();
  ast.Field(10) = -std::numeric_limits<float>::infinity();
  ast.Field(11) = 3e9f;
  ast.Field(12) = -3e9f;
  EXPECT_EQ(
      "AST;,100.50, ,13.20,4.5,-2.0,-2, ,14.40,59,0,2147483647, ,-2147483648,2147483647, "
      ",-2147483648, ,13.95,7,8,90\n",
      ast.status(rt.now));
  EXPECT_EQ(2147483647, AstInt(2147483648.0f));
  EXPECT_EQ(-2147483647 - 1, AstInt(-2147483648.0f));
  EXPECT_EQ(16777216, AstInt(16777216.0f));
  EXPECT_EQ(0, AstInt(-0.9f));
}

TEST(StatusRecords, AstHoursFollowTheMonotonicClockNotTheWallClock) {
  tFakeRuntime rt;
  tTestConsole console;
  tAST ast{console};
  rt.wall = 0;  // a router without a real-time clock starts in 1970
  ast.status(kAstLine, rt.now);
  // The daemon sets the clock from the bus GPS: no jump of 472222 hours.
  rt.wall = 1700000000;
  EXPECT_EQ(0u, ast.status(rt.now).find("AST;,100.50, ,"));
  // The 32-bit millisecond clock wraps an hour after the parse: still one hour.
  tAST across{console};
  rt.now = 0xFFFFFFFFu - 1800000;
  across.status(kAstLine, rt.now);
  rt.now += 3600000;
  EXPECT_EQ(0u, across.status(rt.now).find("AST;,101.50, ,"));
  // Sixty days with a status tick every hour: 1440 hours on, past two wraps.
  for (int hour = 0; hour < 1440; hour++) {
    rt.now += 3600000;
    across.status(rt.now);
  }
  EXPECT_EQ(0u, across.status(rt.now).find("AST;,1541.50, ,"));
}

TEST(StatusRecords, AstParseStopsAtTheFirstMismatchButIsStampedAnyway) {
  tFakeRuntime rt;
  tTestConsole console;
  tAST ast{console};
  ast.status(kAstLine, rt.now);
  rt.now += 3600000;
  EXPECT_EQ(0u, ast.status(rt.now).find("AST;,101.50, ,"));
  rt.now += 360000;
  // A second line an hour and six minutes after the first; its fifth field not a
  // number: fields 1 to 4 are taken, 5 to 16 keep their values.
  ast.status("AST;,1, ,2,3,4,x, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\n", rt.now);
  EXPECT_EQ(0u, ast.status(rt.now).find("AST;,1.00, ,"));  // the hours start again
  rt.now += 1800000;
  EXPECT_EQ(0u, ast.status(rt.now).find("AST;,1.50, ,"));
  EXPECT_FLOAT_EQ(1.0f, ast.Field(1));
  EXPECT_FLOAT_EQ(4.0f, ast.Field(4));
  EXPECT_FLOAT_EQ(60.0f, ast.Field(5));
  EXPECT_FLOAT_EQ(90.0f, ast.Field(16));

  // Extra blanks around the blank fields read the same as none.
  tAST spaced{console};
  spaced.status("AST;,1,   ,2,3,4,5,,6,7,8,9,  ,10,11,\t,12, ,13,14,15,16\n", rt.now);
  EXPECT_FLOAT_EQ(5.0f, spaced.Field(5));
  EXPECT_FLOAT_EQ(16.0f, spaced.Field(16));
  // A missing comma stops the parse there.
  tAST cut{console};
  cut.status("AST;,1, ,2,3 4,5, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\n", rt.now);
  EXPECT_FLOAT_EQ(3.0f, cut.Field(3));
  EXPECT_FLOAT_EQ(0.0f, cut.Field(4));
  EXPECT_FLOAT_EQ(0.0f, cut.Field(16));
  // A line of another kind still moves the record to "parsed".
  tAST other{console};
  other.status("CST;,1\n", rt.now);
  EXPECT_TRUE(other.Parsed());
  EXPECT_EQ(0u, other.status(rt.now).find("AST;,0.00, ,0.00,0.0,0.0,0, ,0.00,0,0,0,"));
}
