// The fixed-pitch font families installed on the screen, for the places that print or show
// text in columns.
#pragma once

#include "platform/rtl/Classes.h"

#include <memory>

// Made at start-up by CreateFixedFontList and freed by FreeFixedFontList.
extern std::unique_ptr<TStringList> FixedFontList;

void CreateFixedFontList();
// Clears the list and adds every installed family of fixed pitch.
void FillFixedFontList();
void FreeFixedFontList();
