// The report preview form: a recorded report shown page by page, with buttons to zoom in and
// out, fit the page's width or the whole page, step between pages, print the recording and
// close; the zoom and the page can also be typed. The form takes the keys first: the cursor
// keys, Page Up and Page Down, Home and End move the page within its box (left and right with
// Ctrl, by a screen with Shift+Ctrl), so the two edits keep their own cursor keys; Escape closes
// the form as Done does.
#pragma once

#include "platform/gui/Buttons.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"

class TReportSystem;
class TFilePrinter;
class TFilePreview;

class TRPPreviewForm : public TForm {
    VANTREL_CLASS(TRPPreviewForm, TForm)

    explicit TRPPreviewForm(TComponent* AOwner);

    TPanel* Panel2;
    TSpeedButton* SBZoomIn;
    TSpeedButton* SBZoomOut;
    TSpeedButton* SBZoomPageWidth;
    TSpeedButton* SBZoomPage;
    TSpeedButton* SBPrevPage;
    TSpeedButton* SBNextPage;
    TSpeedButton* SBPrint;
    TSpeedButton* SBDone;
    TLabel* Label1;
    TLabel* Label2;
    TLabel* PageLabel;
    TEdit* ZoomEdit;
    TEdit* PageEdit;
    TScrollBox* ScrollBox1;
    TFilePrinter* FilePrinter1;
    TFilePreview* FilePreview1;

    void SetReportSystem(TReportSystem* Value) { reportSystem_ = Value; }
    // True once the form has been closed.
    bool Closed() const { return closed_; }

    void FormShow(TObject* Sender);
    void FormClose(TObject* Sender, TCloseAction& Action);
    void SBPrintClick(TObject* Sender);
    void FilePreview1PageChange(TObject* Sender);
    void FilePreview1ZoomChange(TObject* Sender);
    void ZoomEditExit(TObject* Sender);
    void PageEditExit(TObject* Sender);
    void EditKeyPress(TObject* Sender, char& Key);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

private:
    TSpeedButton* Button(const std::string& Name, int Left, int Width, const std::string& Caption,
                         const std::string& Hint, const TNotifyEvent& Action);

    TReportSystem* reportSystem_ = nullptr;
    bool closed_ = false;
};
