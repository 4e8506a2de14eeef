// Q(): the one conversion of the core's UTF-8 texts into the QString the windows show.
#pragma once

#include <QString>

#include <string>

namespace hookwise::app {

// text (UTF-8) as a QString.
inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace hookwise::app
