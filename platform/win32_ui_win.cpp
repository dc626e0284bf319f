// Windows: the user-interface calls are the system's; only the common controls need loading.
#if defined(_WIN32)
#include "platform/win32_ui.h"

// The tooltip window class is comctl32's: it exists once the library has registered its classes,
// which a module that only calls CreateWindowExA never makes it do on its own.
void LoadCommonControlClasses()
{
    INITCOMMONCONTROLSEX classes;
    classes.dwSize = sizeof classes;
    classes.dwICC = ICC_BAR_CLASSES;   // includes the tooltip class
    InitCommonControlsEx(&classes);
}
#endif
