// The engine-wide settings (shared by every work area) and the engine's date texts.
#pragma once

#include "xbase/XbIndex.h"

#include <cstddef>
#include <string>

struct TXbSettings {
    bool Century = false;
    int DateFormat = 0; // 0 American .. 6 Spanish, 99 the system's short date format
    int Epoch = 1900;   // two-digit years fall in Epoch .. Epoch + 99
    bool Exact = false;
    bool SoftSeek = false;
    bool Deleted = false; // deleted records hidden
    int LockTimeout = 1;  // seconds a lock request keeps trying
    int MemoBlockSize = 64;
    // Tree pages each index file keeps in memory; 0: as many as the file holds, from
    // XbDefaultCachePages up, within the memory all index files share.
    std::size_t IndexCachePages = 0;
    bool TurboRead = false;
    int StringType = 1;
    int ErrorLevel = 1;
};

// The one settings object of the engine.
TXbSettings& XbSettings();

// A stored date ("yyyymmdd", or blanks) as text in the engine's date format: "02/29/24" in the
// American format without century; a blank date gives the format with blanks for the digits.
std::string XbDateToText(const std::string& stored);
// A date text in the engine's date format back to "yyyymmdd"; eight blanks for a blank or
// invalid text. Two-digit years fall in the epoch's century window.
std::string XbTextToDate(const std::string& text);
// True when stored holds a valid "yyyymmdd" calendar date.
bool XbValidDate(const std::string& stored);
