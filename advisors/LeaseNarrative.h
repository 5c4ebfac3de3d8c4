// The plain-language conclusion of the lease-versus-buy advisor: five paragraphs (assumptions,
// finance side, lease side, bottom line, and an empty fifth) written from the advisor's inputs
// and the engine's last results.
#pragma once

#include "advisors/LeaseBuyEngine.h"

#include <array>
#include <string>

constexpr int LeaseBuyParagraphs = 5;

// The paragraphs of the last successful run.
extern std::array<std::string, LeaseBuyParagraphs> LeaseBuyNarrative;

// Writes LeaseBuyNarrative from data and LeaseBuyResults; money is shown with the currency
// symbol and separators of the international settings.
void BuildLeaseBuyNarrative(const TLeaseBuyData& data);
