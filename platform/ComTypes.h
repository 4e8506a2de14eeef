// The COM-style value types: HRESULT codes, GUIDs, BSTR strings, VARIANT and DISPPARAMS.
//
// Only what the page inspector and its browser host exchange. The values and layouts follow the
// Windows headers (winerror.h, guiddef.h, oaidl.h), so the inspector reads as its Windows
// counterpart; there is no marshalling and no apartment: every call is an ordinary C++ call.
#pragma once

#include "platform/WinTypes.h"

#include <cstddef>
#include <string>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using DISPID = LONG;
using LCID = DWORD;
using VARIANT_BOOL = std::int16_t;
using VARTYPE = std::uint16_t;

// ---- HRESULT codes (winerror.h values) ----
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_BADINDEX = static_cast<HRESULT>(0x8002000Bu);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = static_cast<HRESULT>(0x8002802Bu);

constexpr bool SUCCEEDED(HRESULT hr) {
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr) {
    return hr < 0;
}

// A Win32 error code as an HRESULT of facility 7; ERROR_SUCCESS stays S_OK.
constexpr HRESULT HRESULT_FROM_WIN32(LONG code) {
    return code <= 0 ? code
                     : static_cast<HRESULT>((static_cast<DWORD>(code) & 0xFFFFu) | 0x80070000u);
}

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

// ---- GUIDs ----
struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

bool IsEqualGUID(REFGUID a, REFGUID b);
inline bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}
inline bool IsEqualIID(REFIID a, REFIID b) {
    return IsEqualGUID(a, b);
}
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) {
    return IsEqualGUID(a, b);
}

extern const GUID GUID_NULL;
extern const IID IID_NULL;

// The registry form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case hex (StringFromGUID2).
std::string GuidToString(REFGUID guid);

// ---- BSTR: length-prefixed UTF-16 strings (oleauto.h) ----
// A BSTR points at its first character; the byte length sits in the 4 bytes before it and a NUL
// follows the last character. A null BSTR is the empty string.
using BSTR = WCHAR*;

// Copies text up to its NUL; null text gives null. Null on allocation failure.
BSTR SysAllocString(const WCHAR* text);
// Copies length characters of text (text may be null: the characters are then zero).
BSTR SysAllocStringLen(const WCHAR* text, UINT length);
// Frees a BSTR; null is ignored.
void SysFreeString(BSTR text);
// The number of characters, 0 for null.
UINT SysStringLen(BSTR text);

// A BSTR holding the UTF-8 text converted to UTF-16 (invalid bytes become U+FFFD). Null on
// allocation failure; the empty text gives an empty, non-null BSTR.
BSTR SysAllocStringFromUtf8(const std::string& utf8);
// The BSTR's text in UTF-8 (null gives "").
std::string Utf8FromBstr(BSTR text);

// The BSTR's text in single-byte characters of code page 1252, the Western code page of the
// system the records are read on: characters without a 1252 form become '?', a NUL inside the
// text ends it. Null gives "".
std::string AnsiFromBstr(BSTR text);

// Move-only owner of a BSTR that frees it when it goes.
class BStr {
public:
    BStr() = default;
    explicit BStr(BSTR text) : text_(text) {}
    BStr(BStr&& other) noexcept : text_(other.Detach()) {}
    BStr& operator=(BStr&& other) noexcept;
    BStr(const BStr&) = delete;
    BStr& operator=(const BStr&) = delete;
    ~BStr() { SysFreeString(text_); }
    BSTR Get() const { return text_; }
    BSTR* Put(); // frees what it held and hands out the slot for a call's out parameter
    BSTR Detach();
    UINT Length() const { return SysStringLen(text_); }

private:
    BSTR text_ = nullptr;
};

// ---- VARIANT and DISPPARAMS (oaidl.h) ----
struct IUnknown;
struct IDispatch;

enum : VARTYPE {
    VT_EMPTY = 0,
    VT_I4 = 3,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_BOOL = 11,
    VT_VARIANT = 12,
    VT_UNKNOWN = 13,
    VT_BYREF = 0x4000,
};

struct VARIANT {
    VARTYPE vt;
    union {
        LONG lVal;
        VARIANT_BOOL boolVal;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        VARIANT* pvarVal; // VT_BYREF | VT_VARIANT
    };
};
using VARIANTARG = VARIANT;

// The argument block of IDispatch::Invoke. The arguments are stored in reverse order: the last
// argument of the call is rgvarg[0].
struct DISPPARAMS {
    VARIANTARG* rgvarg;
    DISPID* rgdispidNamedArgs;
    UINT cArgs;
    UINT cNamedArgs;
};

// Exception details of IDispatch::Invoke; never filled here.
struct EXCEPINFO;
// Type information of IDispatch; never handed out here.
struct ITypeInfo;

constexpr WORD DISPATCH_METHOD = 1;
