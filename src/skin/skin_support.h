#pragma once
// The skin support object: three calls that start and stop the skin's support for the program.
// They have no visible effect of their own; what matters is that they are made, in order, and
// the object records them so that the order can be checked.
#include <vector>

namespace vk {

class SkinSupport {
public:
    // The second method of the support object: hands it the skin control's extender object.
    void method2(const void* extender);
    // The fifth method: no arguments.
    void method5();
    // The sixth method: no arguments.
    void method6();

    const std::vector<int>& calls() const { return calls_; }
    const void* extender() const { return extender_; }

private:
    std::vector<int> calls_;
    const void* extender_ = nullptr;
};

}  // namespace vk
