// The module's own handle, kept from the operating system's notice that it loaded the module,
// and what the module gives back when it is unloaded from a process that goes on.
#pragma once

// The module's base address as the operating system reported it when the module was loaded:
// on Windows the instance handle (for the dialog and bitmap resources), elsewhere the load address
// of the module's image.
extern void* ModuleInstance;

// Called when the module is unloaded from a process that goes on (a process that ends gives back
// everything itself); the module's owner sets it once. Null: nothing to give back.
extern void (*ModuleUnloadRelease)();
