#pragma once
// The skin support object: three calls that start and stop the skin's support for the program.
// They have no visible effect of their own; what matters is that they are made, in order. The
// program's does nothing; tests put one of their own in the program's Skinning to see the order.

namespace vk {

class SkinSupport {
public:
    virtual ~SkinSupport() = default;

    // The second method of the support object: hands it the skin control's extender object.
    virtual void attach(const void* /*extender*/) {}
    // The fifth method: no arguments.
    virtual void start() {}
    // The sixth method: no arguments.
    virtual void refresh() {}
};

}  // namespace vk
