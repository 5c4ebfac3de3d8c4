// The record navigator: a row of flat buttons (first, prior, next, last, insert, delete, edit,
// post, cancel) that moves through and edits the dataset of its data source. The buttons share
// the control's width evenly, each showing a small glyph drawn in code and a hint of its own.
//
// Promises: a button is enabled only when its action makes sense now, and the buttons follow
// every change of the dataset's state, position and data through the navigator's data link
// (an inactive or missing dataset leaves all of them disabled). A click on a button never lets
// an exception reach the window system: a refused action (a post against a unique index, a
// delete stopped by the dataset's handlers) is shown by the application's exception handling,
// and the silent abort shows nothing. Delete asks "Delete record?" first unless ConfirmDelete
// is off. A data source that goes away leaves the navigator without one.
#pragma once

#include "db/DB.h"
#include "platform/gui/Buttons.h"

#include <array>
#include <functional>
#include <memory>

enum TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel
};
using TNavButtonSet = TSet<TNavigateBtn, 16>;
using ENavClick = std::function<void(TObject* Sender, TNavigateBtn Button)>;

// How many buttons a navigator has.
constexpr int kNavButtonCount = nbCancel + 1;

class TDBNavigator;

// The navigator's link: every notice of the dataset updates the buttons.
class TNavDataLink : public TDataLink {
    VANTREL_CLASS(TNavDataLink, TDataLink)

    explicit TNavDataLink(TDBNavigator* Navigator) : navigator_(Navigator) {}

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void EditingChanged() override;

private:
    TDBNavigator* navigator_;
};

class TDBNavigator : public TCustomControl {
    VANTREL_CLASS(TDBNavigator, TCustomControl)

    explicit TDBNavigator(TComponent* AOwner);
    ~TDBNavigator() override;

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* Value);
    // The buttons shown; the shown ones share the width.
    TNavButtonSet VisibleButtons() const { return visibleButtons_; }
    void SetVisibleButtons(TNavButtonSet Value);
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool Value) { confirmDelete_ = Value; }
    // One hint per button in button order; a missing or empty line keeps the button's default
    // ("First record" ... "Cancel edit"). Starts with the defaults.
    TStrings* Hints() const { return hints_.get(); }
    void SetHints(TStrings* Value) { hints_->Assign(Value); }
    // The button of an action, to read its state or hint.
    TSpeedButton* Buttons(TNavigateBtn Index) const { return buttons_[Index]; }

    // Whether the button's action applies to the dataset as it stands: the dataset is active;
    // First and Prior away from the beginning, Next and Last away from the end; Insert, Edit
    // and Delete in browse state on a dataset that can be changed (Delete with a record to
    // delete); Post and Cancel while a record is edited or inserted.
    bool ActionAllowed(TNavigateBtn Index) const;
    // Runs the button's action when ActionAllowed: BeforeAction first (raising EAbort there
    // stops it), the dataset's operation (Delete after the confirmation), then OnClick. What
    // the dataset raises goes to the caller.
    void BtnClick(TNavigateBtn Index);

    void Notification(TComponent* AComponent, TOperation Operation) override;

    ENavClick BeforeAction;
    ENavClick OnClick;

protected:
    void Resize() override;
    void CMEnabledChanged(TMessage& Message) override;

private:
    friend class TNavDataLink;
    void UpdateButtons();
    void ApplyHints();
    void LayoutButtons();
    // A click of a button: its action with any failure shown by the application.
    void ButtonClicked(TNavigateBtn Index);

    std::unique_ptr<TNavDataLink> dataLink_;
    std::array<TSpeedButton*, kNavButtonCount> buttons_{};
    TNavButtonSet visibleButtons_;
    std::unique_ptr<TStringList> hints_;
    bool confirmDelete_ = true;
};
