#include "fscmd/database_rules.h"

#include <cstdint>
#include <cwchar>
#include <iterator>

namespace fscmd {

const wchar_t* SqlTypeName(int sqlType) {
  static const wchar_t* const kNames[] = {L"UNKNOWN_TYPE", L"CHAR",     L"NUMERIC",   L"DECIMAL", L"INTEGER",
                                          L"SMALLINT",     L"FLOAT",    L"REAL",      L"DOUBLE",  L"DATETIME",
                                          L"TIME",         L"TIMESTAMP", L"VARCHAR"};
  if (sqlType < 0 || sqlType >= static_cast<int>(std::size(kNames))) return kNames[0];
  return kNames[sqlType];
}

std::wstring FormatDateTime(const DateTimeValue& value, int sqlType) {
  wchar_t text[96] = {};
  if (sqlType == kSqlDate)
    std::swprintf(text, std::size(text), L"%d/%02d/%02d", value.year, value.month, value.day);
  else
    std::swprintf(text, std::size(text), L"%d/%02d/%02d %02d:%02d %02d", value.year, value.month, value.day,
                  value.hour, value.minute, value.second);
  return text;
}

std::wstring DatabaseErrorMessage(long returnCode, const std::wstring& errorText) {
  wchar_t code[16] = {};
  // The return code is a 16-bit value widened with its sign: SQL_ERROR shows as 0xffffffff in either word size.
  std::swprintf(code, std::size(code), L"%lx", static_cast<unsigned long>(static_cast<uint32_t>(returnCode)));
  std::wstring text = L"Error 0x" + std::wstring(code) + L" : " + errorText + L"\n";
  if (text.size() > kDatabaseMessageChars - 1) text.resize(kDatabaseMessageChars - 1);
  return text;
}

}  // namespace fscmd
