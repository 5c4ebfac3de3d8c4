// The xBase engine's call interface. Every call acts on the current work area (xb_Select);
// texts are single-byte strings. Calls that write return a status of TXbStatus (0 = done).
#pragma once

#include "platform/rtl/Types.h"
#include "xbase/XbTable.h"

#include <cstdint>
#include <string>
#include <vector>

// Open modes of xb_Use.
constexpr int xbModeShared = 0;
constexpr int xbModeReadOnly = 1;
constexpr int xbModeExclusive = 2;
// Drivers: the index family and the memo format that go with a table.
constexpr int xbNTX = 1; // NTX indexes, DBT memos
constexpr int xbCDX = 2; // CDX indexes, FPT memos
constexpr int xbNSX = 3; // NSX indexes, FPT memos
// Kinds of xb_Replace.
constexpr int xbReplaceText = 1024;
constexpr int xbReplaceDateText = 1056;
constexpr int xbReplaceMemo = 3072;
constexpr int xbReplaceDouble = 8;
constexpr int xbReplaceLogical = 128;

// Settings. Each setter returns the value it replaced.
std::string xb_Version();
int xb_SetStringType(int type);
int xb_ErrorLevel(int level);
int xb_SetCentury(int on);
int xb_SetDateFormat(int format);
int xb_SetDeleted(int on);
int xb_SetExact(int on);
int xb_SetSoftSeek(int on);
int xb_SetLockTimeout(int seconds);
int xb_SetMemoBlockSize(int size);
int xb_SetEpoch(int year);
int xb_SetTurboRead(int on);
std::intptr_t xb_SysProp(int code, std::intptr_t value);

// Creating tables and orders.
// A new table from a field list; driver decides the memo format (DBT for NTX, else FPT).
int xb_Create(const std::string& path, const std::vector<TXbFieldDef>& fields, int driver);
// A new order in an index file of the current area (created when missing) and makes it the
// controlling order; returns the order number, 0 on failure.
int xb_IndexCreate(const std::string& path, const std::string& tag, const std::string& key,
                   const std::string& condition, int unique, int descending);
// Rebuilds every open order from the table.
int xb_Reindex();

// Work areas.
int xb_Use(const std::string& path, const std::string& alias, int mode, int driver);
int xb_Select(int area);
int xb_WorkArea(const std::string& alias = {});
std::string xb_Alias();
std::string xb_BaseName();
int xb_Close();
void xb_CloseAll();

// Structure.
int xb_FieldCount();
int xb_RecSize();
std::string xb_FieldName(int field);
int xb_FieldNum(const std::string& name);
std::string xb_FieldType(int field);
int xb_FieldWidth(int field);
int xb_FieldDecimals(int field);
int xb_FieldOffset(int field);

// Moving. Each gives the status of writing back a record changed by xb_Replace or xb_PutBlob;
// the cursor moves even when that write was refused.
int xb_GoTop();
int xb_GoBottom();
int xb_Skip(LongInt count);
int xb_Go(LongInt record);
LongInt xb_RecNo();
LongInt xb_RecCount();
int xb_Bof();
int xb_Eof();
int xb_Deleted();
LongInt xb_OrderRecNo();

// Records.
std::string xb_GetRecord();
int xb_PutRecord(const std::string& image);
int xb_AppendEx();
int xb_Delete();
int xb_Commit();
int xb_Pack();
int xb_Rlock(LongInt record);
int xb_Unlock(LongInt record);
int xb_Replace(int field, int kind, const std::string& text);
int xb_Replace(int field, int kind, const char* text);
int xb_Replace(int field, int kind, double value);
int xb_Replace(int field, int kind, bool value);
std::string xb_GetString(int field);
std::string xb_GetTrimString(int field);
std::string xb_GetDateString(int field);
int xb_GetLogical(int field);
int xb_Empty(int field);

// Memos.
char* xb_GetMemo(int field, int reserved);
void xb_MemDealloc(char* memory);
LongInt xb_GetBlob(int field, std::string& buffer);
LongInt xb_GetBlobLength(int field);
int xb_PutBlob(int field, const char* data, LongInt length);
int xb_IsEncrypted(int reserved);

// Orders.
int xb_IndexOpen(const std::string& path);
int xb_IndexOrd();
int xb_SetOrder(int order);
int xb_TagArea(const std::string& tag);
std::string xb_TagName(int order);
std::string xb_IndexName(int order);
std::string xb_IndexKey();
std::string xb_IndexKeyField();
int xb_IndexType();
std::string xb_IndexCondition();
int xb_Seek(const std::string& key);
int xb_SetScope(const std::string& low, const std::string& high);
std::string xb_KeyData();

// Expressions.
int xb_EvalTest(const std::string& expression);
std::string xb_EvalString(const std::string& expression);
int xb_EvalLogical(const std::string& expression);
int xb_Query(const std::string& condition);
LongInt xb_QueryRecCount();
std::string xb_DBFilter();
