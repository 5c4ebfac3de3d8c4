#include "report/RptPreviewForm.h"

#include "platform/gui/WinUser.h"
#include "platform/rtl/Numbers.h"
#include "report/RptPlayer.h"
#include "report/RptPreview.h"
#include "report/RptSystem.h"

#include <algorithm>

namespace {

constexpr int ButtonTop = 8;
constexpr int ButtonHeight = 25;

} // namespace

TRPPreviewForm::TRPPreviewForm(TComponent* AOwner) : TForm(AOwner) {
    SetName("RPPreviewForm");
    SetCaption("Report Preview");
    SetPosition(poScreenCenter);
    SetBounds(0, 0, 615, 450);
    SetKeyPreview(true);

    Panel2 = MakeChild<TPanel>(this, "Panel2", this, 0, 0, 615, 41);
    Panel2->SetAlign(alTop);
    Panel2->SetShowHint(true);
    SBZoomIn =
        Button("SBZoomIn", 4, 34, "In", "Zoom In", [this](TObject*) { FilePreview1->ZoomIn(); });
    SBZoomOut = Button("SBZoomOut", 40, 34, "Out", "Zoom Out",
                       [this](TObject*) { FilePreview1->ZoomOut(); });
    SBZoomPageWidth =
        Button("SBZoomPageWidth", 76, 42, "Width", "Zoom Page Width", [this](TObject*) {
            FilePreview1->SetZoomFactor(FilePreview1->ZoomPageWidthFactor());
        });
    SBZoomPage = Button("SBZoomPage", 120, 42, "Page", "Zoom Whole Page", [this](TObject*) {
        FilePreview1->SetZoomFactor(FilePreview1->ZoomPageFactor());
    });
    Label1 = MakeChild<TLabel>(this, "Label1", Panel2, 166, 14, 46, 16, "Zoom %");
    ZoomEdit = MakeChild<TEdit>(this, "ZoomEdit", Panel2, 218, 10, 48, 22);
    SBPrevPage = Button("SBPrevPage", 272, 25, "<", "Prev Page",
                        [this](TObject*) { FilePreview1->PrevPage(); });
    SBNextPage = Button("SBNextPage", 299, 25, ">", "Next Page",
                        [this](TObject*) { FilePreview1->NextPage(); });
    Label2 = MakeChild<TLabel>(this, "Label2", Panel2, 332, 14, 44, 16, "Page #");
    PageEdit = MakeChild<TEdit>(this, "PageEdit", Panel2, 376, 10, 40, 22);
    PageLabel = MakeChild<TLabel>(this, "PageLabel", Panel2, 422, 14, 90, 16, "Page 1 of 1");
    SBPrint = Button("SBPrint", 514, 42, "Print", "Print",
                     [this](TObject* Sender) { SBPrintClick(Sender); });
    SBDone = Button("SBDone", 560, 42, "Done", "Done", [this](TObject*) { Close(); });

    for (TLabel* label : {Label1, Label2, PageLabel})
        label->SetParentColor(true);
    ScrollBox1 = MakeChild<TScrollBox>(this, "ScrollBox1", this, 0, 41, 615, 409);
    ScrollBox1->SetAlign(alClient);
    ScrollBox1->SetAutoScroll(false);
    ScrollBox1->SetParentColor(true);

    FilePrinter1 = new TFilePrinter(this);
    FilePrinter1->SetName("FilePrinter1");
    FilePrinter1->SetStreamMode(smFile);
    FilePreview1 = new TFilePreview(this);
    FilePreview1->SetName("FilePreview1");
    FilePreview1->SetStreamMode(smFile);
    FilePreview1->SetScrollBox(ScrollBox1);
    FilePreview1->SetMarginPercent(5.0);
    FilePreview1->OnPageChange = [this](TObject* Sender) { FilePreview1PageChange(Sender); };
    FilePreview1->OnZoomChange = [this](TObject* Sender) { FilePreview1ZoomChange(Sender); };

    ZoomEdit->OnExit = [this](TObject* Sender) { ZoomEditExit(Sender); };
    PageEdit->OnExit = [this](TObject* Sender) { PageEditExit(Sender); };
    ZoomEdit->OnKeyPress = [this](TObject* Sender, char& Key) { EditKeyPress(Sender, Key); };
    PageEdit->OnKeyPress = [this](TObject* Sender, char& Key) { EditKeyPress(Sender, Key); };
    OnShow = [this](TObject* Sender) { FormShow(Sender); };
    OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
    OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) {
        FormKeyDown(Sender, Key, Shift);
    };
}

TSpeedButton* TRPPreviewForm::Button(const std::string& Name, int Left, int Width,
                                     const std::string& Caption, const std::string& Hint,
                                     const TNotifyEvent& Action) {
    auto* button =
        MakeChild<TSpeedButton>(this, Name, Panel2, Left, ButtonTop, Width, ButtonHeight, Caption);
    button->SetHint(Hint);
    button->OnClick = Action;
    return button;
}

void TRPPreviewForm::FormShow(TObject*) {
    if (!FilePreview1->Printing()) FilePreview1->StartJob();
}

void TRPPreviewForm::FormClose(TObject*, TCloseAction&) {
    if (FilePreview1->Printing()) FilePreview1->FinishJob();
    closed_ = true;
}

void TRPPreviewForm::SBPrintClick(TObject*) {
    if (reportSystem_ && reportSystem_->SystemOptions.Contains(soAllowPrintFromPreview))
        FilePrinter1->Execute();
}

void TRPPreviewForm::FilePreview1PageChange(TObject*) {
    PageEdit->SetText(std::to_string(FilePreview1->CurrentPage()));
    PageLabel->SetCaption("Page " + std::to_string(FilePreview1->CurrentPage()) + " of " +
                          std::to_string(FilePreview1->TotalPages()));
}

void TRPPreviewForm::FilePreview1ZoomChange(TObject*) {
    ZoomEdit->SetText(FloatToStrF(FilePreview1->ZoomFactor(), ffFixed, 15, 1).substr(0, 10));
    FilePreview1->RedrawPage();
}

void TRPPreviewForm::ZoomEditExit(TObject*) {
    double zoom = 0.0;
    if (TextToFloat(ZoomEdit->Text(), zoom) && zoom != FilePreview1->ZoomFactor())
        FilePreview1->SetZoomFactor(zoom);
}

void TRPPreviewForm::PageEditExit(TObject*) {
    int page = 0;
    int error = 0;
    Val(PageEdit->Text(), page, error);
    if (error == 0 && page != FilePreview1->CurrentPage()) FilePreview1->PlayPage(page);
}

void TRPPreviewForm::EditKeyPress(TObject* Sender, char& Key) {
    if (Key != '\r') return;
    Key = 0;
    if (Sender == ZoomEdit)
        ZoomEditExit(Sender);
    else
        PageEditExit(Sender);
}

void TRPPreviewForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
    const bool shift = Shift.Contains(ssShift), ctrl = Shift.Contains(ssCtrl);
    if (Shift.Contains(ssAlt)) return;
    TControlScrollBar* vert = ScrollBox1->VertScrollBar();
    TControlScrollBar* horz = ScrollBox1->HorzScrollBar();
    auto move = [](TControlScrollBar* Bar, int Position) {
        Bar->SetPosition(std::clamp(Position, 0, std::max(Bar->Range() - 1, 0)));
    };
    bool handled = true;
    if (!shift && (Key == VK_UP || Key == VK_DOWN))
        move(vert, vert->Position() + (Key == VK_UP ? -1 : 1) * vert->Increment());
    else if (!shift && (Key == VK_PRIOR || Key == VK_NEXT))
        move(vert, vert->Position() + (Key == VK_PRIOR ? -1 : 1) * ScrollBox1->Height());
    else if (!shift && (Key == VK_HOME || Key == VK_END))
        move(vert, Key == VK_HOME ? 0 : vert->Range() - 1);
    else if (ctrl && !shift && (Key == VK_LEFT || Key == VK_RIGHT))
        move(horz, horz->Position() + (Key == VK_LEFT ? -1 : 1) * horz->Increment());
    else if (ctrl && shift && (Key == VK_LEFT || Key == VK_RIGHT))
        move(horz, horz->Position() + (Key == VK_LEFT ? -1 : 1) * ScrollBox1->Width());
    else if (!shift && !ctrl && Key == VK_ESCAPE)
        SBDone->Click();
    else
        handled = false;
    if (handled) Key = 0;
}
