// The host's late-bound calls on the real component: what a failing call says is what the callee
// raised (its description and its own code), not the bare "exception occurred" of Invoke.
#include "host/LateBoundCall.h"

#include "platform/automation/Automation.h"
#include "tests/support/StandInDispatch.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

using namespace Qt::Literals::StringLiterals;

namespace {

// A host object whose interface query fails the way a broken proxy does, leaving an error object.
struct BrokenObject : StandInDispatch {
    BrokenObject() {
        answer = E_UNEXPECTED;
        errorSource = u"host";
        errorDescription = u"the host's connection went away";
    }
};

VARIANT Variant(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    v.vt = type;
    return v;
}

class LateBoundCallTest : public testing::Test {
protected:
    void SetUp() override {
        // As the program does on first use: register the component, then create it by ProgID.
        void* module = ::dlopen(TESSEL_LIB_DIR "/libtessel.so", RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(module, nullptr) << ::dlerror();
        auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(module, "DllRegisterServer"));
        ASSERT_NE(registerServer, nullptr);
        ASSERT_EQ(registerServer(), S_OK);
        ::dlclose(module);
        CLSID clsid{};
        ASSERT_EQ(CLSIDFromProgID(u"tessel.dealer", &clsid), S_OK);
        ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&m_dealer)),
                  S_OK);
    }
    void TearDown() override {
        if (m_dealer)
            m_dealer->Release();
    }
    IDispatch* m_dealer = nullptr;
};

TEST_F(LateBoundCallTest, AFailedCallSaysWhatTheCalleeRaised) {
    BrokenObject broken;
    VARIANT connection = Variant(VT_DISPATCH);
    connection.pdispVal = &broken;
    const LateBoundCall::Outcome raised = LateBoundCall::Invoke(m_dealer, u"SetConnection", {connection}, nullptr);
    EXPECT_TRUE(raised.Failed());
    EXPECT_EQ(raised.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(raised.raisedCode, E_UNEXPECTED);
    EXPECT_EQ(raised.ErrorText(), u"the host's connection went away (0x8000ffff)"_s);
}

TEST_F(LateBoundCallTest, AFailureWithoutAnExceptionSaysWhatItsCodeMeans) {
    struct Case {
        const char16_t* member;
        std::vector<VARIANT> args;
        HRESULT hr;
    };
    const Case cases[] = {
        {u"NoSuchMember", {}, DISP_E_UNKNOWNNAME},
        {u"Run", {Variant(VT_I4)}, DISP_E_TYPEMISMATCH}, // Run takes a string by reference
    };
    for (const Case& c : cases) {
        const LateBoundCall::Outcome outcome = LateBoundCall::Invoke(m_dealer, c.member, c.args, nullptr);
        EXPECT_EQ(outcome.hr, c.hr);
        EXPECT_TRUE(outcome.raised.isEmpty()) << outcome.raised.toStdString();
        const QString text = outcome.ErrorText();
        EXPECT_TRUE(text.endsWith(QStringLiteral("(0x%1)").arg(unsigned(c.hr), 8, 16, QChar(u'0'))))
            << text.toStdString();
        EXPECT_GT(text.size(), 13) << "a meaning before the code: " << text.toStdString();
    }
}

} // namespace
