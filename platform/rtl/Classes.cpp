#include "platform/rtl/Classes.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/Strings.h"

#include <algorithm>
#include <deque>
#include <limits>

namespace {

// A merge sort that stays inside its range whatever the comparison answers, so a caller's
// inconsistent compare function can only give an odd order.
template <typename T, typename Less>
void MergeSort(std::vector<T>& items, Less less) {
    if (items.size() < 2) return;
    std::vector<T> buffer(items.size());
    for (std::size_t width = 1; width < items.size(); width *= 2) {
        for (std::size_t lo = 0; lo < items.size(); lo += 2 * width) {
            const std::size_t mid = std::min(lo + width, items.size());
            const std::size_t hi = std::min(lo + 2 * width, items.size());
            std::merge(items.begin() + lo, items.begin() + mid, items.begin() + mid,
                       items.begin() + hi, buffer.begin() + lo, less);
        }
        items.swap(buffer);
    }
}

bool IsIdentifier(const std::string& s) {
    if (s.empty()) return false;
    auto letter = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    };
    if (!letter(s[0])) return false;
    return std::all_of(s.begin() + 1, s.end(),
                       [&](char c) { return letter(c) || (c >= '0' && c <= '9'); });
}

// Moves the element at cur to position target, shifting those in between.
template <typename T>
void MoveItem(std::vector<T>& items, int cur, int target) {
    if (cur == target) return;
    T item = std::move(items[cur]);
    items.erase(items.begin() + cur);
    items.insert(items.begin() + target, std::move(item));
}

} // namespace

// ---- TObject, TPersistent ----

const TClassInfo* TObject::StaticClassInfo() {
    static const TClassInfo info{"TObject", nullptr};
    return &info;
}

bool TObject::InheritsFrom(const std::string& className) const {
    for (const TClassInfo* c = ClassInfo(); c != nullptr; c = c->Parent)
        if (SameText(c->Name, className)) return true;
    return false;
}

void TPersistent::Assign(TPersistent* Source) {
    if (Source == nullptr) AssignError(nullptr);
    Source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* Dest) {
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source) {
    const std::string sourceName = Source != nullptr ? Source->ClassName() : "nil";
    throw EConvertError("Cannot assign a %s to a %s", {sourceName, ClassName()});
}

// ---- TComponent ----

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner != nullptr) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    while (!freeNotifies_.empty()) {
        TComponent* observer = freeNotifies_.back();
        freeNotifies_.pop_back();
        ForgetFrom(observer->freeNotifies_, this);
        observer->Notification(this, opRemove);
    }
    DestroyComponents();
    if (owner_ != nullptr) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int Index) const {
    if (Index < 0 || Index >= ComponentCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return components_[Index];
}

int TComponent::ComponentIndex() const {
    if (owner_ == nullptr) return -1;
    auto& list = owner_->components_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
    if (owner_ == nullptr) return;
    const int last = owner_->ComponentCount() - 1;
    MoveItem(owner_->components_, ComponentIndex(), std::clamp(Value, 0, last));
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent->owner_ == this) return;
    ValidateRename(AComponent, AComponent->name_);
    if (AComponent->owner_ != nullptr) AComponent->owner_->RemoveComponent(AComponent);
    components_.push_back(AComponent);
    AComponent->owner_ = this;
    if (state_.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent->owner_ != this) return;
    // Unlinked before the news goes out, so a receiver that frees AComponent does not reach a
    // second removal through its destructor.
    Unlink(AComponent);
    Notification(AComponent, opRemove);
}

void TComponent::Unlink(TComponent* AComponent) {
    ForgetFrom(components_, AComponent);
    AComponent->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        Unlink(last);
        delete last;
    }
}

TComponent* TComponent::FindComponent(const std::string& AName) const {
    if (AName.empty()) return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, AName)) return c;
    return nullptr;
}

void TComponent::ValidateRename(TComponent* AComponent, const std::string& NewName) const {
    TComponent* existing = FindComponent(NewName);
    if (existing != nullptr && existing != AComponent)
        throw EComponentError("A component named %s already exists", {NewName});
}

void TComponent::SetName(const std::string& NewName) {
    if (NewName == name_) return;
    if (!NewName.empty() && !IsIdentifier(NewName))
        throw EComponentError("'%s' is not a valid component name", {NewName});
    if (owner_ != nullptr) owner_->ValidateRename(this, NewName);
    name_ = NewName;
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), AComponent) == freeNotifies_.end())
        freeNotifies_.push_back(AComponent);
    auto& other = AComponent->freeNotifies_;
    if (std::find(other.begin(), other.end(), this) == other.end()) other.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr) return;
    ForgetFrom(freeNotifies_, AComponent);
    ForgetFrom(AComponent->freeNotifies_, this);
}

void TComponent::ForgetFrom(std::vector<TComponent*>& list, TComponent* AComponent) {
    list.erase(std::remove(list.begin(), list.end(), AComponent), list.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent != nullptr) RemoveFreeNotification(AComponent);
    // From the end, re-checking the bound: a receiver may free components of this list.
    for (int i = ComponentCount() - 1; i >= 0; --i) {
        if (i >= ComponentCount()) continue;
        components_[i]->Notification(AComponent, Operation);
    }
}

void TComponent::Destroying() {
    if (state_.Contains(csDestroying)) return;
    state_.Include(csDestroying);
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
    if (Value)
        state_.Include(csDesigning);
    else
        state_.Exclude(csDesigning);
    if (!SetChildren) return;
    for (TComponent* c : components_)
        c->SetDesigning(Value);
}

void TComponent::BeginLoading() {
    state_.Include(csLoading).Include(csReading);
}

void TComponent::Loaded() {
    state_.Exclude(csLoading).Exclude(csReading);
}

void TComponent::Updating() {
    state_.Include(csUpdating);
}

void TComponent::Updated() {
    state_.Exclude(csUpdating);
}

// ---- TList ----

void TList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
}

int TList::Add(void* Item) {
    items_.push_back(Item);
    return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > Count()) throw EListError("List index out of bounds (%d)", {Index});
    items_.insert(items_.begin() + Index, Item);
}

void TList::Delete(int Index) {
    CheckIndex(Index);
    items_.erase(items_.begin() + Index);
}

int TList::Remove(void* Item) {
    const int index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
}

void* TList::Extract(void* Item) {
    return Remove(Item) >= 0 ? Item : nullptr;
}

int TList::IndexOf(void* Item) const {
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    std::swap(items_[Index1], items_[Index2]);
}

void TList::Move(int CurIndex, int NewIndex) {
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    MoveItem(items_, CurIndex, NewIndex);
}

void TList::Clear() {
    items_.clear();
    items_.shrink_to_fit();
}

void TList::Pack() {
    items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end());
}

void TList::Sort(const TListSortCompare& Compare) {
    MergeSort(items_, [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void* TList::First() const {
    return Items(0);
}

void* TList::Last() const {
    return Items(Count() - 1);
}

void* TList::Items(int Index) const {
    CheckIndex(Index);
    return items_[Index];
}

void TList::SetItems(int Index, void* Item) {
    CheckIndex(Index);
    items_[Index] = Item;
}

void TList::SetCapacity(int NewCapacity) {
    if (NewCapacity < Count()) throw EListError("List capacity out of bounds (%d)", {NewCapacity});
    if (NewCapacity > Capacity())
        items_.reserve(NewCapacity);
    else
        items_.shrink_to_fit();
}

// ---- TStrings ----

int TStrings::Add(const std::string& S) {
    const int index = Count();
    Insert(index, S);
    return index;
}

int TStrings::AddObject(const std::string& S, TObject* AObject) {
    const int index = Add(S);
    PutObject(index, AObject);
    return index;
}

void TStrings::AddStrings(TStrings* Strings) {
    if (Strings == nullptr) return;
    UpdateWith([&] {
        const int count = Strings->Count(); // the list may be this one
        for (int i = 0; i < count; ++i)
            AddObject(Strings->Get(i), Strings->GetObject(i));
    });
}

void TStrings::InsertObject(int Index, const std::string& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

void TStrings::Exchange(int Index1, int Index2) {
    UpdateWith([&] {
        const std::string s1 = Get(Index1);
        TObject* o1 = GetObject(Index1);
        Put(Index1, Get(Index2));
        PutObject(Index1, GetObject(Index2));
        Put(Index2, s1);
        PutObject(Index2, o1);
    });
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    UpdateWith([&] {
        const std::string s = Get(CurIndex);
        TObject* o = GetObject(CurIndex);
        Delete(CurIndex);
        InsertObject(NewIndex, s, o);
    });
}

int TStrings::IndexOf(const std::string& S) const {
    for (int i = 0; i < Count(); ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const std::string& Name) const {
    for (int i = 0; i < Count(); ++i) {
        const std::string line = Get(i);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && CompareStrings(line.substr(0, eq), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
    for (int i = 0; i < Count(); ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

bool TStrings::Equals(TStrings* Strings) const {
    if (Strings == nullptr || Strings->Count() != Count()) return false;
    for (int i = 0; i < Count(); ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

void TStrings::Assign(TPersistent* Source) {
    auto* source = dynamic_cast<TStrings*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    UpdateWith([&] {
        Clear();
        AddStrings(source);
    });
}

std::string TStrings::Names(int Index) const {
    const std::string line = Get(Index);
    const std::size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::Values(const std::string& Name) const {
    const int index = IndexOfName(Name);
    if (index < 0) return {};
    const std::string line = Get(index);
    return line.substr(line.find('=') + 1);
}

void TStrings::SetValues(const std::string& Name, const std::string& Value) {
    const int index = IndexOfName(Name);
    if (Value.empty()) {
        if (index >= 0) Delete(index);
        return;
    }
    const std::string line = Name + "=" + Value;
    if (index >= 0)
        Put(index, line);
    else
        Add(line);
}

std::string TStrings::Text() const {
    std::string result;
    for (int i = 0; i < Count(); ++i) {
        result += Get(i);
        result += "\r\n";
    }
    return result;
}

void TStrings::SetText(const std::string& Value) {
    UpdateWith([&] {
        Clear();
        std::size_t start = 0;
        while (start < Value.size()) {
            const std::size_t end = Value.find_first_of("\r\n", start);
            if (end == std::string::npos) {
                Add(Value.substr(start));
                break;
            }
            Add(Value.substr(start, end - start));
            start = end + 1;
            if (Value[end] == '\r' && start < Value.size() && Value[start] == '\n') ++start;
        }
    });
}

namespace {

bool IsBlank(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 1 && u <= ' ';
}

bool NeedsQuotes(const std::string& s) {
    return std::any_of(s.begin(), s.end(), [](char c) {
        return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
    });
}

} // namespace

std::string TStrings::CommaText() const {
    if (Count() == 1 && Get(0).empty()) return "\"\"";
    std::string result;
    for (int i = 0; i < Count(); ++i) {
        if (i > 0) result += ',';
        const std::string s = Get(i);
        result += NeedsQuotes(s) ? AnsiQuotedStr(s, '"') : s;
    }
    return result;
}

void TStrings::SetCommaText(const std::string& Value) {
    UpdateWith([&] {
        Clear();
        std::size_t pos = 0;
        auto skipBlanks = [&] {
            while (pos < Value.size() && IsBlank(Value[pos]))
                ++pos;
        };
        skipBlanks();
        while (pos < Value.size() && Value[pos] != '\0') {
            if (Value[pos] == '"') {
                std::string_view rest = std::string_view(Value).substr(pos);
                const std::size_t before = rest.size();
                Add(AnsiExtractQuotedStr(rest, '"'));
                pos += before - rest.size();
            } else {
                const std::size_t start = pos;
                while (pos < Value.size() && static_cast<unsigned char>(Value[pos]) > ' ' &&
                       Value[pos] != ',')
                    ++pos;
                Add(Value.substr(start, pos - start));
            }
            skipBlanks();
            if (pos < Value.size() && Value[pos] == ',') {
                ++pos;
                skipBlanks();
            }
        }
    });
}

void TStrings::UpdateWith(const std::function<void()>& Action) {
    BeginUpdate();
    try {
        Action();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TStrings::BeginUpdate() {
    if (updateCount_ == 0) SetUpdateState(true);
    ++updateCount_;
}

void TStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    --updateCount_;
    if (updateCount_ == 0) SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream& Stream) {
    const Int64 size = Stream.Size() - Stream.Position();
    if (size > std::numeric_limits<LongInt>::max()) throw EReadError("Stream read error");
    std::string text(static_cast<std::size_t>(std::max<Int64>(size, 0)), '\0');
    if (!text.empty()) Stream.ReadBuffer(text.data(), static_cast<LongInt>(text.size()));
    SetText(text);
}

void TStrings::SaveToStream(TStream& Stream) const {
    const std::string text = Text();
    if (!text.empty()) Stream.WriteBuffer(text.data(), static_cast<LongInt>(text.size()));
}

void TStrings::LoadFromFile(const std::string& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TStrings::SaveToFile(const std::string& FileName) const {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(stream);
}

TObject* TStrings::GetObject(int) const {
    return nullptr;
}

void TStrings::Put(int Index, const std::string& S) {
    TObject* object = GetObject(Index);
    UpdateWith([&] {
        Delete(Index);
        InsertObject(Index, S, object);
    });
}

void TStrings::PutObject(int, TObject*) {}

void TStrings::SetUpdateState(bool) {}

int TStrings::CompareStrings(const std::string& S1, const std::string& S2) const {
    return AnsiCompareText(S1, S2);
}

// ---- TStringList ----

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
}

void TStringList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EStringListError("List index out of bounds (%d)", {Index});
}

void TStringList::CheckUnsorted() const {
    if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
}

void TStringList::Changed() {
    if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

int TStringList::Add(const std::string& S) {
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const std::string& S, TObject* AObject) {
    if (sorted_) return AddSorted(S, AObject);
    const int index = Count();
    InsertItem(index, S, AObject);
    return index;
}

int TStringList::AddSorted(const std::string& S, TObject* AObject) {
    int index = 0;
    if (Find(S, index)) {
        if (duplicates_ == dupIgnore) return index;
        if (duplicates_ == dupError)
            throw EStringListError("String list does not allow duplicates");
    }
    InsertItem(index, S, AObject);
    return index;
}

void TStringList::Insert(int Index, const std::string& S) {
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const std::string& S, TObject* AObject) {
    CheckUnsorted();
    if (Index < 0 || Index > Count())
        throw EStringListError("List index out of bounds (%d)", {Index});
    InsertItem(Index, S, AObject);
}

void TStringList::InsertItem(int Index, const std::string& S, TObject* AObject) {
    Changing();
    items_.insert(items_.begin() + Index, TStringItem{S, AObject});
    Changed();
}

void TStringList::Delete(int Index) {
    CheckIndex(Index);
    Changing();
    items_.erase(items_.begin() + Index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty()) return;
    Changing();
    items_.clear();
    items_.shrink_to_fit();
    Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
    CheckIndex(Index1);
    CheckIndex(Index2);
    Changing();
    std::swap(items_[Index1], items_[Index2]);
    Changed();
}

void TStringList::Move(int CurIndex, int NewIndex) {
    CheckIndex(CurIndex);
    CheckIndex(NewIndex);
    CheckUnsorted();
    if (CurIndex == NewIndex) return;
    Changing();
    MoveItem(items_, CurIndex, NewIndex);
    Changed();
}

int TStringList::IndexOf(const std::string& S) const {
    if (!sorted_) return TStrings::IndexOf(S);
    int index = 0;
    return Find(S, index) ? index : -1;
}

bool TStringList::Find(const std::string& S, int& Index) const {
    int lo = 0;
    int hi = Count();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (CompareStrings(items_[mid].String, S) < 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    Index = lo;
    return lo < Count() && CompareStrings(items_[lo].String, S) == 0;
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int a, int b) {
        return list->CompareStrings(list->items_[a].String, list->items_[b].String);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    if (Count() < 2) return;
    std::vector<int> order(items_.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = static_cast<int>(i);
    MergeSort(order, [&](int a, int b) { return Compare(this, a, b) < 0; });
    Changing();
    std::vector<TStringItem> sorted;
    sorted.reserve(items_.size());
    for (int i : order)
        sorted.push_back(std::move(items_[i]));
    items_.swap(sorted);
    Changed();
}

void TStringList::SetSorted(bool Value) {
    if (Value == sorted_) return;
    if (Value) Sort();
    sorted_ = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == caseSensitive_) return;
    caseSensitive_ = Value;
    if (sorted_) Sort();
}

void TStringList::SetCapacity(int NewCapacity) {
    if (NewCapacity < Count())
        throw EStringListError("List capacity out of bounds (%d)", {NewCapacity});
    if (NewCapacity > Capacity())
        items_.reserve(NewCapacity);
    else
        items_.shrink_to_fit();
}

std::string TStringList::Get(int Index) const {
    CheckIndex(Index);
    return items_[Index].String;
}

TObject* TStringList::GetObject(int Index) const {
    CheckIndex(Index);
    return items_[Index].Object;
}

bool TStringList::KeepsOrder(int Index, const std::string& S) const {
    const bool strict = duplicates_ != dupAccept;
    auto inOrder = [&](const std::string& a, const std::string& b) {
        const int c = CompareStrings(a, b);
        return strict ? c < 0 : c <= 0;
    };
    if (Index > 0 && !inOrder(items_[Index - 1].String, S)) return false;
    if (Index + 1 < Count() && !inOrder(S, items_[Index + 1].String)) return false;
    return true;
}

void TStringList::Put(int Index, const std::string& S) {
    CheckIndex(Index);
    // A sorted list takes a new string only where it keeps the order (a new value of a
    // name=value line does).
    if (sorted_ && !KeepsOrder(Index, S)) CheckUnsorted();
    Changing();
    items_[Index].String = S;
    Changed();
}

void TStringList::PutObject(int Index, TObject* AObject) {
    CheckIndex(Index);
    Changing();
    items_[Index].Object = AObject;
    Changed();
}

int TStringList::CompareStrings(const std::string& S1, const std::string& S2) const {
    return caseSensitive_ ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

// =============================================================================================
// Registered classes

namespace {
// A deque keeps the entries in place as more arrive, so answers stay valid.
std::deque<TRegisteredClass>& RegisteredClasses() {
    static std::deque<TRegisteredClass> classes;
    return classes;
}
} // namespace

void RegisterClass(const TClassInfo* Info, TComponentFactory Create) {
    if (!Info || GetClass(Info->Name)) return;
    RegisteredClasses().push_back({Info, std::move(Create)});
}

const TRegisteredClass* GetClass(const std::string& ClassName) {
    for (const TRegisteredClass& c : RegisteredClasses())
        if (SameText(c.Info->Name, ClassName)) return &c;
    return nullptr;
}

const TRegisteredClass& FindClass(const std::string& ClassName) {
    const TRegisteredClass* c = GetClass(ClassName);
    if (!c) throw EClassNotFound("Class %s not found", {ClassName});
    return *c;
}
