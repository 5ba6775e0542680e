// The anchor of bench_startup: a bare Qt Widgets dialog of the wizard's size,
// 518 × 387, with nothing of ours in it; with --label it shows one line of
// text, so it also reads the font configuration as any program showing text
// does.
//
//   bench_bare_dialog [--label]
#include <QApplication>
#include <QDialog>
#include <QLabel>

#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QDialog dialog;
    dialog.setWindowTitle("Bare dialog");
    dialog.setFixedSize(518, 387);
    if (argc > 1 && std::strcmp(argv[1], "--label") == 0) {
        auto* label = new QLabel(QStringLiteral("Welcome to the audio wizard."), &dialog);
        label->move(20, 20);
    }
    dialog.show();
    return dialog.exec();
}
