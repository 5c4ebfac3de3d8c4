// Filter texts of the data-aware controls as a user types them: the text is parsed into the
// engine's filter expression block against the fields of the sample table, the block is turned
// back into the engine's condition, and that condition filters the sample table, which is then
// walked and counted. A text that cannot be parsed gives an empty block (or the program's
// EConvertError for a constant of the wrong type, or its "Field not found" warning).
#include "db/EngineFilters.h"
#include "dbcontrols/FilterParser.h"
#include "platform/gui/Dialogs.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"
#include "tests/fuzz/FuzzXbase.h"
#include "xbase/Xbase.h"

#include <algorithm>
#include <map>

namespace {

// The sample table's fields, and one of each other constant type the parser knows.
class TSampleFields : public TFilterTable {
public:
    bool FieldOperand(const std::string& Name, TOperandType& Type, int& Size) const override {
        static const std::map<std::string, std::pair<TOperandType, int>> fields = {
            {"NAME", {otString, 12}},  {"AMOUNT", {otFloat, 0}},   {"RATE", {otBCD, 4}},
            {"BORN", {otDate, 0}},     {"ACTIVE", {otBoolean, 0}}, {"NOTE", {otFieldName, 0}},
            {"COUNT", {otInteger, 0}}, {"QTY", {otSmallInt, 0}},   {"AT", {otTime, 0}},
            {"STAMP", {otDateTime, 0}}};
        std::string upper = Name;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const auto it = fields.find(upper);
        if (it == fields.end()) return false;
        Type = it->second.first;
        Size = it->second.second;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& table = SampleTable();
    const std::string text(reinterpret_cast<const char*>(data), size);
    TRecordedServices services;
    std::vector<Byte> block;
    try {
        block = BuildFilterExpr(text, TSampleFields());
    } catch (const EConvertError&) {
        return 0;
    }
    std::string condition;
    if (block.empty() || !FilterTreeCondition(block.data(), condition)) return 0;
    if (xb_Use(table, "", xbModeReadOnly, xbCDX) == 0) return 0;
    if (xb_Query(condition) == xbOK) {
        xb_QueryRecCount();
        WalkArea(SampleRecords + 1);
    }
    xb_CloseAll();
    return 0;
}
