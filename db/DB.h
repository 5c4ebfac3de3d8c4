// The dataset model in one include: the database layer's messages and values (DataTypes), field
// definitions and TField (Fields), the typed fields and the blob stream (FieldClasses), TDataSet
// (DataSet), data sources and links (DataLinks) and filter trees (FilterExpressions).
#pragma once

#include "db/DataLinks.h"
#include "db/DataSet.h"
#include "db/DataTypes.h"
#include "db/FieldClasses.h"
#include "db/Fields.h"
#include "db/FilterExpressions.h"
