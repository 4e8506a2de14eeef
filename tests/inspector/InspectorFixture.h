// Test support: a page inspector made through the class factory and attached to a stand-in
// browser, with helpers that deliver the browser's events as a browser window does.
#pragma once

#include "inspector/HTMLSourceParser.h"
#include "inspector/Registration.h"
#include "FakeBrowser.h"
#include "InspectorSandbox.h"

#include <gtest/gtest.h>

namespace inspectortest {

class InspectorFixture : public testing::Test {
protected:
    void SetUp() override {
        Sandbox::Get();
        browser_ = ComPtr<FakeBrowser>(new FakeBrowser());
        top_ = ComPtr<FakeFrame>(new FakeFrame());
        ComPtr<IClassFactory> factory;
        ASSERT_EQ(DllGetClassObject(CLSID_HTMLSourceParser, IID_IClassFactory, factory.PutVoid()),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IObjectWithSite, site_.PutVoid()), S_OK);
    }
    void TearDown() override {
        browser_->DropSinks();
        site_.Reset();
        browser_.Reset();
    }

    HTMLSourceParser* Parser() const { return static_cast<HTMLSourceParser*>(site_.Get()); }
    IDispatch* TopFrame() const { return top_.Get(); }
    void Attach() { ASSERT_EQ(site_->SetSite(static_cast<IWebBrowser2*>(browser_.Get())), S_OK); }

    // Shows a page: its body's outer text (null for none) and outer HTML, both UTF-8.
    void ShowPage(std::optional<std::string> text, std::optional<std::string> html) {
        browser_->document->body->outerText = std::move(text);
        browser_->document->body->outerHtml = std::move(html);
    }
    // A completed top-level navigation: NavigateComplete2 and DocumentComplete of the window.
    void LoadTopLevel() {
        browser_->Fire(DISPID_NAVIGATECOMPLETE2, TopFrame());
        browser_->Fire(DISPID_DOCUMENTCOMPLETE, TopFrame());
    }
    std::size_t Analyses() const { return browser_->Count("get_Document"); }

    ComPtr<FakeBrowser> browser_;
    ComPtr<FakeFrame> top_;
    ComPtr<IObjectWithSite> site_;
};

} // namespace inspectortest
