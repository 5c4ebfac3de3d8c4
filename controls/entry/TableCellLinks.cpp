#include "controls/entry/TableCellLinks.h"

#include "controls/entry/EntryExceptions.h"
#include "controls/entry/MessageTables.h"
#include "platform/gui/Forms.h"
#include "platform/rtl/Numbers.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TVcTableCellAncestor

TVcTableCellAncestor::TVcTableCellAncestor(TComponent* AOwner) : TComponent(AOwner) {}

TVcTableCellAncestor::~TVcTableCellAncestor() {
    if (table_) table_->RemoveCell(this);
}

void TVcTableCellAncestor::DoCellChanged() {
    if (cellChanged_) cellChanged_(this);
}

void TVcTableCellAncestor::ChangeScale(int /*M*/, int /*D*/) {}

// ---------------------------------------------------------------------------------------------
// TVcTableAncestor

TVcTableAncestor::TVcTableAncestor(TComponent* AOwner) : TVcBase(AOwner) {}

TVcTableAncestor::~TVcTableAncestor() {
    for (TVcTableCellAncestor* cell : cells_) {
        cell->table_ = nullptr;
        cell->cellChanged_ = nullptr;
    }
}

void TVcTableAncestor::AddCell(TVcTableCellAncestor* Cell) {
    if (!Cell || std::find(cells_.begin(), cells_.end(), Cell) != cells_.end()) return;
    cells_.push_back(Cell);
    Cell->table_ = this;
    Cell->cellChanged_ = [this](TVcTableCellAncestor* changed) { CellChanged(changed); };
    Cell->FreeNotification(this);
}

void TVcTableAncestor::RemoveCell(TVcTableCellAncestor* Cell) {
    const auto it = std::find(cells_.begin(), cells_.end(), Cell);
    if (it == cells_.end()) return;
    cells_.erase(it);
    if (Cell->table_ == this) {
        Cell->table_ = nullptr;
        Cell->cellChanged_ = nullptr;
    }
}

TVcTableCellAncestor* TVcTableAncestor::Cells(int Index) const {
    if (Index < 0 || Index >= CellCount())
        throw EListError("List index out of bounds (%d)", {Index});
    return cells_[static_cast<std::size_t>(Index)];
}

void TVcTableAncestor::Notification(TComponent* AComponent, TOperation Operation) {
    TVcBase::Notification(AComponent, Operation);
    if (Operation == opRemove)
        if (auto* cell = dynamic_cast<TVcTableCellAncestor*>(AComponent)) RemoveCell(cell);
}

void TVcTableAncestor::ChangeScale(int M, int D) {
    if (M == D || D == 0) return;
    SetBounds(MulDiv(Left(), M, D), MulDiv(Top(), M, D), MulDiv(Width(), M, D),
              MulDiv(Height(), M, D));
    for (TVcTableCellAncestor* cell : cells_)
        cell->ChangeScale(M, D);
}

Word TVcTableAncestor::TranslateKey(const TWMKey& Message,
                                    const std::vector<std::string>& TableNames) {
    TVcCommandProcessor* commands = NeedController().EntryCommands();
    return TableNames.empty() ? commands->Translate(Message)
                              : commands->TranslateUsing(TableNames, Message);
}

std::vector<std::string> TVcTableAncestor::CellData() const {
    std::vector<std::string> names;
    for (const TVcTableCellAncestor* cell : cells_) {
        const TComponent* owner = cell->Owner();
        names.push_back(owner && !owner->Name().empty() ? owner->Name() + "." + cell->Name()
                                                        : cell->Name());
    }
    return names;
}

void TVcTableAncestor::ReadCellData(const std::vector<std::string>& Names) {
    if (!storedCells_) storedCells_ = std::make_unique<std::vector<std::string>>();
    storedCells_->clear();
    storedCells_->insert(storedCells_->end(), Names.begin(), Names.end());
}

bool TVcTableAncestor::ResolveOn(TComponent* Form, const std::string& CellName) {
    auto* cell = dynamic_cast<TVcTableCellAncestor*>(Form->FindComponent(CellName));
    if (cell) AddCell(cell);
    return cell != nullptr;
}

void TVcTableAncestor::ResolveCellData() {
    if (!storedCells_) return;
    std::vector<std::string>& names = *storedCells_;
    const auto split = [](const std::string& name, std::string& owner, std::string& cell) {
        const std::size_t dot = name.find('.');
        owner = dot == std::string::npos ? std::string() : name.substr(0, dot);
        cell = dot == std::string::npos ? name : name.substr(dot + 1);
        return dot != std::string::npos;
    };
    if (TCustomForm* form = GetParentForm(this)) {
        const std::string& formName = form->Name();
        const std::size_t underscore = formName.rfind('_');
        const std::string stem =
            underscore == std::string::npos ? formName : formName.substr(0, underscore);
        for (std::size_t i = names.size(); i-- > 0;) {
            std::string owner;
            std::string cell;
            const bool qualified = split(names[i], owner, cell);
            if (qualified && owner != formName && owner != stem) continue;
            // A component of the form that is no cell is a reference to drop as well.
            ResolveOn(form, cell);
            if (form->FindComponent(cell))
                names.erase(names.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    for (int f = 0; Screen && f < Screen->FormCount() && !names.empty(); ++f) {
        TCustomForm* other = Screen->Forms(f);
        for (std::size_t i = names.size(); i-- > 0;) {
            std::string owner;
            std::string cell;
            if (split(names[i], owner, cell) && owner == other->Name() && ResolveOn(other, cell))
                names.erase(names.begin() + static_cast<std::ptrdiff_t>(i));
        }
    }
    storedCells_.reset();
}

void RaiseTableError(int MessageNumber) {
    throw EVcTable(GetVcString(MessageNumber));
}

void ReallocRowColArray(std::unique_ptr<TVcRowColArray>& Array, Word Capacity) {
    if (Capacity == 0) {
        Array.reset();
        return;
    }
    auto fresh = std::make_unique<TVcRowColArray>();
    fresh->Capacity = Capacity;
    fresh->Entries.assign(Capacity, 0);
    if (Array) {
        const Word keep = std::min(Capacity, Array->Count);
        std::copy_n(Array->Entries.begin(), keep, fresh->Entries.begin());
        fresh->Count = keep;
    }
    Array = std::move(fresh);
}
