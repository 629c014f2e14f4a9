#pragma once

#include "uiservices/MousePointer.h"

#include <QList>

namespace brellow::testsupport {

// Records every pointer setting in order.
class FakeMousePointer final : public uiservices::MousePointer {
public:
    void set(int pointer) override {
        history.append(pointer);
        current_ = pointer;
    }
    int current() const override { return current_; }

    QList<int> history;

private:
    int current_ = kDefault;
};

} // namespace brellow::testsupport
