// The database commands' portable rules: type names, date and time texts, the error box's text.
#pragma once

#include <string>

namespace fscmd {

// ODBC's SQL type codes for dates, times and timestamps, as the version 2 behaviour reports them.
constexpr int kSqlDate = 9;
constexpr int kSqlTime = 10;
constexpr int kSqlTimestamp = 11;

inline bool IsDateTimeType(int sqlType) {
  return sqlType == kSqlDate || sqlType == kSqlTime || sqlType == kSqlTimestamp;
}

// "INTEGER", "VARCHAR" ... for the codes 1 to 12; "UNKNOWN_TYPE" for every other code.
const wchar_t* SqlTypeName(int sqlType);

struct DateTimeValue {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// A date column as "2004/03/05"; time and timestamp columns as "2004/03/05 14:07 09".
std::wstring FormatDateTime(const DateTimeValue& value, int sqlType);

// The error box never shows more than this many characters, its terminating NUL counted.
constexpr size_t kDatabaseMessageChars = 1024;

// "Error 0x<return code as 32 bits> : <error text>\n", cut to fit the message buffer.
std::wstring DatabaseErrorMessage(long returnCode, const std::wstring& errorText);

}  // namespace fscmd
