// CWinApp: the application object. Run starts the user interface (the
// toolkit, the message-loop hooks of platform/system.h, the look), calls
// InitInstance and ends; the program's work happens inside InitInstance
// (typically a sheet run modally).
#pragma once

class CWnd;

class CWinApp {
public:
    CWinApp();
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // False: the program ends after it (the usual answer of a wizard).
    virtual bool InitInstance() = 0;

    // Starts the user interface, runs InitInstance, stops the user interface;
    // answers the process exit code (0).
    int Run(int& argc, char** argv);

    static CWinApp* GetApp();
    CWnd* m_pMainWnd = nullptr;
};

// Starts the user interface for the life of the object when it is not
// running yet (the toolkit application object, the hooks, fonts and look).
// Tests create one before they build windows.
class CGuiSession {
public:
    CGuiSession();
    CGuiSession(int& argc, char** argv);
    ~CGuiSession();
    CGuiSession(const CGuiSession&) = delete;
    CGuiSession& operator=(const CGuiSession&) = delete;

private:
    bool m_owner = false;
};
