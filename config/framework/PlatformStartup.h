#pragma once
// What the platform needs before the application object exists.

// Call first thing in main(), before the QApplication is made.
void PrepareProcessForWindowLayer();
