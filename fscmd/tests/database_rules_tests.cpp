#include <gtest/gtest.h>

#include "fscmd/database_rules.h"

namespace fscmd {
namespace {

TEST(SqlTypeName, NamesTheCodesOneToTwelveAndNothingElse) {
  EXPECT_STREQ(SqlTypeName(1), L"CHAR");
  EXPECT_STREQ(SqlTypeName(4), L"INTEGER");
  EXPECT_STREQ(SqlTypeName(9), L"DATETIME");
  EXPECT_STREQ(SqlTypeName(11), L"TIMESTAMP");
  EXPECT_STREQ(SqlTypeName(12), L"VARCHAR");
  EXPECT_STREQ(SqlTypeName(0), L"UNKNOWN_TYPE");
  EXPECT_STREQ(SqlTypeName(13), L"UNKNOWN_TYPE");
  EXPECT_STREQ(SqlTypeName(-1), L"UNKNOWN_TYPE");
  EXPECT_STREQ(SqlTypeName(93), L"UNKNOWN_TYPE");
}

TEST(FormatDateTime, DatesHaveNoTimeAndTheSecondsFollowABlank) {
  DateTimeValue value{2004, 3, 5, 14, 7, 9};
  EXPECT_EQ(FormatDateTime(value, kSqlDate), L"2004/03/05");
  EXPECT_EQ(FormatDateTime(value, kSqlTimestamp), L"2004/03/05 14:07 09");
  EXPECT_EQ(FormatDateTime(value, kSqlTime), L"2004/03/05 14:07 09");
  EXPECT_EQ(FormatDateTime(DateTimeValue{-32768, 65535, 65535, 65535, 65535, 65535}, kSqlTime),
            L"-32768/65535/65535 65535:65535 65535");
  EXPECT_TRUE(IsDateTimeType(9) && IsDateTimeType(10) && IsDateTimeType(11));
  EXPECT_FALSE(IsDateTimeType(12) || IsDateTimeType(91));
}

TEST(DatabaseErrorMessage, ShowsTheCodeAs32BitsAndNeverOutgrowsItsBuffer) {
  EXPECT_EQ(DatabaseErrorMessage(-1, L"no such table: t"), L"Error 0xffffffff : no such table: t\n");
  EXPECT_EQ(DatabaseErrorMessage(-2, L""), L"Error 0xfffffffe : \n");
  EXPECT_EQ(DatabaseErrorMessage(1, L"x"), L"Error 0x1 : x\n");
  std::wstring longText(5000, L'q');
  std::wstring message = DatabaseErrorMessage(-1, longText);
  EXPECT_EQ(message.size(), kDatabaseMessageChars - 1);
  EXPECT_EQ(message.substr(0, 19), L"Error 0xffffffff : ");
  EXPECT_EQ(message.back(), L'q');
  // A text that just fits keeps its line feed.
  std::wstring fits(kDatabaseMessageChars - 1 - 20, L'a');
  EXPECT_EQ(DatabaseErrorMessage(-1, fits).back(), L'\n');
  EXPECT_EQ(DatabaseErrorMessage(-1, fits).size(), kDatabaseMessageChars - 1);
}

}  // namespace
}  // namespace fscmd
