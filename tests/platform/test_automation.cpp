// The automation runtime's strings, variants, error objects, message texts and debug output.
#include "platform/automation/Automation.h"
#include "platform/automation/ComError.h"
#include "platform/automation/ComPtr.h"
#include "tests/support/StandInDispatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::u16string Text(BSTR b) {
    return b ? std::u16string(b, SysStringLen(b)) : std::u16string();
}

TEST(Bstr, CarriesItsByteLengthBeforeTheTextAndEndsWithNul) {
    BSTR b = SysAllocString(u"地址ab");
    ASSERT_NE(b, nullptr);
    uint32_t prefix;
    std::memcpy(&prefix, reinterpret_cast<char*>(b) - 4, 4);
    EXPECT_EQ(prefix, 8u);
    EXPECT_EQ(SysStringLen(b), 4u);
    EXPECT_EQ(SysStringByteLen(b), 8u);
    EXPECT_EQ(b[4], u'\0');
    EXPECT_EQ(Text(b), u"地址ab");
    SysFreeString(b);
}

TEST(Bstr, LengthCountsEmbeddedNulsAndNullIsEmpty) {
    BSTR b = SysAllocStringLen(u"a\0b", 3);
    EXPECT_EQ(SysStringLen(b), 3u);
    EXPECT_EQ(Text(b), std::u16string(u"a\0b", 3));
    SysFreeString(b);

    BSTR zeroed = SysAllocStringLen(nullptr, 2); // room for the caller to fill
    EXPECT_EQ(SysStringLen(zeroed), 2u);
    EXPECT_EQ(zeroed[2], u'\0');
    SysFreeString(zeroed);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);
}

// A variant built from a value, for the table below.
struct V {
    VARIANT v;
    V() { VariantInit(&v); }
    ~V() { VariantClear(&v); }
    static V Make(VARTYPE vt) {
        V r;
        r.v.vt = vt;
        return r;
    }
    V(const V& o) {
        VariantInit(&v);
        VariantCopy(&v, &o.v);
    }
};
V Empty() {
    return V::Make(VT_EMPTY);
}
V Null() {
    return V::Make(VT_NULL);
}
V I2(SHORT x) {
    V r = V::Make(VT_I2);
    r.v.iVal = x;
    return r;
}
V I4(LONG x) {
    V r = V::Make(VT_I4);
    r.v.lVal = x;
    return r;
}
V Int(INT x) {
    V r = V::Make(VT_INT);
    r.v.intVal = x;
    return r;
}
V UI4(ULONG x) {
    V r = V::Make(VT_UI4);
    r.v.ulVal = x;
    return r;
}
V I8(LONGLONG x) {
    V r = V::Make(VT_I8);
    r.v.llVal = x;
    return r;
}
V R8(double x) {
    V r = V::Make(VT_R8);
    r.v.dblVal = x;
    return r;
}
V Bool(bool x) {
    V r = V::Make(VT_BOOL);
    r.v.boolVal = x ? VARIANT_TRUE : VARIANT_FALSE;
    return r;
}
V Str(const char16_t* s) {
    V r = V::Make(VT_BSTR);
    r.v.bstrVal = SysAllocString(s);
    return r;
}

bool Same(const VARIANT& a, const VARIANT& b) {
    if (a.vt != b.vt)
        return false;
    switch (a.vt) {
    case VT_EMPTY:
    case VT_NULL:
        return true;
    case VT_I2:
        return a.iVal == b.iVal;
    case VT_I4:
        return a.lVal == b.lVal;
    case VT_INT:
        return a.intVal == b.intVal;
    case VT_UI4:
        return a.ulVal == b.ulVal;
    case VT_I8:
        return a.llVal == b.llVal;
    case VT_R8:
        return a.dblVal == b.dblVal;
    case VT_BOOL:
        return a.boolVal == b.boolVal;
    case VT_BSTR:
        return Text(a.bstrVal) == Text(b.bstrVal);
    default:
        return false;
    }
}

struct Conversion {
    const char* what;
    V from;
    VARTYPE to;
    HRESULT hr;
    V expected; // when hr is S_OK
};

TEST(VariantChangeType, ConvertsAmongScalarsTextEmptyAndNull) {
    const Conversion table[] = {
        {"text to I4", Str(u"42"), VT_I4, S_OK, I4(42)},
        {"text with blanks and sign", Str(u"  -17 "), VT_I4, S_OK, I4(-17)},
        {"text to R8", Str(u"3.25"), VT_R8, S_OK, R8(3.25)},
        {"text with exponent", Str(u"1E+3"), VT_I4, S_OK, I4(1000)},
        {"text halves round to even", Str(u"2.5"), VT_I2, S_OK, I2(2)},
        {"text halves round to even (odd)", Str(u"3.5"), VT_I2, S_OK, I2(4)},
        {"large id text to UI4", Str(u"4294967295"), VT_UI4, S_OK, UI4(4294967295u)},
        {"64-bit text keeps every digit", Str(u"9007199254740993"), VT_I8, S_OK, I8(9007199254740993LL)},
        {"smallest I8", Str(u"-9223372036854775808"), VT_I8, S_OK, I8(INT64_MIN)},
        {"text that is no number", Str(u"12a"), VT_I4, DISP_E_TYPEMISMATCH, {}},
        {"empty text", Str(u""), VT_I4, DISP_E_TYPEMISMATCH, {}},
        {"Chinese digits are not decimal", Str(u"一二"), VT_I4, DISP_E_TYPEMISMATCH, {}},
        {"text too large for I2", Str(u"40000"), VT_I2, DISP_E_OVERFLOW, {}},
        {"negative text to UI4", Str(u"-1"), VT_UI4, DISP_E_OVERFLOW, {}},
        {"text past 64 bits", Str(u"99999999999999999999"), VT_I8, DISP_E_OVERFLOW, {}},
        {"text True to BOOL", Str(u"true"), VT_BOOL, S_OK, Bool(true)},
        {"text 0 to BOOL", Str(u"0"), VT_BOOL, S_OK, Bool(false)},
        {"negative I4 to UI4", I4(-5), VT_UI4, DISP_E_OVERFLOW, {}},
        {"UI4 above I4", UI4(3000000000u), VT_I4, DISP_E_OVERFLOW, {}},
        {"UI4 to I8", UI4(3000000000u), VT_I8, S_OK, I8(3000000000LL)},
        {"I4 to I2 overflow", I4(70000), VT_I2, DISP_E_OVERFLOW, {}},
        {"I8 to I4 overflow", I8(1LL << 40), VT_I4, DISP_E_OVERFLOW, {}},
        {"R8 to I4 rounds", R8(-1.5), VT_I4, S_OK, I4(-2)},
        {"R8 NaN", R8(std::nan("")), VT_I4, DISP_E_OVERFLOW, {}},
        {"R8 beyond I8", R8(1e19), VT_I8, DISP_E_OVERFLOW, {}},
        {"INT to I4", Int(-9), VT_I4, S_OK, I4(-9)},
        {"I2 to INT", I2(-9), VT_INT, S_OK, Int(-9)},
        {"BOOL to I4", Bool(true), VT_I4, S_OK, I4(-1)},
        {"I4 to BOOL", I4(7), VT_BOOL, S_OK, Bool(true)},
        {"I4 to text", I4(-123), VT_BSTR, S_OK, Str(u"-123")},
        {"UI4 to text", UI4(4294967295u), VT_BSTR, S_OK, Str(u"4294967295")},
        {"I8 to text", I8(INT64_MIN), VT_BSTR, S_OK, Str(u"-9223372036854775808")},
        {"R8 to text", R8(0.1), VT_BSTR, S_OK, Str(u"0.1")},
        {"R8 large to text", R8(1e20), VT_BSTR, S_OK, Str(u"1E+20")},
        {"BOOL to text", Bool(true), VT_BSTR, S_OK, Str(u"-1")},
        {"EMPTY to I4", Empty(), VT_I4, S_OK, I4(0)},
        {"EMPTY to UI4", Empty(), VT_UI4, S_OK, UI4(0)},
        {"EMPTY to text", Empty(), VT_BSTR, S_OK, Str(u"")},
        {"EMPTY to BOOL", Empty(), VT_BOOL, S_OK, Bool(false)},
        {"EMPTY to NULL", Empty(), VT_NULL, S_OK, Null()},
        {"NULL to I4", Null(), VT_I4, DISP_E_TYPEMISMATCH, {}},
        {"NULL to text", Null(), VT_BSTR, DISP_E_TYPEMISMATCH, {}},
        {"NULL to EMPTY", Null(), VT_EMPTY, DISP_E_TYPEMISMATCH, {}},
        {"NULL to NULL", Null(), VT_NULL, S_OK, Null()},
        {"text to text", Str(u"地址"), VT_BSTR, S_OK, Str(u"地址")},
    };
    for (const Conversion& c : table) {
        SCOPED_TRACE(c.what);
        V out = I4(99);
        const HRESULT hr = VariantChangeType(&out.v, &c.from.v, 0, c.to);
        EXPECT_EQ(hr, c.hr);
        if (c.hr == S_OK)
            EXPECT_TRUE(Same(out.v, c.expected.v));
        else
            EXPECT_TRUE(Same(out.v, I4(99).v)) << "a failed conversion leaves the destination alone";
    }
}

TEST(VariantChangeType, ConvertsInPlaceAndFreesTheOldText) {
    V v = Str(u"12");
    ASSERT_EQ(VariantChangeType(&v.v, &v.v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.v.vt, VT_I4);
    EXPECT_EQ(v.v.lVal, 12);

    V failing = Str(u"x");
    EXPECT_EQ(VariantChangeType(&failing.v, &failing.v, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(failing.v.vt, VT_BSTR);
    EXPECT_EQ(Text(failing.v.bstrVal), u"x");
}

TEST(VariantChangeType, ReadsThroughReferencesAndWritesAlphaBooleansOnRequest) {
    BSTR text = SysAllocString(u"77");
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BYREF | VT_BSTR;
    ref.pbstrVal = &text;
    V out;
    ASSERT_EQ(VariantChangeType(&out.v, &ref, 0, VT_I4), S_OK);
    EXPECT_EQ(out.v.lVal, 77);
    EXPECT_EQ(Text(text), u"77") << "the referenced string stays with its owner";
    SysFreeString(text);

    V t = Bool(false);
    ASSERT_EQ(VariantChangeType(&out.v, &t.v, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
    EXPECT_EQ(Text(out.v.bstrVal), u"False");
}

// Counts its references, to see variants take and give them back.
using CountedObject = StandInDispatch;

TEST(Variant, CopyAndClearBalanceInterfaceReferencesAndDuplicateText) {
    CountedObject object;
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_DISPATCH;
    a.pdispVal = &object;
    object.AddRef();
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_EQ(object.references, 3u);
    VARIANT unknown;
    VariantInit(&unknown);
    ASSERT_EQ(VariantChangeType(&unknown, &a, 0, VT_UNKNOWN), S_OK);
    EXPECT_EQ(object.references, 4u);
    EXPECT_EQ(VariantChangeType(&unknown, &a, 0, VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&unknown);
    VariantClear(&b);
    VariantClear(&a);
    EXPECT_EQ(object.references, 1u);
    EXPECT_EQ(a.vt, VT_EMPTY);

    V text = Str(u"路");
    V copy = text;
    EXPECT_NE(copy.v.bstrVal, text.v.bstrVal);
    EXPECT_EQ(Text(copy.v.bstrVal), u"路");
}

TEST(ErrorInfo, BelongsToTheThreadAndIsTakenOnce) {
    IErrorInfo* info = nullptr;
    ASSERT_EQ(CreateSimpleErrorInfo(u"provider", u"表不存在", &info), S_OK);
    ASSERT_EQ(SetErrorInfo(0, info), S_OK);
    info->Release();

    std::thread([] {
        IErrorInfo* other = reinterpret_cast<IErrorInfo*>(1);
        EXPECT_EQ(GetErrorInfo(0, &other), S_FALSE);
        EXPECT_EQ(other, nullptr);
    }).join();

    const ComError error = ComError::FromLastError(E_FAIL);
    EXPECT_EQ(error.Error(), E_FAIL);
    EXPECT_TRUE(error.HasSource());
    EXPECT_EQ(error.Source(), u"provider");
    EXPECT_EQ(error.Description(), u"表不存在");
    IErrorInfo* again = nullptr;
    EXPECT_EQ(GetErrorInfo(0, &again), S_FALSE) << "taking the error object empties the slot";
}

TEST(ErrorInfo, MissingPartsReadAsNull) {
    IErrorInfo* info = nullptr;
    ASSERT_EQ(CreateSimpleErrorInfo(nullptr, u"only a description", &info), S_OK);
    SetErrorInfo(0, info);
    info->Release();
    const ComError error = ComError::FromLastError(DISP_E_EXCEPTION);
    EXPECT_FALSE(error.HasSource());
    EXPECT_TRUE(error.HasDescription());
}

TEST(FormatSystemMessage, KnowsCommonCodesOnly) {
    struct Case {
        HRESULT hr;
        const char16_t* text;
    } cases[] = {
        {E_POINTER, u"Invalid pointer"},         {E_NOINTERFACE, u"No such interface supported"},
        {E_FAIL, u"Unspecified error"},          {E_INVALIDARG, u"The parameter is incorrect"},
        {DISP_E_TYPEMISMATCH, u"Type mismatch"}, {DISP_E_OVERFLOW, u"Overflow"},
    };
    for (const Case& c : cases) {
        BSTR text = FormatSystemMessage(c.hr);
        EXPECT_EQ(Text(text), c.text);
        SysFreeString(text);
    }
    BSTR memory = FormatSystemMessage(E_OUTOFMEMORY);
    EXPECT_NE(memory, nullptr);
    SysFreeString(memory);
    EXPECT_EQ(FormatSystemMessage(HRESULT(0x80040E14)), nullptr)
        << "the provider's own codes have no system text";
    EXPECT_EQ(FormatSystemMessage(S_OK), nullptr);
}

TEST(OutputDebugString, GoesToTheListenerOrStandardErrorAsUtf8) {
    std::u16string heard;
    auto listener = +[](LPCOLESTR text, void* context) { *static_cast<std::u16string*>(context) += text; };
    SetDebugOutputListener(listener, &heard);
    OutputDebugStringW(u"注册\n");
    SetDebugOutputListener(nullptr, nullptr);
    EXPECT_EQ(heard, u"注册\n");

    testing::internal::CaptureStderr();
    OutputDebugStringW(u"类型库\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "类型库\n");
}

} // namespace
