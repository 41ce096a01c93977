// GUIDs as text: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include "platform/automation/Automation.h"

namespace {

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// Reads `digits` hex digits at text[pos].
bool ReadHex(LPCOLESTR text, size_t pos, int digits, uint64_t& value) {
    value = 0;
    for (int k = 0; k < digits; ++k) {
        const int d = HexDigit(text[pos + k]);
        if (d < 0)
            return false;
        value = value * 16 + unsigned(d);
    }
    return true;
}

} // namespace

extern "C" {

AUTOMATION_API int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax) {
    constexpr int kLength = 39; // with the terminating NUL
    if (!lpsz || cchMax < kLength)
        return 0;
    static constexpr char16_t kHex[] = u"0123456789ABCDEF";
    int pos = 0;
    auto put = [&](uint64_t value, int digits) {
        for (int k = digits - 1; k >= 0; --k)
            lpsz[pos++] = kHex[(value >> (4 * k)) & 0xF];
    };
    lpsz[pos++] = u'{';
    put(rguid.Data1, 8);
    lpsz[pos++] = u'-';
    put(rguid.Data2, 4);
    lpsz[pos++] = u'-';
    put(rguid.Data3, 4);
    lpsz[pos++] = u'-';
    put(rguid.Data4[0], 2);
    put(rguid.Data4[1], 2);
    lpsz[pos++] = u'-';
    for (int k = 2; k < 8; ++k)
        put(rguid.Data4[k], 2);
    lpsz[pos++] = u'}';
    lpsz[pos] = 0;
    return kLength;
}

AUTOMATION_API HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid) {
    if (!lpsz || !pclsid)
        return E_INVALIDARG;
    size_t length = 0;
    while (lpsz[length] && length < 40)
        ++length;
    if (length != 38 || lpsz[0] != u'{' || lpsz[37] != u'}' || lpsz[9] != u'-' || lpsz[14] != u'-' ||
        lpsz[19] != u'-' || lpsz[24] != u'-') {
        // Not a GUID in braces: a ProgID names the class, as on the platform.
        if (length && lpsz[0] != u'{')
            return CLSIDFromProgID(lpsz, pclsid);
        return CO_E_CLASSSTRING;
    }
    GUID g{};
    uint64_t v;
    if (!ReadHex(lpsz, 1, 8, v))
        return CO_E_CLASSSTRING;
    g.Data1 = uint32_t(v);
    if (!ReadHex(lpsz, 10, 4, v))
        return CO_E_CLASSSTRING;
    g.Data2 = uint16_t(v);
    if (!ReadHex(lpsz, 15, 4, v))
        return CO_E_CLASSSTRING;
    g.Data3 = uint16_t(v);
    static constexpr size_t kBytePositions[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int k = 0; k < 8; ++k) {
        if (!ReadHex(lpsz, kBytePositions[k], 2, v))
            return CO_E_CLASSSTRING;
        g.Data4[k] = uint8_t(v);
    }
    *pclsid = g;
    return S_OK;
}

} // extern "C"
