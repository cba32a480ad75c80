// A transport DLL loaded as Dorvane loads it, with its GetNewInfoPtr factory, and the owner of
// the objects that factory makes.
#pragma once
#include <windows.h>

#include "comm_info.h"

#include <memory>

namespace test_support {

class TransportLibrary {
public:
    explicit TransportLibrary(const char* file);
    ~TransportLibrary();
    TransportLibrary(const TransportLibrary&) = delete;
    TransportLibrary& operator=(const TransportLibrary&) = delete;

    HMODULE Module() const { return m_module; }
    PFN_GetNewInfoPtr Factory() const { return m_factory; }
    // GetLastError of a failed load, for the test's message.
    DWORD LoadError() const { return m_loadError; }

private:
    HMODULE m_module;
    DWORD m_loadError = 0;
    PFN_GetNewInfoPtr m_factory = nullptr;
};

struct DeleteInfo {
    void operator()(CCommInfo* info) const { DeleteCommInfo(info); }  // slot 0, as the client drops it
};
using InfoPtr = std::unique_ptr<CCommInfo, DeleteInfo>;

}  // namespace test_support
