// Pictures as the image controls load them from a file: a selector byte chooses the extension
// (".bmp", ".ico" or ".wmf", the layer's metafile recording) and the rest is the file. A picture
// that loads is drawn stretched onto a bitmap and saved again. A damaged file must end in the
// layer's EInvalidGraphic (or a stream error of the file), never in anything else.
#include "platform/gui/Graphics.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "tests/fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const char* const names[3] = {"picture.bmp", "picture.ico", "picture.wmf"};
    TFuzzInput input(data, size);
    const char* name = names[input.Byte() % 3];
    const std::string path = WriteFuzzFile(name, input.Rest());
    TPicture picture;
    try {
        picture.LoadFromFile(path);
    } catch (const EInvalidGraphic&) {
        return 0;
    } catch (const EStreamError&) {
        return 0;
    }
    picture.Width();
    picture.Height();
    TBitmap target;
    target.SetSize(48, 32);
    picture.Graphic()->Draw(*target.Canvas(), TRect{2, 3, 45, 30});
    TMemoryStream saved;
    try {
        picture.Graphic()->SaveToStream(saved);
    } catch (const EInvalidGraphic&) {
    }
    return 0;
}
