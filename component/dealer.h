// dealer, the component's one creatable class (ProgID tessel.dealer): the host hands it its open
// database connection with SetConnection and shows the address decomposition wizard with Run.
// Its dispatch interface Idealer is described in resources/tessel.idl.
// Threads: a dealer is made, called and destroyed on the host's GUI thread (Run shows widgets; the
// live-dealer list and g_pDatabase are not locked). Only its reference count is atomic, as every
// automation object's is; a host must not let the last Release happen on another thread.
#pragma once

#include "database/CADODatabase.h"
#include "platform/automation/Automation.h"
#include "platform/automation/CountedObject.h"
#include "component/tessel.h"

class ClassFactory;

class dealer final : public CountedObject<IDispatch, IID_IDispatch, IID_Idealer> {
public:
    // The factory of the class, a static object of the module.
    static ClassFactory& Factory();

    // Takes a lock on the module and points g_pDatabase at this dealer's m_database.
    dealer();

    HRESULT GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                          DISPID* rgDispId) override;
    HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                   VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

    // DISPID 1. Attaches the host's connection (null: none) and warns when the database the
    // wizard works on is not open. The attached connection is kept either way.
    void SetConnection(IDispatch* pDispConnection);
    // DISPID 2. Frees *bsResultID, shows the wizard modally, puts a new copy of its result id
    // into *bsResultID and returns the dialog result: 1 after Finish, 2 after Cancel, -1 when no
    // window can be shown (then *bsResultID is empty).
    long Run(BSTR* bsResultID);

private:
    // Gives the host's connection back and releases the module lock (the last Release).
    ~dealer() override;

    CADODatabase m_database;
};
