// A library named as the help viewer, planted beside the program that asks
// for Help: leaves a mark in the process that loads it.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) SetEnvironmentVariableW(L"PLANTED_HELP_VIEWER", L"loaded");
    return TRUE;
}
