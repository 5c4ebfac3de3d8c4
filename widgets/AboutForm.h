// The about form: the program's icon, name, version, notice and comment above a page of facts
// about the computer (operating system, processor, memory, screen, registered user and company,
// free disk space), and behind "Mo&re" a second page with a memo of further lines. The form only
// lays the controls out; TAboutBoxDlg (AboutDialog.h) fills them and shows it.
#pragma once

#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "platform/gui/StdCtrls.h"

#include <string>

class TAboutBox : public TForm {
    VANTREL_CLASS(TAboutBox, TForm)

    explicit TAboutBox(TComponent* AOwner);

    // Closes the form.
    void OKBTNClick(TObject* Sender);
    // Page 0 -> page 1 with the button renamed "P&rior"; otherwise back to page 0 as "Mo&re".
    void MoreBTNClick(TObject* Sender);

    TNotebook* Notebook1;
    TButton* OKBTN;
    TButton* MoreBTN;
    TPanel* Panel1;
    TImage* ProgramIcon;
    TLabel* ProductName;
    TLabel* Version;
    TLabel* Copyright;
    TLabel* Comments;
    TLabel* Label1;
    TLabel* WinVersion;
    TLabel* Label2;
    TLabel* DosVersion;
    TLabel* Label3;
    TLabel* Coprocessor;
    TLabel* Label4;
    TLabel* CPU;
    TLabel* Label5;
    TLabel* FreeMemory;
    TLabel* Label6;
    TLabel* ScreenResolution;
    TLabel* Label8;
    TLabel* UserName;
    TLabel* Label10;
    TLabel* CompanyName;
    TLabel* Label9;
    TLabel* FreeDisk;
    TPanel* Panel2;
    TMemo* Memo1;

private:
    TLabel* MakeLabel(const std::string& Name, TWinControl* Parent, int X, int Y);
    // A bold caption label and its value label on one row of the facts.
    void MakeFact(TLabel*& Caption, const std::string& CaptionName, const std::string& Text,
                  TLabel*& Value, const std::string& ValueName, int Y);
};
