// The engine call interface, first part: start and stop of the engine, sessions, database
// directories, opening and closing tables as engine work areas, and the descriptions of a
// cursor, its fields and its indexes.
//
// Every entry point returns a result code (0 = success) and never raises; out arguments are
// written only on success unless stated. A database handle names a directory; a table opened
// in it becomes the work area whose number is the cursor handle. The table file's first byte
// chooses the driver when the caller names none. Paths longer than dbiMaxPath are refused with
// 11011 rather than cut.
#pragma once

#include "db/EngineTypes.h"

#include <string>

// Start and stop. DbiInit gives 99 (after telling the user) when the engine is too old; while
// the engine runs, its entry points are offered as the module "XBASE3032" (xbase/XbModule.h).
DBIResult DbiInit(const TEngineEnv* env);
DBIResult DbiExit();
// True when an engine version text ("Ver 2.40.00") names 2.40 or later; a text without a
// readable version is refused.
bool EngineVersionAccepted(const std::string& version);

// Sessions are not kept by this engine: these succeed and change nothing.
DBIResult DbiStartSession(const char* name, TSessionHandle* session, const char* netDir);
DBIResult DbiSetCurrSession(TSessionHandle session);
DBIResult DbiCloseSession(TSessionHandle session);
DBIResult DbiGetSesInfo(TSessionInfo* info);
DBIResult DbiGetObjFromName(int objectType, const char* name, TObjectHandle* object);
DBIResult DbiGetCurrSession(TSessionHandle* session); // always session 1

// Databases. The directory of DbiOpenDatabase is the optional-parameters text when given,
// else the default directory, else "./".
DBIResult DbiOpenDatabase(const char* name, const char* type, int openMode, int shareMode,
                          const char* password, Word optFieldCount,
                          const TFieldDescriptor* optDescs, const char* optParams,
                          TDatabaseHandle* database);
DBIResult DbiCloseDatabase(TDatabaseHandle& database);
DBIResult DbiSetDirectory(TDatabaseHandle database, const char* directory);
DBIResult DbiFormFullName(TDatabaseHandle database, const char* table, const char* driver,
                          std::string* fullName);
// A descriptor named "PATH" sets the default directory from its place in record.
DBIResult DbiWriteConfigRecord(int configMode, const char* path, Word fieldCount,
                               const TFieldDescriptor* descs, const char* record);
DBIResult DbiFindConfigEntry(int configMode, const char* path, bool* found);
DBIResult DbiDropConfigEntry(int configMode, const char* path);
DBIResult DbiOpenConfigList(int configMode, const char* path, TCursorHandle* cursor);
DBIResult DbiGetDatabaseDesc(const char* name, TDatabaseDesc* desc); // always 8712

// Tables. DbiOpenTable gives 11011 when the engine cannot open the table (the cursor is then
// 0), 10763 when the file exists but cannot be written and read/write was asked, 8453 when an
// index file of the table is damaged (or does not match it and cannot be rebuilt), 8451 for a
// damaged memo file, and 10760 when the index tag asked for does not exist (the reason tells
// whether its index file is missing). Each keeps the engine's reason for the error text. A new
// cursor stands before its first record; an order met damaged there is rebuilt when the cursor
// has the table to itself (EngineRecords.h), else the open fails with 8453.
DBIResult DbiOpenTable(TDatabaseHandle database, const char* table, const char* driver,
                       const char* indexName, const char* tag, Word indexId, int openMode,
                       int shareMode, int translateMode, bool oneWay, const char* optParams,
                       TCursorHandle* cursor);
// Closes the cursor's table, writing what an exclusive open gathered (appended records, index
// pages); the cursor is closed even when that write fails, and the failure is answered.
DBIResult DbiCloseCursor(TCursorHandle& cursor);
DBIResult DbiGetCursorProps(TCursorHandle cursor, TCursorProps* props);
// Fills one descriptor per field (the caller's array holds the field count of the cursor
// properties); logical descriptors unless the cursor's translate mode is 0.
DBIResult DbiGetFieldDescs(TCursorHandle cursor, TFieldDescriptor* descs);
// The field list of a table as the list cursor 260, read with DbiGetNextRecord.
DBIResult DbiOpenFieldList(TDatabaseHandle database, const char* table, const char* driver,
                           bool physicalTypes, TCursorHandle* cursor);
// Order 0 describes the controlling order (10757 when there is none); an order past the last
// gives 10760 and describes nothing.
DBIResult DbiGetIndexDesc(TCursorHandle cursor, Word order, TIndexDesc* desc);
DBIResult DbiGetIndexDescs(TCursorHandle cursor, TIndexDesc* descs);
// An empty tag selects natural order; a tag no order has gives 10760.
DBIResult DbiSwitchToIndex(TCursorHandle& cursor, const char* indexName, const char* tag,
                           Word indexId, bool keepRecord);
DBIResult DbiOpenIndexList(TDatabaseHandle database, const char* table, const char* driver,
                           TCursorHandle* cursor);
DBIResult DbiCloneCursor(TCursorHandle source, bool readOnly, bool oneWay, TCursorHandle* clone);
// Opens an index file on the cursor through the engine; 10760 when it cannot be opened.
DBIResult DbiOpenIndex(TCursorHandle cursor, const char* indexName, Word indexId);

// The alias a table named name gets: its base name, at most 8 characters, with "~", "-" and
// blanks made "_", numbered "_1", "_2", ... while the engine has that alias in use.
std::string AliasForTable(const std::string& name);
// The driver of a table file by its first byte (for the files that go with it: the index
// files beside it); 2 (CDX) when nothing decides.
int DriverOfTableFile(const std::string& path);
