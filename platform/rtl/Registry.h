// The registry, emulated in one INI-style file of the settings folder ("registry.ini"): each key
// is a section named by its root and path ("[HKEY_CURRENT_USER\Software\Vantrel]"), each value a
// line of the section. Strings are written in double quotes ("name="text""), integers as
// "name=dword:0000007B"; the unnamed (default) value of a key is the line "@". Key and value
// names are found ignoring case.
#pragma once

#include "platform/rtl/Classes.h"
#include "platform/rtl/IniFiles.h"

#include <cstdint>
#include <optional>
#include <string>

// The name of the registry's file in the settings folder.
inline constexpr const char* RegistryFileName = "registry.ini";

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;

// Keys and values under one root (HKEY_CURRENT_USER unless set). Key names are paths of parts
// separated by '\'; a path beginning with '\' starts at the root, any other at the open key.
// With no key open, values are those of the root itself.
class TRegistry : public TObject {
    VANTREL_CLASS(TRegistry, TObject)

    // Raises ERegistryException when the settings folder cannot be made.
    TRegistry();

    HKEY RootKey() const { return rootKey_; }
    // Closes the open key.
    void SetRootKey(HKEY Value);
    // The path of the open key below the root ("" when none is open).
    const std::string& CurrentPath() const { return currentPath_; }

    // Opens the key; a missing key is created when CanCreate, else the result is false.
    // False too when the key cannot be written.
    bool OpenKey(const std::string& Key, bool CanCreate);
    void CloseKey();
    // True for a key that exists, itself or through one of its subkeys.
    bool KeyExists(const std::string& Key) const;
    // Deletes the key with its values and subkeys; false when there was no such key (or it
    // is the root).
    bool DeleteKey(const std::string& Key);

    bool ValueExists(const std::string& Name) const;
    // False when there was no such value.
    bool DeleteValue(const std::string& Name);
    // Replaces the lines of Strings by the value names of the open key.
    void GetValueNames(TStrings* Strings) const;

    // A missing value reads as ""; an integer value raises ERegistryException
    // "Invalid data type for '%s'".
    std::string ReadString(const std::string& Name) const;
    // A missing value raises ERegistryException "Failed to get data for '%s'", a string value
    // "Invalid data type for '%s'".
    int ReadInteger(const std::string& Name) const;
    // ReadInteger(Name) != 0.
    bool ReadBool(const std::string& Name) const;
    // A value that cannot be written (a name holding '=' or a line break, a text holding a line
    // break, a file that cannot be written) raises ERegistryException
    // "Failed to set data for '%s'".
    void WriteString(const std::string& Name, const std::string& Value);
    void WriteInteger(const std::string& Name, int Value);
    // Written as the integer 1 or 0.
    void WriteBool(const std::string& Name, bool Value);

protected:
    // A value as it stands in the file for the key at path; false when missing.
    bool ReadData(const std::string& path, const std::string& name, std::string& data) const;
    void WriteData(const std::string& path, const std::string& name, const std::string& data);
    // The path of Key below the root: absolute with a leading '\', else below the open key.
    std::string Resolve(const std::string& Key) const;

private:
    std::string Section(const std::string& path) const;

    TIniFile store_;
    HKEY rootKey_ = HKEY_CURRENT_USER;
    std::string currentPath_;
};

// An INI file kept in the registry: the file name is a key below HKEY_CURRENT_USER, its sections
// are subkeys of that key and its entries their values. Reads never raise: a missing (or
// unreadable) entry gives the default. Integers and booleans are written as text ("1" and "0"
// for booleans) and read from text or integer values.
class TRegIniFile : public TRegistry {
    VANTREL_CLASS(TRegIniFile, TRegistry)

    explicit TRegIniFile(const std::string& FileName);

    const std::string& FileName() const { return fileName_; }

    std::string ReadString(const std::string& Section, const std::string& Ident,
                           const std::string& Default) const;
    int ReadInteger(const std::string& Section, const std::string& Ident, int Default) const;
    bool ReadBool(const std::string& Section, const std::string& Ident, bool Default) const;
    void WriteString(const std::string& Section, const std::string& Ident,
                     const std::string& Value);
    void WriteInteger(const std::string& Section, const std::string& Ident, int Value);
    void WriteBool(const std::string& Section, const std::string& Ident, bool Value);

private:
    std::string SectionPath(const std::string& Section) const;
    // The entry as it stands in the file; nullopt when missing or unreadable.
    std::optional<std::string> Entry(const std::string& Section, const std::string& Ident) const;

    std::string fileName_;
    std::string filePath_;
};
