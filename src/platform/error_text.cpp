#include "error_text.h"

#include <system_error>

namespace tarnwick {

QString ErrorText(int err) {
    return QString::fromStdString(std::generic_category().message(err));
}

QString FailureText(const char* what, int err) {
    return QString::fromLatin1(what) + QStringLiteral(": ") + ErrorText(err);
}

} // namespace tarnwick
