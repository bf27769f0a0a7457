#pragma once
// A tmpfs of a given size mounted on a fresh temporary folder for one test,
// unmounted and removed afterwards. Mounting needs the right to mount (root
// here); a test checks Mounted() and skips with Why() otherwise.

#include <cstdint>
#include <string>

class TTmpfsMount {
public:
    explicit TTmpfsMount(std::uint64_t bytes);
    ~TTmpfsMount();
    TTmpfsMount(const TTmpfsMount&) = delete;
    TTmpfsMount& operator=(const TTmpfsMount&) = delete;

    bool Mounted() const { return FbMounted; }
    const std::string& Why() const { return FWhy; }  // why it is not mounted
    const std::string& Root() const { return FRoot; }

private:
    std::string FRoot;
    std::string FWhy;
    bool FbMounted = false;
};
