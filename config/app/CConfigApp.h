#pragma once
// The application object of Config: single copy, program folder, settings
// folders, then the main window until it ends.

#include "framework/SingleInstanceLock.h"

#include <QString>

class CConfigDlg;

class CConfigApp
{
public:
    CConfigApp();
    ~CConfigApp();

    // Always nonzero; a second copy returns at once without a window.
    int InitInstance();
    // Writes its line first, then lets go of the instance lock.
    int ExitInstance();

    // The help command: opens Help/Help.pdf beside the program. A missing
    // document or handler is not reported.
    void OnHelp();

    bool HoldsInstanceLock() const { return instanceLock.IsHeld(); }

    static CConfigApp *Instance() { return instance; }

    // Name of the instance lock, the title under which other programs look
    // for the main window as well.
    static constexpr const char *kInstanceName = "Zarvik RGB Software_Config";
    // The program's name as the user knows it (title of its message boxes).
    static constexpr const char *kProgramName = "Zarvik RGB Software";

private:
    SingleInstanceLock instanceLock;
    CConfigDlg *mainWindow = nullptr;
    static CConfigApp *instance;
};
