#pragma once

#include <QString>
#include <QWidget>

namespace brellow::testsupport {

// The window's control of this type and object name. A missing one stops the test program
// at once: every check after it would only dereference a null pointer.
template <typename T> T* control(const QWidget& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) {
        qFatal("no control named %s", name);
    }
    return found;
}

} // namespace brellow::testsupport
