// Picture masks on arbitrary text, in the picture and numeric fields of a shown form. The input
// is the field (even: picture field, odd: numeric field) with its data type, a mask choice (one
// of the program's masks, or a mask taken from the input up to a NUL), the value text up to a
// NUL, and keys: bytes below 0x20 are editing keys, the others typed characters. The value is
// set, the keys sent, and the field validated and read, as a user's typing and leaving does.
// Only the entry fields' own exceptions (the messages the program shows) may end a step.
#include "controls/entry/EntryController.h"
#include "controls/entry/EntryExceptions.h"
#include "controls/entry/NumericField.h"
#include "controls/entry/PictureField.h"
#include "platform/gui/Forms.h"
#include "platform/gui/WinUser.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

#include <memory>

namespace {

const char* const masks[] = {"mm/dd/yyyy",   "XXXXXXXX", "$###,###.##", "(999) 999-9999",
                             "KKKK",         "hh:mm:ss", "#####.####",  "!!!-xx-aa",
                             "nnn dd, yyyy", "hh:mm tt"};
constexpr Word editingKeys[] = {VK_LEFT, VK_RIGHT, VK_HOME, VK_END,   VK_DELETE,
                                VK_BACK, VK_UP,    VK_DOWN, VK_INSERT};

TForm& Form() {
    static TForm* form = [] {
        FuzzFolder();
        auto* f = new TForm(nullptr);
        f->SetBounds(10, 10, 300, 200);
        auto* controller = new TVcController(f);
        controller->SetEpoch(1950);
        f->Show();
        return f;
    }();
    return *form;
}

template <typename F>
void Step(F&& step) {
    try {
        step();
    } catch (const EVcException&) {
    } catch (const EConvertError&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TForm& form = Form();
    TFuzzInput input(data, size);
    const std::uint8_t kind = input.Byte();
    const std::uint8_t maskChoice = input.Byte();
    const std::string mask =
        maskChoice < std::size(masks) ? std::string(masks[maskChoice]) : std::string(input.Text());
    const std::string value(input.Text());
    const std::string_view keys = input.Rest();

    std::unique_ptr<TVcPictureBase> field;
    if (kind % 2 == 0) {
        auto picture = std::make_unique<TVcPictureField>(&form);
        Step([&] { picture->SetDataType(static_cast<TPictureDataType>(kind / 2 % 16)); });
        Step([&] { picture->SetPictureMask(mask); });
        field = std::move(picture);
    } else {
        auto numeric = std::make_unique<TVcNumericField>(&form);
        Step([&] { numeric->SetDataType(static_cast<TNumericDataType>(kind / 2 % 10)); });
        Step([&] { numeric->SetPictureMask(mask); });
        field = std::move(numeric);
    }
    field->SetParent(&form);
    Step([&] { field->SetAsString(value); });
    field->SetFocus();
    for (char c : keys) {
        const auto code = static_cast<unsigned char>(c);
        Step([&] {
            if (code < std::size(editingKeys))
                field->Perform(WM_KEYDOWN, editingKeys[code], 0);
            else
                field->Perform(WM_CHAR, code, 0);
        });
    }
    Step([&] { field->Validate(false); });
    Step([&] { field->AsString(); });
    field.reset();
    return 0;
}
