// The framework's ODBC classes: a connection, a recordset walked row by row, field information, date and time
// values and the failure record; every failure is returned as a CDBException value, never thrown.
#pragma once

#include <windows.h>
#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/handles.h"

namespace framework {

template <SQLSMALLINT Type>
struct SqlHandleTraits {
  using Handle = SQLHANDLE;
  static Handle Invalid() noexcept { return SQL_NULL_HANDLE; }
  static void Close(Handle h) noexcept { ::SQLFreeHandle(Type, h); }
};
using UniqueSqlEnvironment = UniqueResource<SqlHandleTraits<SQL_HANDLE_ENV>>;
using UniqueSqlConnection = UniqueResource<SqlHandleTraits<SQL_HANDLE_DBC>>;
using UniqueSqlStatement = UniqueResource<SqlHandleTraits<SQL_HANDLE_STMT>>;

// An ODBC failure: the call's return code and the driver's diagnostic messages.
class CDBException {
 public:
  CDBException(SQLRETURN returnCode, std::wstring errorText)
      : returnCode_(returnCode), errorText_(std::move(errorText)) {}
  // The diagnostics of the handle the failed call used, one message a line.
  static CDBException FromHandle(SQLRETURN returnCode, SQLSMALLINT handleType, SQLHANDLE handle);

  SQLRETURN returnCode() const { return returnCode_; }
  const std::wstring& errorText() const { return errorText_; }

 private:
  SQLRETURN returnCode_;
  std::wstring errorText_;
};

// No value: success; otherwise what failed.
using DBError = std::optional<CDBException>;

// A date, a time or both, as the driver delivered it.
struct CDBVariant {
  enum class Kind { null, dateTime };
  Kind kind = Kind::null;
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

// One result column as the driver describes it.
struct CODBCFieldInfo {
  std::wstring name;
  SQLSMALLINT sqlType = 0;
  SQLULEN precision = 0;
  SQLSMALLINT scale = 0;
  SQLSMALLINT nullability = 0;
};

// One connection to a data source.
class CDatabase {
 public:
  static constexpr DWORD kDefaultQueryTimeout = 15;

  CDatabase() = default;
  CDatabase(const CDatabase&) = delete;
  CDatabase& operator=(const CDatabase&) = delete;
  ~CDatabase() { Close(); }

  // Connects with the connect string; an empty one lets the driver manager ask the user, owned by the desktop.
  // A failed open leaves the object closed.
  DBError OpenEx(const std::wstring& connect);
  // Applied to every statement made afterwards; 0 means no limit.
  void SetQueryTimeout(DWORD seconds) { queryTimeout_ = seconds; }
  DWORD queryTimeout() const { return queryTimeout_; }
  // Runs a statement whose results, if any, are discarded.
  DBError ExecuteSQL(const std::wstring& sql);
  void Close();
  bool IsOpen() const { return connected_; }

  // A new statement on this connection with the query timeout applied.
  DBError AllocateStatement(UniqueSqlStatement* statement);
  // The driver's SQL_GETDATA_EXTENSIONS: where SQLGetData may be used beside bound columns.
  SQLUINTEGER getDataExtensions() const { return getDataExtensions_; }

 private:
  UniqueSqlEnvironment environment_;
  UniqueSqlConnection connection_;
  bool connected_ = false;
  SQLUINTEGER getDataExtensions_ = 0;
  DWORD queryTimeout_ = kDefaultQueryTimeout;
};

// The rows of one query, walked forward; the first row is current once it opened.
class CRecordset {
 public:
  enum OpenType { dynaset = 0, snapshot = 1, forwardOnly = 3 };

  explicit CRecordset(CDatabase& database) : database_(database) {}
  CRecordset(const CRecordset&) = delete;
  CRecordset& operator=(const CRecordset&) = delete;
  ~CRecordset() { Close(); }

  DBError Open(OpenType type, const std::wstring& sql);
  void Close();
  bool IsOpen() const { return static_cast<bool>(statement_); }

  short GetODBCFieldCount() const { return fieldCount_; }
  // True when there is no current row: the query returned none, or a move passed the last one.
  bool IsEOF() const { return eof_; }
  // Only SQL_FETCH_NEXT by one row is supported; other moves report a failure.
  DBError Move(long rows, SQLSMALLINT fetchType = SQL_FETCH_NEXT);

  // The current row's value of column `index` (from 0) as text, whatever its length; a null value is empty.
  // A value may be read again and columns in any order the driver allows for a first read.
  DBError GetFieldValue(short index, std::wstring* value);
  // The current row's value of a date, time or timestamp column.
  DBError GetFieldValue(short index, CDBVariant* value);
  DBError GetODBCFieldInfo(short index, CODBCFieldInfo* info) const;

 private:
  DBError Failure(SQLRETURN rc) const;
  DBError CheckColumn(short index) const;
  void ForgetRow();
  void BindShortColumns(SQLHSTMT statement);
  DBError ReadText(short index, std::wstring* value);
  DBError ReadDateTime(short index, CDBVariant* value);

  CDatabase& database_;
  UniqueSqlStatement statement_;
  short fieldCount_ = 0;
  bool eof_ = true;
  // The current row's values read so far: a driver hands each value out only once.
  std::vector<std::optional<std::wstring>> texts_;
  std::vector<std::optional<CDBVariant>> dateTimes_;
  // Where values are read in pieces, made once for the recordset's life.
  std::vector<SQLWCHAR> chunk_;
  // Short text columns are bound, so that one fetch delivers them all; an empty buffer means not bound.
  struct BoundText {
    std::vector<SQLWCHAR> buffer;
    SQLLEN indicator = 0;
  };
  std::vector<BoundText> bound_;
};

}  // namespace framework
