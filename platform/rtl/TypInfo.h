// Published properties looked up by name: a class registers each property once with its getter
// and setter, and code that does not know the class reads and writes the property by name
// (properties of ancestor classes included).
#pragma once

#include "platform/rtl/Classes.h"

#include <any>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

VANTREL_EXCEPTION(EPropertyError, Exception);
VANTREL_EXCEPTION(EPropertyConvertError, Exception);

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkInt64,
    tkChar,
    tkBoolean,
    tkEnumeration,
    tkSet,
    tkFloat,
    tkString,
    tkClass,
    tkMethod
};

// One published property. The ordinal accessors serve integers, characters, Booleans,
// enumerations and sets (as a bit mask of their members below 64); the method accessors carry the
// event's std::function in a std::any. A read-only property has no setter.
struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkUnknown;
    std::function<Int64(TObject*)> GetOrd;
    std::function<void(TObject*, Int64)> SetOrd;
    std::function<double(TObject*)> GetFloat;
    std::function<void(TObject*, double)> SetFloat;
    std::function<std::string(TObject*)> GetStr;
    std::function<void(TObject*, const std::string&)> SetStr;
    std::function<TObject*(TObject*)> GetObject;
    std::function<void(TObject*, TObject*)> SetObject;
    std::function<std::any(TObject*)> GetMethod;
    std::function<void(TObject*, const std::any&)> SetMethod;
};

// Adds Info to the properties of the class; a property of the same name replaces the earlier
// one of this class and hides an ancestor's.
void RegisterPropInfo(const TClassInfo* ClassInfo, TPropInfo Info);

// The property of the class (or its nearest ancestor) with this name (any case), or nullptr.
const TPropInfo* GetPropInfo(const TClassInfo* ClassInfo, const std::string& PropName);
const TPropInfo* GetPropInfo(const TObject* Instance, const std::string& PropName);
// Every property of the class, the ancestors' first.
std::vector<const TPropInfo*> GetPropList(const TClassInfo* ClassInfo);

// Access by name. An unknown property raises EPropertyError "Property %s does not exist", a
// property of another kind EPropertyConvertError "Invalid property type: %s", writing a
// read-only property EPropertyError "Property is read-only".
Int64 GetOrdProp(TObject* Instance, const std::string& PropName);
void SetOrdProp(TObject* Instance, const std::string& PropName, Int64 Value);
std::string GetStrProp(TObject* Instance, const std::string& PropName);
void SetStrProp(TObject* Instance, const std::string& PropName, const std::string& Value);
double GetFloatProp(TObject* Instance, const std::string& PropName);
void SetFloatProp(TObject* Instance, const std::string& PropName, double Value);
TObject* GetObjectProp(TObject* Instance, const std::string& PropName);
// Raises EInvalidCast "Invalid class typecast" when Value is not of the property's class.
void SetObjectProp(TObject* Instance, const std::string& PropName, TObject* Value);
std::any GetMethodProp(TObject* Instance, const std::string& PropName);
// Raises EInvalidCast "Invalid class typecast" when Value does not hold the event's type.
void SetMethodProp(TObject* Instance, const std::string& PropName, const std::any& Value);

// ---- Registration from a getter and a setter ----

template <typename T>
struct TSetTraits : std::false_type {};
template <typename E, std::size_t N>
struct TSetTraits<TSet<E, N>> : std::true_type {
    using Element = E;
    static constexpr int Members = N < 64 ? static_cast<int>(N) : 64;
};

template <typename T>
struct TIsFunctionType : std::false_type {};
template <typename F>
struct TIsFunctionType<std::function<F>> : std::true_type {};

template <typename V>
constexpr TTypeKind PropertyKindOf() {
    if constexpr (std::is_same_v<V, bool>)
        return tkBoolean;
    else if constexpr (std::is_same_v<V, char>)
        return tkChar;
    else if constexpr (std::is_integral_v<V>)
        return sizeof(V) > 4 ? tkInt64 : tkInteger;
    else if constexpr (std::is_enum_v<V>)
        return tkEnumeration;
    else if constexpr (TSetTraits<V>::value)
        return tkSet;
    else if constexpr (std::is_floating_point_v<V>)
        return tkFloat;
    else if constexpr (std::is_same_v<V, std::string>)
        return tkString;
    else if constexpr (std::is_pointer_v<V> &&
                       std::is_base_of_v<TObject, std::remove_cv_t<std::remove_pointer_t<V>>>)
        return tkClass;
    else if constexpr (TIsFunctionType<V>::value)
        return tkMethod;
    else
        return tkUnknown;
}

// The object as the registering class; raises EInvalidCast when it is not one.
template <typename C>
C& PropertyOwner(TObject* Instance) {
    auto* object = dynamic_cast<C*>(Instance);
    if (object == nullptr) throw EInvalidCast("Invalid class typecast");
    return *object;
}

template <typename V>
Int64 OrdinalFromValue(const V& value) {
    if constexpr (TSetTraits<V>::value) {
        Int64 mask = 0;
        for (int i = 0; i < TSetTraits<V>::Members; ++i)
            if (value.Contains(static_cast<typename TSetTraits<V>::Element>(i)))
                mask |= Int64(1) << i;
        return mask;
    } else {
        return static_cast<Int64>(value);
    }
}

template <typename V>
V ValueFromOrdinal(Int64 ordinal) {
    if constexpr (TSetTraits<V>::value) {
        V result;
        for (int i = 0; i < TSetTraits<V>::Members; ++i)
            if ((ordinal >> i) & 1) result.Include(static_cast<typename TSetTraits<V>::Element>(i));
        return result;
    } else if constexpr (std::is_same_v<V, bool>) {
        return ordinal != 0;
    } else {
        return static_cast<V>(ordinal);
    }
}

// The getter and setter of Info for a property of class C and value type V.
template <typename C, typename V, typename Getter, typename Setter>
void BindPropInfo(TPropInfo& Info, Getter Get, Setter Set) {
    constexpr bool writable = !std::is_null_pointer_v<Setter>;
    auto read = [Get](TObject* o) -> V { return std::invoke(Get, PropertyOwner<C>(o)); };
    auto write = [=](TObject* o, V v) { // captures Set only when there is one
        if constexpr (writable) std::invoke(Set, PropertyOwner<C>(o), std::move(v));
    };
    constexpr TTypeKind kind = PropertyKindOf<V>();
    if constexpr (kind == tkFloat) {
        Info.GetFloat = [read](TObject* o) { return static_cast<double>(read(o)); };
        if constexpr (writable)
            Info.SetFloat = [write](TObject* o, double v) { write(o, static_cast<V>(v)); };
    } else if constexpr (kind == tkString) {
        Info.GetStr = read;
        if constexpr (writable) Info.SetStr = write;
    } else if constexpr (kind == tkClass) {
        Info.GetObject = [read](TObject* o) -> TObject* {
            return const_cast<TObject*>(static_cast<const TObject*>(read(o)));
        };
        if constexpr (writable)
            Info.SetObject = [write](TObject* o, TObject* v) {
                V value = dynamic_cast<V>(v);
                if (v != nullptr && value == nullptr) throw EInvalidCast("Invalid class typecast");
                write(o, value);
            };
    } else if constexpr (kind == tkMethod) {
        Info.GetMethod = [read](TObject* o) { return std::any(read(o)); };
        if constexpr (writable)
            Info.SetMethod = [write](TObject* o, const std::any& v) {
                const V* value = std::any_cast<V>(&v);
                if (value == nullptr) throw EInvalidCast("Invalid class typecast");
                write(o, *value);
            };
    } else {
        Info.GetOrd = [read](TObject* o) { return OrdinalFromValue<V>(read(o)); };
        if constexpr (writable)
            Info.SetOrd = [write](TObject* o, Int64 v) { write(o, ValueFromOrdinal<V>(v)); };
    }
}

// Registers the property Name of class C, read by Get (a member function or a callable taking
// a C&) and written by Set (one taking a C& and the value), or read-only when Set is nullptr.
// The kind follows the getter's result type.
template <typename C, typename Getter, typename Setter = std::nullptr_t>
void RegisterProperty(const std::string& Name, Getter Get, Setter Set = nullptr) {
    using V = std::remove_cvref_t<std::invoke_result_t<Getter, C&>>;
    constexpr TTypeKind kind = PropertyKindOf<V>();
    static_assert(kind != tkUnknown, "a published property needs a value of a known kind");
    TPropInfo info;
    info.Name = Name;
    info.Kind = kind;
    BindPropInfo<C, V>(info, Get, Set);
    RegisterPropInfo(C::StaticClassInfo(), std::move(info));
}
