// The toolkit windows of dialogs and pages.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QWidget>

// A dialog's top-level window: Escape and the close box reach CDialog::OnCancel,
// Enter on the default button CDialog::OnOK.
class DialogWidget : public QDialog {
public:
    explicit DialogWidget(QWidget* parent);
    void reject() override;
    void accept() override;
};

// A page's window inside its sheet.
class PageWidget : public QWidget {
public:
    explicit PageWidget(QWidget* parent);
};
