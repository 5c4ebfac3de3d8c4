// The object model every layer builds on: objects that know their class name and ancestry,
// persistent objects that copy each other, components owned by components (the owner frees what
// it owns and tells everyone about arrivals and departures), lists of pointers and lists of
// strings with objects attached.
#pragma once

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Types.h"

#include <functional>
#include <string>
#include <type_traits>
#include <vector>

class TStream;

// The name and parent of a class, one static record per class that declares itself with
// VANTREL_CLASS. The chain of parents lets code test ancestry by class name.
struct TClassInfo {
    const char* Name;
    const TClassInfo* Parent;
};

// Declares the class's name and parent for ClassName, InheritsFrom and the property registry.
// Put it first in the class body; it leaves the access at public.
#define VANTREL_CLASS(Name, ParentClass)                                                           \
public:                                                                                            \
    static const TClassInfo* StaticClassInfo() {                                                   \
        static const TClassInfo info{#Name, ParentClass::StaticClassInfo()};                       \
        return &info;                                                                              \
    }                                                                                              \
    const TClassInfo* ClassInfo() const override {                                                 \
        return StaticClassInfo();                                                                  \
    }

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;

    static const TClassInfo* StaticClassInfo();
    virtual const TClassInfo* ClassInfo() const { return StaticClassInfo(); }
    // The name of the nearest class that declared itself with VANTREL_CLASS.
    virtual std::string ClassName() const { return ClassInfo()->Name; }
    // True when the object's class or one of its declared ancestors has this name (any case).
    bool InheritsFrom(const std::string& className) const;
    template <typename T>
    bool Is() const {
        return dynamic_cast<const T*>(this) != nullptr;
    }
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

// An object whose state can be copied from another one by Assign.
class TPersistent : public TObject {
    VANTREL_CLASS(TPersistent, TObject)

    // Copies Source into this object. The default asks Source to copy itself here (AssignTo);
    // pairs that do not know each other raise EConvertError.
    virtual void Assign(TPersistent* Source);

protected:
    // Copies this object into Dest; the default raises "Cannot assign a %s to a %s".
    virtual void AssignTo(TPersistent* Dest);
    [[noreturn]] void AssignError(TPersistent* Source);
};

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups
};
using TComponentState = TSet<TComponentStateItem, 16>;

// A component belongs to at most one owner, which frees it when it is freed itself. Components
// must be created with new when they have an owner. Freeing a component takes it out of its
// owner's list and sends opRemove to everyone that asked for a free notification.
//
// Destruction runs from the most derived class down, so ~TComponent frees the owned components
// after the derived parts of the owner are gone. A derived class whose owned components still
// use it while they are freed calls Destroying() and DestroyComponents() first in its own
// destructor.
//
// Likewise the constructor's opInsert reaches the owner while the new component is still being
// built: receivers see only its TComponent part (a dynamic_cast to its own class fails). A class
// whose arrival others recognise by its class sends the news again at the end of its own
// constructor: Owner()->Notification(this, opInsert).
class TComponent : public TPersistent {
    VANTREL_CLASS(TComponent, TPersistent)

    explicit TComponent(TComponent* AOwner);
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;
    ~TComponent() override;

    TComponent* Owner() const { return owner_; }
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    // The owned component at Index (0-based); raises EListError when out of range.
    TComponent* Components(int Index) const;
    // The position of this component in its owner's list, -1 without an owner.
    int ComponentIndex() const;
    void SetComponentIndex(int Value);
    // Takes AComponent into this owner's list (out of its previous owner's first) and sends
    // opInsert. Its name must be unique among this owner's components.
    void InsertComponent(TComponent* AComponent);
    // Takes AComponent out of this owner's list (without freeing it) and sends opRemove.
    void RemoveComponent(TComponent* AComponent);
    // Frees every owned component, the last inserted first.
    void DestroyComponents();
    // The owned component with this name (any case), or nullptr.
    TComponent* FindComponent(const std::string& AName) const;

    const std::string& Name() const { return name_; }
    // Raises EComponentError for a name that is not an identifier and for a name another
    // component of the same owner already has. An empty name is allowed.
    virtual void SetName(const std::string& NewName);
    LongInt Tag() const { return tag_; }
    void SetTag(LongInt Value) { tag_ = Value; }

    // Asks AComponent to send opRemove to this component when it is freed, and the other way
    // round; the link is undone when either is freed.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    TComponentState ComponentState() const { return state_; }
    // Marks this component and the ones it owns as being destroyed.
    void Destroying();
    // Sets or clears design mode on this component and, when SetChildren, on its components.
    void SetDesigning(bool Value, bool SetChildren = true);
    // Marks the component as being loaded from a stored form; Loaded ends it.
    void BeginLoading();
    // Called when the whole stored form has been read; clears the loading state.
    virtual void Loaded();
    // Marks the start and end of a change that spans several properties (csUpdating).
    virtual void Updating();
    virtual void Updated();

    // Tells this component that AComponent was inserted into or removed from its owner, or that
    // an observed component is being freed. The default forgets a removed component's free
    // notification link and passes the news on to every owned component.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    void ValidateRename(TComponent* AComponent, const std::string& NewName) const;
    void Unlink(TComponent* AComponent);
    static void ForgetFrom(std::vector<TComponent*>& list, TComponent* AComponent);

    TComponent* owner_ = nullptr;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    std::string name_;
    LongInt tag_ = 0;
    TComponentState state_;
};

// Compares two list items: negative, zero or positive.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of untyped pointers. Index errors raise EListError "List index out of bounds (%d)".
class TList : public TObject {
    VANTREL_CLASS(TList, TObject)

    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    // Deletes the first occurrence of Item; returns its former index or -1.
    int Remove(void* Item);
    // Deletes the first occurrence of Item and returns it, or nullptr when absent.
    void* Extract(void* Item);
    int IndexOf(void* Item) const;
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    void Clear();
    // Deletes every nullptr item.
    void Pack();
    // Orders the items by Compare; a compare function that is not consistent only gives an
    // odd order.
    void Sort(const TListSortCompare& Compare);
    void* First() const;
    void* Last() const;

    int Count() const { return static_cast<int>(items_.size()); }
    void* Items(int Index) const;
    void SetItems(int Index, void* Item);
    void* operator[](int Index) const { return Items(Index); }
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    // Raises EListError "List capacity out of bounds (%d)" below Count.
    void SetCapacity(int NewCapacity);

private:
    void CheckIndex(int Index) const;
    std::vector<void*> items_;
};

// A list of strings, each with an attached object. This base defines the text forms (Text,
// CommaText, name=value lines), searching and copying over a few virtual primitives that the
// concrete lists (TStringList, the items of list controls) provide.
class TStrings : public TPersistent {
    VANTREL_CLASS(TStrings, TPersistent)

    virtual int Add(const std::string& S);
    virtual int AddObject(const std::string& S, TObject* AObject);
    void AddStrings(TStrings* Strings);
    void Append(const std::string& S) { Add(S); }
    virtual void Insert(int Index, const std::string& S) = 0;
    virtual void InsertObject(int Index, const std::string& S, TObject* AObject);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    virtual int IndexOf(const std::string& S) const;
    int IndexOfName(const std::string& Name) const;
    int IndexOfObject(TObject* AObject) const;
    // Same count and the same strings in the same order (case-sensitive).
    bool Equals(TStrings* Strings) const;
    void Assign(TPersistent* Source) override;

    int Count() const { return GetCount(); }
    std::string Strings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const std::string& S) { Put(Index, S); }
    std::string operator[](int Index) const { return Get(Index); }
    TObject* Objects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

    // Name=value lines: the name of line Index (empty when it has no '='), the value of the
    // first line named Name (empty when none). Setting an empty value deletes the line.
    std::string Names(int Index) const;
    std::string Values(const std::string& Name) const;
    void SetValues(const std::string& Name, const std::string& Value);

    // Every line followed by CR LF.
    std::string Text() const;
    // Replaces the lines by those of Value, split at CR LF, LF or CR.
    virtual void SetText(const std::string& Value);
    // The items separated by commas; an item holding a blank, control character, comma or
    // double quote is put in double quotes, with its quotes doubled.
    std::string CommaText() const;
    void SetCommaText(const std::string& Value);

    // Nested pairs; the list reports its changes once, when the outermost pair ends.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    // Reads the rest of Stream as text (replacing the lines) / writes Text to it.
    virtual void LoadFromStream(TStream& Stream);
    virtual void SaveToStream(TStream& Stream) const;
    void LoadFromFile(const std::string& FileName);
    void SaveToFile(const std::string& FileName) const;

protected:
    virtual std::string Get(int Index) const = 0;
    virtual int GetCount() const = 0;
    virtual TObject* GetObject(int Index) const;
    virtual void Put(int Index, const std::string& S);
    virtual void PutObject(int Index, TObject* AObject);
    // Called with true when the first BeginUpdate starts and false when the last EndUpdate ends.
    virtual void SetUpdateState(bool Updating);
    // How this list compares two strings: case-insensitively unless a subclass decides otherwise.
    virtual int CompareStrings(const std::string& S1, const std::string& S2) const;
    // Runs Action between BeginUpdate and EndUpdate (EndUpdate also when Action raises).
    void UpdateWith(const std::function<void()>& Action);

private:
    int updateCount_ = 0;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
// Compares the items at Index1 and Index2 of List: negative, zero or positive.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// The plain string list. Index errors raise EStringListError "List index out of bounds (%d)".
// A sorted list keeps its order by CompareStrings; Insert, SetStrings and Move on it raise
// "Operation not allowed on sorted string list". Objects are referenced, not owned.
class TStringList : public TStrings {
    VANTREL_CLASS(TStringList, TStrings)

    TStringList() = default;
    ~TStringList() override;

    int Add(const std::string& S) override;
    int AddObject(const std::string& S, TObject* AObject) override;
    void Insert(int Index, const std::string& S) override;
    void InsertObject(int Index, const std::string& S, TObject* AObject) override;
    void Delete(int Index) override;
    void Clear() override;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
    int IndexOf(const std::string& S) const override;
    // Binary search of a sorted list: true when found, Index the first match or, when not
    // found, the place where S would go. On an unsorted list the answer means nothing.
    bool Find(const std::string& S, int& Index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool Sorted() const { return sorted_; }
    void SetSorted(bool Value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates Value) { duplicates_ = Value; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool Value);
    int Capacity() const { return static_cast<int>(items_.capacity()); }
    void SetCapacity(int NewCapacity);

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    std::string Get(int Index) const override;
    int GetCount() const override { return static_cast<int>(items_.size()); }
    TObject* GetObject(int Index) const override;
    void Put(int Index, const std::string& S) override;
    void PutObject(int Index, TObject* AObject) override;
    void SetUpdateState(bool Updating) override;
    int CompareStrings(const std::string& S1, const std::string& S2) const override;
    virtual void Changed();
    virtual void Changing();

private:
    struct TStringItem {
        std::string String;
        TObject* Object = nullptr;
    };
    void CheckIndex(int Index) const;
    void CheckUnsorted() const;
    bool KeepsOrder(int Index, const std::string& S) const;
    int AddSorted(const std::string& S, TObject* AObject);
    void InsertItem(int Index, const std::string& S, TObject* AObject);

    std::vector<TStringItem> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = dupIgnore;
};

// ---------------------------------------------------------------------------------------------
// Classes a stored form may name. A unit registers its classes at start-up; a form reader then
// finds a class by its name (any case) and, for a component class, makes one with the class's
// factory. Registering a class again changes nothing.

VANTREL_EXCEPTION(EClassNotFound, Exception);

using TComponentFactory = std::function<TComponent*(TComponent* AOwner)>;

struct TRegisteredClass {
    const TClassInfo* Info = nullptr;
    // Makes an instance owned by AOwner; empty for classes that are not made on their own.
    TComponentFactory Create;
};

void RegisterClass(const TClassInfo* Info, TComponentFactory Create = {});
// Registers T, with a factory when T is a component made from its owner alone.
template <typename T>
void RegisterClass() {
    if constexpr (std::is_base_of_v<TComponent, T> && std::is_constructible_v<T, TComponent*>)
        RegisterClass(T::StaticClassInfo(),
                      [](TComponent* AOwner) -> TComponent* { return new T(AOwner); });
    else
        RegisterClass(T::StaticClassInfo());
}
// The registered class of that name, or nullptr.
const TRegisteredClass* GetClass(const std::string& ClassName);
// As GetClass; raises EClassNotFound "Class %s not found" for a class never registered.
const TRegisteredClass& FindClass(const std::string& ClassName);
