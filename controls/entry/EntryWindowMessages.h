// The private window messages of the entry controls, their controller and their spinner.
#pragma once

#include "platform/gui/Messages.h"

// A field reports the error code in wParam (posted to the field by its validation on exit).
constexpr UINT VCM_REPORTERROR = 0x7F00;
// The controller gives the focus back to the field in lParam after an error.
constexpr UINT VCM_REFOCUS = 0x7F01;
// A field answers the byte size of its value.
constexpr UINT VCM_GETDATASIZE = 0x7F03;
// A control answers the spinner attached to it (0 when none).
constexpr UINT VCM_GETSPINNER = 0x7F04;
// The controller tells of a field (lParam) entered or left towards another control (wParam).
constexpr UINT VCM_PREEDIT = 0x7F06;
constexpr UINT VCM_POSTEDIT = 0x7F07;
// A control runs its AfterEnter / AfterExit events.
constexpr UINT VCM_AFTERENTER = 0x7F08;
constexpr UINT VCM_AFTEREXIT = 0x7F09;
// The controller runs OnDelayNotify for the sender in lParam with the code in wParam.
constexpr UINT VCM_DELAYNOTIFY = 0x7F0A;
// A picture field answers its edit text stripped to the raw value into the std::string at
// lParam, and takes a raw value (the std::string at lParam) merged into its picture.
constexpr UINT VCM_GETSTRIPPED = 0x7F0B;
constexpr UINT VCM_SETRAWVALUE = 0x7F0C;
