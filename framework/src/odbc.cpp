#include "framework/odbc.h"

#include <cstdint>
#include <vector>

namespace framework {

namespace {

constexpr SQLSMALLINT kMessageChars = 1024;
constexpr SQLSMALLINT kConnectOutChars = 1024;
constexpr SQLSMALLINT kNameChars = 256;
constexpr SQLLEN kChunkChars = 4096;
// Columns whose declared size is below this many characters are bound rather than read one by one.
constexpr SQLULEN kBoundChars = 256;

bool IsShortTextType(SQLSMALLINT type) {
  switch (type) {
    case SQL_CHAR: case SQL_VARCHAR: case SQL_WCHAR: case SQL_WVARCHAR: case SQL_NUMERIC: case SQL_DECIMAL:
    case SQL_INTEGER: case SQL_SMALLINT: case SQL_TINYINT: case SQL_BIGINT: case SQL_FLOAT: case SQL_REAL:
    case SQL_DOUBLE: case SQL_BIT:
      return true;
    default:
      return false;
  }
}

bool Succeeded(SQLRETURN rc) { return rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO; }

SQLWCHAR* Sql(const std::wstring& text) {
  return reinterpret_cast<SQLWCHAR*>(const_cast<wchar_t*>(text.c_str()));
}

CDBException Refusal(const wchar_t* text) { return CDBException(SQL_ERROR, text); }

// The window the driver manager may prompt over. Wine hands the connection to a Unix driver manager that
// reads a non-null window argument as a structure of its own, so a Windows handle must not reach it there:
// without a window it answers at once, as it does when it has nothing to prompt with.
SQLHWND PromptOwner() {
  static const bool underWine =
      ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return underWine ? nullptr : ::GetDesktopWindow();
}

}  // namespace

CDBException CDBException::FromHandle(SQLRETURN returnCode, SQLSMALLINT handleType, SQLHANDLE handle) {
  std::wstring text;
  for (SQLSMALLINT record = 1; handle != SQL_NULL_HANDLE; ++record) {
    std::vector<SQLWCHAR> message(kMessageChars);
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLSMALLINT length = 0;
    SQLRETURN rc = ::SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                                    static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.resize(static_cast<size_t>(length) + 1);
      rc = ::SQLGetDiagRecW(handleType, handle, record, state, &native, message.data(),
                            static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!Succeeded(rc)) break;
    if (!text.empty()) text += L'\n';
    text.append(reinterpret_cast<const wchar_t*>(message.data()));
  }
  if (text.empty()) text = L"The ODBC call failed without a diagnostic message.";
  return CDBException(returnCode, std::move(text));
}

DBError CDatabase::OpenEx(const std::wstring& connect) {
  Close();
  SQLHANDLE handle = SQL_NULL_HANDLE;
  SQLRETURN rc = ::SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &handle);
  if (!Succeeded(rc)) return Refusal(L"The ODBC driver manager cannot be started.");
  UniqueSqlEnvironment environment(handle);
  // The version 2 behaviour callers know: dates, times and timestamps report the SQL types 9, 10 and 11.
  ::SQLSetEnvAttr(environment.get(), SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC2), 0);

  rc = ::SQLAllocHandle(SQL_HANDLE_DBC, environment.get(), &handle);
  if (!Succeeded(rc)) return CDBException::FromHandle(rc, SQL_HANDLE_ENV, environment.get());
  UniqueSqlConnection connection(handle);
  ::SQLSetConnectAttr(connection.get(), SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(uintptr_t{15}), 0);

  SQLWCHAR completed[kConnectOutChars] = {};
  SQLSMALLINT completedLength = 0;
  rc = ::SQLDriverConnectW(connection.get(), PromptOwner(), Sql(connect), SQL_NTS, completed,
                           kConnectOutChars, &completedLength, SQL_DRIVER_COMPLETE);
  if (!Succeeded(rc)) return CDBException::FromHandle(rc, SQL_HANDLE_DBC, connection.get());

  SQLUINTEGER extensions = 0;
  if (!Succeeded(::SQLGetInfoW(connection.get(), SQL_GETDATA_EXTENSIONS, &extensions, sizeof extensions, nullptr)))
    extensions = 0;
  environment_ = std::move(environment);
  connection_ = std::move(connection);
  connected_ = true;
  getDataExtensions_ = extensions;
  return std::nullopt;
}

void CDatabase::Close() {
  if (connected_) ::SQLDisconnect(connection_.get());
  connected_ = false;
  connection_.reset();
  environment_.reset();
}

DBError CDatabase::AllocateStatement(UniqueSqlStatement* statement) {
  if (!connected_) return Refusal(L"The connection is not open.");
  SQLHANDLE handle = SQL_NULL_HANDLE;
  SQLRETURN rc = ::SQLAllocHandle(SQL_HANDLE_STMT, connection_.get(), &handle);
  if (!Succeeded(rc)) return CDBException::FromHandle(rc, SQL_HANDLE_DBC, connection_.get());
  statement->reset(handle);
  // A driver without query time-outs keeps running without one, as it would for any other caller.
  ::SQLSetStmtAttr(handle, SQL_ATTR_QUERY_TIMEOUT, reinterpret_cast<SQLPOINTER>(uintptr_t{queryTimeout_}), 0);
  return std::nullopt;
}

DBError CDatabase::ExecuteSQL(const std::wstring& sql) {
  UniqueSqlStatement statement;
  if (DBError error = AllocateStatement(&statement)) return error;
  SQLRETURN rc = ::SQLExecDirectW(statement.get(), Sql(sql), SQL_NTS);
  if (!Succeeded(rc) && rc != SQL_NO_DATA) return CDBException::FromHandle(rc, SQL_HANDLE_STMT, statement.get());
  while (Succeeded(::SQLMoreResults(statement.get()))) {
  }
  return std::nullopt;
}

DBError CRecordset::Open(OpenType type, const std::wstring& sql) {
  Close();
  UniqueSqlStatement statement;
  if (DBError error = database_.AllocateStatement(&statement)) return error;
  // Rows are only ever walked forward, one at a time: a dynaset asks for no cursor of its own, so that the
  // driver delivers rows as it reaches them rather than gathering every key first. A snapshot keeps its rows
  // as they were when it opened.
  if (type == snapshot)
    ::SQLSetStmtAttr(statement.get(), SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC), 0);

  SQLRETURN rc = ::SQLExecDirectW(statement.get(), Sql(sql), SQL_NTS);
  if (!Succeeded(rc) && rc != SQL_NO_DATA) return CDBException::FromHandle(rc, SQL_HANDLE_STMT, statement.get());
  SQLSMALLINT columns = 0;
  rc = ::SQLNumResultCols(statement.get(), &columns);
  if (!Succeeded(rc)) return CDBException::FromHandle(rc, SQL_HANDLE_STMT, statement.get());

  fieldCount_ = columns;
  BindShortColumns(statement.get());
  bool atEnd = true;
  if (columns > 0) {
    rc = ::SQLFetch(statement.get());
    if (!Succeeded(rc) && rc != SQL_NO_DATA) {
      DBError error = CDBException::FromHandle(rc, SQL_HANDLE_STMT, statement.get());
      statement.reset();
      Close();
      return error;
    }
    atEnd = rc == SQL_NO_DATA;
  }
  statement_ = std::move(statement);
  eof_ = atEnd;
  ForgetRow();
  return std::nullopt;
}

void CRecordset::BindShortColumns(SQLHSTMT statement) {
  bound_.assign(static_cast<size_t>(fieldCount_), BoundText{});
  // A value longer than its binding is read again whole with SQLGetData, which the driver must allow for
  // bound columns and for any column in any order.
  const SQLUINTEGER needed = SQL_GD_ANY_COLUMN | SQL_GD_ANY_ORDER | SQL_GD_BOUND;
  if ((database_.getDataExtensions() & needed) != needed) return;
  for (short i = 0; i < fieldCount_; ++i) {
    SQLSMALLINT type = 0, scale = 0, nullable = 0, nameLength = 0;
    SQLULEN size = 0;
    auto column = static_cast<SQLUSMALLINT>(i + 1);
    if (!Succeeded(::SQLDescribeColW(statement, column, nullptr, 0, &nameLength, &type, &size, &scale, &nullable)))
      continue;
    if (!IsShortTextType(type) || size == 0 || size >= kBoundChars) continue;
    BoundText& text = bound_[static_cast<size_t>(i)];
    text.buffer.resize(kBoundChars);
    if (!Succeeded(::SQLBindCol(statement, column, SQL_C_WCHAR, text.buffer.data(),
                                static_cast<SQLLEN>(kBoundChars * sizeof(SQLWCHAR)), &text.indicator)))
      text.buffer.clear();
  }
}

void CRecordset::ForgetRow() {
  texts_.assign(static_cast<size_t>(fieldCount_), std::nullopt);
  dateTimes_.assign(static_cast<size_t>(fieldCount_), std::nullopt);
}

void CRecordset::Close() {
  if (statement_) ::SQLCloseCursor(statement_.get());
  statement_.reset();
  fieldCount_ = 0;
  eof_ = true;
  ForgetRow();
  bound_.clear();
}

DBError CRecordset::Failure(SQLRETURN rc) const {
  return CDBException::FromHandle(rc, SQL_HANDLE_STMT, statement_.get());
}

DBError CRecordset::CheckColumn(short index) const {
  if (!statement_) return Refusal(L"The recordset is not open.");
  if (index < 0 || index >= fieldCount_) return Refusal(L"The column index is out of range.");
  return std::nullopt;
}

DBError CRecordset::Move(long rows, SQLSMALLINT fetchType) {
  if (!statement_) return Refusal(L"The recordset is not open.");
  if (rows != 1 || fetchType != SQL_FETCH_NEXT) return Refusal(L"The recordset moves forward one row at a time.");
  if (eof_) return std::nullopt;
  ForgetRow();
  SQLRETURN rc = ::SQLFetch(statement_.get());
  if (rc == SQL_NO_DATA) {
    eof_ = true;
    return std::nullopt;
  }
  if (!Succeeded(rc)) return Failure(rc);
  return std::nullopt;
}

DBError CRecordset::GetFieldValue(short index, std::wstring* value) {
  if (DBError error = CheckColumn(index)) return error;
  if (eof_) return Refusal(L"There is no current row.");
  const BoundText& bound = bound_[static_cast<size_t>(index)];
  const SQLLEN boundBytes = static_cast<SQLLEN>(bound.buffer.size() * sizeof(SQLWCHAR));
  if (!bound.buffer.empty() && bound.indicator < boundBytes &&
      (bound.indicator == SQL_NULL_DATA || bound.indicator >= 0)) {
    if (bound.indicator == SQL_NULL_DATA)
      value->clear();
    else
      value->assign(reinterpret_cast<const wchar_t*>(bound.buffer.data()),
                    static_cast<size_t>(bound.indicator) / sizeof(SQLWCHAR));
    return std::nullopt;
  }
  std::optional<std::wstring>& kept = texts_[static_cast<size_t>(index)];
  if (!kept) {
    std::wstring read;
    if (DBError error = ReadText(index, &read)) return error;
    kept = std::move(read);
  }
  *value = *kept;
  return std::nullopt;
}

DBError CRecordset::GetFieldValue(short index, CDBVariant* value) {
  if (DBError error = CheckColumn(index)) return error;
  if (eof_) return Refusal(L"There is no current row.");
  std::optional<CDBVariant>& kept = dateTimes_[static_cast<size_t>(index)];
  if (!kept) {
    CDBVariant read;
    if (DBError error = ReadDateTime(index, &read)) return error;
    kept = read;
  }
  *value = *kept;
  return std::nullopt;
}

DBError CRecordset::ReadText(short index, std::wstring* value) {
  value->clear();
  // Read in pieces so that a value of any length arrives whole; each piece but the last fills the buffer
  // less its terminating NUL.
  if (chunk_.empty()) chunk_.resize(static_cast<size_t>(kChunkChars));
  const SQLLEN chunkBytes = kChunkChars * static_cast<SQLLEN>(sizeof(SQLWCHAR));
  for (;;) {
    SQLLEN indicator = 0;
    SQLRETURN rc = ::SQLGetData(statement_.get(), static_cast<SQLUSMALLINT>(index + 1), SQL_C_WCHAR, chunk_.data(),
                                chunkBytes, &indicator);
    if (rc == SQL_NO_DATA) return std::nullopt;
    if (!Succeeded(rc)) return Failure(rc);
    if (indicator == SQL_NULL_DATA) return std::nullopt;
    bool truncated = rc == SQL_SUCCESS_WITH_INFO && (indicator == SQL_NO_TOTAL || indicator >= chunkBytes);
    size_t chars = truncated ? static_cast<size_t>(kChunkChars - 1)
                             : static_cast<size_t>(indicator) / sizeof(SQLWCHAR);
    value->append(reinterpret_cast<const wchar_t*>(chunk_.data()), chars);
    if (!truncated) return std::nullopt;
  }
}

DBError CRecordset::ReadDateTime(short index, CDBVariant* value) {
  TIMESTAMP_STRUCT stamp = {};
  SQLLEN indicator = 0;
  SQLRETURN rc = ::SQLGetData(statement_.get(), static_cast<SQLUSMALLINT>(index + 1), SQL_C_TIMESTAMP, &stamp,
                              sizeof stamp, &indicator);
  if (!Succeeded(rc)) return Failure(rc);
  *value = CDBVariant{};
  if (indicator == SQL_NULL_DATA) return std::nullopt;
  value->kind = CDBVariant::Kind::dateTime;
  value->year = stamp.year;
  value->month = stamp.month;
  value->day = stamp.day;
  value->hour = stamp.hour;
  value->minute = stamp.minute;
  value->second = stamp.second;
  return std::nullopt;
}

DBError CRecordset::GetODBCFieldInfo(short index, CODBCFieldInfo* info) const {
  if (DBError error = CheckColumn(index)) return error;
  std::vector<SQLWCHAR> name(kNameChars);
  SQLSMALLINT nameLength = 0;
  CODBCFieldInfo field;
  auto describe = [&] {
    return ::SQLDescribeColW(statement_.get(), static_cast<SQLUSMALLINT>(index + 1), name.data(),
                             static_cast<SQLSMALLINT>(name.size()), &nameLength, &field.sqlType, &field.precision,
                             &field.scale, &field.nullability);
  };
  SQLRETURN rc = describe();
  if (Succeeded(rc) && nameLength >= static_cast<SQLSMALLINT>(name.size())) {
    name.resize(static_cast<size_t>(nameLength) + 1);
    rc = describe();
  }
  if (!Succeeded(rc)) return Failure(rc);
  field.name = reinterpret_cast<const wchar_t*>(name.data());
  *info = std::move(field);
  return std::nullopt;
}

}  // namespace framework
