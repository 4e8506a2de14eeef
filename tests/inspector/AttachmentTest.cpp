// The page inspector as a COM object: its interfaces, attachment to a browser, the browser events
// that trigger one analysis per top-level document, the class factory and the unload check.
#include "InspectorFixture.h"

#include <gtest/gtest.h>

namespace inspectortest {
namespace {

// ---- interfaces ----

struct InterfaceRow {
    const char* name;
    const IID* iid;
    HRESULT result;
    bool dispatchFace; // answered with the dispatch face (else the primary face)
};

// Shown as the row's name in test listings.
void PrintTo(const InterfaceRow& row, std::ostream* out) {
    *out << row.name;
}

const InterfaceRow kInterfaceRows[] = {
    {"IHTMLSourceParser", &IID_IHTMLSourceParser, S_OK, true},
    {"IDispatch", &IID_IDispatch, S_OK, true},
    {"IUnknown", &IID_IUnknown, S_OK, true},
    {"IObjectWithSite", &IID_IObjectWithSite, S_OK, false},
    {"EventInterfaceNotAnswered", &DIID_DWebBrowserEvents2, E_NOINTERFACE, false},
    {"IClassFactory", &IID_IClassFactory, E_NOINTERFACE, false},
    {"IWebBrowser2", &IID_IWebBrowser2, E_NOINTERFACE, false},
};

class Interfaces : public InspectorFixture, public testing::WithParamInterface<InterfaceRow> {};

TEST_P(Interfaces, AnswersOnItsTwoFaces) {
    const InterfaceRow& row = GetParam();
    void* object = reinterpret_cast<void*>(1);
    ASSERT_EQ(site_->QueryInterface(*row.iid, &object), row.result);
    if (FAILED(row.result)) {
        EXPECT_EQ(object, nullptr);
        return;
    }
    void* expected = row.dispatchFace
                         ? static_cast<void*>(static_cast<IHTMLSourceParser*>(Parser()))
                         : static_cast<void*>(static_cast<IObjectWithSite*>(Parser()));
    EXPECT_EQ(object, expected);
    static_cast<IUnknown*>(object)->Release();
}

INSTANTIATE_TEST_SUITE_P(Inspector, Interfaces, testing::ValuesIn(kInterfaceRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(InspectorFixture, QueryInterfaceWithNullOutPointerIsRefused) {
    EXPECT_EQ(site_->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
}

// ---- attachment ----

TEST_F(InspectorFixture, SetSiteSubscribesToTheBrowserEvents) {
    Attach();
    EXPECT_EQ(browser_->SinkCount(), 1u);
    EXPECT_EQ(browser_->Count("Advise"), 1u);
}

TEST_F(InspectorFixture, SetSiteRefusesASiteWithoutBrowser) {
    browser_->offersBrowser = false;
    EXPECT_EQ(site_->SetSite(static_cast<IWebBrowser2*>(browser_.Get())), E_INVALIDARG);
    EXPECT_EQ(browser_->SinkCount(), 0u);
}

TEST_F(InspectorFixture, SetSiteRefusesABrowserWithoutConnectionPoints) {
    browser_->offersContainer = false;
    EXPECT_EQ(site_->SetSite(static_cast<IWebBrowser2*>(browser_.Get())), E_POINTER);
    EXPECT_EQ(browser_->SinkCount(), 0u);
}

TEST_F(InspectorFixture, SetSiteReturnsTheSubscriptionFailure) {
    browser_->findPointResult = E_OUTOFMEMORY;
    EXPECT_EQ(site_->SetSite(static_cast<IWebBrowser2*>(browser_.Get())), E_OUTOFMEMORY);
    EXPECT_EQ(browser_->SinkCount(), 0u);
}

TEST_F(InspectorFixture, DetachingWithNullSiteKeepsTheSubscriptionAndStopsAnalysing) {
    Attach();
    EXPECT_EQ(site_->SetSite(nullptr), E_INVALIDARG);
    EXPECT_EQ(browser_->SinkCount(), 1u);
    // Without a browser the completed page cannot be read; nothing is asked of the window.
    LoadTopLevel();
    EXPECT_EQ(Analyses(), 0u);
    EXPECT_EQ(browser_->Count("Stop"), 0u);
}

TEST_F(InspectorFixture, GetSiteAlwaysFailsWithNull) {
    Attach();
    void* site = reinterpret_cast<void*>(1);
    EXPECT_EQ(site_->GetSite(IID_IUnknown, &site), E_FAIL);
    EXPECT_EQ(site, nullptr);
    EXPECT_EQ(site_->GetSite(IID_IUnknown, nullptr), E_POINTER);
}

// ---- events ----

TEST_F(InspectorFixture, PageWithInnerFramesIsAnalysedOnceForTheTopLevelDocument) {
    Attach();
    ComPtr<FakeFrame> inner1(new FakeFrame());
    ComPtr<FakeFrame> inner2(new FakeFrame());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, TopFrame());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, inner1.Get());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, inner2.Get());
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, inner2.Get());
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, inner1.Get());
    EXPECT_EQ(Analyses(), 0u);
    EXPECT_EQ(Parser()->PendingTopFrame(), TopFrame());

    browser_->Fire(DISPID_DOCUMENTCOMPLETE, TopFrame());
    EXPECT_EQ(Analyses(), 1u);
    EXPECT_EQ(Parser()->PendingTopFrame(), nullptr);

    // A late inner document of the same page does not start a second analysis.
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, inner1.Get());
    EXPECT_EQ(Analyses(), 1u);
}

TEST_F(InspectorFixture, EveryTopLevelNavigationIsAnalysedOnce) {
    Attach();
    for (int page = 1; page <= 3; ++page) {
        LoadTopLevel();
        EXPECT_EQ(Analyses(), static_cast<std::size_t>(page));
    }
}

TEST_F(InspectorFixture, NavigationWithoutDocumentCompleteStaysPending) {
    Attach();
    ComPtr<FakeFrame> second(new FakeFrame());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, TopFrame());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, second.Get());
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, second.Get());
    EXPECT_EQ(Analyses(), 0u);
    EXPECT_EQ(Parser()->PendingTopFrame(), TopFrame());
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, TopFrame());
    EXPECT_EQ(Analyses(), 1u);
}

// An inner frame that starts after the page completed and then never completes (an ad that
// stalls, a frame removed while loading) must not keep the window from being analysed again:
// the browser's NavigateError of that frame, or the next navigation of the window itself (whose
// frame is the browser object), replaces it.
TEST_F(InspectorFixture, StalledInnerFrameGivesWayToTheNextPage) {
    Attach();
    IDispatch* window = static_cast<IWebBrowser2*>(browser_.Get());
    ComPtr<FakeFrame> ad(new FakeFrame());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, window);
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, window);
    ASSERT_EQ(Analyses(), 1u);

    browser_->Fire(DISPID_NAVIGATECOMPLETE2, ad.Get());
    EXPECT_EQ(Parser()->PendingTopFrame(), ad.Get());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, window);
    EXPECT_EQ(Parser()->PendingTopFrame(), window) << "the window's navigation replaces the frame";
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, window);
    EXPECT_EQ(Analyses(), 2u);

    // NavigateError's frame is its first argument, the last of the five stored.
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, ad.Get());
    VARIANT args[5];
    for (VARIANT& arg : args)
        arg.vt = VT_EMPTY;
    args[4].vt = VT_DISPATCH;
    args[4].pdispVal = window;
    DISPPARAMS otherFrame = {args, nullptr, 5, 0};
    browser_->FireRaw(DISPID_NAVIGATEERROR, &otherFrame);
    EXPECT_EQ(Parser()->PendingTopFrame(), ad.Get()) << "an error of another frame changes nothing";
    args[4].pdispVal = ad.Get();
    DISPPARAMS adError = {args, nullptr, 5, 0};
    browser_->FireRaw(DISPID_NAVIGATEERROR, &adError);
    EXPECT_EQ(Parser()->PendingTopFrame(), nullptr);
    ComPtr<FakeFrame> next(new FakeFrame());
    browser_->Fire(DISPID_NAVIGATECOMPLETE2, next.Get());
    browser_->Fire(DISPID_DOCUMENTCOMPLETE, next.Get());
    EXPECT_EQ(Analyses(), 3u);
}

TEST_F(InspectorFixture, InvokeRefusesAMissingParameterBlockAndAcceptsAnyIdentifier) {
    Attach();
    EXPECT_EQ(Parser()->Invoke(DISPID_NAVIGATECOMPLETE2, IID_NULL, 0, DISPATCH_METHOD, nullptr,
                               nullptr, nullptr, nullptr),
              E_INVALIDARG);
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    for (DISPID id : {DISPID(0), DISPID(250), DISPID(271), DISPID(-1)})
        EXPECT_EQ(
            Parser()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr),
            S_OK)
            << id;
    EXPECT_EQ(Analyses(), 0u);
    EXPECT_EQ(browser_->SinkCount(), 1u);
}

TEST_F(InspectorFixture, MalformedFrameEventsNameNoFrame) {
    Attach();
    // Too few arguments, and a frame argument of another type: neither names a frame.
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    browser_->FireRaw(DISPID_NAVIGATECOMPLETE2, &none);
    EXPECT_EQ(Parser()->PendingTopFrame(), nullptr);
    VARIANT args[2];
    args[0].vt = VT_EMPTY;
    args[1].vt = VT_I4;
    args[1].lVal = 12345;
    DISPPARAMS wrongType = {args, nullptr, 2, 0};
    browser_->FireRaw(DISPID_NAVIGATECOMPLETE2, &wrongType);
    EXPECT_EQ(Parser()->PendingTopFrame(), nullptr);

    browser_->Fire(DISPID_NAVIGATECOMPLETE2, TopFrame());
    browser_->FireRaw(DISPID_DOCUMENTCOMPLETE, &wrongType);
    browser_->FireRaw(DISPID_DOCUMENTCOMPLETE, &none);
    EXPECT_EQ(Analyses(), 0u);
    EXPECT_EQ(Parser()->PendingTopFrame(), TopFrame());
}

TEST_F(InspectorFixture, QuitEndsTheSubscriptionOfItsCookie) {
    Attach();
    browser_->Fire(DISPID_ONQUIT);
    EXPECT_EQ(browser_->SinkCount(), 0u);
    EXPECT_EQ(browser_->Count("Unadvise 41"), 1u);
}

// ---- class factory and unload check ----

TEST(InspectorServer, ClassObjectOnlyForTheInspectorClass) {
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(DllGetClassObject(IID_IDispatch, IID_IClassFactory, &object),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(DllGetClassObject(CLSID_HTMLSourceParser, IID_IClassFactory, nullptr), E_POINTER);
    EXPECT_EQ(DllGetClassObject(CLSID_HTMLSourceParser, IID_IDispatch, &object), E_NOINTERFACE);
}

TEST(InspectorServer, UnloadOnlyWithoutObjectsAndLocks) {
    ASSERT_EQ(DllCanUnloadNow(), S_OK);
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_HTMLSourceParser, IID_IClassFactory, factory.PutVoid()),
              S_OK);

    ComPtr<IDispatch> first;
    ComPtr<IDispatch> second;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, first.PutVoid()), S_OK);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, second.PutVoid()), S_OK);
    EXPECT_NE(first.Get(), second.Get()) << "every request makes a fresh object";
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    first.Reset();
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    second.Reset();
    EXPECT_EQ(DllCanUnloadNow(), S_OK);

    EXPECT_EQ(factory->LockServer(1), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_FALSE);
    EXPECT_EQ(factory->LockServer(0), S_OK);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

TEST(InspectorServer, RefusedCreationLeavesNoObject) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(DllGetClassObject(CLSID_HTMLSourceParser, IID_IClassFactory, factory.PutVoid()),
              S_OK);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IWebBrowser2, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    ComPtr<FakeFrame> outer(new FakeFrame());
    EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_IUnknown, &object), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(DllCanUnloadNow(), S_OK);
}

} // namespace
} // namespace inspectortest
