// Measures a movie's walk over a table of 10,000 rows and 5 columns through the library's FSDBMoveNext and
// FSDBGetFieldVal, beside the same walk written directly on the ODBC API (fetch, then each column as text).
// Under Wine the SQLite driver is a host library: the database file is given to it by its host path.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/odbc.h"

namespace {

using Clock = std::chrono::steady_clock;
using BstrExport = BSTR(__stdcall*)(const wchar_t*);

constexpr int kRows = 10000;
constexpr int kColumns = 5;
constexpr int kRounds = 5;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

std::wstring ModuleFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring full = path;
  return full.substr(0, full.rfind(L'\\'));
}

std::wstring DriverPath(const std::wstring& windowsPath) {
  using UnixFileName = char*(__cdecl*)(const wchar_t*);
  auto toUnix = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unixPath = toUnix ? toUnix(windowsPath.c_str()) : nullptr;
  if (!unixPath) return windowsPath;
  std::wstring path;
  for (const char* c = unixPath; *c; ++c) path += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  ::HeapFree(::GetProcessHeap(), 0, unixPath);
  return path;
}

bool MakeTable(const std::wstring& connect) {
  framework::CDatabase database;
  if (database.OpenEx(connect)) return false;
  if (database.ExecuteSQL(L"CREATE TABLE goods (id INTEGER, name VARCHAR(40), price DOUBLE, made DATE, note TEXT)"))
    return false;
  return !database.ExecuteSQL(
      L"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_wstring(kRows) +
      L") INSERT INTO goods SELECT i, 'article ' || i, i * 1.25, '2004-03-05', "
      L"'a note of some length about article number ' || i FROM n");
}

// The extension library of the build tree, loaded once for every walk.
class Library {
 public:
  explicit Library(const std::wstring& path) : module_(::LoadLibraryW(path.c_str())) {}
  ~Library() {
    if (module_) ::FreeLibrary(module_);
  }
  bool loaded() const { return module_ != nullptr; }
  BstrExport Find(const char* name) const {
    return reinterpret_cast<BstrExport>(reinterpret_cast<void*>(::GetProcAddress(module_, name)));
  }
  std::wstring Call(const char* name, const std::wstring& args) const { return Call(Find(name), args); }
  // Exports are looked up once, so that the walk times the library rather than the host's lookup.
  static std::wstring Call(BstrExport function, const std::wstring& args) {
    if (!function) return L"<missing>";
    BSTR answer = function(args.c_str());
    std::wstring text(answer, ::SysStringLen(answer));
    ::SysFreeString(answer);
    return text;
  }

 private:
  HMODULE module_;
};

// Rows walked and characters read, so that both walks can be checked against each other.
struct Walk {
  long rows = 0;
  size_t chars = 0;
};

Walk WalkThroughLibrary(const Library& library) {
  Walk walk;
  if (library.Call("FSDBDoSQL", L"1,SELECT * FROM goods") != L"," + std::to_wstring(kColumns)) return walk;
  static const std::wstring kArgs[kColumns] = {L"1,0,v", L"1,1,v", L"1,2,v", L"1,3,v", L"1,4,v"};
  BstrExport getFieldVal = library.Find("FSDBGetFieldVal");
  BstrExport moveNext = library.Find("FSDBMoveNext");
  do {
    ++walk.rows;
    for (const std::wstring& args : kArgs) {
      std::wstring answer = Library::Call(getFieldVal, args);
      walk.chars += answer.size() - answer.rfind(L'\t') - 1;
    }
  } while (Library::Call(moveNext, L"1") == L",0");
  return walk;
}

// A connection of its own, opened once as the library's slot is, so that both walks time only the query.
class DirectConnection {
 public:
  explicit DirectConnection(const std::wstring& connect) {
    ::SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &environment_);
    ::SQLSetEnvAttr(environment_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ::SQLAllocHandle(SQL_HANDLE_DBC, environment_, &connection_);
    std::wstring text = connect;
    SQLSMALLINT length = 0;
    connected_ = SQL_SUCCEEDED(::SQLDriverConnectW(connection_, nullptr, text.data(), SQL_NTS, nullptr, 0, &length,
                                                   SQL_DRIVER_NOPROMPT));
  }
  ~DirectConnection() {
    if (connected_) ::SQLDisconnect(connection_);
    ::SQLFreeHandle(SQL_HANDLE_DBC, connection_);
    ::SQLFreeHandle(SQL_HANDLE_ENV, environment_);
  }
  bool connected() const { return connected_; }

  Walk WalkTable() const {
    Walk walk;
    SQLHANDLE statement = SQL_NULL_HANDLE;
    ::SQLAllocHandle(SQL_HANDLE_STMT, connection_, &statement);
    std::wstring sql = L"SELECT * FROM goods";
    if (SQL_SUCCEEDED(::SQLExecDirectW(statement, sql.data(), SQL_NTS))) {
      SQLWCHAR buffer[4096];
      while (SQL_SUCCEEDED(::SQLFetch(statement))) {
        ++walk.rows;
        for (SQLUSMALLINT column = 1; column <= kColumns; ++column) {
          SQLLEN indicator = 0;
          if (SQL_SUCCEEDED(::SQLGetData(statement, column, SQL_C_WCHAR, buffer, sizeof buffer, &indicator)) &&
              indicator > 0) {
            std::wstring value(reinterpret_cast<const wchar_t*>(buffer), static_cast<size_t>(indicator) / 2);
            walk.chars += value.size();
          }
        }
      }
    }
    ::SQLFreeHandle(SQL_HANDLE_STMT, statement);
    return walk;
  }

 private:
  SQLHANDLE environment_ = SQL_NULL_HANDLE;
  SQLHANDLE connection_ = SQL_NULL_HANDLE;
  bool connected_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  std::wstring libraryPath = ModuleFolder() + L"\\..\\..\\fscmd\\VantraFSCmd.dll";
  if (argc > 1) {
    std::string given = argv[1];
    libraryPath.assign(given.begin(), given.end());
  }
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  std::wstring file = std::wstring(temp) + L"odbc_bench_" + std::to_wstring(::GetCurrentProcessId()) + L".db";
  ::DeleteFileW(file.c_str());
  std::wstring connect = L"DRIVER={SQLite3};Database=" + DriverPath(file);
  if (!MakeTable(connect)) {
    std::fprintf(stderr, "cannot make the table (is the SQLite3 ODBC driver registered? see scripts/setup)\n");
    return 1;
  }
  Library library(libraryPath);
  if (!library.loaded() || library.Call("FSDBOpen", L"1," + connect) != L",0") {
    std::fprintf(stderr, "cannot load the library or open the database through it\n");
    ::DeleteFileW(file.c_str());
    return 1;
  }

  auto directConnection = std::make_unique<DirectConnection>(connect);
  if (!directConnection->connected()) {
    std::fprintf(stderr, "cannot open the database directly\n");
    ::DeleteFileW(file.c_str());
    return 1;
  }

  double best = 1e9, bestDirect = 1e9;
  Walk viaLibrary, direct;
  for (int round = 0; round < kRounds; ++round) {
    auto t0 = Clock::now();
    viaLibrary = WalkThroughLibrary(library);
    auto t1 = Clock::now();
    direct = directConnection->WalkTable();
    auto t2 = Clock::now();
    best = std::min(best, Seconds(t0, t1));
    bestDirect = std::min(bestDirect, Seconds(t1, t2));
  }
  library.Call("FSDBClose", L"1");
  directConnection.reset();
  ::DeleteFileW(file.c_str());

  std::printf("table: %d rows of %d columns\n", kRows, kColumns);
  std::printf("library: DBDoSQL + DBGetFieldVal x %d + DBMoveNext   %.3f s, %ld rows, %zu characters (best of %d)\n",
              kColumns, best, viaLibrary.rows, viaLibrary.chars, kRounds);
  std::printf("ODBC API: execute + fetch + SQLGetData x %d           %.3f s, %ld rows, %zu characters (best of %d)\n",
              kColumns, bestDirect, direct.rows, direct.chars, kRounds);
  std::printf("ratio: %.3f (goal 1.5 or less)\n", best / bestDirect);
  bool same = viaLibrary.rows == kRows && direct.rows == kRows;
  if (!same) std::fprintf(stderr, "the walks did not see every row\n");
  return same ? 0 : 1;
}
