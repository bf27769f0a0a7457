#include "executable_path.h"

#include "name_codec.h"

#include <string>
#include <unistd.h>

namespace tarnwick {

QString ExecutablePath() {
    std::string buffer(4096, '\0');
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0)
            return QString();
        if (static_cast<size_t>(n) < buffer.size()) {
            buffer.resize(static_cast<size_t>(n));
            return DecodeName(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace tarnwick
