// The emulated Windows profile: the file "WIN.INI" in the settings folder (Paths.h). It is made on
// first use with an "intl" section from the POSIX locale of the process (Locale.h); after that it
// is the user's to edit and the program only reads it (and the printer layer keeps its
// "windows" and "devices" sections there).
#pragma once

#include "platform/rtl/IniFiles.h"

#include <optional>
#include <string>

// WIN.INI is kept in UTF-8, so that users can edit it in today's editors; one saved in
// Windows-1252 reads as well (IniFiles.h). Open it as TIniFile(ProfileFileName(), ProfileEncoding).
inline constexpr TIniEncoding ProfileEncoding = ieUtf8;

// The full name of WIN.INI, which is created first when it does not exist. Raises
// EIniFileException when it cannot be created.
std::string ProfileFileName();

// The value of the key, or Default when the key (or the whole file) is missing or the file
// cannot be made. Blanks around the value and one pair of quotes are removed.
std::string GetProfileString(const std::string& Section, const std::string& Key,
                             const std::string& Default);
// The number at the start of the value (an optional sign and decimal digits; 0 when there is
// none, values beyond the integer range clamped); Default when the key is missing.
int GetProfileInt(const std::string& Section, const std::string& Key, int Default);
// Sets the key; without a value the key is deleted, without a key the whole section.
// Raises EIniFileException when the file cannot be written.
void WriteProfileString(const std::string& Section, const std::optional<std::string>& Key,
                        const std::optional<std::string>& Value);

// Fills FormatSettings() from the "intl" section: separators, currency, date and time formats,
// AM/PM strings and the country code; the names of months and days come from the locale when it
// can write them in Windows-1252, else they are the English ones. In the short date format the
// date separator becomes "/", which stands for the date separator.
void LoadRegionalSettings();
