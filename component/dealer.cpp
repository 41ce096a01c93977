#include "component/dealer.h"

#include "component/ClassFactory.h"
#include "wizard/DlgRun.h"
#include "platform/ui/MessageBoxService.h"
#include "platform/ui/QtApplication.h"
#include "component/ModuleState.h"
#include "platform/automation/ComError.h"
#include "component/tessel.h"

#include <QApplication>
#include <QString>

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace {

IUnknown* CreateDealer() {
    return static_cast<IDispatch*>(new dealer);
}

// Constructed before theApp (whose InitInstance registers the module's factories).
ClassFactory s_factory __attribute__((init_priority(1000))) (CLSID_dealer, CreateDealer, u"tessel.dealer");

// The dealers alive, oldest first: when the dealer g_pDatabase refers to goes, it falls back to
// the newest one left, so it never points at a destroyed holder while a dealer lives.
// GUI thread only, never locked, like g_pDatabase (see dealer.h).
std::vector<dealer*> s_liveDealers;

// Whether this is the thread the first dealer was made on, where every dealer lives.
bool OnDealerThread() {
    static const std::thread::id owner = std::this_thread::get_id();
    return std::this_thread::get_id() == owner;
}

struct Member {
    const char16_t* name;
    DISPID id;
};
constexpr Member kMembers[] = {
    {u"SetConnection", DISPID_Idealer_SetConnection},
    {u"Run", DISPID_Idealer_Run},
};

// Names compare without regard to ASCII case, as the platform's dispatch does.
bool SameName(const OLECHAR* a, const char16_t* b) {
    for (;; ++a, ++b) {
        char16_t x = *a, y = *b;
        if (x >= u'A' && x <= u'Z')
            x = char16_t(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z')
            y = char16_t(y - u'A' + u'a');
        if (x != y)
            return false;
        if (!x)
            return true;
    }
}

HRESULT Fail(HRESULT hr, UINT* puArgErr) {
    if (puArgErr && hr == DISP_E_TYPEMISMATCH)
        *puArgErr = 0; // the one argument
    return hr;
}

// Fills the caller's exception record from an error the member raised.
HRESULT ReportException(EXCEPINFO* info, HRESULT scode, const std::u16string& description) {
    if (info) {
        *info = EXCEPINFO{};
        info->scode = FAILED(scode) ? scode : E_FAIL;
        info->bstrSource = SysAllocString(u"tessel.dealer");
        if (!description.empty()) {
            info->bstrDescription = SysAllocStringLen(description.data(), UINT(description.size()));
        } else {
            info->bstrDescription = FormatSystemMessage(info->scode);
        }
    }
    return DISP_E_EXCEPTION;
}

} // namespace

ClassFactory& dealer::Factory() {
    return s_factory;
}

dealer::dealer() {
    Q_ASSERT(OnDealerThread());
    ModuleState::Lock();
    g_pDatabase = &m_database;
    s_liveDealers.push_back(this);
}

dealer::~dealer() {
    Q_ASSERT(OnDealerThread());
    try {
        m_database.DetachConnection();
    } catch (...) {
        // Giving the host's connection back must not keep the object alive or reach the host.
    }
    s_liveDealers.erase(std::remove(s_liveDealers.begin(), s_liveDealers.end(), this), s_liveDealers.end());
    if (g_pDatabase == &m_database && !s_liveDealers.empty())
        g_pDatabase = &s_liveDealers.back()->m_database;
    ModuleState::Unlock();
}

HRESULT dealer::GetTypeInfoCount(UINT* pctinfo) {
    if (!pctinfo)
        return E_POINTER;
    *pctinfo = 0; // early binding goes through the registered type library
    return S_OK;
}

HRESULT dealer::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) {
    if (ppTInfo)
        *ppTInfo = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT dealer::GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (!rgszNames || !rgDispId || !cNames)
        return E_INVALIDARG;
    for (UINT i = 0; i < cNames; ++i)
        rgDispId[i] = DISPID_UNKNOWN;
    HRESULT hr = DISP_E_UNKNOWNNAME;
    if (rgszNames[0]) {
        for (const Member& m : kMembers)
            if (SameName(rgszNames[0], m.name)) {
                rgDispId[0] = m.id;
                hr = S_OK;
            }
    }
    // The members take no named arguments: parameter names stay unknown.
    return cNames > 1 ? DISP_E_UNKNOWNNAME : hr;
}

HRESULT dealer::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                       VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) {
    if (riid != IID_NULL)
        return DISP_E_UNKNOWNINTERFACE;
    if (dispIdMember != DISPID_Idealer_SetConnection && dispIdMember != DISPID_Idealer_Run)
        return DISP_E_MEMBERNOTFOUND;
    // Both are methods; a caller that cannot tell a method from a property asks for both.
    if (!(wFlags & DISPATCH_METHOD) || (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)))
        return DISP_E_MEMBERNOTFOUND;
    if (!pDispParams)
        return E_INVALIDARG;
    if (pDispParams->cNamedArgs)
        return DISP_E_NONAMEDARGS;
    if (pDispParams->cArgs != 1)
        return DISP_E_BADPARAMCOUNT;
    if (!pDispParams->rgvarg)
        return E_INVALIDARG;
    const VARIANT& arg = pDispParams->rgvarg[0];

    try {
        if (dispIdMember == DISPID_Idealer_SetConnection) {
            IDispatch* connection = nullptr;
            if (arg.vt == VT_DISPATCH)
                connection = arg.pdispVal;
            else if (arg.vt == (VT_BYREF | VT_DISPATCH) && arg.ppdispVal)
                connection = *arg.ppdispVal;
            else if (arg.vt != VT_EMPTY && arg.vt != VT_NULL)
                return Fail(DISP_E_TYPEMISMATCH, puArgErr);
            SetConnection(connection);
            if (pVarResult)
                VariantInit(pVarResult);
            return S_OK;
        }
        if (arg.vt != (VT_BYREF | VT_BSTR) || !arg.pbstrVal)
            return Fail(DISP_E_TYPEMISMATCH, puArgErr);
        const long result = Run(arg.pbstrVal);
        if (pVarResult) {
            VariantInit(pVarResult);
            pVarResult->vt = VT_I4;
            pVarResult->lVal = LONG(result);
        }
        return S_OK;
    } catch (const ComError& e) {
        return ReportException(pExcepInfo, e.Error(), e.Description());
    } catch (const std::bad_alloc&) {
        return ReportException(pExcepInfo, E_OUTOFMEMORY, {});
    } catch (...) {
        // Nothing may unwind into the host.
        return ReportException(pExcepInfo, E_FAIL, {});
    }
}

void dealer::SetConnection(IDispatch* pDispConnection) {
    m_database.AttachConnection(pDispConnection);
    // The wizard works through g_pDatabase: that is the database that must be open.
    if (!g_pDatabase || !g_pDatabase->IsConnected())
        MessageBoxService::Show(nullptr, QString::fromUtf16(u"请先打开数据库连接再调用本函数"),
                                QStringLiteral("tessel"), MB_OK | MB_ICONEXCLAMATION);
}

long dealer::Run(BSTR* bsResultID) {
    QApplication* application = QtApplication::EnsureGui();
    if (!application) {
        SysFreeString(*bsResultID);
        *bsResultID = SysAllocString(u"");
        return -1;
    }
    DlgRun dlg(nullptr);
    SysFreeString(*bsResultID); // in/out: the incoming value is never read
    *bsResultID = nullptr;
    const int result = dlg.exec();
    *bsResultID = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(dlg.m_strResultID.utf16()),
                                    UINT(dlg.m_strResultID.size()));
    return result;
}
