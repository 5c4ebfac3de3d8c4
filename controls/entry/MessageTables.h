// The entry controls' message tables: named blocks of data built into the program, read by
// message number through a small cache, and the set of characters that picture masks take as
// letters.
#pragma once

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

#include <cstddef>
#include <deque>
#include <string>
#include <utility>
#include <vector>

// A named block of bytes built into the program.
struct TRawResource {
    std::string Name;
    const Byte* Data = nullptr;
    std::size_t Size = 0;
};

// A set of raw-data resources looked up by name, as a program module holds them. Locking hands
// out the data; the module counts the locks so that readers can be checked for rescans.
class TResourceModule {
public:
    explicit TResourceModule(std::vector<TRawResource> resources);

    // The handle of the resource with this name (compared ignoring case), or -1.
    int Find(const std::string& name) const;
    std::size_t SizeOf(int handle) const;
    const Byte* Lock(int handle);
    // True when no lock of the resource is left.
    bool Unlock(int handle);
    int LockCount() const { return lockCount_; }

private:
    std::vector<TRawResource> resources_;
    std::vector<int> locks_;
    int lockCount_ = 0;
};

// The resources made from the message-table text at build time.
std::vector<TRawResource> BuiltInResources();
// The program's own module, holding the built-in resources.
TResourceModule& ProgramModule();

VANTREL_EXCEPTION(ETpsStringResourceError, Exception);

// A message table: records of a 16-bit little-endian number followed by a zero-terminated text,
// ending at an empty text or at the end of the resource.
class TpsStringResource {
public:
    static constexpr int CacheLimit = 50;

    // Opens name + suffix, else name alone; neither raises ETpsStringResourceError
    // "String resource not found: %s" with the name. An empty name opens nothing.
    TpsStringResource(const std::string& name, const std::string& suffix,
                      TResourceModule& module = ProgramModule());
    TpsStringResource(const TpsStringResource&) = delete;
    TpsStringResource& operator=(const TpsStringResource&) = delete;

    // The text of the number; empty when the table has none (or raises "String not found: %d"
    // when ReportError is set).
    std::string GetString(int number);

    bool ReportError() const { return reportError_; }
    void SetReportError(bool value) { reportError_ = value; }
    // How many texts the cache holds.
    int CacheCount() const { return static_cast<int>(cache_.size()); }

private:
    void Open(const std::string& name, const std::string& suffix);
    bool Scan(int number, std::string& text);
    void AddToCache(int number, const std::string& text);

    TResourceModule& module_;
    int handle_ = -1;
    std::size_t size_ = 0;
    bool reportError_ = false;
    std::deque<std::pair<int, std::string>> cache_; // oldest first
};

// The loader's own messages ("VCRES_STRINGS") and the controls' texts ("VC_STRINGS" +
// "_ENGLISH", else "VC_STRINGS"), each opened on first use.
TpsStringResource& LoaderStrings();
TpsStringResource& VcStrings();
// A text of the controls' table.
std::string GetVcString(int number);
// "Parameter value is invalid": a data type or a size no field or record knows.
constexpr int MsgInvalidParameter = 34188;

// The characters picture masks accept as letters: blank, ",", "-", ".", "A".."Z", "a".."z" and
// the letters among the codes 128..255.
const TCharSet& AlphaCharSet();
