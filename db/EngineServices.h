// The engine call interface: cursor and database properties, error texts, character-set
// conversions, locales and callbacks (which this engine answers without effect), and the entry
// points this engine does not support. Those tell the user "This engine function is not
// supported: " with their name and return 12033, so a caller never takes them for done.
#pragma once

#include "db/EngineTypes.h"

#include <string>

// Properties. An unknown property is shown to the user and left untouched; the result is 0.
DBIResult DbiGetProp(TObjectHandle object, LongWord property, void* value, Word size, Word* length);
DBIResult DbiSetProp(TObjectHandle object, LongWord property, std::intptr_t value);

// Error texts: 11011 "File Open Error", any other code "Engine Error : " and the code. When the
// last failure of the engine gave that code with a reason, the text tells it: "File Open
// Error: " followed by the reason, or the reason alone ("Disk is full: ...").
DBIResult DbiGetErrorString(DBIResult code, std::string* text);
// Entry n (from 1) of the last failure's details: its code (0 when there is no such entry)
// and text.
DBIResult DbiGetErrorEntry(Word entry, LongWord* nativeCode, std::string* text);

// Character sets: the native set of this engine is the program's own, so text is copied
// unchanged (at most length characters when length is above 0).
DBIResult DbiNativeToAnsi(TLocaleHandle locale, std::string* dest, const char* source,
                          LongWord length, bool* dataLoss);
DBIResult DbiAnsiToNative(TLocaleHandle locale, std::string* dest, const char* source,
                          LongWord length, bool* dataLoss);
DBIResult DbiGetCursorLocale(TCursorHandle cursor, TLocaleHandle* locale);         // always 1
DBIResult DbiGetLdName(const char* driver, const char* object, std::string* name); // 10013
DBIResult LoadLocaleByName(const char* name, TLocaleHandle* locale);
DBIResult UnloadLocale(TLocaleHandle locale);

// Callbacks: none is registered, and none is reported as registered.
DBIResult DbiRegisterCallBack(TCursorHandle cursor, int kind, std::intptr_t clientData,
                              Word bufferLength, void* buffer, TEngineCallbackFunc callback);
DBIResult DbiGetCallBack(TCursorHandle cursor, int kind, std::intptr_t* clientData,
                         Word* bufferLength, void** buffer, TEngineCallbackFunc* callback);
DBIResult DbiBatchMove(const void* description);
DBIResult DbiNoOp();

// Not supported.
DBIResult DbiGetVchkDesc(TCursorHandle cursor, Word check, void* desc);
DBIResult DbiQAlloc(TDatabaseHandle database, int language, LongWord* statement);
DBIResult DbiQPrepare(LongWord statement, const char* query);
DBIResult DbiQExec(LongWord statement, TCursorHandle* cursor);
DBIResult DbiQFree(LongWord& statement);
DBIResult DbiQSetParams(LongWord statement, Word fieldCount, const TFieldDescriptor* descs,
                        const char* record);
DBIResult DbiQPrepareProc(TDatabaseHandle database, const char* procedure, Word paramCount,
                          const void* params, const char* record, LongWord* statement);
DBIResult DbiQSetProcParams(LongWord statement, Word paramCount, const void* params,
                            const char* record);
DBIResult DbiOpenSPParamList(TDatabaseHandle database, const char* procedure, bool physical,
                             LongWord overload, TCursorHandle* cursor);
DBIResult GetDbiLdNameFromDb(TDatabaseHandle database, const char* table, std::string* name);
DBIResult DbiSetPrivateDir(const char* directory);
DBIResult DbiCloseIndex(TCursorHandle cursor, const char* indexName, Word indexId);
DBIResult DbiMakePermanent(TCursorHandle cursor, const char* name, bool overwrite);
DBIResult DbiDeleteTable(TDatabaseHandle database, const char* table, const char* driver);
DBIResult DbiBcdFromFloat(double* value, Word precision, Word places, void* bcd);
DBIResult DbiAddPassword(const char* password);
DBIResult DbiDropPassword(const char* password);
DBIResult DbiBeginDelayedUpdates(TCursorHandle& cursor);
DBIResult DbiEndDelayedUpdates(TCursorHandle& cursor);
