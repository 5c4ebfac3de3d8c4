#include "db/EngineServices.h"

#include "db/EngineWorkAreas.h"
#include "platform/rtl/Numbers.h"

#include <cstring>

namespace {

DBIResult NotSupported(const char* name) {
    EngineNotice(std::string("This engine function is not supported: ") + name);
    return dbiNotSupported;
}

DBIResult CopyText(std::string* dest, const char* source, LongWord length, bool* dataLoss) {
    if (dataLoss) *dataLoss = false;
    if (!dest) return dbiOK;
    const std::string_view text = source ? source : "";
    *dest = length < 1 ? text : text.substr(0, length);
    return dbiOK;
}

} // namespace

// ---- Properties ----

DBIResult DbiGetProp(TObjectHandle object, LongWord property, void* value, Word size,
                     Word* length) {
    switch (property) {
    case curTranslateMode:
        if (const TEngineWorkArea* area = EngineWorkArea(object); area && value)
            std::memcpy(value, &area->TranslateMode, sizeof area->TranslateMode);
        return dbiOK;
    case dbDatabaseType: {
        static const char kStandard[] = "STANDARD";
        if (value && size > 0)
            std::memcpy(value, kStandard, std::min<std::size_t>(size, sizeof kStandard));
        if (length) *length = 8;
        return dbiOK;
    }
    case sesIgnored:
    case dbIgnored: return dbiOK;
    default:
        EngineNotice("DbiGetProp: iProp = " + IntToHex(static_cast<Int64>(property), 8));
        return dbiOK;
    }
}

DBIResult DbiSetProp(TObjectHandle object, LongWord property, std::intptr_t value) {
    if (property != curTranslateMode) return dbiOK;
    if (TEngineWorkArea* area = EngineWorkArea(object))
        area->TranslateMode = static_cast<LongInt>(value);
    return dbiOK;
}

// ---- Errors ----

DBIResult DbiGetErrorString(DBIResult code, std::string* text) {
    if (!text) return dbiOK;
    const std::string reason = FailureReason(code);
    if (code == dbiTableOpenFailed)
        *text = reason.empty() ? "File Open Error" : "File Open Error: " + reason;
    else
        *text = reason.empty() ? "Engine Error : " + std::to_string(code) : reason;
    return dbiOK;
}

DBIResult DbiGetErrorEntry(Word, LongWord*, std::string*) {
    return dbiOK;
}

// ---- Character sets and locales ----

DBIResult DbiNativeToAnsi(TLocaleHandle, std::string* dest, const char* source, LongWord length,
                          bool* dataLoss) {
    return CopyText(dest, source, length, dataLoss);
}

DBIResult DbiAnsiToNative(TLocaleHandle, std::string* dest, const char* source, LongWord length,
                          bool* dataLoss) {
    return CopyText(dest, source, length, dataLoss);
}

DBIResult DbiGetCursorLocale(TCursorHandle, TLocaleHandle* locale) {
    if (locale) *locale = 1;
    return dbiOK;
}

DBIResult DbiGetLdName(const char*, const char*, std::string*) {
    return dbiNoLanguageDriver;
}

DBIResult LoadLocaleByName(const char*, TLocaleHandle*) {
    return dbiOK;
}

DBIResult UnloadLocale(TLocaleHandle) {
    return dbiOK;
}

// ---- Callbacks ----

DBIResult DbiRegisterCallBack(TCursorHandle, int, std::intptr_t, Word, void*, TEngineCallbackFunc) {
    return dbiOK;
}

DBIResult DbiGetCallBack(TCursorHandle, int, std::intptr_t* clientData, Word* bufferLength,
                         void** buffer, TEngineCallbackFunc* callback) {
    if (clientData) *clientData = 0;
    if (bufferLength) *bufferLength = 0;
    if (buffer) *buffer = nullptr;
    if (callback) *callback = nullptr;
    return dbiOK;
}

DBIResult DbiBatchMove(const void*) {
    return dbiOK;
}

DBIResult DbiNoOp() {
    return dbiOK;
}

// ---- Not supported ----

DBIResult DbiGetVchkDesc(TCursorHandle, Word, void*) {
    return NotSupported("DbiGetVchkDesc");
}
DBIResult DbiQAlloc(TDatabaseHandle, int, LongWord*) {
    return NotSupported("DbiQAlloc");
}
DBIResult DbiQPrepare(LongWord, const char*) {
    return NotSupported("DbiQPrepare");
}
DBIResult DbiQExec(LongWord, TCursorHandle*) {
    return NotSupported("DbiQExec");
}
DBIResult DbiQFree(LongWord&) {
    return NotSupported("DbiQFree");
}
DBIResult DbiQSetParams(LongWord, Word, const TFieldDescriptor*, const char*) {
    return NotSupported("DbiQSetParams");
}
DBIResult DbiQPrepareProc(TDatabaseHandle, const char*, Word, const void*, const char*, LongWord*) {
    return NotSupported("DbiQPrepareProc");
}
DBIResult DbiQSetProcParams(LongWord, Word, const void*, const char*) {
    return NotSupported("DbiQSetProcParams");
}
DBIResult DbiOpenSPParamList(TDatabaseHandle, const char*, bool, LongWord, TCursorHandle*) {
    return NotSupported("DbiOpenSPParamList");
}
DBIResult GetDbiLdNameFromDb(TDatabaseHandle, const char*, std::string*) {
    return NotSupported("GetDbiLdNameFromDb");
}
DBIResult DbiSetPrivateDir(const char*) {
    return NotSupported("DbiSetPrivateDir");
}
DBIResult DbiCloseIndex(TCursorHandle, const char*, Word) {
    return NotSupported("DbiCloseIndex");
}
DBIResult DbiMakePermanent(TCursorHandle, const char*, bool) {
    return NotSupported("DbiMakePermanent");
}
DBIResult DbiDeleteTable(TDatabaseHandle, const char*, const char*) {
    return NotSupported("DbiDeleteTable");
}
DBIResult DbiBcdFromFloat(double*, Word, Word, void*) {
    return NotSupported("DbiBcdFromFloat");
}
DBIResult DbiAddPassword(const char*) {
    return NotSupported("DbiAddPassword");
}
DBIResult DbiDropPassword(const char*) {
    return NotSupported("DbiDropPassword");
}
DBIResult DbiBeginDelayedUpdates(TCursorHandle&) {
    return NotSupported("DbiBeginDelayedUpdates");
}
DBIResult DbiEndDelayedUpdates(TCursorHandle&) {
    return NotSupported("DbiEndDelayedUpdates");
}
