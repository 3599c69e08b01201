#include "skin/skin_support.h"

namespace vk {

void SkinSupport::attach(const void* extender) {
    extender_ = extender;
    calls_.push_back(2);
}

void SkinSupport::start() { calls_.push_back(5); }

void SkinSupport::refresh() { calls_.push_back(6); }

}  // namespace vk
