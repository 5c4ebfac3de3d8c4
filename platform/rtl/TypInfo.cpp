#include "platform/rtl/TypInfo.h"

#include "platform/rtl/Strings.h"

#include <algorithm>
#include <map>

namespace {

using TPropTable = std::map<const TClassInfo*, std::vector<TPropInfo>>;

TPropTable& Registry() {
    static TPropTable table;
    return table;
}

const TPropInfo* FindOwnProp(const TClassInfo* ClassInfo, const std::string& PropName) {
    auto it = Registry().find(ClassInfo);
    if (it == Registry().end()) return nullptr;
    for (const TPropInfo& info : it->second)
        if (SameText(info.Name, PropName)) return &info;
    return nullptr;
}

const TPropInfo& RequireProp(TObject* Instance, const std::string& PropName) {
    const TPropInfo* info = GetPropInfo(Instance, PropName);
    if (info == nullptr) throw EPropertyError("Property %s does not exist", {PropName});
    return *info;
}

// Raises EPropertyConvertError unless the accessor exists (the property is of its kind).
template <typename F>
const F& RequireKind(const F& accessor, const TPropInfo& info) {
    if (!accessor) throw EPropertyConvertError("Invalid property type: %s", {info.Name});
    return accessor;
}

// The setter of the kind's family; a property of the kind without one is read-only.
template <typename G, typename S>
const S& RequireSetter(const G& getter, const S& setter, const TPropInfo& info) {
    RequireKind(getter, info);
    if (!setter) throw EPropertyError("Property is read-only");
    return setter;
}

} // namespace

void RegisterPropInfo(const TClassInfo* ClassInfo, TPropInfo Info) {
    auto& list = Registry()[ClassInfo];
    auto same = [&](const TPropInfo& p) { return SameText(p.Name, Info.Name); };
    auto it = std::find_if(list.begin(), list.end(), same);
    if (it != list.end())
        *it = std::move(Info);
    else
        list.push_back(std::move(Info));
}

const TPropInfo* GetPropInfo(const TClassInfo* ClassInfo, const std::string& PropName) {
    for (const TClassInfo* c = ClassInfo; c != nullptr; c = c->Parent)
        if (const TPropInfo* info = FindOwnProp(c, PropName)) return info;
    return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* Instance, const std::string& PropName) {
    return Instance == nullptr ? nullptr : GetPropInfo(Instance->ClassInfo(), PropName);
}

std::vector<const TPropInfo*> GetPropList(const TClassInfo* ClassInfo) {
    std::vector<const TClassInfo*> chain;
    for (const TClassInfo* c = ClassInfo; c != nullptr; c = c->Parent)
        chain.push_back(c);
    std::vector<const TPropInfo*> result;
    for (auto c = chain.rbegin(); c != chain.rend(); ++c) {
        auto it = Registry().find(*c);
        if (it == Registry().end()) continue;
        for (const TPropInfo& info : it->second) {
            auto hidden = std::find_if(result.begin(), result.end(), [&](const TPropInfo* p) {
                return SameText(p->Name, info.Name);
            });
            if (hidden != result.end())
                *hidden = &info;
            else
                result.push_back(&info);
        }
    }
    return result;
}

Int64 GetOrdProp(TObject* Instance, const std::string& PropName) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    return RequireKind(info.GetOrd, info)(Instance);
}

void SetOrdProp(TObject* Instance, const std::string& PropName, Int64 Value) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    RequireSetter(info.GetOrd, info.SetOrd, info)(Instance, Value);
}

std::string GetStrProp(TObject* Instance, const std::string& PropName) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    return RequireKind(info.GetStr, info)(Instance);
}

void SetStrProp(TObject* Instance, const std::string& PropName, const std::string& Value) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    RequireSetter(info.GetStr, info.SetStr, info)(Instance, Value);
}

double GetFloatProp(TObject* Instance, const std::string& PropName) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    return RequireKind(info.GetFloat, info)(Instance);
}

void SetFloatProp(TObject* Instance, const std::string& PropName, double Value) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    RequireSetter(info.GetFloat, info.SetFloat, info)(Instance, Value);
}

TObject* GetObjectProp(TObject* Instance, const std::string& PropName) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    return RequireKind(info.GetObject, info)(Instance);
}

void SetObjectProp(TObject* Instance, const std::string& PropName, TObject* Value) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    RequireSetter(info.GetObject, info.SetObject, info)(Instance, Value);
}

std::any GetMethodProp(TObject* Instance, const std::string& PropName) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    return RequireKind(info.GetMethod, info)(Instance);
}

void SetMethodProp(TObject* Instance, const std::string& PropName, const std::any& Value) {
    const TPropInfo& info = RequireProp(Instance, PropName);
    RequireSetter(info.GetMethod, info.SetMethod, info)(Instance, Value);
}
