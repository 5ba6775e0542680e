// CDialog: a dialog window with its own controls. The dialog template is
// code: CreateControls creates every control with its id (what a resource
// template did), then OnInitDialog fills and places them. DoModal runs the
// dialog modally over its parent and answers IDOK or IDCANCEL.
#pragma once

#include "ui/Wnd.h"

#include <functional>
#include <memory>

class CButton;

class CDialog : public CWnd {
public:
    explicit CDialog(int templateId, CWnd* parent = nullptr);
    ~CDialog() override;

    int GetTemplateId() const { return m_templateId; }

    // Creates the window, runs CreateControls and OnInitDialog, and runs the
    // dialog modally until EndDialog. The window is destroyed when it returns.
    int DoModal();
    // Ends the modal run with this result (or hides a modeless dialog).
    void EndDialog(int result);
    int GetResult() const { return m_result; }

    // Creates the window as a modeless top-level window (or as a child of
    // parentWindow), runs CreateControls and OnInitDialog, without showing it.
    bool CreateIndirect(CWnd* parentWindow = nullptr, bool child = false);

    // ---- overridables --------------------------------------------------------
    // The dialog template: create the controls with their ids.
    virtual void CreateControls() {}
    // Return value kept for the framework's sake (true: default focus).
    virtual bool OnInitDialog() { return true; }
    // OK button (IDOK) and Enter: EndDialog(IDOK).
    virtual void OnOK();
    // Escape and the close box: EndDialog(IDCANCEL).
    virtual void OnCancel();

    // Called with every dialog that enters DoModal, once it is shown; tests use
    // it to look at a modal dialog and close it. Pass nullptr to remove it.
    static void SetModalHook(std::function<void(CDialog&)> hook);

protected:
    // The template's caption, client size and OK button. A size of 0 fits the
    // dialog around its controls (8-pixel margin), the OK button placed
    // at the bottom right below them.
    void SetTemplate(const std::string& caption, int width = 0, int height = 0,
                     bool okButton = true);

    bool OnCommand(int id, int code) override;

private:
    friend class CPropertySheet;
    // The window's contents once it exists: caption, size and OK button of a
    // top-level dialog, CreateControls, OnInitDialog, the fitted size.
    void MakeContents(bool child);
    void FitToControls();
    int m_templateId;
    CWnd* m_parentWnd;
    std::string m_caption;
    int m_width = 0;
    int m_height = 0;
    bool m_okButton = true;
    int m_result = 0;
    bool m_modal = false;
    std::unique_ptr<CButton> m_okButtonWnd;
};
