#include "finance/FixedPitchFonts.h"

#include "platform/gui/WinGdi.h"

std::unique_ptr<TStringList> FixedFontList;

void CreateFixedFontList() {
    FixedFontList = std::make_unique<TStringList>();
}

void FillFixedFontList() {
    if (!FixedFontList) return;
    FixedFontList->Clear();
    for (const TFontFamily& family : FontFamilies())
        if (family.FixedPitch) FixedFontList->Add(family.Name);
}

void FreeFixedFontList() {
    FixedFontList.reset();
}
