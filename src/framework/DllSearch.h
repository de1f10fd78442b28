// Where the process looks for the DLLs that Windows loads on demand.
#pragma once

namespace win32 {

// Restricts the DLL search of the whole process to the system folder. An elevated program started
// from Downloads would otherwise load a DLL that anyone placed beside it. False where the system
// has no SetDefaultDllDirectories (Windows 7 without its update); the current folder is then at
// least taken out of the search.
bool RestrictDllSearchToSystem();

} // namespace win32
