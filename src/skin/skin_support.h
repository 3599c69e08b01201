#pragma once
// The skin support object: the skinning component's helper, known only by the places of its
// methods in its interface (the second, fifth and sixth). Three calls start it and refresh it;
// they have no visible effect of their own, and what matters is that they are made, in order. The
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
