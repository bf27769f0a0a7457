#pragma once
// Mounts made by a test and undone when it ends: a bind mount of one folder
// onto another, a small tmpfs, a file-system image through a loop device.
// Each tells why it could not be made, for GTEST_SKIP().

#include <string>

class TTestMount {
public:
    // A bind mount of from onto the existing folder at.
    static TTestMount Bind(const std::string& from, const std::string& at);
    // A tmpfs of size bytes at the existing folder at.
    static TTestMount Tmpfs(const std::string& at, long size = 8 << 20);
    // A vfat image of size bytes made with mkfs.vfat in imagePath, mounted
    // at the existing folder at with options (mount -o).
    static TTestMount VfatImage(const std::string& imagePath, const std::string& at,
                                const std::string& options = "", long size = 8 << 20);

    TTestMount(TTestMount&& other) noexcept;
    TTestMount& operator=(TTestMount&&) = delete;
    TTestMount(const TTestMount&) = delete;
    ~TTestMount();

    bool Mounted() const { return FbMounted; }
    const std::string& WhyNot() const { return FWhyNot; }
    // Remounts read-only; false when that fails.
    bool MakeReadOnly();

private:
    TTestMount() = default;
    std::string FAt;
    bool FbMounted = false;
    std::string FWhyNot;
};
