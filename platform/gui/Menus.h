// Menus: items with captions ("&" marks the mnemonic, "-" is a separator line), shortcuts,
// check marks and radio groups; the main menu of a form and popup menus shown at a point.
#pragma once

#include "platform/gui/Controls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMenu;
class TMenuImpl;

// A shortcut: the virtual key in the low byte with scShift, scCtrl and scAlt added.
using TShortCut = Word;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;
constexpr TShortCut scNone = 0;

TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Ctrl+S", "F2", "Shift+Del", "Alt+Bksp"...; empty for scNone.
std::string ShortCutToText(TShortCut ShortCut);
// The shortcut of a text made by ShortCutToText (any case); scNone when it is not one.
TShortCut TextToShortCut(const std::string& Text);
// True when Text holds "&" before Key (any case; "&&" is a literal ampersand).
bool IsAccel(Word Key, const std::string& Text);
// The caption without its "&" marks ("&&" becomes "&").
std::string StripHotkey(const std::string& Text);

class TMenuItem : public TComponent {
    VANTREL_CLASS(TMenuItem, TComponent)

    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& Value);
    bool Checked() const { return checked_; }
    // Checking a radio item unchecks the other radio items of its group.
    void SetChecked(bool Value);
    bool RadioItem() const { return radioItem_; }
    void SetRadioItem(bool Value);
    Byte GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(Byte Value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool Value);
    bool Visible() const { return visible_; }
    void SetVisible(bool Value);
    TShortCut ShortCut() const { return shortCut_; }
    void SetShortCut(TShortCut Value);
    bool Default() const { return default_; }
    void SetDefault(bool Value);
    const std::string& Hint() const { return hint_; }
    void SetHint(const std::string& Value) { hint_ = Value; }
    int HelpContext() const { return helpContext_; }
    void SetHelpContext(int Value) { helpContext_ = Value; }
    bool IsLine() const { return caption_ == "-"; }

    int Count() const { return static_cast<int>(items_.size()); }
    TMenuItem* Items(int Index) const;
    TMenuItem* operator[](int Index) const { return Items(Index); }
    TMenuItem* Parent() const { return parent_; }
    int IndexOf(const TMenuItem* Item) const;
    // Adds an item (taken out of any other item first); the item stays owned by its owner.
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    // Takes the item at Index out without freeing it.
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    // Frees every sub-item.
    void Clear();
    // The menu this item belongs to (through its parents), or nullptr.
    TMenu* GetParentMenu() const;

    // Runs OnClick (nothing for a disabled item).
    virtual void Click();
    TNotifyEvent OnClick;

private:
    friend class TMenu;
    void Changed();
    TMenuItem* FindShortCut(TShortCut Key);
    TMenuItem* FindAccel(Word Key);

    std::string caption_;
    bool checked_ = false;
    bool radioItem_ = false;
    Byte groupIndex_ = 0;
    bool enabled_ = true;
    bool visible_ = true;
    bool default_ = false;
    TShortCut shortCut_ = scNone;
    std::string hint_;
    int helpContext_ = 0;
    std::vector<TMenuItem*> items_;
    TMenuItem* parent_ = nullptr;
    TMenu* menu_ = nullptr;
};

class TMenu : public TComponent {
    VANTREL_CLASS(TMenu, TComponent)

    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;

    TMenuItem* Items() const { return items_; }
    // Runs the item whose shortcut is this key (enabled items of visible branches only); true
    // when one was found.
    bool IsShortCut(TWMKey& Message);
    // The item whose caption has this mnemonic at the top level, or nullptr.
    TMenuItem* FindAccelItem(Word Key) const;

    // Internal to the layer: something in the item tree changed.
    virtual void MenuChanged();
    TMenuImpl* Impl() const { return impl_.get(); }

private:
    TMenuItem* items_;
    std::unique_ptr<TMenuImpl> impl_;
};

class TMainMenu : public TMenu {
    VANTREL_CLASS(TMainMenu, TMenu)

    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    // The form showing this menu bar (set by TCustomForm::SetMenu).
    TCustomForm* Form() const { return form_; }
    void SetForm(TCustomForm* Form);
    // Opens the top-level item with this mnemonic as a drop-down (through the popup hook when
    // one is installed), the first one for Key 0 (F10 or Alt alone); false when no item has it.
    bool DropDownAccel(Word Key);
    void MenuChanged() override;

private:
    TMenuItem* FirstMenu() const;

    TCustomForm* form_ = nullptr;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
    VANTREL_CLASS(TPopupMenu, TMenu)

    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;

    // Shows the menu at a screen point and runs the chosen item's OnClick.
    virtual void Popup(int X, int Y);
    bool AutoPopup() const { return autoPopup_; }
    void SetAutoPopup(bool Value) { autoPopup_ = Value; }
    TPopupAlignment Alignment() const { return alignment_; }
    void SetAlignment(TPopupAlignment Value) { alignment_ = Value; }
    TComponent* PopupComponent() const { return popupComponent_; }
    void SetPopupComponent(TComponent* Value) { popupComponent_ = Value; }

    TNotifyEvent OnPopup;

private:
    bool autoPopup_ = true;
    TPopupAlignment alignment_ = paLeft;
    TComponent* popupComponent_ = nullptr;
};

// A test's stand-in for the user of a menu: it gets the menu item whose sub-items are shown and
// the screen point, and returns the item to choose (nullptr: the menu is dismissed).
using TPopupHook = std::function<TMenuItem*(TMenuItem* Items, int X, int Y)>;
// Installs a hook (an empty one goes back to the real menus) and returns the previous one.
TPopupHook SetPopupHook(TPopupHook Hook);

// Helpers that build menus in code.
TMenuItem* NewItem(TComponent* Owner, const std::string& Caption, TShortCut ShortCut,
                   TNotifyEvent OnClick);
TMenuItem* NewLine(TComponent* Owner);
