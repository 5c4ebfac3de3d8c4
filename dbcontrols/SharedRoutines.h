// Routines the data-aware grid, edits, index chooser, incremental search and the data-aware
// datasets share. A dataset's per-field settings are reached through its published properties
// by name (PictureMasks, ControlType, LookupFields, LookupLinks, ValidateWithMask,
// OnInvalidValue, OnFilterOptions), so every dataset class that publishes them is served.
//
// Line formats of those string lists (parts split with strBreakApart):
// - PictureMasks: field name TAB picture TAB "T"/"F" TAB "T"/"F"; the field name is compared
//   lower-cased; with no line there is no mask and both flags read True.
// - ControlType: field;type;parameters... (field name compared exactly); the types "CustomEdit",
//   "LookupCombo" and "Combo" name a component ([form.]component) as their first parameter.
// - LookupFields: lookup field;database;table;shown field;then the index name (five parts) or
//   the index fields and a last part, "N" meaning the table name counts up to its first ".".
// - LookupLinks (same index as its LookupFields line): pairs dataset field;lookup-table field.
// - Visible-field layout: field name TAB display width TAB display label.
//
// Reports go to modal message boxes with an OK button; the mask validation raises
// EDatabaseError to refuse a post.
#pragma once

#include "db/DB.h"
#include "platform/gui/Messages.h"
#include "platform/rtl/Classes.h"

#include <functional>
#include <string>
#include <vector>

class TControl;
class TWinControl;

enum TdwOnFilterOption { ofoEnabled, ofoShowHourGlass, ofoCancelOnEscape };
using TdwOnFilterOptions = TSet<TdwOnFilterOption, 3>;
using TdwInvalidValueEvent = std::function<void(TDataSet* DataSet, TField* Field)>;

// The parts of a line split at Delimiter (strBreakApart).
std::vector<std::string> dwSplitLine(const std::string& Line, char Delimiter);
// Parts From up to (not including) To joined again with Delimiter.
std::string dwJoinParts(const std::vector<std::string>& Parts, std::size_t From, std::size_t To,
                        char Delimiter);

// ---- Settings by name ----

TdwInvalidValueEvent dwGetInvalidValueEvent(TObject* DataSet);
TStrings* dwGetPictureMasks(TObject* DataSet);
TStrings* dwGetControlTypes(TObject* DataSet);
bool dwGetValidateWithMask(TObject* DataSet);
TStrings* dwGetLookupFields(TObject* DataSet);
TStrings* dwGetLookupLinks(TObject* DataSet);
std::string dwGetDatabaseName(TObject* DataSet);
TdwOnFilterOptions dwGetFilterOptions(TObject* DataSet);
// Changes only ofoEnabled of the dataset's OnFilterOptions.
void dwSetFilterEnabled(TObject* DataSet, bool Enabled);
// The DataSource and DataField of an edit control (a TCustomEdit descendant); nothing for
// other controls or when the property is of another kind.
TDataSource* dwGetControlDataSource(TControl* Control);
void dwSetControlDataSource(TControl* Control, TDataSource* DataSource);
std::string dwGetControlDataField(TControl* Control);
void dwSetControlDataField(TControl* Control, const std::string& DataField);

// ---- Class and field tests ----

// The class or an ancestor is named TdwTable, TdwQuery, TdwQBE, TdwStoredProc or
// TdwClientDataSet.
bool dwIsDerivedDataSet(const TObject* DataSet);
// Calculated and lookup fields.
bool dwIsCalculatedField(const TField* Field);
// As dwIsCalculatedField, and every field of a client dataset (read through the dataset).
bool dwIsReadThroughDataSet(const TField* Field);
bool dwFieldExists(const TDataSet* DataSet, const std::string& FieldName);

// ---- Picture masks and control types ----

struct TdwPictureMask {
    std::string Mask;
    bool Flag1 = true;
    bool Flag2 = true;
};
// The PictureMasks line of the field (any case); an empty mask and both flags True when none.
TdwPictureMask dwGetPictureMask(TObject* DataSet, const std::string& FieldName);
// Sets, adds or (with an empty mask) deletes the field's PictureMasks line; a Keep flag keeps
// that part of an existing line.
void dwSetPictureMaskEntry(TObject* DataSet, const std::string& FieldName, const std::string& Mask,
                           bool Flag1, bool Flag2, bool KeepMask, bool KeepFlags);
// An empty text, or a text complete against the mask.
bool dwIsMaskValid(const std::string& Mask, const std::string& Text);
// The picture mask the validation before a post uses for a field; the data-aware table adds
// its Paradox pictures.
using TdwMaskSource = std::function<std::string(TField* Field)>;
// Before a post: the first field that is not read-only and whose non-empty text does not
// complete its mask refuses the post: it gets the focus, Event is called, and EDatabaseError is
// raised with the user message PictureValidateError followed by the field's display name.
void dwValidateRecordMasks(TDataSet* DataSet, const TdwInvalidValueEvent& Event,
                           const TdwMaskSource& Masks);

struct TdwControlType {
    std::string Type;
    std::string Parameters;
};
// From the field's first ControlType line with at least two parts; empty when none.
TdwControlType dwGetControlType(TObject* DataSet, const std::string& FieldName);
// The control types that name an edit component: "CustomEdit", "LookupCombo" and "Combo".
bool dwIsEditControlType(const std::string& Type);
// At design time: drops ControlType lines whose named component no longer exists, looking for
// a plain name on Form (nullptr: the dataset's owning form).
void dwCleanControlTypes(TDataSet* DataSet, TComponent* Form = nullptr);
// Drops LookupFields lines (with their LookupLinks line) and ControlType lines of fields the
// dataset no longer has.
void dwCleanLookupDefinitions(TDataSet* DataSet, TStrings* LookupFields, TStrings* LookupLinks,
                              TStrings* ControlTypes);

struct TdwLookupDefinition {
    std::string DatabaseName;
    std::string TableName;
    std::string LookupField;
    std::string Link;
};
// The LookupFields line of the field (at least five parts) and its LookupLinks line; without
// one, the dataset's database name and the rest empty.
TdwLookupDefinition dwGetLookupDefinition(TField* Field);

// ---- Layout, texts and keys ----

void dwSaveFieldLayout(TDataSet* DataSet, TStrings* List);
// Hides every field, then shows the listed fields that exist with their width, label and place.
void dwRestoreFieldLayout(TDataSet* DataSet, TStrings* List);
// All lines in one text, separated by a blank (SQL) or by CR LF (QBE).
std::string dwJoinLines(const TStrings* Lines, bool BlankSeparated);
// The directory of an alias: the PATH entry of its parameters in the engine's configuration
// (Session()->GetAliasParams); empty for an alias the engine does not know or one without a
// path. This engine keeps no aliases, so every alias reads as having no path.
std::string GetAliasPath(const std::string& Alias);
// The answer-table step of the query datasets: an AnswerTable of the form alias:table becomes
// the alias's directory and the table, and an alias without a directory shows "Invalid Alias
// in QBE" and stops; then the answer table is made from Cursor through the engine, and a
// failure shows "Unable to create answer table " + name + " (" + the engine's message + ")".
// Both are error boxes with an OK button; the dataset stays open on its cursor either way. An
// empty AnswerTable asks for no answer table. This engine cannot make a table from a cursor
// (DbiMakePermanent tells the user it is not supported and fails), so the step always ends in
// the second report.
void dwCreateAnswerTable(TCursorHandle Cursor, const std::string& AnswerTable);
// Backspace, Space, Delete, 48..111 and codes above 145.
bool dwIsSearchKey(Word Key);
// The engine's order of two bookmarks of the dataset's cursor; raises the engine error.
int dwCompareBookmarks(TDataSet* DataSet, const std::vector<char>& Bookmark1,
                       const std::vector<char>& Bookmark2);
// The first form up the owner chain, else the last owner.
TComponent* dwOwningForm(TComponent* Component);
bool dwIsHighBitSet(Byte Value);
// Posts a key-down and a key-up of Key to the window with Key and ShiftKey held meanwhile.
void dwPostKeyWithShift(HWND Window, Word Key, Word ShiftKey);
// When an Escape key-down is queued, takes it out of the queue and answers True; other keys
// stay queued.
bool dwTakeEscapeKey();
// dwTakeEscapeKey, and on an Escape clears ofoEnabled of the dataset's OnFilterOptions.
bool dwEscapePressed(TObject* DataSet);
// Whether a typed text suits the type of the dataset's first index field.
bool dwTypedTextFits(TDataSet* DataSet, const std::string& Text);
