#include "file_system_rules.h"

#include <array>

#include <cerrno>
#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <sys/ioctl.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr std::uint64_t kNtfsMagic = 0x5346544e; // both Linux NTFS drivers
constexpr std::uint64_t kFuseMagic = 0x65735546;
constexpr std::uint64_t kNfsMagic = 0x6969;
constexpr std::uint64_t kF2fsMagic = 0xF2F52010;
constexpr std::uint64_t kOverlayMagic = 0x794c7630;

bool IsLoneByteSurrogate(char16_t c) { return c >= 0xDC80 && c <= 0xDCFF; }

// Bytes of text as the file system gets it (see name_codec.h).
int EncodedLength(QStringView text) {
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80)
            bytes += 1;
        else if (c < 0x800)
            bytes += 2;
        else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                 QChar::isLowSurrogate(text[i + 1].unicode())) {
            bytes += 4;
            ++i;
        } else if (IsLoneByteSurrogate(c))
            bytes += 1;
        else
            bytes += 3; // any other character, or U+FFFD for another lone surrogate
    }
    return bytes;
}

QStringView WithoutTrailingDots(QStringView name) {
    qsizetype n = name.size();
    while (n > 0 && name[n - 1] == u'.')
        --n;
    return name.first(n);
}

} // namespace

bool IsWindowsRefusedChar(char16_t c) {
    if (c < 0x20)
        return true;
    switch (c) {
    case u'"':
    case u'*':
    case u'/':
    case u':':
    case u'<':
    case u'>':
    case u'?':
    case u'\\':
    case u'|':
        return true;
    default:
        return false;
    }
}

TFileSystemRules TFileSystemRules::For(bool known, std::uint64_t fsType, long nameMax,
                                       bool caseFolded) {
    TFileSystemRules rules;
    rules.bIgnoresCase = caseFolded;
    if (!known)
        return rules;
    const int bytes = (nameMax > 0 && nameMax < 255) ? static_cast<int>(nameMax) : 255;
    rules.iMaxNameBytes = bytes;
    auto windows = [&](const char* name, bool limitBytes) {
        rules.stName = QString::fromLatin1(name);
        rules.bWindowsNames = true;
        rules.bIgnoresCase = true;
        rules.iMaxNameUnits = 255;
        rules.iMaxNameBytes = limitBytes ? bytes : 0;
    };
    switch (fsType) {
    case MSDOS_SUPER_MAGIC:
        windows("vfat", false);
        break;
    case EXFAT_SUPER_MAGIC:
        windows("exfat", false);
        break;
    case kNtfsMagic:
        windows("ntfs", false);
        break;
    case SMB_SUPER_MAGIC:
    case SMB2_SUPER_MAGIC:
        windows("smb", true); // the server's own limit may be in bytes or in units
        break;
    case CIFS_SUPER_MAGIC:
        windows("cifs", true);
        break;
    case EXT4_SUPER_MAGIC:
        rules.stName = QStringLiteral("ext4");
        break;
    case BTRFS_SUPER_MAGIC:
        rules.stName = QStringLiteral("btrfs");
        break;
    case XFS_SUPER_MAGIC:
        rules.stName = QStringLiteral("xfs");
        break;
    case TMPFS_MAGIC:
        rules.stName = QStringLiteral("tmpfs");
        break;
    case kF2fsMagic:
        rules.stName = QStringLiteral("f2fs");
        break;
    case kOverlayMagic:
        rules.stName = QStringLiteral("overlay");
        break;
    case kNfsMagic:
        rules.stName = QStringLiteral("nfs");
        break;
    case kFuseMagic:
        rules.stName = QStringLiteral("fuse");
        break;
    default:
        break;
    }
    return rules;
}

TFileSystemRules TFileSystemRules::Loosest() {
    TFileSystemRules rules;
    rules.bWindowsNames = true;
    rules.bIgnoresCase = true;
    return rules;
}

TNameCheck TFileSystemRules::CheckName(QStringView name) const {
    TNameCheck check;
    bool notUtf8 = false;
    // The usual name: ASCII past the controls, without "/" or a character
    // that Windows names refuse. Anything else is looked at one by one.
    static const auto kPlain = [](bool windows) {
        std::array<bool, 128> plain{};
        for (char16_t c = 0x20; c < 0x80; ++c)
            plain[c] = c != u'/' && !(windows && IsWindowsRefusedChar(c));
        return plain;
    };
    static const std::array<bool, 128> kPlainHere = kPlain(false);
    static const std::array<bool, 128> kPlainWindows = kPlain(true);
    const std::array<bool, 128>& plain = bWindowsNames ? kPlainWindows : kPlainHere;
    qsizetype first = 0;
    while (first < name.size() && name[first].unicode() < 0x80 && plain[name[first].unicode()])
        ++first;
    for (const QChar qc : name.sliced(first)) {
        const char16_t c = qc.unicode();
        if (c == 0 || c == u'/' || (bWindowsNames && IsWindowsRefusedChar(c))) {
            check.kind = TNameCheck::RefusedCharacter;
            check.character = c;
            return check;
        }
        notUtf8 = notUtf8 || IsLoneByteSurrogate(c);
    }
    QStringView stored = name;
    if (bWindowsNames) {
        if (notUtf8) {
            check.kind = TNameCheck::NotUtf8;
            return check;
        }
        stored = WithoutTrailingDots(name);
        if (!stored.isEmpty() && stored.back() == u' ') {
            check.kind = TNameCheck::TrailingBlank;
            return check;
        }
    }
    if (iMaxNameUnits > 0 && stored.size() > iMaxNameUnits) {
        check.kind = TNameCheck::TooLong;
        check.length = static_cast<int>(stored.size());
        check.limit = iMaxNameUnits;
        check.inUtf16Units = true;
        return check;
    }
    // A unit takes at most three bytes: a name of at most a third of the
    // limit in units fits without counting.
    if (iMaxNameBytes > 0 && stored.size() * 3 > iMaxNameBytes) {
        const int bytes = EncodedLength(stored);
        if (bytes > iMaxNameBytes) {
            check.kind = TNameCheck::TooLong;
            check.length = bytes;
            check.limit = iMaxNameBytes;
        }
    }
    return check;
}

QString TFileSystemRules::NameKey(QStringView name) const {
    QString key = (bWindowsNames ? WithoutTrailingDots(name) : name).toString();
    if (!bIgnoresCase)
        return key;
    bool ascii = true;
    for (QChar& c : key) {
        const char16_t u = c.unicode();
        if (u >= 0x80) {
            ascii = false;
            break;
        }
        if (u >= u'A' && u <= u'Z')
            c = QChar(u + (u'a' - u'A'));
    }
    if (ascii)
        return key;
    // Full case folding in canonical decomposition, as case-folded folders
    // compare names: decomposing first lets a capital with a mark fold (İ),
    // and going through the capitals folds what only full folding maps to
    // more than one letter (ß and ẞ to ss, ligatures such as ﬁ to fi).
    key = name.toString();
    if (bWindowsNames)
        key.truncate(WithoutTrailingDots(name).size());
    key = key.normalized(QString::NormalizationForm_D);
    for (int round = 0; round < 2; ++round)
        key = key.toUpper().toCaseFolded();
    return key.normalized(QString::NormalizationForm_D);
}

TFileSystemRules ReadFileSystemRules(int fd) {
    struct statfs fs{};
    const bool known = fd >= 0 && ::fstatfs(fd, &fs) == 0;
    bool caseFolded = false;
    if (fd >= 0) {
        // The flags need an open for reading; a folder that refuses it keeps
        // what its file system's type says.
        const int reading = ::openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (reading >= 0) {
            int flags = 0;
            if (::ioctl(reading, FS_IOC_GETFLAGS, &flags) == 0)
                caseFolded = (flags & FS_CASEFOLD_FL) != 0;
            ::close(reading);
        }
    }
    return TFileSystemRules::For(known, known ? static_cast<std::uint64_t>(fs.f_type) : 0,
                                 known ? static_cast<long>(fs.f_namelen) : 0, caseFolded);
}

} // namespace tarnwick
