#pragma once

namespace vk {

class Program;

// Reads the product name, company name and web site host from the executable's version
// information, and switches skinning on. Gives the same values however often it runs.
void applyBranding(Program& app);

}  // namespace vk
