#pragma once
// The program's text for a failed system call: "what: reason", the reason
// being the system's own sentence for the errno value.

#include <QString>

namespace tarnwick {

// The system's sentence for errno value err ("Permission denied").
QString ErrorText(int err);

// what + ": " + ErrorText(err), as a failed step is reported to the user.
QString FailureText(const char* what, int err);

} // namespace tarnwick
