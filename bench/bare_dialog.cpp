// The anchor of bench_startup: a bare Qt Widgets dialog of the wizard's size,
// 518 × 387, with nothing of ours in it; with --label it shows one line of
// text, so it also reads the font configuration as any program showing text
// does. With PELMORA_EXIT_AT_FIRST_PAINT set it ends once its first painting
// is done, as the benchmark build of the wizard does.
//
//   bench_bare_dialog [--label]
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

class BareDialog : public QDialog {
protected:
    void paintEvent(QPaintEvent* event) override {
        QDialog::paintEvent(event);
        if (m_painted || std::getenv("PELMORA_EXIT_AT_FIRST_PAINT") == nullptr)
            return;
        m_painted = true;
        QTimer::singleShot(0, [] {
            std::fflush(nullptr);
            std::_Exit(0);
        });
    }

private:
    bool m_painted = false;
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    BareDialog dialog;
    dialog.setWindowTitle("Bare dialog");
    dialog.setFixedSize(518, 387);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        auto* label = new QLabel(QStringLiteral("Welcome to the audio wizard."), &dialog);
        label->move(20, 20);
    }
    dialog.show();
    return dialog.exec();
}
