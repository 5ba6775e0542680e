#include "TraceWindow.h"

#include "TraceLog.h"

#include <QApplication>
#include <QDialog>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

namespace tracelib {

namespace {

QPointer<QDialog>& Window() {
    static QPointer<QDialog> window;
    return window;
}

bool OnApplicationThread() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app != nullptr && QThread::currentThread() == app->thread();
}

} // namespace

bool ShowTraceWindow() {
    if (!OnApplicationThread())
        return false;
    QPointer<QDialog>& window = Window();
    if (window.isNull()) {
        window = new QDialog;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setWindowTitle(QStringLiteral("Trace"));
        window->resize(760, 420);
        auto* text = new QPlainTextEdit(window);
        text->setObjectName(QStringLiteral("traceText"));
        text->setReadOnly(true);
        text->setLineWrapMode(QPlainTextEdit::NoWrap);
        text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        auto* layout = new QVBoxLayout(window);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->addWidget(text);
    }
    auto* text = window->findChild<QPlainTextEdit*>(QStringLiteral("traceText"));
    QString all;
    for (const std::string& line : Lines()) {
        all += QString::fromStdString(line);
        all += QLatin1Char('\n');
    }
    text->setPlainText(all);
    text->verticalScrollBar()->setValue(text->verticalScrollBar()->maximum());
    window->show();
    window->raise();
    window->activateWindow();
    return true;
}

void DestroyTraceWindow() {
    QPointer<QDialog>& window = Window();
    if (!window.isNull() && OnApplicationThread())
        delete window.data();
    window.clear();
}

} // namespace tracelib
