// The engine call interface: record filters. A filter is one of the 100 slots of a cursor's
// work area. Expression filters carry an xBase condition; the active ones (of a kind other than
// the one-shot search, 2) are joined in slot order as "(A) .and. (B)" and handed to the engine,
// which then hides the records that fail it. Callback filters are run by the record reads.
//
// An expression filter takes its condition from the text passed as client data; when none is
// given it is translated from the filter tree (the engine filter-tree blob of the dataset
// model); a tree that has no xBase form is refused with 9998. In the translation every number
// is written in plain decimal (no exponent) that the engine reads back as the same number, and
// every text becomes a string constant that keeps its meaning whatever quotes and brackets it
// holds.
//
// A condition the engine refuses is the result of the call that hands it over (9998, the
// condition as reason); the engine keeps the condition it had, and the refused filter stays
// inactive (it is marked refused, and DbiDropFilter frees its slot all the same).
#pragma once

#include "db/EngineTypes.h"

#include <string>

// Adds a filter in the first free slot (not active yet). With expression (a filter tree) the
// filter is an expression filter whose condition is the zero-terminated text at clientData
// (0 = none); without one it is a callback filter. 10753 when all 100 slots are taken.
DBIResult DbiAddFilter(TCursorHandle cursor, std::intptr_t clientData, int priority, bool canAbort,
                       const void* expression, TFilterCallback callback, TFilterHandle* filter);
// Filter 0 acts on every used slot; when the joined condition is refused none of them becomes
// active.
DBIResult DbiActivateFilter(TCursorHandle cursor, TFilterHandle filter);
DBIResult DbiDeactivateFilter(TCursorHandle cursor, TFilterHandle filter);
// Only an active (or refused) filter is dropped; an inactive one keeps its slot.
DBIResult DbiDropFilter(TCursorHandle cursor, TFilterHandle filter);

// Sets the engine condition back to the cursor's own active expression filters, after a
// condition was handed to the engine directly.
DBIResult DbiRestoreFilterCondition(TCursorHandle cursor);

// The xBase condition of a filter tree blob (version 1 or 2); false when the blob is damaged or
// holds a node with no xBase form. The cursor's fields (0: none) give the decimals a number
// compared with a numeric field is written with.
bool FilterTreeCondition(const void* blob, std::string& condition, TCursorHandle cursor = 0);
