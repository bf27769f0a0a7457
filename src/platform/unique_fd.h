#pragma once
// A file descriptor owned by one object: closed when the object goes, moved
// but never copied.

#include <cerrno>
#include <unistd.h>
#include <utility>

namespace tarnwick {

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : FiFd(fd) {}
    TUniqueFd(TUniqueFd&& other) noexcept : FiFd(other.Release()) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    TUniqueFd(const TUniqueFd&) = delete;
    TUniqueFd& operator=(const TUniqueFd&) = delete;
    ~TUniqueFd() { Reset(); }

    int Get() const { return FiFd; }
    bool IsOpen() const { return FiFd >= 0; }

    // Gives the descriptor up without closing it.
    int Release() { return std::exchange(FiFd, -1); }

    // Closes the descriptor held (if any) and takes fd.
    void Reset(int fd = -1) {
        const int old = std::exchange(FiFd, fd);
        if (old >= 0)
            ::close(old);
    }

    // Closes the descriptor and tells whether the close reported a failure:
    // 0, or the errno value.
    int Close() {
        const int old = Release();
        if (old >= 0 && ::close(old) != 0)
            return errno;
        return 0;
    }

private:
    int FiFd = -1;
};

} // namespace tarnwick
