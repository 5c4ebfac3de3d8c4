// Internal to the GUI layer: the one Qt application object every Qt-backed unit relies on.
#pragma once

// Makes sure the Qt application object exists (a widgets application, created on first call
// with the program name "vantrel"); later calls do nothing. Safe to call from any unit of the
// layer before it touches fonts, images with text, widgets or the clipboard.
void EnsureQtApp();
