// The about dialog: a non-visual component that fills the about form (AboutForm.h) with the
// product's texts and the facts of the computer it runs on, and shows it modally. The facts are
// read on Linux: the kernel's release and the distribution, the processor's model name, free and
// total memory, the screen, the registered user and company (the values the registry emulation
// holds under HKEY_LOCAL_MACHINE, empty when absent) and the free space of the current disk.
// Nothing here reports an error: a fact that cannot be read stays empty.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/Types.h"

#include <memory>
#include <string>

class TAboutBox;

// The texts of the facts page.
struct TSystemFacts {
    std::string WinVersion;
    std::string DosVersion;
    std::string CPU;
    std::string FreeMemory;
    std::string ScreenResolution;
    std::string UserName;
    std::string CompanyName;
    std::string FreeDisk;
};

// Reads the facts of this computer: WinVersion holds the kernel's release ("6.1.0-18-amd64"),
// DosVersion the system's name, CPU the processor's model name.
TSystemFacts ReadSystemFacts();
// How wide the running program's addresses are: "64-bit" on a 64-bit build.
std::string ProgramBits();
// "<available virtual> of <total physical> in KB": each byte count divided by 1024 and shown
// with thousands separators. Counts are 64-bit, so machines with many gigabytes show right.
std::string MemoryText(Int64 AvailVirtualBytes, Int64 TotalPhysBytes);
// Free bytes divided by 1,024,000, then " MB"; empty when the size is unknown (negative).
std::string FreeDiskText(Int64 FreeBytes);

class TAboutBoxDlg : public TComponent {
    VANTREL_CLASS(TAboutBoxDlg, TComponent)

    explicit TAboutBoxDlg(TComponent* AOwner);
    ~TAboutBoxDlg() override;

    const std::string& ProductName() const { return productName_; }
    void SetProductName(const std::string& Value) { productName_ = Value; }
    const std::string& Version() const { return version_; }
    void SetVersion(const std::string& Value) { version_ = Value; }
    const std::string& Copyright() const { return copyright_; }
    void SetCopyright(const std::string& Value) { copyright_ = Value; }
    const std::string& Comments() const { return comments_; }
    void SetComments(const std::string& Value) { comments_ = Value; }
    // The lines of the "More" page; the setter copies. The page shows them followed by three
    // lines about the running program and the extra lines Execute is given.
    TStrings* MoreInfo() const { return moreInfo_.get(); }
    void SetMoreInfo(TStrings* Value) { moreInfo_->Assign(Value); }
    // The "Mo&re" button shows.
    bool ShowMore() const { return showMore_; }
    void SetShowMore(bool Value) { showMore_ = Value; }

    // Shows the about form modally, with Extra's lines (when given) after MoreInfo's in the memo;
    // the form is freed when it closes.
    void Execute(TStrings* Extra = nullptr);

private:
    void Fill(TAboutBox* Form, TStrings* Extra);
    std::string productName_;
    std::string version_;
    std::string copyright_;
    std::string comments_;
    std::unique_ptr<TStringList> moreInfo_;
    bool showMore_ = true;
};
