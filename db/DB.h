// The database layer's messages and its plain exception: EDatabaseError, raised with a text of
// the database message table (numbers 62464 and up) by DBError and DBErrorFmt, or with any
// text by DatabaseError. The data-entry controls raise through DBError too.
#pragma once

#include "platform/rtl/SysUtils.h"

#include <string>

VANTREL_EXCEPTION(EDatabaseError, Exception);

// Numbers of the database message table.
enum : int {
    dbmDuplicateDatabaseName = 62464,
    dbmDuplicateSessionName = 62465,
    dbmInvalidSessionName = 62466,
    dbmDatabaseNameMissing = 62467,
    dbmSessionNameMissing = 62468,
    dbmDatabaseOpen = 62469,
    dbmDataSetOpen = 62472,
    dbmDataSetClosed = 62473,
    dbmSessionActive = 62474,
    dbmHandleError = 62475,
    dbmUnknownFieldType = 62476,
    dbmFieldNotFound = 62477,
    dbmCannotConnect = 62517,
    dbmInitError = 62520,
    dbmDatabaseLanguage = 62554,
    dbmEngineError = 62556,
    dbmIndexNotFound = 62571,
    dbmInvalidAliasName = 62585,
    dbmUntitledApplication = 62608,
};

// The text of a message number; empty for a number the table does not hold.
std::string DBMessage(int Ident);

[[noreturn]] void DatabaseError(const std::string& Message);
// Raises EDatabaseError with the message-table text Ident.
[[noreturn]] void DBError(int Ident);
// Raises EDatabaseError with the message-table text Ident formatted with Args.
[[noreturn]] void DBErrorFmt(int Ident, TVarRecs Args);
