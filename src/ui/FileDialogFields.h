#pragma once
#include <windows.h>
#include <commdlg.h>

// The fields of an open or save dialog for one kind of file (`filter` as the dialog takes it),
// `path` its buffer of MAX_PATH bytes; `flags` are added to the ones every such dialog wants.
OPENFILENAMEA FileDialogFields(HWND owner, const char* filter, char* path, DWORD flags);
