// The in-process server exports of libbaitlib.so: registration, class object, unload check.
#pragma once

#include "engine/Export.h"
#include "platform/ComTypes.h"

extern "C" {
// Writes the registration entries of HTMLSourceParser (its ProgIDs, its CLSID key with the
// library's path, its browser helper object key) and of its type library into the registry
// store, all in one transaction: on failure nothing is left written and the result is the
// registry error as an HRESULT.
BAITLIB_API HRESULT DllRegisterServer();
// Removes what DllRegisterServer wrote: the ProgID keys, the class's key under HKCR\CLSID (which
// itself stays), its browser helper object key and the type library's keys. Entries already gone
// are no failure.
BAITLIB_API HRESULT DllUnregisterServer();
// The class factory of HTMLSourceParser, queried for iid; CLASS_E_CLASSNOTAVAILABLE for any other
// class, E_POINTER for a null object pointer.
BAITLIB_API HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** object);
// S_OK when no object and no server lock is alive, else S_FALSE.
BAITLIB_API HRESULT DllCanUnloadNow();
}
