// The one way to read a default value under the classes root, for the runtime's class look-up and
// for the host's registration checks alike.
#pragma once

#include "platform/automation/Automation.h"

#include <optional>
#include <string>

namespace automation {

// The default value of `key` (a path below the classes root, "CLSID\{...}\InProcServer32"), up to
// its first NUL; nothing when the key is not there or cannot be read.
inline std::optional<std::u16string> RegistryText(const std::u16string& key) {
    LONG size = 0;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, &size) != ERROR_SUCCESS || size <= 0)
        return std::nullopt;
    std::u16string buffer(size_t(size) / sizeof(OLECHAR), u'\0');
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), buffer.data(), &size) != ERROR_SUCCESS)
        return std::nullopt;
    buffer.resize(std::char_traits<char16_t>::length(buffer.c_str()));
    return buffer;
}

} // namespace automation
