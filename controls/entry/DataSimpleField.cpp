#include "controls/entry/DataSimpleField.h"

#include "platform/rtl/SysUtils.h"

#include <cmath>

// ----- What both data-aware fields share

bool VcDbIsNavigationKey(Word Key, bool Shift) {
    switch (Key) {
    case 0:
    case VK_TAB:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_SHIFT:
    case VK_CONTROL:
    case VK_MENU:
    case VK_CAPITAL:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_NUMLOCK:
    case VK_SCROLL: return true;
    case VK_INSERT: return !Shift;
    default: return Key >= VK_F1 && Key <= VK_F12;
    }
}

void VcDbAutoEdit(TFieldDataLink& Link) {
    if (Link.DataSource() && Link.DataSource()->AutoEdit()) Link.Edit();
}

bool VcDbIsReadOnly(TFieldDataLink& Link, bool ReadOnly, bool Supported, bool Enabled) {
    if (ReadOnly || !Link.DataSource() || !Link.CanModify() || !Supported) return true;
    if (!Enabled) return false;
    const TDataSet* dataSet = Link.DataSet();
    return !dataSet || (dataSet->State() != dsEdit && dataSet->State() != dsInsert);
}

std::string VcDbUnsupportedText(TField& Field) {
    std::string name = Field.ClassName().substr(1);
    if (const auto at = name.rfind("Field"); at != std::string::npos) name.erase(at, 5);
    return "(" + name + ")";
}

void VcDbReadField(TVcBaseEntryField& Control, TField& Field, TFieldType Type) {
    switch (Type) {
    case ftString: {
        std::string text = Field.AsString();
        if (!text.empty() && !Control.TrimBlanks() && !Control.StripLiterals())
            text.resize(std::max(text.size(), static_cast<std::size_t>(Control.MaxLength())), ' ');
        Control.SetAsString(text);
        break;
    }
    case ftSmallint: Control.SetAsInteger(static_cast<SmallInt>(Field.AsInteger())); break;
    case ftWord: Control.SetAsInteger(static_cast<Word>(Field.AsInteger())); break;
    case ftInteger: Control.SetAsInteger(Field.AsInteger()); break;
    case ftBoolean: Control.SetAsBoolean(Field.AsBoolean()); break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: Control.SetAsFloat(Field.AsFloat()); break;
    case ftDate:
    case ftTime:
    case ftDateTime: Control.SetAsDateTime(Field.IsNull() ? -1.0 : Field.AsDateTime()); break;
    default: Control.SetAsString(Field.AsString()); break;
    }
}

namespace {

bool IsNumericType(TFieldType Type) {
    switch (Type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftFloat:
    case ftCurrency:
    case ftBCD: return true;
    default: return false;
    }
}

// A date edited in a date-time field keeps the field's time of day; an edited time keeps its
// date.
double CombinedDateTime(TVcBaseEntryField& Control, TField& Field) {
    const double edited = Control.AsDateTime();
    const double old = Field.IsNull() ? 0.0 : Field.AsDateTime();
    if (Control.DataKind() == fsDate) return std::trunc(edited) + (old - std::trunc(old));
    return std::trunc(old) + (edited - std::trunc(edited));
}

} // namespace

void VcDbWriteField(TVcBaseEntryField& Control, TField& Field, TFieldType Type, bool Empty,
                    bool ZeroAsNull) {
    if (Empty || (ZeroAsNull && IsNumericType(Type) && Control.AsFloat() == 0.0)) {
        Field.Clear();
        return;
    }
    switch (Type) {
    case ftString: Field.SetAsString(Control.AsString()); break;
    case ftSmallint:
    case ftInteger:
    case ftWord: Field.SetAsInteger(Control.AsInteger()); break;
    case ftBoolean: Field.SetAsBoolean(Control.AsBoolean()); break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: Field.SetAsFloat(Control.AsFloat()); break;
    case ftDate:
    case ftTime: Field.SetAsDateTime(Control.AsDateTime()); break;
    case ftDateTime: Field.SetAsDateTime(CombinedDateTime(Control, Field)); break;
    default: break;
    }
}

void VcDbValidateForPost(TVcBaseEntryField& Control) {
    if (!Control.Modified()) return;
    const TVcController* controller = Control.Controller();
    if (Control.Validate(!(controller && controller->ErrorPending())) != 0) Abort();
}

// ----- TVcDbSimpleField

bool TVcDbSimpleField::Editable() const {
    const TField* field = Field();
    return !field || (field->DataType() != ftDate && field->DataType() != ftTime &&
                      field->DataType() != ftDateTime);
}

void TVcDbSimpleField::ReadField(TField& Field) {
    if (Editable())
        VcDbReadField(*this, Field, FieldType());
    else
        SetAsString(Field.DisplayText());
}

void TVcDbSimpleField::ApplyTypeMapping() {
    TField* field = Field();
    const TFieldType type = field ? field->DataType() : FieldType();
    TSimpleDataType target = sftString;
    switch (type) {
    case ftSmallint: target = sftInteger; break;
    case ftInteger: target = sftLongInt; break;
    case ftWord: target = sftWord; break;
    case ftBoolean: target = sftBoolean; break;
    case ftFloat:
    case ftCurrency:
    case ftBCD: target = sftExtended; break;
    default: break;
    }
    if (DataType() != target) SetDataType(target);
    if (field && type == ftString) SetMaxLength(field->GetDisplayWidth());
    if (field) SetFieldTypeValue(type);
}
