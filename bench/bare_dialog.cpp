// The anchor of bench_startup: a bare Qt Widgets dialog of the wizard's size,
// 518 × 387, with nothing of ours in it. With PELMORA_EXIT_AT_FIRST_PAINT set
// it ends once its first painting is done, as the benchmark build of the
// wizard does.
#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

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
    dialog.show();
    return dialog.exec();
}
