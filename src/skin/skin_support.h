#pragma once
// The skin support object: three calls that start and stop the skin's support for the program.
// They have no visible effect of their own; what matters is that they are made, in order, so each
// one only records that it was made, and the order can be checked.
#include <vector>

namespace vk {

class SkinSupport {
public:
    // The second method of the support object: hands it the skin control's extender object.
    void attach(const void* extender);
    // The fifth method: no arguments.
    void start();
    // The sixth method: no arguments.
    void refresh();

    // The methods called so far, by number, in order.
    const std::vector<int>& recordedCalls() const { return calls_; }
    const void* extender() const { return extender_; }

private:
    std::vector<int> calls_;
    const void* extender_ = nullptr;
};

}  // namespace vk
