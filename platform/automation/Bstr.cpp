// Strings: the text follows a 32-bit count of its bytes and ends with a NUL that the count leaves out.
#include "platform/automation/Automation.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);

BSTR AllocateBytes(const void* data, size_t byteLength) {
    if (byteLength > 0xFFFFFFF0u)
        return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(kPrefix + byteLength + sizeof(OLECHAR)));
    if (!block)
        return nullptr;
    const uint32_t length = uint32_t(byteLength);
    std::memcpy(block, &length, kPrefix);
    if (data)
        std::memcpy(block + kPrefix, data, byteLength);
    else
        std::memset(block + kPrefix, 0, byteLength);
    std::memset(block + kPrefix + byteLength, 0, sizeof(OLECHAR));
    return reinterpret_cast<BSTR>(block + kPrefix);
}

unsigned char* BlockOf(BSTR bstr) {
    return reinterpret_cast<unsigned char*>(bstr) - kPrefix;
}

} // namespace

extern "C" {

AUTOMATION_API BSTR SysAllocString(const OLECHAR* psz) {
    if (!psz)
        return nullptr;
    size_t length = 0;
    while (psz[length])
        ++length;
    return AllocateBytes(psz, length * sizeof(OLECHAR));
}

AUTOMATION_API BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch) {
    return AllocateBytes(pch, size_t(cch) * sizeof(OLECHAR));
}

AUTOMATION_API void SysFreeString(BSTR bstr) {
    if (bstr)
        std::free(BlockOf(bstr));
}

AUTOMATION_API UINT SysStringByteLen(BSTR bstr) {
    if (!bstr)
        return 0;
    uint32_t length;
    std::memcpy(&length, BlockOf(bstr), kPrefix);
    return length;
}

AUTOMATION_API UINT SysStringLen(BSTR bstr) {
    return SysStringByteLen(bstr) / sizeof(OLECHAR);
}

} // extern "C"
