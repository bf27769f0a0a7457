#pragma once
// Writes every byte of data to a descriptor, going on after short writes and
// interruptions.

#include <string_view>

namespace tarnwick {

// 0 once everything is written, else the errno value of the failed write.
int WriteAll(int fd, std::string_view data);

// The same at a file offset, leaving the descriptor's own offset alone.
int WriteAllAt(int fd, std::string_view data, long long offset);

} // namespace tarnwick
