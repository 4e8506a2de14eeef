// The COM-style base interfaces: IUnknown, IDispatch, IClassFactory, IObjectWithSite, connection
// points, with their interface identifiers and a reference-holding smart pointer.
//
// The interfaces are abstract C++ classes with the Windows method names and results. Reference
// counting follows COM: an out-parameter interface pointer carries one reference that the caller
// releases; QueryInterface adds one on success and stores null on failure.
#pragma once

#include "platform/ComTypes.h"

#include <utility>

extern const IID IID_IUnknown;
extern const IID IID_IDispatch;
extern const IID IID_IClassFactory;
extern const IID IID_IObjectWithSite;
extern const IID IID_IConnectionPoint;
extern const IID IID_IConnectionPointContainer;

struct IUnknown {
    // Stores the interface asked for in *object with a reference added and returns S_OK;
    // E_NOINTERFACE with *object null when the object has no such interface; E_POINTER when
    // object is null.
    virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
    virtual ULONG AddRef() = 0;
    // Drops one reference; the object goes away with its last one. Returns the count left.
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IDispatch : IUnknown {
    virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT GetIDsOfNames(REFIID iid, WCHAR** names, UINT count, LCID lcid,
                                  DISPID* ids) = 0;
    // Runs the member `id` with the arguments in params (stored in reverse order).
    virtual HRESULT Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                           VARIANT* result, EXCEPINFO* exception, UINT* argError) = 0;

protected:
    ~IDispatch() = default;
};

struct IClassFactory : IUnknown {
    // Makes a new object and queries it for iid. CLASS_E_NOAGGREGATION for a non-null outer.
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object) = 0;
    // lock TRUE keeps the server loaded until a matching FALSE.
    virtual HRESULT LockServer(BOOL lock) = 0;

protected:
    ~IClassFactory() = default;
};

struct IObjectWithSite : IUnknown {
    virtual HRESULT SetSite(IUnknown* site) = 0;
    virtual HRESULT GetSite(REFIID iid, void** site) = 0;

protected:
    ~IObjectWithSite() = default;
};

struct IConnectionPoint : IUnknown {
    // Subscribes sink to the outgoing interface; *cookie names the subscription.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    // Ends the subscription; CONNECT_E_NOCONNECTION for an unknown cookie.
    virtual HRESULT Unadvise(DWORD cookie) = 0;

protected:
    ~IConnectionPoint() = default;
};

struct IConnectionPointContainer : IUnknown {
    // The connection point of the outgoing interface iid; CONNECT_E_NOCONNECTION when there is
    // none (*point null).
    virtual HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) = 0;

protected:
    ~IConnectionPointContainer() = default;
};

// ---- VARIANT values that hold interfaces ----

// Sets vt to VT_EMPTY.
void VariantInit(VARIANT* value);
// Frees what the variant owns (a BSTR, a reference to an interface) and sets it to VT_EMPTY.
// By-reference variants own nothing.
HRESULT VariantClear(VARIANT* value);

// Holds one reference to an interface and releases it when it goes (ATL's CComPtr).
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Adds a reference to p.
    explicit ComPtr(T* p) : p_(p) {
        if (p_)
            p_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    ComPtr& operator=(const ComPtr& other) {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(std::move(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Reset();
        return *this;
    }
    ~ComPtr() { Reset(); }

    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Releases what it held and hands out the slot for a call's out parameter.
    T** Put() {
        Reset();
        return &p_;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }
    // Takes over a reference the caller owns.
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    void Reset() {
        if (T* p = std::exchange(p_, nullptr))
            p->Release();
    }
    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // QueryInterface for iid into *out; *out is empty on failure.
    template <class U> HRESULT As(REFIID iid, ComPtr<U>* out) const {
        if (!p_) {
            out->Reset();
            return E_POINTER;
        }
        return p_->QueryInterface(iid, out->PutVoid());
    }

private:
    T* p_ = nullptr;
};
