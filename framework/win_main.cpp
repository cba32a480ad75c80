// The program's entry point: hands over to the one application object.
// Pulled into every program that links the framework by the linker option in framework/CMakeLists.txt.
#include <windows.h>

#include "framework/app.h"
#include "framework/message_box.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CApp* app = GetApp();
    if (!app) {
        ShowMessageBox(nullptr, "The program has no application object.", nullptr, MB_OK | MB_ICONSTOP);
        return 1;
    }
    return app->RunApplication(instance, ::GetCommandLineA());
}
