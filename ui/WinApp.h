// CWinApp: the application object. Run starts the user interface (the
// toolkit, the message-loop hooks of platform/system/message_loop.h, the look), calls
// InitInstance and ends; the program's work happens inside InitInstance
// (typically a sheet run modally).
#pragma once

#include <memory>
#include <string>

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

    // ---- activation requests: a second start brings this one to the front --
    // Listens at `endpoint` (a path in the user's private directory; on
    // Windows none is needed: the second start finds the window itself) until
    // Run ends or StopListening. False when it cannot.
    bool ListenForActivation(const std::string& endpoint);
    void StopListening();
    // A second start asks: the default brings m_pMainWnd's top-level window
    // (or the modal box or dialog above it) to the front and answers whether
    // there was one.
    virtual bool OnActivationRequest();
    // From a second start: asks the program listening at `endpoint` to bring
    // its window to the front; true when it did, within timeoutMs.
    static bool RequestActivation(const std::string& endpoint, unsigned timeoutMs = 4000);

private:
    // What listens for a second start; each realisation ends its own.
    struct Activation;
    struct ActivationEnd {
        void operator()(Activation* activation) const;
    };
    std::unique_ptr<Activation, ActivationEnd> m_activation;
};

// When the user interface cannot start (no display can be opened), the
// handler gets the toolkit's reason and ends the program; without one, the
// toolkit ends it its own way. A handler that returns changes nothing.
using StartFailureHandler = void (*)(const std::string& reason);
void SetStartFailureHandler(StartFailureHandler handler);

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
