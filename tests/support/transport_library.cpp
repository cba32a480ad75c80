// Loads and frees a transport DLL for a test.
#include "transport_library.h"

namespace test_support {

TransportLibrary::TransportLibrary(const char* file) : m_module(LoadLibraryA(file))
{
    if (m_module)
        m_factory = reinterpret_cast<PFN_GetNewInfoPtr>(GetProcAddress(m_module, "GetNewInfoPtr"));
    else
        m_loadError = GetLastError();
}

TransportLibrary::~TransportLibrary()
{
    if (m_module) FreeLibrary(m_module);
}

}  // namespace test_support
