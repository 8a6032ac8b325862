// Classes the layer itself provides, as the system provides its own (the web browser object).
// An area above the shell adds its class while the program starts; CoGetClassObject looks
// here after the classes registered in the process and before the registry.
#pragma once
#include <objbase.h>

namespace jf {

// Answers the class object of one built-in class through the asked interface.
using BuiltinClassObjectGetter = HRESULT (*)(REFIID riid, void** ppv);

// Adds (or replaces) the built-in class; returns true so that it can initialise a constant.
bool RegisterBuiltinClass(REFCLSID clsid, BuiltinClassObjectGetter getter);

// The built-in class object, or REGDB_E_CLASSNOTREG when the layer has no such class.
HRESULT GetBuiltinClassObject(REFCLSID clsid, REFIID riid, void** ppv);

}  // namespace jf
