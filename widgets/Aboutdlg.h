// The about dialog: a non-visual component that fills the about form (About.h) with the
// product's texts and the facts of the computer it runs on, and shows it modally. The facts are
// read on Linux: the kernel's version and the distribution, the processor's family, free and
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

// Reads the facts of this computer.
TSystemFacts ReadSystemFacts();
// The processor class of a processor level: 3 "386", 4 "486", 5 "Pentium", 6 "Pentium Pro",
// anything else "Unknown".
std::string CpuClassName(int Level);
// "<available virtual> of <total physical> in KB": each byte count divided by 1024 and shown
// with thousands separators. Counts are 64-bit, so machines with many gigabytes show right.
std::string MemoryText(Int64 AvailVirtualBytes, Int64 TotalPhysBytes);
// Free bytes divided by 1,024,000, then " MB"; empty when the size is unknown (negative).
std::string FreeDiskText(Int64 FreeBytes);
// "major.minor" of a kernel release such as "6.1.0-18-amd64"; the text itself when it does not
// start so.
std::string MajorMinorVersion(const std::string& Release);

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
    // The lines of the "More" page; the setter copies. Each Execute appends three lines of its
    // own to them.
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
