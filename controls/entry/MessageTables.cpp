#include "controls/entry/MessageTables.h"

#include "platform/rtl/Strings.h"

namespace {

// Messages of the loader's own table.
constexpr int MsgStringNotFound = 1;
constexpr int MsgResourceNotFound = 3;

// Resource names reach the module cut to this length.
constexpr std::size_t MaxResourceName = 255;

[[noreturn]] void RaiseLoaderError(int message, TVarRecs args) {
    throw ETpsStringResourceError(LoaderStrings().GetString(message), args);
}

} // namespace

TResourceModule::TResourceModule(std::vector<TRawResource> resources)
    : resources_(std::move(resources)), locks_(resources_.size(), 0) {}

int TResourceModule::Find(const std::string& name) const {
    for (std::size_t i = 0; i < resources_.size(); ++i)
        if (SameText(resources_[i].Name, name)) return static_cast<int>(i);
    return -1;
}

std::size_t TResourceModule::SizeOf(int handle) const {
    return resources_.at(static_cast<std::size_t>(handle)).Size;
}

const Byte* TResourceModule::Lock(int handle) {
    const TRawResource& resource = resources_.at(static_cast<std::size_t>(handle));
    ++locks_[static_cast<std::size_t>(handle)];
    ++lockCount_;
    return resource.Data;
}

bool TResourceModule::Unlock(int handle) {
    int& locks = locks_.at(static_cast<std::size_t>(handle));
    if (locks > 0) --locks;
    return locks == 0;
}

TResourceModule& ProgramModule() {
    static TResourceModule module(BuiltInResources());
    return module;
}

TpsStringResource::TpsStringResource(const std::string& name, const std::string& suffix,
                                     TResourceModule& module)
    : module_(module) {
    if (!name.empty()) Open(name, suffix);
}

void TpsStringResource::Open(const std::string& name, const std::string& suffix) {
    handle_ = module_.Find((name + suffix).substr(0, MaxResourceName));
    if (handle_ < 0) handle_ = module_.Find(name.substr(0, MaxResourceName));
    if (handle_ < 0) RaiseLoaderError(MsgResourceNotFound, {name});
    size_ = module_.SizeOf(handle_);
}

std::string TpsStringResource::GetString(int number) {
    for (const auto& [cached, text] : cache_)
        if (cached == number) return text;
    std::string text;
    if (!Scan(number, text)) {
        if (reportError_) RaiseLoaderError(MsgStringNotFound, {number});
        return {};
    }
    AddToCache(number, text);
    return text;
}

bool TpsStringResource::Scan(int number, std::string& text) {
    if (handle_ < 0) return false;
    const Byte* data = module_.Lock(handle_);
    bool found = false;
    std::size_t at = 0;
    while (at + 2 < size_) {
        const int recordNumber = data[at] | (data[at + 1] << 8);
        const std::size_t start = at + 2;
        std::size_t end = start;
        while (end < size_ && data[end] != 0)
            ++end;
        if (end == start) break;
        if (recordNumber == number) {
            text.assign(reinterpret_cast<const char*>(data + start), end - start);
            found = true;
            break;
        }
        at = end + 1;
    }
    module_.Unlock(handle_);
    return found;
}

void TpsStringResource::AddToCache(int number, const std::string& text) {
    if (static_cast<int>(cache_.size()) >= CacheLimit) {
        while (static_cast<int>(cache_.size()) >= CacheLimit - CacheLimit / 10)
            cache_.pop_front();
    }
    cache_.emplace_back(number, text);
}

TpsStringResource& LoaderStrings() {
    static TpsStringResource strings("VCRES_STRINGS", "");
    return strings;
}

TpsStringResource& VcStrings() {
    static TpsStringResource strings("VC_STRINGS", "_ENGLISH");
    return strings;
}

std::string GetVcString(int number) {
    return VcStrings().GetString(number);
}

namespace {

// A Windows-1252 character from 128 up is a letter when it has another case, or is one of the
// letters without one: "ƒ", "ª", "µ", "º" and "ß".
bool IsUpperHalfLetter(unsigned char c) {
    const char ch = static_cast<char>(c);
    if (AnsiUpperChar(ch) != ch || AnsiLowerChar(ch) != ch) return true;
    return c == 0x83 || c == 0xAA || c == 0xB5 || c == 0xBA || c == 0xDF;
}

TCharSet MakeAlphaCharSet() {
    TCharSet set{' ', ',', '-', '.'};
    for (unsigned char c = 'A'; c <= 'Z'; ++c)
        set.Include(c);
    for (unsigned char c = 'a'; c <= 'z'; ++c)
        set.Include(c);
    for (int c = 128; c <= 255; ++c)
        if (IsUpperHalfLetter(static_cast<unsigned char>(c)))
            set.Include(static_cast<unsigned char>(c));
    return set;
}

} // namespace

const TCharSet& AlphaCharSet() {
    static const TCharSet set = MakeAlphaCharSet();
    return set;
}
