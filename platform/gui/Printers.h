// The printer object the charts print through: the installed printers, the selected one's
// settings, and a print document with a canvas on the printer's pages.
#pragma once

#include "platform/gui/Graphics.h"
#include "platform/gui/WinSpool.h"
#include "platform/rtl/Classes.h"
#include "platform/rtl/SysUtils.h"

#include <memory>
#include <string>

VANTREL_EXCEPTION(EPrinter, Exception);

enum TPrinterOrientation { poPortrait, poLandscape };

class TPrinter : public TObject {
    VANTREL_CLASS(TPrinter, TObject)

    TPrinter();
    ~TPrinter() override;
    TPrinter(const TPrinter&) = delete;
    TPrinter& operator=(const TPrinter&) = delete;

    // The installed printers as "device on port".
    TStrings* Printers();
    // The selected printer; -1 selects the default printer. Raises EPrinter "Printing in
    // progress" while printing and "Printer selected is not valid" for an index outside the
    // list.
    int PrinterIndex();
    void SetPrinterIndex(int index);

    TPrinterOrientation Orientation();
    void SetOrientation(TPrinterOrientation orientation);
    // Copies of the document (1 up to the printer's maximum).
    int Copies();
    void SetCopies(int copies);
    // The document name of the next print job (at most 31 characters reach the printer).
    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title) { title_ = title; }
    // The file the next document is written to instead of the printer's own output.
    const std::string& FileName() const { return fileName_; }
    void SetFileName(const std::string& fileName) { fileName_ = fileName; }

    // The printable page in device pixels.
    int PageWidth();
    int PageHeight();
    int PageNumber() const { return pageNumber_; }
    bool Printing() const { return printing_; }
    bool Aborted() const { return aborted_; }

    // Starts a document with its first page. Raises EPrinter "Printing in progress" while
    // printing and "The print job could not be started" when the printer or its output file
    // cannot be used; an output file that cannot be made is named with the system's cause.
    void BeginDoc();
    // Ends the page and starts the next.
    void NewPage();
    // Completes the document. Raises EPrinter "The print job could not be completed" when the
    // printer did not take it; an output file that could not be written is named with the
    // system's cause (nothing of it is left).
    void EndDoc();
    // Drops the document being printed.
    void Abort();

    // The canvas on the printer's page (between BeginDoc and EndDoc) or on its information
    // context (for measuring); its font resolution is the printer's.
    TCanvas* Canvas();
    // The printer's device context while printing, else its information context.
    HDC Handle();
    // The font families the printer can print, with their pitch (FontFamilies in WinGdi.h).
    TStrings* Fonts();

private:
    void CheckNotPrinting() const;
    void CheckPrinting() const;
    // Selects the printer at index (resolved), taking its current settings.
    void Select(int index);
    // Drops the information context so it is made again with the present settings.
    void ResetInformation();
    const TPrinterEntry& Entry();

    std::unique_ptr<TStringList> printers_;
    std::vector<TPrinterEntry> entries_;
    std::unique_ptr<TStringList> fonts_;
    int index_ = -2; // -2: not chosen yet
    DEVMODE devMode_;
    std::string title_;
    std::string fileName_;
    HDC dc_ = nullptr; // the document's context
    HDC ic_ = nullptr;
    bool printing_ = false;
    bool aborted_ = false;
    int pageNumber_ = 0;
    std::unique_ptr<TCanvas> canvas_;
};

// The program's printer, made on first use.
TPrinter* Printer();
// Replaces the program's printer (tests install one after changing the printer backends) and
// returns the previous one.
std::unique_ptr<TPrinter> SetPrinter(std::unique_ptr<TPrinter> printer);
