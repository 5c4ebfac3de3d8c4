// The data source of the data-aware controls: a data source of its own class name, which the
// grid and edits of the family accept like its base.
#pragma once

#include "db/DB.h"

class TdwDataSource : public TDataSource {
    VANTREL_CLASS(TdwDataSource, TDataSource)

    explicit TdwDataSource(TComponent* AOwner) : TDataSource(AOwner) {}
};
