#pragma once
// What the file system under a folder allows in a file name, read once from
// the folder (its file system's type and name limit, and whether the folder
// is case-folded), and how a name fares under those rules. The rules are a
// plain value, so that every decision can be made for any file system
// without having one at hand.

#include <QString>
#include <QStringView>
#include <cstdint>

namespace tarnwick {

// The characters that Windows-style file systems refuse in a name:
// U+0000..U+001F and " * / : < > ? \ |.
bool IsWindowsRefusedChar(char16_t c);

struct TNameCheck {
    enum Kind : std::uint8_t {
        Fits,
        RefusedCharacter, // character holds it ("/" and U+0000 are refused everywhere)
        TrailingBlank,    // ends with a blank (after any trailing dots it drops)
        NotUtf8,          // holds bytes that are not UTF-8, which it cannot store
        TooLong,          // length exceeds limit, in bytes or in UTF-16 units
    };
    Kind kind = Fits;
    char16_t character = 0;
    int length = 0;
    int limit = 0;
    bool inUtf16Units = false;
};

struct TFileSystemRules {
    QString stName;             // the file system's usual name ("ext4", "vfat"); empty when unknown
    int iMaxNameBytes = 255;    // a name's longest encoded form; 0 for no limit in bytes
    int iMaxNameUnits = 0;      // a name's most UTF-16 units; 0 for no such limit
    bool bWindowsNames = false; // refuses IsWindowsRefusedChar, trailing blanks and non-UTF-8
                                // bytes, and drops trailing dots (so "a." is "a")
    bool bIgnoresCase = false;  // names that differ only in letter case are one name

    // The rules for a file system of type fsType (statfs f_type) with the
    // name limit nameMax (f_namelen, 0 when unknown), for a folder that is
    // case-folded or not. known is false when the type could not be read:
    // then a name may have 255 bytes and no more is assumed.
    static TFileSystemRules For(bool known, std::uint64_t fsType, long nameMax, bool caseFolded);

    // Whether the file system takes name as a file name, and if not, why.
    TNameCheck CheckName(QStringView name) const;

    // The text that two names share exactly when the file system takes them
    // for the same name: the name itself, without trailing dots where they
    // are dropped, case-folded (and in canonical decomposition) where case
    // is ignored.
    QString NameKey(QStringView name) const;
    // True when NameKey(name) is name unchanged for every name.
    bool KeysAreNames() const { return !bWindowsNames && !bIgnoresCase; }

    // The rules under which the most names count as one, for checking a
    // claim that two names are the same on some file system.
    static TFileSystemRules Loosest();
};

// The rules for the file system and folder of the open folder fd (-1: none
// could be opened), read once.
TFileSystemRules ReadFileSystemRules(int fd);

} // namespace tarnwick
