// Test databases: SQLite files reached through the SQLite3 ODBC driver without a data source name.
#pragma once

#include <string>

namespace testing_support {

// The path the ODBC driver must be given for a Windows path. Under Wine the driver is a library of the host
// system and opens host paths; on Windows it is the path itself.
std::wstring DriverPath(const std::wstring& windowsPath);

// "DRIVER={SQLite3};Database=..." for a database file, which the driver makes on the first connection.
std::wstring SqliteConnectString(const std::wstring& windowsPath);

}  // namespace testing_support
