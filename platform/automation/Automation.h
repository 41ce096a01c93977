// The automation runtime's public definitions: the binary contract between hosts, the component and
// the runtime library (libtessel-automation.so). Layouts and values follow the platform's own definitions,
// so a client written against them drives the component without any other header of ours.
#pragma once

#include <cstddef>
#include <cstdint>

#if defined(__GNUC__)
#define AUTOMATION_API __attribute__((visibility("default")))
#else
#define AUTOMATION_API
#endif

typedef int32_t HRESULT;
typedef int32_t SCODE;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef char16_t OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef OLECHAR* BSTR; // NUL-terminated UTF-16 after a 32-bit byte length
typedef uint16_t VARTYPE;
typedef int16_t VARIANT_BOOL;
typedef int32_t DISPID;
typedef uint32_t LCID;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;

#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

struct GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3)
        return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i])
            return false;
    return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

// HRESULT values as the platform defines them.
#define S_OK ((HRESULT)0x00000000L)
#define S_FALSE ((HRESULT)0x00000001L)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_ABORT ((HRESULT)0x80004004L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define REGDB_E_READREGDB ((HRESULT)0x80040150L)
#define REGDB_E_WRITEREGDB ((HRESULT)0x80040151L)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#define CO_E_DLLNOTFOUND ((HRESULT)0x800401F8L)
#define CO_E_ERRORINDLL ((HRESULT)0x800401F9L)
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004L)
#define DISP_E_TYPEMISMATCH ((HRESULT)0x80020005L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_OVERFLOW ((HRESULT)0x8002000AL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000FL)
#define TYPE_E_REGISTRYACCESS ((HRESULT)0x8002801CL)
#define TYPE_E_CANTLOADLIBRARY ((HRESULT)0x80029C4AL)
#define SELFREG_E_CLASS ((HRESULT)0x80040201L)

#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)

// VARIANT types.
enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_DECIMAL = 14,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_BYREF = 0x4000,
};

// Flags of IDispatch::Invoke.
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8
// Flags of VariantChangeType.
#define VARIANT_NOVALUEPROP 0x1
#define VARIANT_ALPHABOOL 0x2 // a boolean becomes "True" or "False" rather than "-1" or "0"
#define DISPID_UNKNOWN (-1)
#define DISPID_PROPERTYPUT (-3)
#define LOCALE_SYSTEM_DEFAULT 0x0800
#define LOCALE_USER_DEFAULT 0x0400

// Class contexts of CoCreateInstance.
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_ALL 0x17

struct IUnknown;
struct IDispatch;
struct ITypeInfo; // never implemented: the component offers no type information through IDispatch

// A record by value (its data and its record information); declared outside the union, which may
// only hold data members.
struct VARIANT_BRECORD {
    void* pvRecord;
    void* pRecInfo;
};

struct VARIANT {
    VARTYPE vt;
    WORD wReserved1;
    WORD wReserved2;
    WORD wReserved3;
    union {
        LONGLONG llVal;
        LONG lVal;
        BYTE bVal;
        SHORT iVal;
        float fltVal;
        double dblVal;
        VARIANT_BOOL boolVal;
        SCODE scode;
        double date;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        int8_t cVal;
        USHORT uiVal;
        ULONG ulVal;
        ULONGLONG ullVal;
        INT intVal;
        UINT uintVal;
        BSTR* pbstrVal;
        LONG* plVal;
        SHORT* piVal;
        VARIANT* pvarVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        void* byref;
        VARIANT_BRECORD brecVal;
    };
};
typedef VARIANT VARIANTARG;
static_assert(sizeof(void*) != 8 || sizeof(VARIANT) == 24, "VARIANT must be 24 bytes on 64-bit");

struct DISPPARAMS {
    VARIANTARG* rgvarg; // arguments in reverse order
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

struct EXCEPINFO {
    WORD wCode;
    WORD wReserved;
    BSTR bstrSource;
    BSTR bstrDescription;
    BSTR bstrHelpFile;
    DWORD dwHelpContext;
    void* pvReserved;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
    SCODE scode;
};

// Pure abstract interfaces in the platform's method order; no virtual destructors, as the
// binary layout requires. Objects go away through Release.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif
struct IUnknown {
    virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
    virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) = 0;
    virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                  DISPID* rgDispId) = 0;
    virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                           VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
    virtual HRESULT LockServer(BOOL fLock) = 0;
};

// The error object a failing call leaves behind on its thread (source and description).
struct IErrorInfo : IUnknown {
    virtual HRESULT GetGUID(GUID* pGUID) = 0;
    virtual HRESULT GetSource(BSTR* pBstrSource) = 0;
    virtual HRESULT GetDescription(BSTR* pBstrDescription) = 0;
    virtual HRESULT GetHelpFile(BSTR* pBstrHelpFile) = 0;
    virtual HRESULT GetHelpContext(DWORD* pdwHelpContext) = 0;
};
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// {00000000-0000-0000-C000-000000000046}
inline constexpr IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00020400-0000-0000-C000-000000000046}
inline constexpr IID IID_IDispatch = {0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000001-0000-0000-C000-000000000046}
inline constexpr IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {1CF2B120-547D-101B-8E65-08002B2BD119}
inline constexpr IID IID_IErrorInfo = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
inline constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};

typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID, REFIID, void**);
typedef HRESULT (*LPFNCANUNLOADNOW)();
typedef HRESULT (*LPFNREGISTERSERVER)();

// The classes root of the registry.
typedef struct RegistryKey* HKEY;
#define HKEY_CLASSES_ROOT ((HKEY)(uintptr_t)0x80000000)
typedef LONG LSTATUS;
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_MORE_DATA 234L
#define ERROR_BADDB 1009L
#define ERROR_WRITE_FAULT 29L

extern "C" {
// Strings.
AUTOMATION_API BSTR SysAllocString(const OLECHAR* psz);
AUTOMATION_API BSTR SysAllocStringLen(const OLECHAR* pch, UINT cch);
AUTOMATION_API void SysFreeString(BSTR bstr);
AUTOMATION_API UINT SysStringLen(BSTR bstr);
AUTOMATION_API UINT SysStringByteLen(BSTR bstr);

// Variants.
AUTOMATION_API void VariantInit(VARIANT* pvarg);
AUTOMATION_API HRESULT VariantClear(VARIANT* pvarg);
AUTOMATION_API HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc);
AUTOMATION_API HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, USHORT wFlags, VARTYPE vt);

// Error objects of the calling thread.
AUTOMATION_API HRESULT SetErrorInfo(ULONG dwReserved, IErrorInfo* perrinfo);
AUTOMATION_API HRESULT GetErrorInfo(ULONG dwReserved, IErrorInfo** pperrinfo);
// Builds an error object with the given source and description (either may be null).
AUTOMATION_API HRESULT CreateSimpleErrorInfo(const OLECHAR* source, const OLECHAR* description,
                                            IErrorInfo** pperrinfo);
// The system's message text for a code, without a trailing line break; null when it has none.
// The caller frees the result with SysFreeString.
AUTOMATION_API BSTR FormatSystemMessage(HRESULT hr);

// GUIDs.
AUTOMATION_API int StringFromGUID2(REFGUID rguid, LPOLESTR lpsz, int cchMax);
AUTOMATION_API HRESULT CLSIDFromString(LPCOLESTR lpsz, CLSID* pclsid);
AUTOMATION_API HRESULT CLSIDFromProgID(LPCOLESTR lpszProgID, CLSID* lpclsid);

// Objects.
AUTOMATION_API HRESULT CoGetClassObject(REFCLSID rclsid, DWORD dwClsContext, void* pvReserved, REFIID riid,
                                        void** ppv);
AUTOMATION_API HRESULT CoCreateInstance(REFCLSID rclsid, IUnknown* pUnkOuter, DWORD dwClsContext, REFIID riid,
                                        void** ppv);
AUTOMATION_API void CoFreeUnusedLibraries();

// The registry (classes root), kept in a file; written atomically.
AUTOMATION_API LSTATUS RegCreateKeyW(HKEY hKey, LPCOLESTR lpSubKey, HKEY* phkResult);
AUTOMATION_API LSTATUS RegOpenKeyW(HKEY hKey, LPCOLESTR lpSubKey, HKEY* phkResult);
AUTOMATION_API LSTATUS RegCloseKey(HKEY hKey);
AUTOMATION_API LSTATUS RegSetValueW(HKEY hKey, LPCOLESTR lpSubKey, DWORD dwType, LPCOLESTR lpData, DWORD cbData);
AUTOMATION_API LSTATUS RegQueryValueW(HKEY hKey, LPCOLESTR lpSubKey, LPOLESTR lpData, LONG* lpcbData);
AUTOMATION_API LSTATUS RegDeleteKeyW(HKEY hKey, LPCOLESTR lpSubKey);
#define REG_SZ 1

// Type libraries: registers the library described by a type-library file (or a module holding one)
// under TypeLib\{LIBID}\major.minor\lcid\... with the given path.
AUTOMATION_API HRESULT RegisterTypeLibFromFile(LPCOLESTR typeLibPath, LPCOLESTR modulePath, LPCOLESTR helpDir);

// The debug output (stderr unless a listener is set; tests may capture it).
AUTOMATION_API void OutputDebugStringW(LPCOLESTR lpOutputString);
// Sends the debug output to a listener instead of standard error (null restores standard error);
// returns the previous listener. The listener must not write to the debug output itself.
typedef void (*DebugOutputListener)(LPCOLESTR text, void* context);
AUTOMATION_API DebugOutputListener SetDebugOutputListener(DebugOutputListener listener, void* context);

// Deletes a key with everything below it.
AUTOMATION_API LSTATUS RegDeleteTreeW(HKEY hKey, LPCOLESTR lpSubKey);
// The file that holds the registry: TESSEL_REGISTRY when set, else tessel/registry in the user's
// configuration folder. The caller frees the result with SysFreeString.
AUTOMATION_API BSTR RegistryFilePath();
// "PATH:LINE: why" for the last damaged registry file a registry function met (it is left as it
// is, and every registry function answers ERROR_BADDB); null when none was met.
AUTOMATION_API BSTR RegistryProblem();
}
