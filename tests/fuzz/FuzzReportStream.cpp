// Report stream files as the program plays them back: a selector byte chooses printing
// (TFilePrinter) or the preview (TFilePreview, paged forward and back, zoomed, a page replayed);
// the rest is the stream. The printer is the layer's recording test printer, made anew for each
// input so nothing of an earlier job stays. A damaged stream must end in the report writer's
// message (EReportWriter), a stream read error or the silent abort, never in anything else.
#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"
#include "platform/gui/PrinterBackend.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "report/RptDefine.h"
#include "report/RptDevice.h"
#include "report/RptPreview.h"
#include "tests/fuzz/FuzzReport.h"
#include "tests/fuzz/FuzzSupport.h"

namespace {

TScrollBox& PreviewBox() {
    static TScrollBox* box = [] {
        FuzzFolder();
        auto* host = new TForm(nullptr);
        host->SetBounds(0, 0, 640, 480);
        auto* b = new TScrollBox(host);
        b->SetParent(host);
        b->SetBounds(0, 0, 600, 400);
        host->Show();
        return b;
    }();
    return *box;
}

void Print(TMemoryStream& stream) {
    TFilePrinter player(nullptr);
    player.SetStreamMode(smUser);
    player.SetStream(&stream);
    player.Execute();
}

void Preview(TMemoryStream& stream) {
    TFilePreview preview(nullptr);
    preview.SetScrollBox(&PreviewBox());
    preview.SetStreamMode(smUser);
    preview.SetStream(&stream);
    preview.StartJob();
    for (int i = 0; i < 4; ++i)
        preview.NextPage();
    preview.PrevPage();
    preview.SetZoomFactor(-2);
    preview.PlayPage(2);
    preview.FinishJob();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    PreviewBox();
    TFuzzInput input(data, size);
    const bool preview = input.Byte() % 2 == 1;
    const std::string_view bytes = input.Rest();
    TMemoryStream stream;
    stream.Write(bytes.data(), static_cast<LongInt>(bytes.size()));
    stream.SetPosition(0);
    TRecordedServices services;
    UseFuzzPrinter();
    try {
        if (preview)
            Preview(stream);
        else
            Print(stream);
    } catch (const EReportWriter&) {
    } catch (const EStreamError&) {
    } catch (const EAbort&) {
    }
    ReleaseRPDev();
    return 0;
}
