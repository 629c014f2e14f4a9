#pragma once

namespace brellow::uiservices {

// The one application-wide mouse pointer. Setting a value replaces the last one.
class MousePointer {
public:
    static constexpr int kDefault = 0; // each window and control chooses its own
    static constexpr int kArrow = 1;
    static constexpr int kHourglass = 11;

    virtual ~MousePointer() = default;
    virtual void set(int pointer) = 0;
    virtual int current() const = 0;
};

} // namespace brellow::uiservices
