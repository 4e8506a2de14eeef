// Clearing VARIANT values: a value may hold a reference to an interface, which it releases.
#include "platform/ComBase.h"

// ---- VARIANT ----

void VariantInit(VARIANT* value) {
    if (value)
        value->vt = VT_EMPTY;
}

HRESULT VariantClear(VARIANT* value) {
    if (!value)
        return E_INVALIDARG;
    switch (value->vt) {
    case VT_BSTR:
        SysFreeString(value->bstrVal);
        break;
    case VT_DISPATCH:
        if (value->pdispVal)
            value->pdispVal->Release();
        break;
    case VT_UNKNOWN:
        if (value->punkVal)
            value->punkVal->Release();
        break;
    default:
        break;
    }
    value->vt = VT_EMPTY;
    return S_OK;
}
