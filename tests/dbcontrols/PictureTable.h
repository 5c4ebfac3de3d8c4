// LOANS.DBF of the dataset fixture in NAME order, keeping a picture per field as the data-aware
// datasets do (a published PictureMasks list), for the edit and grid tests.
#pragma once

#include "tests/db/DataSetFixture.h"

#include "platform/rtl/TypInfo.h"

class TPictureTable : public TTestTable {
    VANTREL_CLASS(TPictureTable, TTestTable)

    explicit TPictureTable(const std::string& folder) : TTestTable(folder, "LOANS.DBF", "NAME") {
        static const bool published = [] {
            RegisterProperty<TPictureTable>(
                "PictureMasks", [](TPictureTable& t) -> TStrings* { return &t.Masks; },
                [](TPictureTable& t, TStrings* v) { t.Masks.Assign(v); });
            return true;
        }();
        (void)published;
    }
    TStringList Masks;
};
