// A data-aware grid of class G on a shown form over LOANS.DBF (by default ADAMS, BAKER, CLARK,
// DAVIS in NAME order; a fixture may set other records before SetUp), pictures kept per field,
// focused, with recorded services; TypeText types capitals and other characters into a control
// as real Qt key events.
#pragma once

#include "tests/dbcontrols/PictureTable.h"
#include "tests/gui/GuiTestSupport.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

template <typename G>
class TGridFixture : public DataSetFixture {
protected:
    void SetUp() override {
        DataSetFixture::SetUp();
        ResetKeyState();
        MakeLoans("LOANS.DBF", records);
        table = std::make_unique<TPictureTable>(folder_.Path());
        table->Open();
        source_.SetDataSet(table.get());
        form = new TForm(nullptr);
        form->SetBounds(0, 0, 600, 300);
        grid = PlaceControl<G>(form, form, 0, 0, 560, 200);
        form->Show();
        grid->SetDataSource(&source_);
        grid->SetFocus();
    }
    void TearDown() override {
        delete form;
        table.reset();
        DataSetFixture::TearDown();
    }
    std::string Name() { return table->FieldByName("NAME")->AsString(); }
    void TypeText(TWinControl* target, const std::string& text) {
        for (char c : text)
            TypeCharacter(target, c >= 'A' && c <= 'Z' ? Qt::Key_A + (c - 'A') : c, QString(c));
    }

    std::vector<std::pair<std::string, double>> records{
        {"ADAMS", 1}, {"BAKER", 2}, {"CLARK", 3}, {"DAVIS", 4}};
    TRecordedServices services;
    std::unique_ptr<TPictureTable> table;
    TForm* form = nullptr;
    G* grid = nullptr;
};
