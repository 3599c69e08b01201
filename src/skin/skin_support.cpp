#include "skin/skin_support.h"

namespace vk {

void SkinSupport::method2(const void* extender) {
    extender_ = extender;
    calls_.push_back(2);
}

void SkinSupport::method5() { calls_.push_back(5); }

void SkinSupport::method6() { calls_.push_back(6); }

}  // namespace vk
