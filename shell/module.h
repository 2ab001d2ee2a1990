// State of the library as a whole: its module handle and the count of live
// objects that decides whether it may be unloaded.
#pragma once

#include <windows.h>

// Stored when the process attaches; used for the page's dialog template and
// for the library's own file name.
extern HINSTANCE ModuleInstance;

// Live factories, extension objects and Info pages. The property sheet
// manager also moves it, through the page's reference-count parent. The shell
// may make and drop objects on several threads, so every change is
// interlocked.
extern volatile LONG ObjectCount;

inline void CountObjectMade() { InterlockedIncrement(&ObjectCount); }
inline void CountObjectGone() { InterlockedDecrement(&ObjectCount); }
