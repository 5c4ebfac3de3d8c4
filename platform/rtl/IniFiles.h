// INI files of settings: "[section]" lines followed by "key=value" lines. Sections and keys are
// found ignoring case and keep the case they were first written in; comment lines (';') and
// unknown lines stay as they are. Names and values are the program's Windows-1252 text; a file
// holds them as they stand (ieWindows1252) or in UTF-8 (ieUtf8, for files users edit in today's
// editors). A UTF-8 file that is not well-formed UTF-8 is read as Windows-1252 (a file an editor
// saved in that encoding) and becomes UTF-8 when next written; lines the program does not change
// keep their bytes, so characters Windows-1252 lacks survive in them.
//
// Every read looks at the file as it is on disk now (a file that does not exist reads as empty),
// so several objects, and the user's editor, can share a file. Every write reaches the disk at
// once: the new contents go to a part in the same folder (PartFiles.h), which is flushed to disk
// and then renamed over the old file, so a crash leaves either the old or the new file, never a
// mix. A new file gets the rights the umask gives (in the folder's group where the folder says
// so); a file that is there keeps its owner, group, access list, mode and other names: where the
// part cannot take them over (FileReplacement.h), or the folder is closed to the user, the new
// contents are copied into the file in place.
// Files are written with LF line ends; CR LF and LF are both read.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/DateTime.h"

#include <cstddef>
#include <optional>
#include <string>

enum TIniEncoding { ieWindows1252, ieUtf8 };

class TIniFile : public TObject {
    VANTREL_CLASS(TIniFile, TObject)

    // A name without a folder ("vtrx2532.ini") is a file of the settings folder (Paths.h), found
    // there whatever the case of its name on disk.
    explicit TIniFile(const std::string& FileName, TIniEncoding Encoding = ieWindows1252);

    // The full name of the file.
    const std::string& FileName() const { return fileName_; }

    // The value of the key, without surrounding blanks and without one pair of quotes (' or ")
    // around it; Default when the key is missing.
    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const;
    // Decimal or "$" hexadecimal; Default when missing or not a number.
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
    // Default when missing or empty; false for a number equal to 0; true for anything else.
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
    // With the regional decimal separator; Default when missing or not a number.
    double ReadFloat(const std::string& Section, const std::string& Ident, double Default) const;
    // In the regional short date / long time forms (DateTime.h); Default when missing or invalid.
    TDateTime ReadDate(const std::string& Section, const std::string& Ident,
                       TDateTime Default) const;
    TDateTime ReadTime(const std::string& Section, const std::string& Ident,
                       TDateTime Default) const;
    TDateTime ReadDateTime(const std::string& Section, const std::string& Ident,
                           TDateTime Default) const;

    // Sets the key, adding the key and its section when missing. Raises EIniFileException when
    // the file cannot be written, and for a section or key that could not be read back as
    // written (line breaks; a key that is empty, holds '=' or begins with '[' or ';') or a value
    // holding a line break.
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    // Written as 1 and 0.
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);
    void WriteFloat(const std::string& Section, const std::string& Ident, double Value);
    void WriteDate(const std::string& Section, const std::string& Ident, TDateTime Value);
    void WriteTime(const std::string& Section, const std::string& Ident, TDateTime Value);
    void WriteDateTime(const std::string& Section, const std::string& Ident, TDateTime Value);

    // Replaces the lines of Strings by the key names of the section / the section names / the
    // "key=value" lines of the section, in file order.
    void ReadSection(const std::string& Section, TStrings* Strings) const;
    void ReadSections(TStrings* Strings) const;
    void ReadSectionValues(const std::string& Section, TStrings* Strings) const;

    // Adds an empty section when no section of that name exists.
    void CreateSection(const std::string& Section);
    // Removes every section of that name with all its lines.
    void EraseSection(const std::string& Section);
    void DeleteKey(const std::string& Section, const std::string& Ident);
    bool SectionExists(const std::string& Section) const;
    bool ValueExists(const std::string& Section, const std::string& Ident) const;

private:
    std::string fileName_;
    TIniEncoding encoding_;
};

// Test hook: with a count set, every write of an INI file stops after writing that many bytes of
// the temporary file and fails as a crash would interrupt it (the temporary file is removed and
// EIniFileException raised). std::nullopt writes normally again.
void SetIniWriteFailure(std::optional<std::size_t> afterBytes);
