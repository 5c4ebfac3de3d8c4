// Sessions, databases, tables, queries and stored procedures in one include: sessions,
// databases and engine errors (Sessions), the datasets of a database and tables (Tables), and
// parameters, queries and stored procedures (Queries).
#pragma once

#include "db/Queries.h"
#include "db/Sessions.h"
#include "db/Tables.h"
