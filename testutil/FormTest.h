#pragma once
// Helpers for form tests: controls by objectName, and answering a modal dialog that a click is
// about to open (exec() does not return until the dialog is closed).
#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace testutil {

// The child named `name`; the test fails when there is none.
template <class T>
T* Control(QObject* form, const QString& name) {
    T* child = form->findChild<T*>(name);
    if (!child) qFatal("no control %s", qPrintable(name));
    return child;
}

// Runs `act` on the modal dialog named `name` as soon as it is shown; `act` is to close it.
inline void OnModal(const QString& name, std::function<void(QWidget*)> act) {
    auto attempt = std::make_shared<std::function<void()>>();
    *attempt = [name, act, attempt]() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal->objectName() == name) {
            act(modal);
            if (modal->isVisible()) {
                // A test that fails to close the dialog must not hang the run.
                qWarning("modal %s left open", qPrintable(name));
                modal->close();
            }
        } else {
            QTimer::singleShot(5, *attempt);
        }
    };
    QTimer::singleShot(0, *attempt);
}

// Check boxes and option buttons answer only on their indicator and caption, so they are
// clicked near their left edge rather than in the middle of a stretched box.
inline void Click(QObject* form, const QString& name) {
    QWidget* w = Control<QWidget>(form, name);
    const bool toggle = w->inherits("QCheckBox") || w->inherits("QRadioButton");
    QTest::mouseClick(w, Qt::LeftButton, {}, toggle ? QPoint(6, w->height() / 2) : QPoint());
}

// Text boxes in the engine's UTF-16 text (the forms' own conversion lives above testutil).
inline void SetText(QObject* form, const QString& name, std::u16string_view text) {
    Control<QLineEdit>(form, name)
        ->setText(QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())));
}

inline std::u16string Text(QObject* form, const QString& name) {
    const QString text = Control<QLineEdit>(form, name)->text();
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

}  // namespace testutil
