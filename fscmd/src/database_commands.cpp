// Database commands: ten ODBC connection slots, the current query of each, its rows and their values as text.
#include <windows.h>
#include <wchar.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "framework/odbc.h"
#include "fscmd/database_rules.h"
#include "library.h"

namespace fscmd {

namespace {

using framework::CDBException;
using framework::CDBVariant;
using framework::CODBCFieldInfo;
using framework::CRecordset;
using framework::DBError;

constexpr int kDatabaseSlots = 10;
constexpr long kDefaultQueryTimeout = 10;

// One numbered connection with its current query and that query's columns.
struct DatabaseSlot {
  framework::CDatabase database;
  bool isOpen = false;
  std::unique_ptr<CRecordset> recordset;
  std::vector<CODBCFieldInfo> fields;
  long fieldCount = -1;

  void DropQuery() {
    recordset.reset();
    fields.clear();
    fieldCount = -1;
  }
  void Close() {
    DropQuery();
    database.Close();
    isOpen = false;
  }
};

// The slots live from the library's load to its unload; each recordset goes before its connection.
DatabaseSlot* Slots() {
  static DatabaseSlot slots[kDatabaseSlots];
  return slots;
}

// The slot field 0 names: -101 when it is empty, -102 outside 1 to 10.
long FindSlot(const ArgumentList& fields, DatabaseSlot** slot) {
  if (fields.IsEmpty(0)) return code::kMissingField;
  long number = fields.Number(0);
  if (number < 1 || number > kDatabaseSlots) return code::kOutOfRange;
  *slot = &Slots()[number - 1];
  return 0;
}

long ReportFailure(const CDBException& error, const wchar_t* caption) {
  std::wstring text = DatabaseErrorMessage(error.returnCode(), error.errorText());
  ::MessageBoxW(nullptr, text.c_str(), caption, MB_OK);
  return code::kSystemFailed;
}

// The column field 1 names, by index from 0 or by name in any letter case (the first match).
long ResolveColumn(const DatabaseSlot& slot, const std::wstring& field, long* index) {
  const wchar_t* begin = field.c_str();
  wchar_t* end = nullptr;
  long number = std::wcstol(begin, &end, 10);
  if (end == begin) {
    if (slot.fields.empty()) return code::kNotOpen;
    for (size_t i = 0; i < slot.fields.size(); ++i) {
      if (_wcsicmp(slot.fields[i].name.c_str(), field.c_str()) == 0) {
        *index = static_cast<long>(i);
        return 0;
      }
    }
    return code::kUnknownName;
  }
  if (!slot.recordset || slot.fields.empty()) return code::kNotOpen;
  if (number < 0 || number >= slot.fieldCount) return code::kOutOfRange;
  *index = number;
  return 0;
}

// Reads the current row's value of a resolved column as the movie receives it.
DBError ReadValue(DatabaseSlot& slot, long index, std::wstring* value) {
  SQLSMALLINT sqlType = slot.fields[static_cast<size_t>(index)].sqlType;
  short column = static_cast<short>(index);
  if (IsDateTimeType(sqlType)) {
    CDBVariant variant;
    if (DBError error = slot.recordset->GetFieldValue(column, &variant)) return error;
    value->clear();
    if (variant.kind == CDBVariant::Kind::dateTime)
      *value = FormatDateTime(DateTimeValue{variant.year, variant.month, variant.day, variant.hour, variant.minute,
                                            variant.second},
                              sqlType);
    return std::nullopt;
  }
  return slot.recordset->GetFieldValue(column, value);
}

}  // namespace

namespace commands {

long DBOpen(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  slot->Close();
  if (DBError error = slot->database.OpenEx(fields[1])) return ReportFailure(*error, L"E:OpenDB()");
  long timeout = fields.Number(2);
  slot->database.SetQueryTimeout(static_cast<DWORD>(timeout == 0 ? kDefaultQueryTimeout : timeout));
  slot->isOpen = true;
  return 0;
}

long DBClose(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  slot->Close();
  return 0;
}

long DBDoSQL(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  if (fields.IsEmpty(1)) return code::kMissingField;
  slot->DropQuery();
  // A query needs a connection: without one there is nothing to ask, as for a statement.
  if (!slot->isOpen) return code::kNotOpen;

  auto recordset = std::make_unique<CRecordset>(slot->database);
  if (DBError error = recordset->Open(CRecordset::dynaset, fields[1])) return ReportFailure(*error, L"E:Open()");
  long count = recordset->GetODBCFieldCount();
  if (count <= 0 || recordset->IsEOF()) return 0;

  std::vector<CODBCFieldInfo> columns(static_cast<size_t>(count));
  for (short i = 0; i < count; ++i) {
    if (DBError error = recordset->GetODBCFieldInfo(i, &columns[static_cast<size_t>(i)]))
      return ReportFailure(*error, L"E:GetODBCFieldInfo()");
  }
  slot->recordset = std::move(recordset);
  slot->fields = std::move(columns);
  slot->fieldCount = count;
  return count;
}

long DBMoveNext(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  if (!slot->recordset) return code::kNotOpen;
  // Past the end the answer stays -106: there is no row further on to fail to reach.
  if (slot->recordset->IsEOF()) return code::kPastLastRow;
  if (DBError error = slot->recordset->Move(1, SQL_FETCH_NEXT)) return ReportFailure(*error, L"E:MoveNext()");
  return slot->recordset->IsEOF() ? code::kPastLastRow : 0;
}

long DBGetFieldVal(const std::wstring& args, CommandResult& result) {
  result.SetSeparator(L'\t');
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  if (fields.IsEmpty(1)) return code::kMissingField;
  long index = 0;
  if (long refusal = ResolveColumn(*slot, fields[1], &index)) return refusal;
  result.AddExtra(fields[0]);
  result.AddExtra(fields[1]);
  std::wstring value;
  if (DBError error = ReadValue(*slot, index, &value)) {
    result.AddEmptyExtra();
    return ReportFailure(*error, L"E:GetFieldVal()");
  }
  result.AddExtra(std::move(value));
  return index;
}

long DBGetFieldType(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  if (fields.IsEmpty(1)) return code::kMissingField;
  long index = 0;
  if (long refusal = ResolveColumn(*slot, fields[1], &index)) return refusal;
  result.AddExtra(fields[0]);
  result.AddExtra(fields[1]);
  result.AddExtra(SqlTypeName(slot->fields[static_cast<size_t>(index)].sqlType));
  return index;
}

long DBGetFieldName(const std::wstring& args, CommandResult& result) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  if (fields.IsEmpty(1)) return code::kMissingField;
  if (slot->fields.empty()) return code::kNotOpen;
  long index = fields.Number(1);
  if (index < 0 || index >= slot->fieldCount) return code::kOutOfRange;
  result.AddExtra(fields[0]);
  result.AddExtra(fields[1]);
  result.AddExtra(slot->fields[static_cast<size_t>(index)].name);
  return 0;
}

long DBExecSQL(const std::wstring& args, CommandResult&) {
  ArgumentList fields = SplitArguments(args);
  DatabaseSlot* slot = nullptr;
  if (long refusal = FindSlot(fields, &slot)) return refusal;
  if (fields.IsEmpty(1)) return code::kMissingField;
  if (!slot->isOpen) return code::kNotOpen;
  if (DBError error = slot->database.ExecuteSQL(fields[1])) return ReportFailure(*error, L"E:GetFieldVal()");
  return 0;
}

}  // namespace commands

}  // namespace fscmd
