// The four transport libraries: which file serves which interface, loaded once and kept loaded.
#pragma once
#include "comm_info.h"

// What loading the transport library of one interface gave.
struct TransportFactory {
    PFN_GetNewInfoPtr factory;  // null when the library or its factory is missing
    int errorId;                // CommError id to post when factory is null
};

// Loads the library of iface (0-3) the first time and keeps it for the life of the process: the main
// window may still read a CommErrorArgs record that lives in a transport library's memory after its
// object is gone.
TransportFactory FindTransportFactory(int iface);

// Number of interfaces; iface must be below it.
constexpr int kTransportInterfaceCount = 4;
