// Internal to the GUI layer: the one Qt application object every Qt-backed unit relies on.
#pragma once

#include <string>

// Makes sure the Qt application object exists (a widgets application, created on first call
// with the program name "vantrel"); later calls do nothing. Safe to call from any unit of the
// layer before it touches fonts, images with text, widgets or the clipboard.
void EnsureQtApp();

// Qt's own vector routines (its string hashing and its pixel filling among them) return with
// the upper halves of the processor's wide registers still marked in use. Until that state is
// cleared, every SSE instruction of the program's own code waits on it: calculations and table
// scans run about twice as slow on processors with AVX-512. This clears it on x86-64 processors
// that have AVX (elsewhere it does nothing). Called wherever control comes back from Qt into
// the program's code: once the application object is made, at every entry from Qt's events,
// paints, timers and posted messages (Guarded), and when a pass of Qt's event loop returns.
void ClearWideRegisterState();

// True when no modal window may wait for an answer: a test's modal hook is installed, or the
// screen takes no input at all (the offscreen and minimal platforms the tests run on), where
// the wait could never end. In the second case What (the window's title) is written to the
// standard error, so a test that forgot to plan the answer is easy to find.
bool NobodyCanAnswer(const std::string& What);
