#include "skin/skin_support.h"

namespace vk {

void SkinSupport::recordMethod2(const void* extender) {
    extender_ = extender;
    calls_.push_back(2);
}

void SkinSupport::recordMethod5() { calls_.push_back(5); }

void SkinSupport::recordMethod6() { calls_.push_back(6); }

}  // namespace vk
