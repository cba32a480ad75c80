// Waiting for the stand-in driver a test was started beside (with_standin.sh). Header only: the
// stand-in's command link comes with the transport under test, not with the support library.
#pragma once
#include <windows.h>

#include "standin_link.h"

#include <string>

namespace test_support {

// True once the stand-in in namespace ns answers PING as itself (tried for about ten seconds).
inline bool StandinAnswers(const std::string& ns)
{
    for (int i = 0; i < 200; ++i) {
        if (standin::StandinCommand(ns, "PING") == "OK standin") return true;
        Sleep(50);
    }
    return false;
}

}  // namespace test_support
