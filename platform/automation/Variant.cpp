// Variants: clearing, copying and the conversions among the scalar types, the string and the
// interface types. Text converts to numbers as decimal notation in the invariant form ("-12",
// "3.5", "1E+20"); numbers that do not fit the target type fail with DISP_E_OVERFLOW.
#include "platform/automation/Automation.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

namespace {

// A scalar on its way from one type to another.
struct Number {
    enum Kind { Signed, Unsigned, Real } kind = Signed;
    int64_t i = 0;
    uint64_t u = 0;
    double d = 0;
};

bool IsScalar(VARTYPE vt) {
    switch (vt) {
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_INT:
    case VT_I8:
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UINT:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_BOOL:
        return true;
    default:
        return false;
    }
}

bool IsKnown(VARTYPE vt) {
    return IsScalar(vt) || vt == VT_EMPTY || vt == VT_NULL || vt == VT_BSTR || vt == VT_DISPATCH ||
           vt == VT_UNKNOWN || vt == VT_ERROR;
}

Number ReadScalar(const VARIANT& v) {
    Number n;
    switch (v.vt) {
    case VT_I1:
        n.i = v.cVal;
        break;
    case VT_I2:
        n.i = v.iVal;
        break;
    case VT_I4:
        n.i = v.lVal;
        break;
    case VT_INT:
        n.i = v.intVal;
        break;
    case VT_I8:
        n.i = v.llVal;
        break;
    case VT_BOOL:
        n.i = v.boolVal ? -1 : 0;
        break;
    case VT_UI1:
        n.kind = Number::Unsigned;
        n.u = v.bVal;
        break;
    case VT_UI2:
        n.kind = Number::Unsigned;
        n.u = v.uiVal;
        break;
    case VT_UI4:
        n.kind = Number::Unsigned;
        n.u = v.ulVal;
        break;
    case VT_UINT:
        n.kind = Number::Unsigned;
        n.u = v.uintVal;
        break;
    case VT_UI8:
        n.kind = Number::Unsigned;
        n.u = v.ullVal;
        break;
    case VT_R4:
        n.kind = Number::Real;
        n.d = v.fltVal;
        break;
    case VT_R8:
        n.kind = Number::Real;
        n.d = v.dblVal;
        break;
    default:
        break; // VT_EMPTY reads as 0
    }
    return n;
}

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool EqualsIgnoringCase(std::u16string_view text, std::u16string_view ascii) {
    if (text.size() != ascii.size())
        return false;
    for (size_t k = 0; k < text.size(); ++k) {
        char16_t c = text[k];
        if (c >= u'A' && c <= u'Z')
            c = char16_t(c - u'A' + u'a');
        if (c != ascii[k])
            return false;
    }
    return true;
}

// Decimal notation: optional sign, digits with an optional fraction, an optional exponent;
// blanks around it are allowed.
HRESULT ParseNumber(BSTR text, Number& n) {
    std::u16string_view view(text ? text : u"", SysStringLen(text));
    while (!view.empty() && IsSpace(view.front()))
        view.remove_prefix(1);
    while (!view.empty() && IsSpace(view.back()))
        view.remove_suffix(1);
    std::string ascii;
    for (char16_t c : view) {
        if (c > 0x7F)
            return DISP_E_TYPEMISMATCH;
        ascii += char(c);
    }
    size_t pos = 0;
    bool negative = false;
    if (pos < ascii.size() && (ascii[pos] == '+' || ascii[pos] == '-'))
        negative = ascii[pos++] == '-';
    size_t digitsStart = pos, intDigits = 0, fracDigits = 0;
    while (pos < ascii.size() && ascii[pos] >= '0' && ascii[pos] <= '9')
        ++pos, ++intDigits;
    bool integral = true;
    if (pos < ascii.size() && ascii[pos] == '.') {
        integral = false;
        ++pos;
        while (pos < ascii.size() && ascii[pos] >= '0' && ascii[pos] <= '9')
            ++pos, ++fracDigits;
    }
    if (intDigits + fracDigits == 0)
        return DISP_E_TYPEMISMATCH;
    if (pos < ascii.size() && (ascii[pos] == 'e' || ascii[pos] == 'E')) {
        integral = false;
        ++pos;
        if (pos < ascii.size() && (ascii[pos] == '+' || ascii[pos] == '-'))
            ++pos;
        size_t expDigits = 0;
        while (pos < ascii.size() && ascii[pos] >= '0' && ascii[pos] <= '9')
            ++pos, ++expDigits;
        if (!expDigits)
            return DISP_E_TYPEMISMATCH;
    }
    if (pos != ascii.size())
        return DISP_E_TYPEMISMATCH;

    if (integral) { // exact, so 64-bit values survive
        uint64_t magnitude = 0;
        bool fits = true;
        for (size_t k = digitsStart; k < digitsStart + intDigits && fits; ++k) {
            const unsigned digit = unsigned(ascii[k] - '0');
            if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10)
                fits = false;
            else
                magnitude = magnitude * 10 + digit;
        }
        if (fits && !negative) {
            n.kind = Number::Unsigned;
            n.u = magnitude;
            return S_OK;
        }
        if (fits && magnitude <= uint64_t(std::numeric_limits<int64_t>::max()) + 1) {
            n.kind = Number::Signed;
            n.i = magnitude == uint64_t(std::numeric_limits<int64_t>::max()) + 1
                      ? std::numeric_limits<int64_t>::min()
                      : -int64_t(magnitude);
            return S_OK;
        }
    }
    const char* first = ascii.data() + (ascii[0] == '+' ? 1 : 0);
    double value = 0;
    auto [end, ec] = std::from_chars(first, ascii.data() + ascii.size(), value);
    if (ec == std::errc::result_out_of_range) {
        if (std::fabs(value) < 1) { // underflow: the value is as good as zero
            value = 0;
        } else {
            return DISP_E_OVERFLOW;
        }
    } else if (ec != std::errc() || end != ascii.data() + ascii.size()) {
        return DISP_E_TYPEMISMATCH;
    }
    n.kind = Number::Real;
    n.d = value;
    return S_OK;
}

// Rounds a real to an integer the way the platform does: halves go to the even neighbour.
HRESULT ToSigned(const Number& n, int64_t low, int64_t high, int64_t& out) {
    switch (n.kind) {
    case Number::Signed:
        if (n.i < low || n.i > high)
            return DISP_E_OVERFLOW;
        out = n.i;
        return S_OK;
    case Number::Unsigned:
        if (n.u > uint64_t(high))
            return DISP_E_OVERFLOW;
        out = int64_t(n.u);
        return S_OK;
    case Number::Real: {
        if (std::isnan(n.d))
            return DISP_E_OVERFLOW;
        const double r = std::nearbyint(n.d);
        // 2^63 is exact as a double; anything at or above it does not fit.
        if (r < double(low) || r >= 9223372036854775808.0 ||
            (high < std::numeric_limits<int64_t>::max() && r > double(high)))
            return DISP_E_OVERFLOW;
        out = int64_t(r);
        return S_OK;
    }
    }
    return DISP_E_TYPEMISMATCH;
}

HRESULT ToUnsigned(const Number& n, uint64_t high, uint64_t& out) {
    switch (n.kind) {
    case Number::Signed:
        if (n.i < 0 || uint64_t(n.i) > high)
            return DISP_E_OVERFLOW;
        out = uint64_t(n.i);
        return S_OK;
    case Number::Unsigned:
        if (n.u > high)
            return DISP_E_OVERFLOW;
        out = n.u;
        return S_OK;
    case Number::Real: {
        if (std::isnan(n.d))
            return DISP_E_OVERFLOW;
        const double r = std::nearbyint(n.d);
        if (r < 0 || r >= 18446744073709551616.0 ||
            (high < std::numeric_limits<uint64_t>::max() && r > double(high)))
            return DISP_E_OVERFLOW;
        out = uint64_t(r);
        return S_OK;
    }
    }
    return DISP_E_TYPEMISMATCH;
}

double ToReal(const Number& n) {
    switch (n.kind) {
    case Number::Signed:
        return double(n.i);
    case Number::Unsigned:
        return double(n.u);
    case Number::Real:
        return n.d;
    }
    return 0;
}

bool IsZero(const Number& n) {
    return n.kind == Number::Signed ? n.i == 0 : n.kind == Number::Unsigned ? n.u == 0 : n.d == 0;
}

BSTR AllocAscii(const std::string& text) {
    std::u16string wide(text.begin(), text.end());
    return SysAllocStringLen(wide.data(), UINT(wide.size()));
}

std::string FormatReal(double value, int digits) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*G", digits, value);
    return buffer;
}

HRESULT WriteScalar(const Number& n, VARTYPE vt, VARIANT& out) {
    HRESULT hr = S_OK;
    int64_t s = 0;
    uint64_t u = 0;
    out.vt = vt;
    out.llVal = 0;
    switch (vt) {
    case VT_I1:
        if (SUCCEEDED(hr = ToSigned(n, INT8_MIN, INT8_MAX, s)))
            out.cVal = int8_t(s);
        break;
    case VT_I2:
        if (SUCCEEDED(hr = ToSigned(n, INT16_MIN, INT16_MAX, s)))
            out.iVal = SHORT(s);
        break;
    case VT_I4:
        if (SUCCEEDED(hr = ToSigned(n, INT32_MIN, INT32_MAX, s)))
            out.lVal = LONG(s);
        break;
    case VT_INT:
        if (SUCCEEDED(hr = ToSigned(n, INT32_MIN, INT32_MAX, s)))
            out.intVal = INT(s);
        break;
    case VT_I8:
        if (SUCCEEDED(hr = ToSigned(n, INT64_MIN, INT64_MAX, s)))
            out.llVal = s;
        break;
    case VT_UI1:
        if (SUCCEEDED(hr = ToUnsigned(n, UINT8_MAX, u)))
            out.bVal = BYTE(u);
        break;
    case VT_UI2:
        if (SUCCEEDED(hr = ToUnsigned(n, UINT16_MAX, u)))
            out.uiVal = USHORT(u);
        break;
    case VT_UI4:
        if (SUCCEEDED(hr = ToUnsigned(n, UINT32_MAX, u)))
            out.ulVal = ULONG(u);
        break;
    case VT_UINT:
        if (SUCCEEDED(hr = ToUnsigned(n, UINT32_MAX, u)))
            out.uintVal = UINT(u);
        break;
    case VT_UI8:
        if (SUCCEEDED(hr = ToUnsigned(n, UINT64_MAX, u)))
            out.ullVal = u;
        break;
    case VT_R4: {
        const double d = ToReal(n);
        if (std::isfinite(d) && std::fabs(d) > FLT_MAX)
            hr = DISP_E_OVERFLOW;
        else
            out.fltVal = float(d);
        break;
    }
    case VT_R8:
        out.dblVal = ToReal(n);
        break;
    case VT_BOOL:
        out.boolVal = IsZero(n) ? VARIANT_FALSE : VARIANT_TRUE;
        break;
    default:
        hr = DISP_E_BADVARTYPE;
        break;
    }
    if (FAILED(hr))
        out.vt = VT_EMPTY;
    return hr;
}

HRESULT ToText(const VARIANT& src, USHORT flags, VARIANT& out) {
    std::string text;
    switch (src.vt) {
    case VT_EMPTY:
        break;
    case VT_BOOL:
        if (flags & VARIANT_ALPHABOOL)
            text = src.boolVal ? "True" : "False";
        else
            text = src.boolVal ? "-1" : "0";
        break;
    case VT_R4:
        text = FormatReal(src.fltVal, 7);
        break;
    case VT_R8:
        text = FormatReal(src.dblVal, 15);
        break;
    default: {
        const Number n = ReadScalar(src);
        text = n.kind == Number::Unsigned ? std::to_string(n.u) : std::to_string(n.i);
        break;
    }
    }
    out.vt = VT_BSTR;
    out.bstrVal = AllocAscii(text);
    if (!out.bstrVal) {
        out.vt = VT_EMPTY;
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT FromText(BSTR text, VARTYPE vt, VARIANT& out) {
    if (vt == VT_BOOL) {
        std::u16string_view view(text ? text : u"", SysStringLen(text));
        if (EqualsIgnoringCase(view, u"true") || EqualsIgnoringCase(view, u"false")) {
            out.vt = VT_BOOL;
            out.llVal = 0;
            out.boolVal = EqualsIgnoringCase(view, u"true") ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        }
    }
    Number n;
    if (HRESULT hr = ParseNumber(text, n); FAILED(hr))
        return hr;
    return WriteScalar(n, vt, out);
}

// The value a by-reference variant points at, as a plain variant (no reference taken).
HRESULT Dereference(const VARIANT& src, VARIANT& plain) {
    plain = VARIANT{};
    if (!(src.vt & VT_BYREF)) {
        plain = src;
        return S_OK;
    }
    if (!src.byref)
        return E_INVALIDARG;
    const VARTYPE vt = VARTYPE(src.vt & ~VT_BYREF);
    if (vt == VT_VARIANT) {
        const VARIANT& inner = *src.pvarVal;
        if (inner.vt & VT_BYREF)
            return DISP_E_BADVARTYPE;
        plain = inner;
        return S_OK;
    }
    plain.vt = vt;
    switch (vt) {
    case VT_I1:
        plain.cVal = *static_cast<int8_t*>(src.byref);
        break;
    case VT_UI1:
        plain.bVal = *static_cast<BYTE*>(src.byref);
        break;
    case VT_I2:
        plain.iVal = *src.piVal;
        break;
    case VT_UI2:
        plain.uiVal = *static_cast<USHORT*>(src.byref);
        break;
    case VT_I4:
        plain.lVal = *src.plVal;
        break;
    case VT_UI4:
        plain.ulVal = *static_cast<ULONG*>(src.byref);
        break;
    case VT_INT:
        plain.intVal = *static_cast<INT*>(src.byref);
        break;
    case VT_UINT:
        plain.uintVal = *static_cast<UINT*>(src.byref);
        break;
    case VT_I8:
        plain.llVal = *static_cast<LONGLONG*>(src.byref);
        break;
    case VT_UI8:
        plain.ullVal = *static_cast<ULONGLONG*>(src.byref);
        break;
    case VT_R4:
        plain.fltVal = *static_cast<float*>(src.byref);
        break;
    case VT_R8:
        plain.dblVal = *static_cast<double*>(src.byref);
        break;
    case VT_BOOL:
        plain.boolVal = *static_cast<VARIANT_BOOL*>(src.byref);
        break;
    case VT_ERROR:
        plain.scode = *static_cast<SCODE*>(src.byref);
        break;
    case VT_BSTR:
        plain.bstrVal = *src.pbstrVal;
        break;
    case VT_DISPATCH:
        plain.pdispVal = *src.ppdispVal;
        break;
    case VT_UNKNOWN:
        plain.punkVal = *src.ppunkVal;
        break;
    default:
        return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

HRESULT Convert(const VARIANT& src, USHORT flags, VARTYPE vt, VARIANT& out) {
    out = VARIANT{};
    if (src.vt == vt)
        return VariantCopy(&out, &src);
    if (src.vt == VT_NULL)
        return DISP_E_TYPEMISMATCH;
    switch (vt) {
    case VT_EMPTY:
        return DISP_E_TYPEMISMATCH;
    case VT_NULL:
        if (src.vt != VT_EMPTY)
            return DISP_E_TYPEMISMATCH;
        out.vt = VT_NULL;
        return S_OK;
    case VT_BSTR:
        if (src.vt != VT_EMPTY && !IsScalar(src.vt))
            return DISP_E_TYPEMISMATCH;
        return ToText(src, flags, out);
    case VT_DISPATCH:
    case VT_UNKNOWN: {
        if (src.vt != VT_DISPATCH && src.vt != VT_UNKNOWN)
            return DISP_E_TYPEMISMATCH;
        out.vt = vt;
        if (!src.punkVal)
            return S_OK;
        HRESULT hr = src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown,
                                                 reinterpret_cast<void**>(&out.punkVal));
        if (FAILED(hr)) {
            out = VARIANT{};
            return hr == E_NOINTERFACE ? DISP_E_TYPEMISMATCH : hr;
        }
        return S_OK;
    }
    default:
        break;
    }
    if (!IsScalar(vt))
        return DISP_E_BADVARTYPE;
    if (src.vt == VT_BSTR)
        return FromText(src.bstrVal, vt, out);
    if (src.vt == VT_EMPTY || IsScalar(src.vt))
        return WriteScalar(ReadScalar(src), vt, out);
    return DISP_E_TYPEMISMATCH;
}

} // namespace

extern "C" {

AUTOMATION_API void VariantInit(VARIANT* pvarg) {
    if (pvarg) {
        pvarg->vt = VT_EMPTY;
        pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
    }
}

AUTOMATION_API HRESULT VariantClear(VARIANT* pvarg) {
    if (!pvarg)
        return E_INVALIDARG;
    switch (pvarg->vt) {
    case VT_BSTR:
        SysFreeString(pvarg->bstrVal);
        break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
        if (pvarg->punkVal)
            pvarg->punkVal->Release();
        break;
    default:
        break; // values and references own nothing
    }
    pvarg->vt = VT_EMPTY;
    pvarg->llVal = 0;
    return S_OK;
}

AUTOMATION_API HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc) {
    if (!pvargDest || !pvargSrc)
        return E_INVALIDARG;
    if (pvargDest == pvargSrc)
        return S_OK;
    VARIANT copy = *pvargSrc;
    if (copy.vt == VT_BSTR && copy.bstrVal) {
        copy.bstrVal = SysAllocStringLen(pvargSrc->bstrVal, SysStringLen(pvargSrc->bstrVal));
        if (!copy.bstrVal)
            return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_DISPATCH || copy.vt == VT_UNKNOWN) && copy.punkVal) {
        copy.punkVal->AddRef();
    }
    VariantClear(pvargDest);
    *pvargDest = copy;
    return S_OK;
}

AUTOMATION_API HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, USHORT wFlags,
                                         VARTYPE vt) {
    if (!pvargDest || !pvarSrc)
        return E_INVALIDARG;
    if (vt & VT_BYREF)
        return DISP_E_TYPEMISMATCH;
    if (!IsKnown(vt))
        return DISP_E_BADVARTYPE;
    VARIANT plain;
    if (HRESULT hr = Dereference(*pvarSrc, plain); FAILED(hr))
        return hr;
    if (!IsKnown(plain.vt))
        return DISP_E_BADVARTYPE;
    if (plain.vt == vt && pvargDest == pvarSrc)
        return S_OK;
    VARIANT result;
    if (HRESULT hr = Convert(plain, wFlags, vt, result); FAILED(hr))
        return hr;
    // The source may be the destination: it is cleared only once the new value exists.
    VariantClear(pvargDest);
    *pvargDest = result;
    return S_OK;
}

} // extern "C"
