#include "dbcontrols/SharedRoutines.h"

#include "db/DBTables.h"
#include "db/EngineRecords.h"
#include "db/EngineServices.h"
#include "dbcontrols/ControlTexts.h"
#include "dbcontrols/FilterParser.h"
#include "dbcontrols/PictureValidator.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "platform/rtl/Strings.h"
#include "platform/rtl/TypInfo.h"

#include <algorithm>
#include <any>

namespace {

const TPropInfo* Prop(const TObject* Object, const char* Name, TTypeKind Kind) {
    if (Object == nullptr) return nullptr;
    const TPropInfo* info = GetPropInfo(Object, Name);
    return info != nullptr && info->Kind == Kind ? info : nullptr;
}

TStrings* ListProp(TObject* Object, const char* Name) {
    const TPropInfo* info = Prop(Object, Name, tkClass);
    return info ? dynamic_cast<TStrings*>(info->GetObject(Object)) : nullptr;
}

// The index of the field's PictureMasks line (names compared lower-cased), -1 when none.
int PictureMaskLine(const TStrings* Masks, const std::string& FieldName) {
    const std::string wanted = LowerCase(FieldName);
    for (int i = 0; Masks != nullptr && i < Masks->Count(); ++i) {
        const std::string& line = (*Masks)[i];
        if (LowerCase(line.substr(0, line.find('\t'))) == wanted) return i;
    }
    return -1;
}

bool IsEditControl(const TControl* Control) {
    return Control != nullptr && Control->Is<TCustomEdit>();
}

const char* const kComponentTypes[] = {"CustomEdit", "LookupCombo", "Combo"};

} // namespace

std::vector<std::string> dwSplitLine(const std::string& Line, char Delimiter) {
    TStringList list;
    strBreakApart(Line, Delimiter, list);
    std::vector<std::string> parts;
    for (int i = 0; i < list.Count(); ++i)
        parts.push_back(list[i]);
    return parts;
}

std::string dwJoinParts(const std::vector<std::string>& Parts, std::size_t From, std::size_t To,
                        char Delimiter) {
    std::string text;
    for (std::size_t i = From; i < To && i < Parts.size(); ++i)
        text += (i > From ? std::string(1, Delimiter) : std::string()) + Parts[i];
    return text;
}

// ---- Settings by name ----

TdwInvalidValueEvent dwGetInvalidValueEvent(TObject* DataSet) {
    const TPropInfo* info = Prop(DataSet, "OnInvalidValue", tkMethod);
    if (!info) return {};
    const std::any value = info->GetMethod(DataSet);
    const auto* event = std::any_cast<TdwInvalidValueEvent>(&value);
    return event ? *event : TdwInvalidValueEvent{};
}

TStrings* dwGetPictureMasks(TObject* DataSet) {
    return ListProp(DataSet, "PictureMasks");
}

TStrings* dwGetControlTypes(TObject* DataSet) {
    return ListProp(DataSet, "ControlType");
}

bool dwGetValidateWithMask(TObject* DataSet) {
    const TPropInfo* info = Prop(DataSet, "ValidateWithMask", tkBoolean);
    return info && info->GetOrd(DataSet) != 0;
}

TStrings* dwGetLookupFields(TObject* DataSet) {
    return ListProp(DataSet, "LookupFields");
}

TStrings* dwGetLookupLinks(TObject* DataSet) {
    return ListProp(DataSet, "LookupLinks");
}

std::string dwGetDatabaseName(TObject* DataSet) {
    const TPropInfo* info = Prop(DataSet, "DatabaseName", tkString);
    return info ? info->GetStr(DataSet) : std::string();
}

TdwOnFilterOptions dwGetFilterOptions(TObject* DataSet) {
    const TPropInfo* info = Prop(DataSet, "OnFilterOptions", tkSet);
    return info ? ValueFromOrdinal<TdwOnFilterOptions>(info->GetOrd(DataSet))
                : TdwOnFilterOptions{};
}

void dwSetFilterEnabled(TObject* DataSet, bool Enabled) {
    const TPropInfo* info = Prop(DataSet, "OnFilterOptions", tkSet);
    if (!info || !info->SetOrd) return;
    TdwOnFilterOptions options = ValueFromOrdinal<TdwOnFilterOptions>(info->GetOrd(DataSet));
    if (Enabled)
        options.Include(ofoEnabled);
    else
        options.Exclude(ofoEnabled);
    info->SetOrd(DataSet, OrdinalFromValue(options));
}

TDataSource* dwGetControlDataSource(TControl* Control) {
    const TPropInfo* info = IsEditControl(Control) ? Prop(Control, "DataSource", tkClass) : nullptr;
    return info ? dynamic_cast<TDataSource*>(info->GetObject(Control)) : nullptr;
}

void dwSetControlDataSource(TControl* Control, TDataSource* DataSource) {
    const TPropInfo* info = IsEditControl(Control) ? Prop(Control, "DataSource", tkClass) : nullptr;
    if (info && info->SetObject) info->SetObject(Control, DataSource);
}

std::string dwGetControlDataField(TControl* Control) {
    const TPropInfo* info = IsEditControl(Control) ? Prop(Control, "DataField", tkString) : nullptr;
    return info ? info->GetStr(Control) : std::string();
}

void dwSetControlDataField(TControl* Control, const std::string& DataField) {
    const TPropInfo* info = IsEditControl(Control) ? Prop(Control, "DataField", tkString) : nullptr;
    if (info && info->SetStr) info->SetStr(Control, DataField);
}

// ---- Class and field tests ----

bool dwIsDerivedDataSet(const TObject* DataSet) {
    if (DataSet == nullptr) return false;
    for (const char* name : {"TdwTable", "TdwQuery", "TdwQBE", "TdwStoredProc", "TdwClientDataSet"})
        if (DataSet->InheritsFrom(name)) return true;
    return false;
}

bool dwIsCalculatedField(const TField* Field) {
    return Field != nullptr && (Field->Calculated() || Field->Lookup());
}

bool dwIsReadThroughDataSet(const TField* Field) {
    return dwIsCalculatedField(Field) || (Field != nullptr && Field->DataSet() != nullptr &&
                                          Field->DataSet()->InheritsFrom("TdwClientDataSet"));
}

bool dwFieldExists(const TDataSet* DataSet, const std::string& FieldName) {
    return DataSet != nullptr && DataSet->FindField(FieldName) != nullptr;
}

// ---- Picture masks and control types ----

TdwPictureMask dwGetPictureMask(TObject* DataSet, const std::string& FieldName) {
    TdwPictureMask result;
    const TStrings* masks = dwGetPictureMasks(DataSet);
    const int line = PictureMaskLine(masks, FieldName);
    if (line < 0) return result;
    const std::vector<std::string> parts = dwSplitLine((*masks)[line], '\t');
    result.Mask = parts.size() > 1 ? parts[1] : std::string();
    result.Flag1 = parts.size() <= 2 || parts[2] != "F";
    result.Flag2 = parts.size() <= 3 || parts[3] != "F";
    return result;
}

void dwSetPictureMaskEntry(TObject* DataSet, const std::string& FieldName, const std::string& Mask,
                           bool Flag1, bool Flag2, bool KeepMask, bool KeepFlags) {
    TStrings* masks = dwGetPictureMasks(DataSet);
    if (masks == nullptr) return;
    const int line = PictureMaskLine(masks, FieldName);
    const TdwPictureMask old = dwGetPictureMask(DataSet, FieldName);
    const std::string mask = KeepMask && line >= 0 ? old.Mask : Mask;
    if (KeepFlags && line >= 0) {
        Flag1 = old.Flag1;
        Flag2 = old.Flag2;
    }
    if (mask.empty()) {
        if (line >= 0) masks->Delete(line);
        return;
    }
    const std::string text =
        FieldName + "\t" + mask + "\t" + (Flag1 ? "T" : "F") + "\t" + (Flag2 ? "T" : "F");
    if (line >= 0)
        masks->SetStrings(line, text);
    else
        masks->Add(text);
}

bool dwIsMaskValid(const std::string& Mask, const std::string& Text) {
    if (Text.empty()) return true;
    TdwPictureValidator validator(Mask, false);
    std::string copy = Text;
    return validator.ApplyPicture(copy, false) == prComplete;
}

void dwValidateRecordMasks(TDataSet* DataSet, const TdwInvalidValueEvent& Event,
                           const TdwMaskSource& Masks) {
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        TField* field = DataSet->Fields(i);
        const std::string mask = Masks(field);
        if (mask.empty()) continue;
        const std::string text = field->AsString();
        if (text.empty() || dwIsMaskValid(mask, text) || field->ReadOnly()) continue;
        field->FocusControl();
        if (Event) Event(DataSet, field);
        DatabaseError(DwIntl().UserMessages()->PictureValidateError + field->GetDisplayName());
    }
}

TdwControlType dwGetControlType(TObject* DataSet, const std::string& FieldName) {
    const TStrings* types = dwGetControlTypes(DataSet);
    for (int i = 0; types != nullptr && i < types->Count(); ++i) {
        const std::vector<std::string> parts = dwSplitLine((*types)[i], ';');
        if (parts.size() < 2 || parts[0] != FieldName) continue;
        return {parts[1], dwJoinParts(parts, 2, parts.size(), ';')};
    }
    return {};
}

bool dwIsEditControlType(const std::string& Type) {
    return std::find(std::begin(kComponentTypes), std::end(kComponentTypes), Type) !=
           std::end(kComponentTypes);
}

void dwCleanControlTypes(TDataSet* DataSet, TComponent* Form) {
    TStrings* types = dwGetControlTypes(DataSet);
    TComponent* owner = DataSet ? DataSet->Owner() : nullptr;
    if (types == nullptr || owner == nullptr || !owner->ComponentState().Contains(csDesigning))
        return;
    for (int i = types->Count() - 1; i >= 0; --i) {
        const std::vector<std::string> parts = dwSplitLine((*types)[i], ';');
        if (parts.size() < 3 || !dwIsEditControlType(parts[1])) continue;
        TComponent* form = Form ? Form : dwOwningForm(DataSet);
        std::string component = parts[2];
        const std::size_t dot = component.find('.');
        if (dot != std::string::npos) {
            form = Application ? Application->FindComponent(component.substr(0, dot)) : nullptr;
            component = component.substr(dot + 1);
        }
        if (form == nullptr || form->FindComponent(component) == nullptr) types->Delete(i);
    }
}

void dwCleanLookupDefinitions(TDataSet* DataSet, TStrings* LookupFields, TStrings* LookupLinks,
                              TStrings* ControlTypes) {
    for (int i = LookupFields ? LookupFields->Count() - 1 : -1; i >= 0; --i) {
        if (dwFieldExists(DataSet, dwSplitLine((*LookupFields)[i], ';')[0])) continue;
        LookupFields->Delete(i);
        if (LookupLinks != nullptr && i < LookupLinks->Count()) LookupLinks->Delete(i);
    }
    for (int i = ControlTypes ? ControlTypes->Count() - 1 : -1; i >= 0; --i)
        if (!dwFieldExists(DataSet, dwSplitLine((*ControlTypes)[i], ';')[0]))
            ControlTypes->Delete(i);
}

TdwLookupDefinition dwGetLookupDefinition(TField* Field) {
    TdwLookupDefinition result;
    TDataSet* dataSet = Field->DataSet();
    const TStrings* fields = dwGetLookupFields(dataSet);
    const TStrings* links = dwGetLookupLinks(dataSet);
    for (int i = 0; fields != nullptr && i < fields->Count(); ++i) {
        const std::vector<std::string> parts = dwSplitLine((*fields)[i], ';');
        if (parts.size() < 5 || parts[0] != Field->FieldName()) continue;
        result.DatabaseName = parts[1];
        result.TableName = parts[2];
        result.LookupField = parts[3];
        result.Link = links != nullptr && i < links->Count() ? (*links)[i] : std::string();
        return result;
    }
    result.DatabaseName = dwGetDatabaseName(dataSet);
    return result;
}

// ---- Layout, texts and keys ----

void dwSaveFieldLayout(TDataSet* DataSet, TStrings* List) {
    List->Clear();
    for (int i = 0; i < DataSet->FieldCount(); ++i) {
        TField* field = DataSet->Fields(i);
        if (field->Visible())
            List->Add(field->FieldName() + "\t" + std::to_string(field->GetDisplayWidth()) + "\t" +
                      field->GetDisplayLabel());
    }
}

void dwRestoreFieldLayout(TDataSet* DataSet, TStrings* List) {
    DataSet->DisableControls();
    try {
        for (int i = 0; i < DataSet->FieldCount(); ++i)
            DataSet->Fields(i)->SetVisible(false);
        for (int line = 0; line < List->Count(); ++line) {
            const std::vector<std::string> parts = dwSplitLine((*List)[line], '\t');
            TField* field = DataSet->FindField(parts[0]);
            if (field == nullptr) continue;
            if (parts.size() > 1) field->SetDisplayWidth(StrToIntDef(parts[1], 0));
            if (parts.size() > 2) field->SetDisplayLabel(parts[2]);
            field->SetIndex(std::min(line, DataSet->FieldCount() - 1));
            field->SetVisible(true);
        }
    } catch (...) {
        DataSet->EnableControls();
        throw;
    }
    DataSet->EnableControls();
}

std::string dwJoinLines(const TStrings* Lines, bool BlankSeparated) {
    std::string text;
    for (int i = 0; Lines != nullptr && i < Lines->Count(); ++i)
        text += (i > 0 ? (BlankSeparated ? " " : "\r\n") : "") + (*Lines)[i];
    return text;
}

std::string GetAliasPath(const std::string& Alias) {
    TStringList params;
    try {
        Session()->GetAliasParams(Alias, &params);
    } catch (const EDatabaseError&) {
        return {};
    }
    return params.Values("PATH");
}

void dwCreateAnswerTable(TCursorHandle Cursor, const std::string& AnswerTable) {
    if (AnswerTable.empty()) return;
    std::string name = AnswerTable;
    if (const std::size_t colon = name.find(':'); colon != std::string::npos) {
        const std::string path = GetAliasPath(name.substr(0, colon));
        if (path.empty()) {
            MessageDlg("Invalid Alias in QBE", mtError, {mbOK}, 0);
            return;
        }
        name = path + "/" + name.substr(colon + 1);
    }
    try {
        CheckEngineResult(DbiMakePermanent(Cursor, name.c_str(), true));
    } catch (const EDBEngineError& e) {
        MessageDlg("Unable to create answer table " + name + " (" + e.Message() + ")", mtError,
                   {mbOK}, 0);
    }
}

bool dwIsSearchKey(Word Key) {
    return Key == 8 || Key == 32 || Key == 46 || (Key >= 48 && Key <= 111) || Key > 145;
}

int dwCompareBookmarks(TDataSet* DataSet, const std::vector<char>& Bookmark1,
                       const std::vector<char>& Bookmark2) {
    int result = 0;
    CheckEngineResult(
        DbiCompareBookMarks(DataSet->Handle(), Bookmark1.data(), Bookmark2.data(), &result));
    return result;
}

TComponent* dwOwningForm(TComponent* Component) {
    TComponent* c = Component;
    while (c != nullptr && !c->Is<TCustomForm>() && c->Owner() != nullptr)
        c = c->Owner();
    return c;
}

bool dwIsHighBitSet(Byte Value) {
    return (Value & 0x80) != 0;
}

void dwPostKeyWithShift(HWND Window, Word Key, Word ShiftKey) {
    SetKeyDown(Key, true);
    SetKeyDown(ShiftKey, true);
    PostMessage(Window, WM_KEYDOWN, Key, 1);
    PostMessage(Window, WM_KEYUP, Key, static_cast<LPARAM>(0xC0000001u));
}

bool dwTakeEscapeKey() {
    return TakeQueuedKeyDown(VK_ESCAPE);
}

bool dwEscapePressed(TObject* DataSet) {
    if (!dwTakeEscapeKey()) return false;
    dwSetFilterEnabled(DataSet, false);
    return true;
}

bool dwTypedTextFits(TDataSet* DataSet, const std::string& Text) {
    TField* field = DataSet->GetIndexFieldCount() > 0 ? DataSet->GetIndexField(0) : nullptr;
    if (field == nullptr) return true;
    switch (field->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: return IsIntegerText(Text);
    case ftFloat:
    case ftCurrency:
    case ftBCD: return IsValidFloatText(Text);
    case ftDate: return IsDateText(Text);
    case ftTime: return IsTimeText(Text);
    case ftDateTime: return IsDateTimeText(Text) || IsDateText(Text);
    default: return true;
    }
}
