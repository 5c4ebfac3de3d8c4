#include "platform/rtl/Classes.h"
#include "platform/rtl/TypInfo.h"
#include "tests/rtl/RaisedMessage.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// A component that records the notifications it receives and can run a hook on each.
class TProbe : public TComponent {
    VANTREL_CLASS(TProbe, TComponent)

    explicit TProbe(TComponent* AOwner, std::vector<std::string>* log = nullptr)
        : TComponent(AOwner), log_(log) {}
    ~TProbe() override {
        if (log_ != nullptr) log_->push_back("free " + Name());
    }

    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == watched) watched = nullptr;
        if (log_ != nullptr)
            log_->push_back(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
        if (OnNotify) OnNotify(AComponent, Operation);
    }

    TComponent* watched = nullptr;
    std::function<void(TComponent*, TOperation)> OnNotify;

private:
    std::vector<std::string>* log_;
};

class TDerivedProbe : public TProbe {
    VANTREL_CLASS(TDerivedProbe, TProbe)
    using TProbe::TProbe;
};

TProbe* Named(TProbe* c, const std::string& name) {
    c->SetName(name);
    return c;
}

} // namespace

TEST(ClassesObject, ClassNameAndAncestry) {
    TDerivedProbe probe(nullptr);
    EXPECT_EQ(probe.ClassName(), "TDerivedProbe");
    EXPECT_TRUE(probe.InheritsFrom("tprobe"));
    EXPECT_TRUE(probe.InheritsFrom("TComponent"));
    EXPECT_TRUE(probe.InheritsFrom("TObject"));
    EXPECT_FALSE(probe.InheritsFrom("TStringList"));
    EXPECT_FALSE(probe.InheritsFrom("TProb"));
    EXPECT_TRUE(probe.Is<TProbe>());
    EXPECT_FALSE(probe.Is<TStrings>());
    TStringList list;
    EXPECT_EQ(list.ClassName(), "TStringList");
    EXPECT_TRUE(list.InheritsFrom("TPersistent"));
}

TEST(ClassesObject, AssignBetweenUnrelatedClassesRaisesConversionError) {
    TStringList list;
    TComponent component(nullptr);
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { list.Assign(&component); }),
              "Cannot assign a TComponent to a TStringList");
    EXPECT_EQ(RaisedMessage<EConvertError>([&] { list.Assign(nullptr); }),
              "Cannot assign a nil to a TStringList");
}

TEST(ClassesComponent, OwnerFreesItsComponentsLastFirst) {
    std::vector<std::string> log;
    auto* owner = Named(new TProbe(nullptr, &log), "Owner");
    Named(new TProbe(owner, &log), "A");
    auto* b = Named(new TProbe(owner, &log), "B");
    Named(new TProbe(b, &log), "BChild");
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(b->ComponentIndex(), 1);
    EXPECT_EQ(owner->ComponentIndex(), -1);
    log.clear();
    delete owner;
    // The owner's own destructor body runs before its components are freed.
    EXPECT_EQ(log, (std::vector<std::string>{"free Owner", "free B", "free BChild", "free A"}));
}

TEST(ClassesComponent, FreeingAChildUnlinksItAndTellsTheOthers) {
    std::vector<std::string> log;
    TProbe owner(nullptr, &log);
    owner.SetName("Owner");
    auto* a = Named(new TProbe(&owner, &log), "A");
    auto* b = Named(new TProbe(&owner, &log), "B");
    log.clear();
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(owner.Components(0), b);
    EXPECT_EQ(log, (std::vector<std::string>{"free A", "B -A", "Owner -A"}));
    EXPECT_THROW(owner.Components(1), EListError);
}

TEST(ClassesComponent, InsertAndRemoveNotifyOwnerAndSiblings) {
    std::vector<std::string> log;
    TProbe owner(nullptr, &log);
    owner.SetName("Owner");
    TProbe first(&owner, &log);
    first.SetName("First");
    TProbe loose(nullptr, &log);
    loose.SetName("Loose");
    log.clear();
    owner.InsertComponent(&loose);
    EXPECT_EQ(loose.Owner(), &owner);
    EXPECT_EQ(log, (std::vector<std::string>{"Loose +Loose", "First +Loose", "Owner +Loose"}));
    log.clear();
    owner.RemoveComponent(&loose);
    EXPECT_EQ(loose.Owner(), nullptr);
    EXPECT_EQ(owner.ComponentCount(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"First -Loose", "Owner -Loose"}));
    // Moving to another owner leaves the first one.
    TProbe other(nullptr);
    other.InsertComponent(&first);
    EXPECT_EQ(owner.ComponentCount(), 0);
    EXPECT_EQ(other.Components(0), &first);
    other.RemoveComponent(&first);
}

TEST(ClassesComponent, NamesMustBeIdentifiersAndUniqueAmongSiblings) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName("Edit1");
    auto* b = new TComponent(&owner);
    for (const char* bad : {"1Edit", "Edit 1", "Ed-it",
                            "\xC9"
                            "dit"}) {
        EXPECT_EQ(RaisedMessage<EComponentError>([&] { b->SetName(bad); }),
                  std::string("'") + bad + "' is not a valid component name");
    }
    EXPECT_EQ(RaisedMessage<EComponentError>([&] { b->SetName("EDIT1"); }),
              "A component named EDIT1 already exists");
    EXPECT_EQ(b->Name(), "");
    b->SetName("_edit2");
    a->SetName("EDIT1"); // a new case of its own name
    EXPECT_EQ(owner.FindComponent("edit1"), a);
    EXPECT_EQ(owner.FindComponent("_EDIT2"), b);
    EXPECT_EQ(owner.FindComponent(""), nullptr);
    EXPECT_EQ(owner.FindComponent("nothing"), nullptr);
    // A named component cannot join an owner that already has that name.
    TComponent stranger(nullptr);
    stranger.SetName("Edit1");
    EXPECT_THROW(owner.InsertComponent(&stranger), EComponentError);
    EXPECT_EQ(stranger.Owner(), nullptr);
    b->SetName("");
    EXPECT_EQ(b->Name(), "");
}

TEST(ClassesComponent, FreeNotificationAcrossOwners) {
    auto* formA = new TProbe(nullptr);
    auto* formB = new TProbe(nullptr);
    auto* observer = Named(new TProbe(formA), "Observer");
    auto* source = Named(new TProbe(formB), "Source");
    observer->watched = source;
    observer->FreeNotification(source);
    delete formB; // frees the source: the observer hears of it
    EXPECT_EQ(observer->watched, nullptr);
    // The observer goes first this time; the source must not call it later.
    auto* formC = new TProbe(nullptr);
    auto* source2 = Named(new TProbe(formC), "Source2");
    observer->watched = source2;
    observer->FreeNotification(source2);
    delete formA;
    delete formC; // would reach the freed observer if its link were left behind (ASan)
}

TEST(ClassesComponent, FreeNotificationBetweenSiblingsWhenTheOwnerGoes) {
    for (bool observerFirst : {true, false}) {
        auto* owner = new TProbe(nullptr);
        TProbe* observer = nullptr;
        TProbe* source = nullptr;
        if (observerFirst) {
            observer = new TProbe(owner);
            source = new TProbe(owner);
        } else {
            source = new TProbe(owner);
            observer = new TProbe(owner);
        }
        observer->watched = source;
        observer->FreeNotification(source);
        bool cleared = false;
        observer->OnNotify = [&](TComponent* which, TOperation op) {
            cleared = cleared || (which == source && op == opRemove);
        };
        delete owner; // frees both, in either order, without a dangling link
        EXPECT_EQ(cleared, observerFirst);
    }
}

TEST(ClassesComponent, RemoveFreeNotificationUndoesBothSides) {
    std::vector<std::string> log;
    TProbe observer(nullptr, &log);
    observer.SetName("Observer");
    auto* source = new TProbe(nullptr);
    source->SetName("Source");
    observer.FreeNotification(source);
    observer.RemoveFreeNotification(source);
    delete source;
    EXPECT_TRUE(log.empty());
}

TEST(ClassesComponent, NotificationReceiverMayFreeSiblings) {
    TProbe owner(nullptr);
    auto* a = Named(new TProbe(&owner), "A");
    auto* b = Named(new TProbe(&owner), "B");
    auto* c = Named(new TProbe(&owner), "C");
    // When A goes, C frees B and itself; the broadcast must not touch them afterwards.
    c->OnNotify = [&](TComponent* which, TOperation op) {
        if (which == a && op == opRemove) {
            delete b;
            delete c;
        }
    };
    delete a;
    EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(ClassesComponent, StateFlags) {
    TComponent owner(nullptr);
    auto* child = new TComponent(&owner);
    EXPECT_TRUE(owner.ComponentState().Empty());
    owner.SetDesigning(true);
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    auto* late = new TComponent(&owner);
    EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
    owner.SetDesigning(false, false);
    EXPECT_FALSE(owner.ComponentState().Contains(csDesigning));
    EXPECT_TRUE(child->ComponentState().Contains(csDesigning));
    child->BeginLoading();
    EXPECT_TRUE(child->ComponentState().Contains(csLoading));
    child->Loaded();
    EXPECT_FALSE(child->ComponentState().Contains(csLoading));
    child->Updating();
    EXPECT_TRUE(child->ComponentState().Contains(csUpdating));
    child->Updated();
    EXPECT_FALSE(child->ComponentState().Contains(csUpdating));
    owner.Destroying();
    EXPECT_TRUE(child->ComponentState().Contains(csDestroying));
    child->SetTag(-7);
    EXPECT_EQ(child->Tag(), -7);
}

TEST(ClassesComponent, ComponentIndexMovesWithinOwner) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    auto* b = new TComponent(&owner);
    auto* c = new TComponent(&owner);
    c->SetComponentIndex(0);
    EXPECT_EQ(owner.Components(0), c);
    EXPECT_EQ(owner.Components(1), a);
    a->SetComponentIndex(99);
    EXPECT_EQ(owner.Components(2), a);
    EXPECT_EQ(b->ComponentIndex(), 1);
}

// ---- Published properties ----

namespace {

enum TShade { shLight, shMedium, shDark };
enum TOption { opA, opB, opC };
using TOptions = TSet<TOption, 8>;

class TWidget : public TComponent {
    VANTREL_CLASS(TWidget, TComponent)
    using TComponent::TComponent;

    int Width() const { return width_; }
    void SetWidth(int v) { width_ = v; }
    bool Visible() const { return visible_; }
    void SetVisible(bool v) { visible_ = v; }
    TShade Shade() const { return shade_; }
    void SetShade(TShade v) { shade_ = v; }
    TOptions Options() const { return options_; }
    void SetOptions(TOptions v) { options_ = v; }
    double Ratio() const { return ratio_; }
    void SetRatio(double v) { ratio_ = v; }
    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& v) { caption_ = v; }
    TStrings* Lines() const { return lines_; }
    void SetLines(TStrings* v) { lines_ = v; }
    TNotifyEvent OnClick;

private:
    int width_ = 10;
    bool visible_ = true;
    TShade shade_ = shMedium;
    TOptions options_{opA, opC};
    double ratio_ = 0.5;
    std::string caption_ = "Hello";
    TStrings* lines_ = nullptr;
};

class TFancyWidget : public TWidget {
    VANTREL_CLASS(TFancyWidget, TWidget)
    using TWidget::TWidget;
    float Glow() const { return glow_; }
    void SetGlow(float v) { glow_ = v; }

private:
    float glow_ = 1.5f;
};

void RegisterWidgetProperties() {
    RegisterProperty<TWidget>("Width", &TWidget::Width, &TWidget::SetWidth);
    RegisterProperty<TWidget>("Visible", &TWidget::Visible, &TWidget::SetVisible);
    RegisterProperty<TWidget>("Shade", &TWidget::Shade, &TWidget::SetShade);
    RegisterProperty<TWidget>("Options", &TWidget::Options, &TWidget::SetOptions);
    RegisterProperty<TWidget>("Ratio", &TWidget::Ratio, &TWidget::SetRatio);
    RegisterProperty<TWidget>("Caption", &TWidget::Caption, &TWidget::SetCaption);
    RegisterProperty<TWidget>("Lines", &TWidget::Lines, &TWidget::SetLines);
    RegisterProperty<TWidget>(
        "OnClick", [](TWidget& w) { return w.OnClick; },
        [](TWidget& w, TNotifyEvent e) { w.OnClick = std::move(e); });
    RegisterProperty<TWidget>("Name", &TWidget::Name);
    RegisterProperty<TFancyWidget>("Glow", &TFancyWidget::Glow, &TFancyWidget::SetGlow);
}

} // namespace

TEST(ClassesProperties, LookupWalksAncestryAndIgnoresCase) {
    RegisterWidgetProperties();
    TFancyWidget w(nullptr);
    const TPropInfo* info = GetPropInfo(&w, "width");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->Name, "Width");
    EXPECT_EQ(info->Kind, tkInteger);
    EXPECT_EQ(GetPropInfo(&w, "Glow")->Kind, tkFloat);
    EXPECT_EQ(GetPropInfo(&w, "Visible")->Kind, tkBoolean);
    EXPECT_EQ(GetPropInfo(&w, "Shade")->Kind, tkEnumeration);
    EXPECT_EQ(GetPropInfo(&w, "Options")->Kind, tkSet);
    EXPECT_EQ(GetPropInfo(&w, "Caption")->Kind, tkString);
    EXPECT_EQ(GetPropInfo(&w, "Lines")->Kind, tkClass);
    EXPECT_EQ(GetPropInfo(&w, "OnClick")->Kind, tkMethod);
    EXPECT_EQ(GetPropInfo(&w, "Missing"), nullptr);
    TWidget plain(nullptr);
    EXPECT_EQ(GetPropInfo(&plain, "Glow"), nullptr);
    EXPECT_EQ(GetPropInfo(static_cast<TObject*>(nullptr), "Width"), nullptr);
    std::vector<std::string> names;
    for (const TPropInfo* p : GetPropList(TFancyWidget::StaticClassInfo()))
        names.push_back(p->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Width", "Visible", "Shade", "Options", "Ratio",
                                               "Caption", "Lines", "OnClick", "Name", "Glow"}));
}

TEST(ClassesProperties, ReadAndWriteByName) {
    RegisterWidgetProperties();
    TFancyWidget w(nullptr);
    EXPECT_EQ(GetOrdProp(&w, "Width"), 10);
    SetOrdProp(&w, "Width", 42);
    EXPECT_EQ(w.Width(), 42);
    SetOrdProp(&w, "Visible", 0);
    EXPECT_FALSE(w.Visible());
    EXPECT_EQ(GetOrdProp(&w, "Shade"), shMedium);
    SetOrdProp(&w, "Shade", shDark);
    EXPECT_EQ(w.Shade(), shDark);
    EXPECT_EQ(GetOrdProp(&w, "Options"), 0b101);
    SetOrdProp(&w, "Options", 0b010);
    EXPECT_TRUE(w.Options() == TOptions{opB});
    SetFloatProp(&w, "Ratio", 2.25);
    EXPECT_EQ(GetFloatProp(&w, "Ratio"), 2.25);
    EXPECT_FLOAT_EQ(GetFloatProp(&w, "Glow"), 1.5);
    SetStrProp(&w, "Caption", "Bye");
    EXPECT_EQ(GetStrProp(&w, "caption"), "Bye");
    TStringList lines;
    SetObjectProp(&w, "Lines", &lines);
    EXPECT_EQ(GetObjectProp(&w, "Lines"), &lines);
    TComponent notAList(nullptr);
    EXPECT_THROW(SetObjectProp(&w, "Lines", &notAList), EInvalidCast);
    SetObjectProp(&w, "Lines", nullptr);
    EXPECT_EQ(w.Lines(), nullptr);
    int clicks = 0;
    SetMethodProp(&w, "OnClick", TNotifyEvent([&](TObject*) { ++clicks; }));
    std::any_cast<TNotifyEvent>(GetMethodProp(&w, "OnClick"))(&w);
    EXPECT_EQ(clicks, 1);
    EXPECT_THROW(SetMethodProp(&w, "OnClick", std::any(5)), EInvalidCast);
}

TEST(ClassesProperties, ErrorsForUnknownWrongKindAndReadOnly) {
    RegisterWidgetProperties();
    TWidget w(nullptr);
    EXPECT_EQ(RaisedMessage<EPropertyError>([&] { GetOrdProp(&w, "Height"); }),
              "Property Height does not exist");
    EXPECT_EQ(RaisedMessage<EPropertyConvertError>([&] { GetOrdProp(&w, "Caption"); }),
              "Invalid property type: Caption");
    EXPECT_THROW(SetStrProp(&w, "Width", "3"), EPropertyConvertError);
    EXPECT_EQ(GetStrProp(&w, "Name"), "");
    EXPECT_EQ(RaisedMessage<EPropertyError>([&] { SetStrProp(&w, "Name", "X"); }),
              "Property is read-only");
}

// ---- TList ----

TEST(ClassesList, EditingAndIndexErrors) {
    int v[5] = {};
    TList list;
    EXPECT_EQ(list.Add(&v[0]), 0);
    list.Add(&v[1]);
    list.Add(&v[2]);
    list.Insert(3, &v[3]);
    list.Insert(0, nullptr);
    EXPECT_EQ(list.Count(), 5);
    EXPECT_EQ(list.First(), nullptr);
    EXPECT_EQ(list.Last(), &v[3]);
    list.Pack();
    EXPECT_EQ(list.Count(), 4);
    list.Exchange(0, 3);
    EXPECT_EQ(list[0], &v[3]);
    list.Move(0, 2); // v1 v2 v3 v0
    EXPECT_EQ(list.IndexOf(&v[3]), 2);
    EXPECT_EQ(list.Remove(&v[1]), 0);
    EXPECT_EQ(list.Remove(&v[4]), -1);
    EXPECT_EQ(list.Extract(&v[2]), &v[2]);
    EXPECT_EQ(list.Extract(&v[2]), nullptr);
    list.SetItems(0, &v[4]);
    EXPECT_EQ(list.Items(0), &v[4]);
    for (int bad : {-1, 2}) {
        EXPECT_EQ(RaisedMessage<EListError>([&] { list.Items(bad); }),
                  "List index out of bounds (" + std::to_string(bad) + ")");
    }
    EXPECT_THROW(list.Insert(3, nullptr), EListError);
    EXPECT_THROW(list.Delete(2), EListError);
    EXPECT_THROW(list.Move(0, 2), EListError);
    EXPECT_THROW(list.SetCapacity(1), EListError);
    list.SetCapacity(100);
    EXPECT_GE(list.Capacity(), 100);
    list.Clear();
    EXPECT_THROW(list.First(), EListError);
}

TEST(ClassesList, SortWithCompareFunction) {
    int values[] = {5, 3, 9, 1, 3};
    TList list;
    for (int& v : values)
        list.Add(&v);
    list.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
    std::vector<int> sorted;
    for (int i = 0; i < list.Count(); ++i)
        sorted.push_back(*static_cast<int*>(list[i]));
    EXPECT_EQ(sorted, (std::vector<int>{1, 3, 3, 5, 9}));
    EXPECT_EQ(list[1], &values[1]); // equal items keep their order
    // A compare that contradicts itself only scrambles the order.
    list.Sort([](void*, void*) { return -1; });
    EXPECT_EQ(list.Count(), 5);
}

// ---- TStringList ----

namespace {

std::vector<std::string> Lines(const TStrings& list) {
    std::vector<std::string> result;
    for (int i = 0; i < list.Count(); ++i)
        result.push_back(list[i]);
    return result;
}

} // namespace

TEST(ClassesStringList, EditingWithObjectsAndIndexErrors) {
    TStringList list;
    TComponent a(nullptr), b(nullptr);
    list.Add("one");
    EXPECT_EQ(list.AddObject("two", &a), 1);
    list.InsertObject(0, "zero", &b);
    list.Insert(3, "three");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"zero", "one", "two", "three"}));
    EXPECT_EQ(list.Objects(2), &a);
    EXPECT_EQ(list.IndexOfObject(&b), 0);
    EXPECT_EQ(list.IndexOfObject(nullptr), 1);
    list.Exchange(0, 3);
    EXPECT_EQ(list.Objects(3), &b);
    list.Move(3, 1); // three zero one two -> three zero(b) ...
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"three", "zero", "one", "two"}));
    EXPECT_EQ(list.Objects(1), &b);
    list.SetStrings(2, "uno");
    list.SetObjects(2, &a);
    EXPECT_EQ(list.Strings(2), "uno");
    EXPECT_EQ(list.Objects(2), &a);
    list.Delete(0);
    EXPECT_EQ(list.IndexOf("UNO"), 1);
    EXPECT_EQ(list.IndexOf("missing"), -1);
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Strings(3); }),
              "List index out of bounds (3)");
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Delete(-1); }),
              "List index out of bounds (-1)");
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Insert(4, "x"); }),
              "List index out of bounds (4)");
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Exchange(0, 3); }),
              "List index out of bounds (3)");
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Objects(9); }),
              "List index out of bounds (9)");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

TEST(ClassesStringList, SortedIsCaseInsensitiveByDefault) {
    TStringList list;
    const std::string eclair = "\xC9"
                               "clair";
    const std::string eclat = "\xE9"
                              "clat";
    list.SetText("pear\nApple\nbanana\napple2\n" + eclair + "\n" + eclat + "\n");
    list.SetSorted(true);
    // Accented letters sort next to their plain forms.
    EXPECT_EQ(Lines(list),
              (std::vector<std::string>{"Apple", "apple2", "banana", eclair, eclat, "pear"}));
    EXPECT_EQ(list.Add("Cherry"), 3);
    int index = -1;
    EXPECT_TRUE(list.Find("BANANA", index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find("blueberry", index));
    EXPECT_EQ(index, 3);
    EXPECT_EQ(list.IndexOf("PEAR"), 6);
    EXPECT_EQ(list.IndexOf("\xC9"
                           "CLAT"),
              5);
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Insert(0, "x"); }),
              "Operation not allowed on sorted string list");
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Move(0, 1); }),
              "Operation not allowed on sorted string list");
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.SetStrings(0, "zzz"); }),
              "Operation not allowed on sorted string list");
    list.SetStrings(0, "APPLE"); // keeps its place
    EXPECT_EQ(list[0], "APPLE");
    list.SetCaseSensitive(true);
    EXPECT_EQ(list.IndexOf("apple"), -1);
    EXPECT_EQ(list[0], "APPLE");
    list.SetSorted(false);
    const int count = list.Count();
    EXPECT_EQ(list.Add("aardvark"), count);
}

TEST(ClassesStringList, DuplicatesModes) {
    TStringList list;
    list.SetSorted(true);
    list.Add("b");
    EXPECT_EQ(list.Add("B"), 0); // dupIgnore: the present one's index
    EXPECT_EQ(list.Count(), 1);
    list.SetDuplicates(dupError);
    EXPECT_EQ(RaisedMessage<EStringListError>([&] { list.Add("b"); }),
              "String list does not allow duplicates");
    list.SetDuplicates(dupAccept);
    list.Add("a");
    list.Add("B");
    list.Add("b");
    EXPECT_EQ(list.Count(), 4);
    int index = -1;
    EXPECT_TRUE(list.Find("b", index));
    EXPECT_EQ(index, 1); // the first of the equal ones
}

TEST(ClassesStringList, CustomSortAndPlainSort) {
    TStringList list;
    list.SetCommaText("10,9,100,1");
    list.Sort();
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1", "10", "100", "9"}));
    list.CustomSort([](TStringList* l, int a, int b) {
        return std::stoi(l->Strings(a)) - std::stoi(l->Strings(b));
    });
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"1", "9", "10", "100"}));
}

TEST(ClassesStringList, NameValueLines) {
    TStringList list;
    list.Add("Width=10");
    list.Add("Comment");
    list.Add("Path=C:\\A=B");
    EXPECT_EQ(list.Names(0), "Width");
    EXPECT_EQ(list.Names(1), "");
    EXPECT_EQ(list.Values("WIDTH"), "10");
    EXPECT_EQ(list.Values("Path"), "C:\\A=B");
    EXPECT_EQ(list.Values("Comment"), "");
    EXPECT_EQ(list.IndexOfName("path"), 2);
    list.SetValues("width", "20");
    EXPECT_EQ(list[0], "width=20");
    list.SetValues("Height", "5");
    EXPECT_EQ(list[3], "Height=5");
    list.SetValues("Path", "");
    EXPECT_EQ(list.IndexOfName("Path"), -1);
    list.SetValues("Nothing", "");
    EXPECT_EQ(list.Count(), 3);
    // A sorted list takes new values in place and new names in order.
    TStringList sorted;
    sorted.SetSorted(true);
    sorted.SetValues("b", "1");
    sorted.SetValues("a", "2");
    sorted.SetValues("b", "zz");
    EXPECT_EQ(Lines(sorted), (std::vector<std::string>{"a=2", "b=zz"}));
}

TEST(ClassesStringList, TextRoundTrips) {
    TStringList list;
    list.SetText("a\r\nb\nc\rd\r\n\r\ne");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
    EXPECT_EQ(list.Text(), "a\r\nb\r\nc\r\nd\r\n\r\ne\r\n");
    list.SetText("x\n\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"x", ""}));
    list.SetText("");
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), "");
    TStringList copy;
    list.SetText("one\r\ntwo\r\n");
    copy.SetText(list.Text());
    EXPECT_TRUE(copy.Equals(&list));
}

TEST(ClassesStringList, CommaTextRoundTrips) {
    TStringList list;
    list.Add("plain");
    list.Add("two words");
    list.Add("a,b");
    list.Add("say \"hi\"");
    list.Add("");
    EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"a,b\",\"say \"\"hi\"\"\",");
    TStringList back;
    back.SetCommaText(list.CommaText() + ",last");
    EXPECT_EQ(Lines(back),
              (std::vector<std::string>{"plain", "two words", "a,b", "say \"hi\"", "", "last"}));
    back.SetCommaText("  a b , c,,\"unterminated");
    EXPECT_EQ(Lines(back), (std::vector<std::string>{"a", "b", "c", "", "unterminated"}));
    back.SetCommaText("a,");
    EXPECT_EQ(Lines(back), (std::vector<std::string>{"a"}));
    back.Clear();
    back.Add("");
    EXPECT_EQ(back.CommaText(), "\"\"");
    back.SetCommaText(back.CommaText());
    EXPECT_EQ(Lines(back), (std::vector<std::string>{""}));
}

TEST(ClassesStringList, ChangeEventsWaitForTheOutermostUpdate) {
    TStringList list;
    std::vector<std::string> events;
    list.OnChanging = [&](TObject* sender) {
        EXPECT_EQ(sender, &list);
        events.push_back("changing");
    };
    list.OnChange = [&](TObject*) { events.push_back("change " + std::to_string(list.Count())); };
    list.Add("a");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 1"}));
    events.clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.Delete(0);
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing"}));
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 1"}));
    list.EndUpdate(); // unbalanced: ignored
    EXPECT_EQ(list.UpdateCount(), 0);
    events.clear();
    list.SetText("x\ny\nz");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 3"}));
}

TEST(ClassesStringList, AssignAddStringsAndEquals) {
    TStringList source;
    TComponent tag(nullptr);
    source.Add("b");
    source.AddObject("a", &tag);
    TStringList target;
    target.Add("old");
    target.Assign(&source);
    EXPECT_TRUE(target.Equals(&source));
    EXPECT_EQ(target.Objects(1), &tag);
    target.AddStrings(&source);
    EXPECT_EQ(target.Count(), 4);
    EXPECT_FALSE(target.Equals(&source));
    target.Assign(&target);
    EXPECT_EQ(target.Count(), 4);
    TStringList upper;
    upper.SetText("B\nA");
    EXPECT_FALSE(upper.Equals(&source)); // Equals compares exactly
}
