#include "widgets/AboutDialog.h"

#include "platform/gui/SysInfo.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Registry.h"
#include "widgets/AboutForm.h"

std::string ProgramBits() {
    return std::to_string(sizeof(void*) * 8) + "-bit";
}

std::string MemoryText(Int64 AvailVirtualBytes, Int64 TotalPhysBytes) {
    const Int64 avail = AvailVirtualBytes / 1024;
    const Int64 total = TotalPhysBytes / 1024;
    return Format("%0.0n", {static_cast<double>(avail)}) + " of " +
           Format("%0.0n", {static_cast<double>(total)}) + " in KB";
}

std::string FreeDiskText(Int64 FreeBytes) {
    if (FreeBytes < 0) return {};
    return std::to_string(FreeBytes / 1024000) + " MB";
}

namespace {

// The registered owner and organisation, as the registry emulation holds them.
void ReadRegistration(TSystemFacts& Facts) {
    try {
        TRegistry registry;
        registry.SetRootKey(HKEY_LOCAL_MACHINE);
        for (const char* part : {"SOFTWARE", "Microsoft", "Windows NT", "CurrentVersion"})
            if (!registry.OpenKey(part, false)) return;
        if (registry.ValueExists("RegisteredOwner"))
            Facts.UserName = registry.ReadString("RegisteredOwner");
        if (registry.ValueExists("RegisteredOrganization"))
            Facts.CompanyName = registry.ReadString("RegisteredOrganization");
    } catch (const Exception&) {
        // A value of another type, or no settings folder: the labels stay empty.
    }
}

} // namespace

TSystemFacts ReadSystemFacts() {
    TSystemFacts facts;
    facts.WinVersion = OSVersion();
    facts.DosVersion = OSName();
    TMemoryStatus memory;
    if (GetMemoryStatus(memory))
        facts.FreeMemory = MemoryText(memory.AvailPhys + memory.AvailPageFile, memory.TotalPhys);
    InitApplication();
    facts.ScreenResolution =
        std::to_string(Screen->Width()) + " x " + std::to_string(Screen->Height());
    facts.CPU = ProcessorName();
    ReadRegistration(facts);
    facts.FreeDisk = FreeDiskText(DiskFree(""));
    return facts;
}

// ---------------------------------------------------------------------------------------------

TAboutBoxDlg::TAboutBoxDlg(TComponent* AOwner)
    : TComponent(AOwner), moreInfo_(std::make_unique<TStringList>()) {}

TAboutBoxDlg::~TAboutBoxDlg() = default;

void TAboutBoxDlg::Fill(TAboutBox* Form, TStrings* Extra) {
    Form->Notebook1->SetPageIndex(0);
    Form->MoreBTN->SetVisible(showMore_);
    const int half = Form->Width() / 2;
    if (!showMore_) {
        Form->OKBTN->SetLeft(half - Form->OKBTN->Width() / 2);
    } else {
        const int distance = Form->MoreBTN->Left() - Form->OKBTN->Left();
        Form->OKBTN->SetLeft(half - Form->OKBTN->Width() / 2 - distance / 2);
        Form->MoreBTN->SetLeft(half - Form->MoreBTN->Width() / 2 + distance / 2);
    }
    // Set as one text, so the empty separating lines stay in the memo.
    TStringList lines;
    lines.Assign(moreInfo_.get());
    lines.Add("Get additional runtime information such as:");
    lines.Add("Running " + ProgramBits() + " version.");
    lines.Add("");
    if (Extra) lines.AddStrings(Extra);
    Form->Memo1->SetText(lines.Text());

    Form->ProductName->SetCaption(productName_);
    Form->Version->SetCaption(version_);
    Form->Copyright->SetCaption(copyright_);
    Form->Comments->SetCaption(comments_);
    Form->SetCaption("About");
    Form->Label1->SetCaption("Kernel Version:");
    Form->Label2->SetCaption("Other OS Info:");
    Form->Label3->SetCaption("");
    Form->Coprocessor->SetCaption("");

    const TSystemFacts facts = ReadSystemFacts();
    Form->WinVersion->SetCaption(facts.WinVersion);
    Form->DosVersion->SetCaption(facts.DosVersion);
    Form->FreeMemory->SetCaption(facts.FreeMemory);
    Form->ScreenResolution->SetCaption(facts.ScreenResolution);
    Form->CPU->SetCaption(facts.CPU);
    Form->UserName->SetCaption(facts.UserName);
    Form->CompanyName->SetCaption(facts.CompanyName);
    Form->FreeDisk->SetCaption(facts.FreeDisk);
    if (!Application->Icon()->Empty()) Form->ProgramIcon->Picture()->Assign(Application->Icon());
}

void TAboutBoxDlg::Execute(TStrings* Extra) {
    InitApplication();
    std::unique_ptr<TAboutBox> form(new TAboutBox(Application));
    Fill(form.get(), Extra);
    form->ShowModal();
}
