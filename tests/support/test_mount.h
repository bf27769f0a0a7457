#pragma once
// A file system mounted on a fresh temporary folder for one test, unmounted
// and removed afterwards: a tmpfs of a given size, or a file system made by
// mkfs.<type> in an image file and mounted through a loop device. Mounting
// needs the right to mount (root here); a test checks Mounted() and skips
// with Why() otherwise.

#include <cstdint>
#include <string>

class TScratchFileSystem {
public:
    TScratchFileSystem(const std::string& type, std::uint64_t bytes);
    ~TScratchFileSystem();
    TScratchFileSystem(const TScratchFileSystem&) = delete;
    TScratchFileSystem& operator=(const TScratchFileSystem&) = delete;

    bool Mounted() const { return FbMounted; }
    const std::string& Why() const { return FWhy; } // why it is not mounted
    const std::string& Root() const { return FRoot; }

private:
    std::string FRoot;
    std::string FImage;
    std::string FWhy;
    bool FbMounted = false;
};
