#pragma once

#include "uiservices/MousePointer.h"

namespace brellow::uiservices {

// Qt's override cursor is a stack; this keeps at most one entry on it so that a new
// setting replaces the old one instead of nesting.
class QtMousePointer final : public MousePointer {
public:
    ~QtMousePointer() override;
    void set(int pointer) override;
    int current() const override { return current_; }

private:
    int current_ = kDefault;
};

} // namespace brellow::uiservices
