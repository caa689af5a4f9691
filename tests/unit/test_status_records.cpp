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
  tScopedRuntime rt;
  tAST ast;
  tFLT flt;
  tCPE cpe;
  EXPECT_EQ("", ast.status());
  EXPECT_EQ("", flt.status());
  tRO500StatBase &base = cpe;  // the rotating output calls through the base
  EXPECT_EQ("CPE;,1,2\r\n", base.status("CPE;,1,2\r\n"));
  EXPECT_EQ("CPE;,1,2\r\n", base.status());
  flt.status("FLT;,12,3\nFLT;,13,4\n");
  EXPECT_EQ("FLT;,12,3\nFLT;,13,4\n", flt.status());
}

TEST(StatusRecords, AstIsReformattedWithTheHoursSinceItWasParsed) {
  tScopedRuntime rt;
  tAST ast;
  EXPECT_EQ(kAstLine, ast.status(kAstLine));
  EXPECT_EQ(1700000000, ast.parsedAt);
  EXPECT_EQ("AST;,100.50, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n",
            ast.status());
  rt.wall += 36 * 60;
  EXPECT_EQ("AST;,101.10, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n",
            ast.status());
}

TEST(StatusRecords, AstIntegerFieldsTruncateAndSaturate) {
  tScopedRuntime rt;
  tAST ast;
  ast.status(kAstLine);
  ast.field(5) = -2.7f;
  ast.field(7) = 59.99f;
  ast.field(8) = std::numeric_limits<float>::quiet_NaN();
  ast.field(9) = std::numeric_limits<float>::infinity();
  ast.field(10) = -std::numeric_limits<float>::infinity();
  ast.field(11) = 3e9f;
  ast.field(12) = -3e9f;
  EXPECT_EQ(
      "AST;,100.50, ,13.20,4.5,-2.0,-2, ,14.40,59,0,2147483647, ,-2147483648,2147483647, "
      ",-2147483648, ,13.95,7,8,90\n",
      ast.status());
  EXPECT_EQ(2147483647, AstInt(2147483648.0f));
  EXPECT_EQ(-2147483647 - 1, AstInt(-2147483648.0f));
  EXPECT_EQ(16777216, AstInt(16777216.0f));
  EXPECT_EQ(0, AstInt(-0.9f));
}

TEST(StatusRecords, AstHoursStayRightWhenTheClockIsPast2038) {
  tScopedRuntime rt;
  tAST ast;
  // 2039-09-18: the 32-bit stamp has wrapped; 36 minutes still add 0.6 hours.
  rt.wall = 2200000000;
  ast.status(kAstLine);
  rt.wall += 36 * 60;
  EXPECT_EQ("AST;,101.10, ,13.20,4.5,-2.0,60, ,14.40,30,432,21, ,25,40, ,1800, ,13.95,7,8,90\n",
            ast.status());
  // A line parsed across the wrap (2038-01-19 03:14:07 UTC, then an hour on).
  tAST across;
  rt.wall = 2147483647;
  across.status(kAstLine);
  rt.wall += 3600;
  EXPECT_EQ(0u, across.status().find("AST;,101.50, ,"));
  // The second whose 32 bits read -1 (2106-02-07 06:28:15 UTC, or a clock at -1) still
  // counts as parsed.
  tAST edge;
  rt.wall = 4294967295;
  edge.status(kAstLine);
  EXPECT_EQ(0u, edge.status().find("AST;,100.50, ,"));
  rt.wall = -1;
  tAST before1970;
  before1970.status(kAstLine);
  EXPECT_EQ(0u, before1970.status().find("AST;,100.50, ,"));
}

TEST(StatusRecords, AstParseStopsAtTheFirstMismatchButIsStampedAnyway) {
  tScopedRuntime rt;
  tAST ast;
  ast.status(kAstLine);
  rt.wall += 100;
  // Fifth field not a number: fields 1 to 4 are taken, 5 to 16 keep their values.
  ast.status("AST;,1, ,2,3,4,x, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\n");
  EXPECT_EQ(1700000100, ast.parsedAt);
  EXPECT_FLOAT_EQ(1.0f, ast.field(1));
  EXPECT_FLOAT_EQ(4.0f, ast.field(4));
  EXPECT_FLOAT_EQ(60.0f, ast.field(5));
  EXPECT_FLOAT_EQ(90.0f, ast.field(16));

  // Extra blanks around the blank fields read the same as none.
  tAST spaced;
  spaced.status("AST;,1,   ,2,3,4,5,,6,7,8,9,  ,10,11,\t,12, ,13,14,15,16\n");
  EXPECT_FLOAT_EQ(5.0f, spaced.field(5));
  EXPECT_FLOAT_EQ(16.0f, spaced.field(16));
  // A missing comma stops the parse there.
  tAST cut;
  cut.status("AST;,1, ,2,3 4,5, ,6,7,8,9, ,10,11, ,12, ,13,14,15,16\n");
  EXPECT_FLOAT_EQ(3.0f, cut.field(3));
  EXPECT_FLOAT_EQ(0.0f, cut.field(4));
  EXPECT_FLOAT_EQ(0.0f, cut.field(16));
  // A line of another kind still moves the record to "parsed".
  tAST other;
  other.status("CST;,1\n");
  EXPECT_EQ(1700000100, other.parsedAt);
  EXPECT_EQ(0u, other.status().find("AST;,0.00, ,0.00,0.0,0.0,0, ,0.00,0,0,0,"));
}
