// The classes the system serves from server modules of its own (the web browser object), as
// the system's registry names each with the file of its in-process server. CoGetClassObject
// looks here after the classes registered in the process and before the registry, and loads
// the server only when its class is first asked for.
#pragma once
#include <objbase.h>

#include <string>

namespace jf {

// The host path of the server module of one of the system's own classes, or empty for any
// other class. The layer's server modules lie beside the program or, for a program of a build,
// in that build's folder of them.
std::wstring SystemServerOf(REFCLSID clsid);

}  // namespace jf
