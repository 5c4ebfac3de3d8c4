#include "platform/gui/Menus.h"

#include "platform/gui/Forms.h"
#include "platform/gui/QtApp.h"
#include "platform/gui/QtBridge.h"
#include "platform/gui/QtPaint.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Strings.h"

#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <map>

namespace {

TPopupHook& PopupHook() {
    static TPopupHook hook;
    return hook;
}

struct TKeyName {
    Word Key;
    const char* Name;
};

constexpr TKeyName kKeyNames[] = {{VK_BACK, "BkSp"},    {VK_TAB, "Tab"},     {VK_ESCAPE, "Esc"},
                                  {VK_RETURN, "Enter"}, {VK_SPACE, "Space"}, {VK_PRIOR, "PgUp"},
                                  {VK_NEXT, "PgDn"},    {VK_END, "End"},     {VK_HOME, "Home"},
                                  {VK_LEFT, "Left"},    {VK_UP, "Up"},       {VK_RIGHT, "Right"},
                                  {VK_DOWN, "Down"},    {VK_INSERT, "Ins"},  {VK_DELETE, "Del"}};

std::string KeyName(Word key) {
    if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9')) return std::string(1, char(key));
    if (key >= VK_F1 && key <= VK_F12) return "F" + std::to_string(key - VK_F1 + 1);
    for (const auto& k : kKeyNames)
        if (k.Key == key) return k.Name;
    return {};
}

// The display text of a caption with its shortcut, as Qt shows it ("&" marks stay mnemonics).
QString ActionText(const TMenuItem* item) {
    QString text = AnsiToQString(item->Caption());
    if (item->ShortCut() != scNone) text += "\t" + AnsiToQString(ShortCutToText(item->ShortCut()));
    return text;
}

// Fills a Qt menu with the visible sub-items of item; chosen maps actions back to items.
void FillMenu(QMenu* menu, TMenuItem* item, std::map<QAction*, TMenuItem*>& chosen) {
    std::map<int, QActionGroup*> groups;
    for (int i = 0; i < item->Count(); ++i) {
        TMenuItem* sub = item->Items(i);
        if (!sub->Visible()) continue;
        if (sub->IsLine()) {
            menu->addSeparator();
            continue;
        }
        if (sub->Count() > 0) {
            QMenu* child = menu->addMenu(ActionText(sub));
            child->setEnabled(sub->Enabled());
            FillMenu(child, sub, chosen);
            continue;
        }
        QAction* action = menu->addAction(ActionText(sub));
        action->setEnabled(sub->Enabled());
        if (sub->Checked() || sub->RadioItem()) {
            action->setCheckable(true);
            action->setChecked(sub->Checked());
        }
        if (sub->RadioItem()) {
            QActionGroup*& group = groups[sub->GroupIndex()];
            if (!group) group = new QActionGroup(menu);
            group->addAction(action);
        }
        if (sub->Default()) {
            QFont f = action->font();
            f.setBold(true);
            action->setFont(f);
        }
        chosen[action] = sub;
    }
}

// Shows the sub-items of item at a screen point and returns the one chosen, or nullptr.
TMenuItem* RunMenu(TMenuItem* item, int x, int y) {
    if (PopupHook()) return PopupHook()(item, x, y);
    // When nobody can choose (a test's modal hook, a screen without input) the menu is
    // dismissed.
    if (NobodyCanAnswer("popup menu")) return nullptr;
    EnsureQtApp();
    QMenu menu;
    menu.setProperty("vantrel_free", true);
    std::map<QAction*, TMenuItem*> chosen;
    FillMenu(&menu, item, chosen);
    QAction* action = menu.exec(QPoint(x, y));
    auto it = chosen.find(action);
    return it == chosen.end() ? nullptr : it->second;
}

} // namespace

class TMenuImpl {
public:
    QPointer<QMenuBar> Bar;
    std::map<QAction*, TMenuItem*> Actions;
};

TShortCut ShortCut(Word Key, TShiftState Shift) {
    TShortCut result = static_cast<TShortCut>(Key & 0xFF);
    if (Shift.Contains(ssShift)) result |= scShift;
    if (Shift.Contains(ssCtrl)) result |= scCtrl;
    if (Shift.Contains(ssAlt)) result |= scAlt;
    return result;
}

void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift) {
    Key = ShortCut & 0xFF;
    Shift = {};
    if (ShortCut & scShift) Shift.Include(ssShift);
    if (ShortCut & scCtrl) Shift.Include(ssCtrl);
    if (ShortCut & scAlt) Shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut ShortCut) {
    const std::string name = KeyName(ShortCut & 0xFF);
    if (name.empty()) return {};
    std::string text;
    if (ShortCut & scShift) text += "Shift+";
    if (ShortCut & scCtrl) text += "Ctrl+";
    if (ShortCut & scAlt) text += "Alt+";
    return text + name;
}

TShortCut TextToShortCut(const std::string& Text) {
    TShortCut mods = 0;
    std::string rest = Text;
    for (bool found = true; found;) {
        found = false;
        for (auto [prefix, bit] :
             {std::pair{"shift+", scShift}, {"ctrl+", scCtrl}, {"alt+", scAlt}}) {
            const std::string p = prefix;
            if (rest.size() > p.size() && AnsiLowerCase(rest.substr(0, p.size())) == p) {
                mods |= bit;
                rest = rest.substr(p.size());
                found = true;
            }
        }
    }
    for (int key = 1; key < 256; ++key) {
        const std::string name = KeyName(static_cast<Word>(key));
        if (!name.empty() && AnsiCompareText(name, rest) == 0)
            return static_cast<TShortCut>(key | mods);
    }
    return scNone;
}

bool IsAccel(Word Key, const std::string& Text) {
    for (std::size_t i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] != '&') continue;
        if (Text[i + 1] == '&') {
            ++i;
            continue;
        }
        return AnsiUpperCase(std::string(1, Text[i + 1])) ==
               AnsiUpperCase(std::string(1, static_cast<char>(Key)));
    }
    return false;
}

std::string StripHotkey(const std::string& Text) {
    std::string result;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '&' && i + 1 < Text.size())
            ++i;
        else if (Text[i] == '&')
            continue;
        result.push_back(Text[i]);
    }
    return result;
}

// ============================================================================================
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    Clear();
    if (parent_) parent_->Remove(this);
}

void TMenuItem::Changed() {
    if (TMenu* menu = GetParentMenu()) menu->MenuChanged();
}

void TMenuItem::SetCaption(const std::string& Value) {
    caption_ = Value;
    Changed();
}

void TMenuItem::SetChecked(bool Value) {
    checked_ = Value;
    if (Value && radioItem_ && parent_) {
        for (TMenuItem* other : parent_->items_)
            if (other != this && other->radioItem_ && other->groupIndex_ == groupIndex_)
                other->checked_ = false;
    }
    Changed();
}

void TMenuItem::SetRadioItem(bool Value) {
    radioItem_ = Value;
    Changed();
}

void TMenuItem::SetGroupIndex(Byte Value) {
    groupIndex_ = Value;
    Changed();
}

void TMenuItem::SetEnabled(bool Value) {
    enabled_ = Value;
    Changed();
}

void TMenuItem::SetVisible(bool Value) {
    visible_ = Value;
    Changed();
}

void TMenuItem::SetShortCut(TShortCut Value) {
    shortCut_ = Value;
    Changed();
}

void TMenuItem::SetDefault(bool Value) {
    default_ = Value;
    Changed();
}

TMenuItem* TMenuItem::Items(int Index) const {
    if (Index < 0 || Index >= Count()) throw EListError("List index out of bounds (%d)", {Index});
    return items_[static_cast<std::size_t>(Index)];
}

int TMenuItem::IndexOf(const TMenuItem* Item) const {
    auto it = std::find(items_.begin(), items_.end(), Item);
    return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TMenuItem::Add(TMenuItem* Item) {
    Insert(Count(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (!Item) return;
    if (Item->parent_) Item->parent_->Remove(Item);
    Index = std::clamp(Index, 0, Count());
    items_.insert(items_.begin() + Index, Item);
    Item->parent_ = this;
    Changed();
}

void TMenuItem::Delete(int Index) {
    Remove(Items(Index));
}

void TMenuItem::Remove(TMenuItem* Item) {
    auto it = std::find(items_.begin(), items_.end(), Item);
    if (it == items_.end()) return;
    items_.erase(it);
    Item->parent_ = nullptr;
    Changed();
}

void TMenuItem::Clear() {
    while (!items_.empty())
        delete items_.back();
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* item = this;
    while (item->parent_)
        item = item->parent_;
    return item->menu_;
}

void TMenuItem::Click() {
    if (enabled_ && OnClick) OnClick(this);
}

TMenuItem* TMenuItem::FindShortCut(TShortCut Key) {
    for (TMenuItem* item : items_) {
        if (!item->visible_) continue;
        if (item->shortCut_ == Key && item->enabled_ && !item->IsLine()) return item;
        if (item->enabled_)
            if (TMenuItem* found = item->FindShortCut(Key)) return found;
    }
    return nullptr;
}

TMenuItem* TMenuItem::FindAccel(Word Key) {
    for (TMenuItem* item : items_)
        if (item->visible_ && item->enabled_ && IsAccel(Key, item->caption_)) return item;
    return nullptr;
}

// ============================================================================================
// TMenu

TMenu::TMenu(TComponent* AOwner)
    : TComponent(AOwner), items_(new TMenuItem(nullptr)), impl_(std::make_unique<TMenuImpl>()) {
    items_->menu_ = this;
}

TMenu::~TMenu() {
    items_->menu_ = nullptr;
    delete items_;
    if (impl_->Bar) delete impl_->Bar.data();
}

bool TMenu::IsShortCut(TWMKey& Message) {
    const TShortCut key = ShortCut(Message.CharCode, KeyDataToShiftState(Message.KeyData));
    if ((key & 0xFF) == 0) return false;
    TMenuItem* item = items_->FindShortCut(key);
    if (!item) return false;
    item->Click();
    return true;
}

TMenuItem* TMenu::FindAccelItem(Word Key) const {
    return items_->FindAccel(Key);
}

void TMenu::MenuChanged() {}

// ============================================================================================
// TMainMenu

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

TMainMenu::~TMainMenu() {
    if (form_ && form_->Menu() == this) form_->SetMenu(nullptr);
}

void TMainMenu::SetForm(TCustomForm* Form) {
    if (form_ == Form) return;
    if (Impl()->Bar) delete Impl()->Bar.data();
    form_ = Form;
    MenuChanged();
}

void TMainMenu::MenuChanged() {
    if (!form_ || !form_->HandleAllocated()) return;
    TWinControlImpl* formImpl = form_->Impl();
    if (!formImpl->Widget) return;
    if (!Impl()->Bar) {
        Impl()->Bar = new QMenuBar(formImpl->Widget);
        Impl()->Bar->setProperty("vantrel_free", true);
        Impl()->Bar->setNativeMenuBar(false);
    }
    QMenuBar* menuBar = Impl()->Bar;
    menuBar->clear();
    Impl()->Actions.clear();
    for (int i = 0; i < Items()->Count(); ++i) {
        TMenuItem* top = Items()->Items(i);
        if (!top->Visible() || top->IsLine()) continue;
        std::map<QAction*, TMenuItem*> chosen;
        if (top->Count() == 0) {
            // An item of the bar itself runs its command when chosen.
            QAction* action = menuBar->addAction(ActionText(top));
            action->setEnabled(top->Enabled());
            chosen[action] = top;
        } else {
            QMenu* menu = menuBar->addMenu(ActionText(top));
            menu->setEnabled(top->Enabled());
            FillMenu(menu, top, chosen);
        }
        for (auto [action, item] : chosen) {
            QObject::connect(action, &QAction::triggered, [this, item = item] {
                Guarded([&] {
                    // The tree may have changed since the bar was built.
                    if (item->GetParentMenu() == this) item->Click();
                });
            });
        }
        Impl()->Actions.insert(chosen.begin(), chosen.end());
    }
    form_->MenuBarChanged(menuBar->sizeHint().height());
    menuBar->setGeometry(0, 0, formImpl->Widget->width(), menuBar->sizeHint().height());
    menuBar->show();
}

bool TMainMenu::DropDownAccel(Word Key) {
    TMenuItem* top = Key == 0 ? FirstMenu() : FindAccelItem(Key);
    if (!top) return false;
    if (top->OnClick) top->Click();
    if (top->Count() == 0) return true; // a command of the bar: nothing drops down
    if (PopupHook() || ModalHookInstalled() || !Impl()->Bar) {
        TPoint p = form_ ? form_->ClientToScreen({0, 0}) : TPoint{};
        if (TMenuItem* chosen = RunMenu(top, p.X, p.Y)) chosen->Click();
        return true;
    }
    for (QAction* action : Impl()->Bar->actions())
        if (action->text() == ActionText(top)) Impl()->Bar->setActiveAction(action);
    return true;
}

TMenuItem* TMainMenu::FirstMenu() const {
    for (int i = 0; i < Items()->Count(); ++i)
        if (TMenuItem* top = Items()->Items(i); top->Visible() && top->Enabled() && !top->IsLine())
            return top;
    return nullptr;
}

// ============================================================================================
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    if (TMenuItem* chosen = RunMenu(Items(), X, Y)) chosen->Click();
}

TPopupHook SetPopupHook(TPopupHook Hook) {
    TPopupHook previous = std::move(PopupHook());
    PopupHook() = std::move(Hook);
    return previous;
}

TMenuItem* NewItem(TComponent* Owner, const std::string& Caption, TShortCut ShortCut,
                   TNotifyEvent OnClick) {
    auto* item = new TMenuItem(Owner);
    item->SetCaption(Caption);
    item->SetShortCut(ShortCut);
    item->OnClick = std::move(OnClick);
    return item;
}

TMenuItem* NewLine(TComponent* Owner) {
    return NewItem(Owner, "-", scNone, {});
}
